#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sv {

// Weakly canonical forms of many folders, as std::filesystem::weakly_canonical gives them,
// with every parent resolved once and shared by its children. A folder costs at most one
// status query; the children of a folder asked for often are looked up in one listing of it
// instead, which tells plain folders from links without a query per child.
class FolderResolver {
  public:
    // Empty when the resolution fails.
    std::optional<std::filesystem::path> resolve(const std::string& folder);

    // The same as text; null when the resolution fails. The text lives as long as the
    // resolver.
    const std::string* resolveText(std::string_view folder);

  private:
    struct Resolved {
        std::string path;
        bool exists = false;
    };

    // Texts looked up by view, without a copy per lookup.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    template <typename Value>
    using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

    // What one listing of a folder says about its entries other than regular files.
    struct Listing {
        bool usable = false;
        TextMap<unsigned char> types;  // dirent types by name
    };

    struct Entry {
        std::optional<Resolved> resolved;
        int childLookups = 0;
        std::optional<Listing> listing;
    };

    Entry& entryFor(std::string_view folder);
    std::optional<Resolved> compute(std::string_view folder);
    std::optional<Resolved> resolveChild(Entry& parent, std::string_view folder,
                                         std::string_view name);
    static std::optional<Resolved> resolveByStatus(const std::string& joined,
                                                   std::string_view folder);
    static std::optional<Resolved> resolveDirectly(const std::string& path);
    static Listing listFolder(const std::string& folder);

    // Node-based, so entries and their texts stay where they are as the map grows.
    TextMap<Entry> memo_;
};

}  // namespace sv
