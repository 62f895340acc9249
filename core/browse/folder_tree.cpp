#include "core/browse/folder_tree.h"

#include "core/browse/folder_resolver.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_set>

namespace sv {
namespace {

namespace fs = std::filesystem;

struct MutableNode {
    std::string name;
    std::string path;
    std::map<std::string, MutableNode> children;  // byte order of the folder names
};

FolderNode freeze(const MutableNode& node) {
    FolderNode frozen{node.name, node.path, {}};
    frozen.children.reserve(node.children.size());
    for (const auto& [name, child] : node.children)
        frozen.children.push_back(freeze(child));
    return frozen;
}

// A library stored with a separator at its end is still named by its folder.
std::string lastComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return fs::path(path).filename().string();
}

std::string appendComponent(const std::string& base, const std::string& component) {
    if (!base.empty() && base.back() == '/')
        return base + component;
    return base + "/" + component;
}

// The text before the last separator: samples sharing it share their folder, so it keys the
// cache of resolved folders without building a path per sample.
std::string_view folderKey(const std::string& samplePath) {
    const auto slash = samplePath.rfind('/');
    return slash == std::string::npos ? std::string_view()
                                      : std::string_view(samplePath).substr(0, slash);
}

// Builds one library's folders. Each distinct folder is resolved against the file system
// once; samples of a folder already seen reuse the node it led to.
class LibraryTreeBuilder {
  public:
    LibraryTreeBuilder(const std::string& libraryPath, const std::string& label) {
        root_.name = label;
        root_.path = libraryPath;
        std::error_code error;
        const fs::path canonical = fs::weakly_canonical(fs::path(libraryPath), error);
        if (!error)
            canonicalLibrary_ = canonical;
    }

    void add(const std::string& samplePath) {
        const std::string_view key = folderKey(samplePath);
        if (lastKey_ && key == *lastKey_)
            return;
        const auto [seen, inserted] = resolvedFolders_.emplace(key);
        if (inserted)
            addFolderOf(samplePath);
        lastKey_ = *seen;
    }

    FolderNode finish() const { return freeze(root_); }

  private:
    // Creates the nodes down to the folder of this sample. A folder that is the library root
    // itself, lies outside the library or cannot be resolved adds nothing.
    void addFolderOf(const std::string& samplePath) {
        if (!canonicalLibrary_)
            return;
        const std::optional<fs::path> canonicalFolder =
            resolver_.resolve(fs::path(samplePath).parent_path().string());
        if (!canonicalFolder)
            return;
        const fs::path relative = canonicalFolder->lexically_relative(*canonicalLibrary_);
        // Outside the library the first step is "..": a folder named "..Old Packs" is inside.
        if (relative.empty() || *relative.begin() == "..")
            return;

        MutableNode* current = &root_;
        std::string accumulated = root_.path;
        for (const fs::path& part : relative) {
            const std::string component = part.string();
            if (component.empty() || component == ".")
                continue;
            accumulated = appendComponent(accumulated, component);
            auto [child, inserted] = current->children.try_emplace(component);
            if (inserted) {
                child->second.name = component;
                child->second.path = accumulated;
            }
            current = &child->second;
        }
    }

    MutableNode root_;
    std::optional<fs::path> canonicalLibrary_;
    FolderResolver resolver_;
    std::unordered_set<std::string> resolvedFolders_;
    std::optional<std::string_view> lastKey_;  // points into resolvedFolders_
};

// The libraries of the input in first-seen order, each with its label and its samples'
// indexes, in one pass over the input.
struct LibraryGroup {
    std::string path;
    std::string label;
    std::vector<std::size_t> members;
};

std::vector<LibraryGroup> groupByLibrary(const std::vector<IndexedPath>& paths) {
    std::vector<LibraryGroup> groups;
    std::size_t last = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const IndexedPath& entry = paths[i];
        // Consecutive rows nearly always share their library: check the last one first.
        if (groups.empty() || groups[last].path != entry.libraryPath) {
            const fs::path libraryPath(entry.libraryPath);
            const auto match = std::find_if(groups.begin(), groups.end(), [&](const auto& group) {
                return group.path == entry.libraryPath || fs::path(group.path) == libraryPath;
            });
            if (match == groups.end()) {
                groups.push_back({entry.libraryPath, {}, {}});
                last = groups.size() - 1;
            } else {
                last = static_cast<std::size_t>(match - groups.begin());
            }
        }
        LibraryGroup& group = groups[last];
        if (group.label.empty() && !entry.libraryLabel.empty())
            group.label = entry.libraryLabel;
        group.members.push_back(i);
    }
    for (LibraryGroup& group : groups) {
        if (group.label.empty())
            group.label = lastComponent(group.path);
    }
    return groups;
}

FolderNode buildGroupTree(const LibraryGroup& group, const std::vector<IndexedPath>& paths) {
    LibraryTreeBuilder builder(group.path, group.label);
    for (const std::size_t index : group.members)
        builder.add(paths[index].samplePath);
    return builder.finish();
}

}  // namespace

FolderNode buildLibraryTree(const std::string& libraryPath, const std::vector<IndexedPath>& paths,
                            const std::string& label) {
    const fs::path library(libraryPath);
    LibraryTreeBuilder builder(libraryPath, label);
    for (const IndexedPath& entry : paths) {
        if (entry.libraryPath == libraryPath || fs::path(entry.libraryPath) == library)
            builder.add(entry.samplePath);
    }
    return builder.finish();
}

FolderNode buildFolderTree(const std::vector<IndexedPath>& paths) {
    std::vector<LibraryGroup> groups = groupByLibrary(paths);
    if (groups.empty())
        return FolderNode{"SAMPLE", {}, {}};
    if (groups.size() == 1)
        return buildGroupTree(groups.front(), paths);

    std::sort(groups.begin(), groups.end(), [](const LibraryGroup& a, const LibraryGroup& b) {
        return fs::path(a.path) < fs::path(b.path);
    });
    FolderNode root;
    root.children.reserve(groups.size());
    for (const LibraryGroup& group : groups)
        root.children.push_back(buildGroupTree(group, paths));
    return root;
}

}  // namespace sv
