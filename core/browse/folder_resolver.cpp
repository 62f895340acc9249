#include "core/browse/folder_resolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace sv {
namespace {

namespace fs = std::filesystem;

// A folder is listed once this many of its children have been asked for: folders with one or
// two subfolders are cheaper to query child by child than to read in full.
constexpr int kChildrenBeforeListing = 3;

// An absolute path other than "/" whose components are all plain names: no empty
// component, no "." and no "..". Only these are resolved through their parent.
bool isPlainAbsolute(std::string_view path) {
    if (path.size() < 2 || path.front() != '/')
        return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// The parent joined with one plain name, as std::filesystem's operator/ joins them.
std::string joined(const std::string& parent, std::string_view name) {
    std::string path;
    path.reserve(parent.size() + name.size() + 1);
    path = parent;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

}  // namespace

std::optional<fs::path> FolderResolver::resolve(const std::string& folder) {
    const std::string* resolved = resolveText(folder);
    if (resolved == nullptr)
        return std::nullopt;
    return fs::path(*resolved);
}

const std::string* FolderResolver::resolveText(std::string_view folder) {
    const Entry& entry = entryFor(folder);
    return entry.resolved ? &entry.resolved->path : nullptr;
}

FolderResolver::Entry& FolderResolver::entryFor(std::string_view folder) {
    if (const auto found = memo_.find(folder); found != memo_.end())
        return found->second;
    std::optional<Resolved> resolved = compute(folder);
    Entry& entry = memo_[std::string(folder)];
    entry.resolved = std::move(resolved);
    return entry;
}

std::optional<FolderResolver::Resolved> FolderResolver::compute(std::string_view folder) {
    if (!isPlainAbsolute(folder))
        return resolveDirectly(std::string(folder));
    const std::size_t slash = folder.rfind('/');
    Entry& parent = entryFor(slash == 0 ? std::string_view("/") : folder.substr(0, slash));
    if (!parent.resolved)
        return std::nullopt;
    return resolveChild(parent, folder, folder.substr(slash + 1));
}

std::optional<FolderResolver::Resolved> FolderResolver::resolveChild(Entry& parent,
                                                                     std::string_view folder,
                                                                     std::string_view name) {
    const Resolved& resolvedParent = *parent.resolved;
    std::string path = joined(resolvedParent.path, name);
    // Below a missing folder the rest of the path is kept as it is.
    if (!resolvedParent.exists)
        return Resolved{std::move(path), false};
    if (++parent.childLookups >= kChildrenBeforeListing && !parent.listing)
        parent.listing = listFolder(resolvedParent.path);
    if (parent.listing && parent.listing->usable) {
        const auto found = parent.listing->types.find(name);
        if (found != parent.listing->types.end()) {
            if (found->second == DT_DIR)
                return Resolved{std::move(path), true};
            if (found->second == DT_LNK)
                return resolveDirectly(path);
        }
        // Not listed (missing, or a regular file in the way) or of another kind: asked for.
    }
    return resolveByStatus(path, folder);
}

std::optional<FolderResolver::Resolved> FolderResolver::resolveByStatus(const std::string& path,
                                                                        std::string_view folder) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Resolved{path, false};
        return resolveDirectly(std::string(folder));
    }
    if (S_ISLNK(info.st_mode))
        return resolveDirectly(path);
    return Resolved{path, true};
}

std::optional<FolderResolver::Resolved> FolderResolver::resolveDirectly(const std::string& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::path(path), error);
    if (error)
        return std::nullopt;
    const bool exists = fs::exists(resolved, error);
    return Resolved{resolved.string(), exists && !error};
}

// Regular files, the bulk of a sample folder, are left out. A file system that does not give
// the kind of each entry gives no usable listing, and every child is asked for in turn.
FolderResolver::Listing FolderResolver::listFolder(const std::string& folder) {
    Listing listing;
    const std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(folder.c_str()));
    if (!directory)
        return listing;
    while (const dirent* item = ::readdir(directory.get())) {
        if (item->d_type == DT_REG)
            continue;
        if (item->d_type == DT_UNKNOWN) {
            listing.types.clear();
            return listing;
        }
        listing.types.emplace(item->d_name, item->d_type);
    }
    listing.usable = true;
    return listing;
}

}  // namespace sv
