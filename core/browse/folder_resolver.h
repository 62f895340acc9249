#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

namespace sv {

// Weakly canonical forms of many folders, as std::filesystem::weakly_canonical gives them,
// with every parent resolved once and shared by its children: one status query per distinct
// folder instead of one per component of every folder.
class FolderResolver {
  public:
    // Empty when the resolution fails.
    std::optional<std::filesystem::path> resolve(const std::string& folder);

  private:
    struct Resolved {
        std::filesystem::path path;
        bool exists = false;
    };

    std::optional<Resolved> resolveEntry(const std::string& folder);
    std::optional<Resolved> compute(const std::string& folder);
    static std::optional<Resolved> resolveDirectly(const std::filesystem::path& path);

    std::unordered_map<std::string, std::optional<Resolved>> memo_;
};

}  // namespace sv
