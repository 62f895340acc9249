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
    std::map<std::string, MutableNode, std::less<>> children;  // byte order of the names
};

FolderNode freeze(MutableNode&& node) {
    FolderNode frozen{std::move(node.name), std::move(node.path), {}};
    frozen.children.reserve(node.children.size());
    for (auto& [name, child] : node.children)
        frozen.children.push_back(freeze(std::move(child)));
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

// The part of a resolved folder below the resolved library, as lexically_relative gives it for
// these normal forms; empty when the folder is the library itself or lies outside it. Outside
// the library the first step would be "..": a folder named "..Old Packs" is inside.
std::optional<std::string_view> belowLibrary(std::string_view folder, std::string_view library) {
    std::string_view rest;
    if (library.empty()) {
        if (!folder.empty() && folder.front() == '/')
            return std::nullopt;
        rest = folder;
    } else if (library == "/") {
        if (folder.empty() || folder.front() != '/')
            return std::nullopt;
        rest = folder.substr(1);
    } else {
        if (folder.size() <= library.size() || folder.compare(0, library.size(), library) != 0 ||
            folder[library.size()] != '/')
            return std::nullopt;
        rest = folder.substr(library.size() + 1);
    }
    if (rest == ".." || rest.rfind("../", 0) == 0)
        return std::nullopt;
    return rest;
}

// The folder of a sample as std::filesystem's parent_path gives it. Absolute paths without
// doubled or trailing separators, which is what a scan stores, take the text before the last
// separator without splitting the path into components; `storage` holds any other answer.
std::string_view parentFolder(const std::string& samplePath, std::string& storage) {
    const bool plain = !samplePath.empty() && samplePath.front() == '/' &&
                       samplePath.back() != '/' && samplePath.find("//") == std::string::npos;
    if (!plain) {
        storage = fs::path(samplePath).parent_path().native();
        return storage;
    }
    const std::size_t slash = samplePath.rfind('/');
    return slash == 0 ? std::string_view("/") : std::string_view(samplePath).substr(0, slash);
}

// Builds one library's folders. Each distinct folder is resolved against the file system
// once; samples of a folder already seen reuse the node it led to.
class LibraryTreeBuilder {
  public:
    LibraryTreeBuilder(FolderResolver& resolver, const std::string& libraryPath,
                       const std::string& label)
        : resolver_(resolver) {
        root_.name = label;
        root_.path = libraryPath;
        if (const std::string* canonical = resolver_.resolveText(libraryPath)) {
            std::string library = *canonical;
            while (library.size() > 1 && library.back() == '/')
                library.pop_back();
            canonicalLibrary_ = std::move(library);
        }
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

    FolderNode finish() { return freeze(std::move(root_)); }

  private:
    // Creates the nodes down to the folder of this sample. A folder that is the library root
    // itself, lies outside the library or cannot be resolved adds nothing.
    void addFolderOf(const std::string& samplePath) {
        if (!canonicalLibrary_)
            return;
        std::string storage;
        const std::string* canonicalFolder =
            resolver_.resolveText(parentFolder(samplePath, storage));
        if (canonicalFolder == nullptr)
            return;
        const std::optional<std::string_view> relative =
            belowLibrary(*canonicalFolder, *canonicalLibrary_);
        if (!relative)
            return;

        MutableNode* current = &root_;
        std::size_t start = 0;
        while (start < relative->size()) {
            std::size_t end = relative->find('/', start);
            if (end == std::string_view::npos)
                end = relative->size();
            const std::string_view component = relative->substr(start, end - start);
            start = end + 1;
            if (component.empty() || component == ".")
                continue;
            auto child = current->children.find(component);
            if (child == current->children.end()) {
                child = current->children.emplace(std::string(component), MutableNode{}).first;
                child->second.name = component;
                child->second.path = appendComponent(current->path, child->second.name);
            }
            current = &child->second;
        }
    }

    FolderResolver& resolver_;
    MutableNode root_;
    std::optional<std::string> canonicalLibrary_;
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

FolderNode buildGroupTree(FolderResolver& resolver, const LibraryGroup& group,
                          const std::vector<IndexedPath>& paths) {
    LibraryTreeBuilder builder(resolver, group.path, group.label);
    for (const std::size_t index : group.members)
        builder.add(paths[index].samplePath);
    return builder.finish();
}

}  // namespace

FolderNode buildLibraryTree(const std::string& libraryPath, const std::vector<IndexedPath>& paths,
                            const std::string& label) {
    const fs::path library(libraryPath);
    FolderResolver resolver;
    LibraryTreeBuilder builder(resolver, libraryPath, label);
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
    // Libraries on one drive share their parents: each is resolved once for all of them.
    FolderResolver resolver;
    if (groups.size() == 1)
        return buildGroupTree(resolver, groups.front(), paths);

    std::sort(groups.begin(), groups.end(), [](const LibraryGroup& a, const LibraryGroup& b) {
        return fs::path(a.path) < fs::path(b.path);
    });
    FolderNode root;
    root.children.reserve(groups.size());
    for (const LibraryGroup& group : groups)
        root.children.push_back(buildGroupTree(resolver, group, paths));
    return root;
}

}  // namespace sv
