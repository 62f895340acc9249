#include "core/browse/folder_resolver.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace sv {
namespace {

namespace fs = std::filesystem;

// An absolute path other than "/" whose components are all plain names: no empty
// component, no "." and no "..". Only these are resolved through their parent.
bool isPlainAbsolute(const std::string& path) {
    if (path.size() < 2 || path.front() != '/')
        return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::optional<fs::path> FolderResolver::resolve(const std::string& folder) {
    const std::optional<Resolved> resolved = resolveEntry(folder);
    if (!resolved)
        return std::nullopt;
    return resolved->path;
}

std::optional<FolderResolver::Resolved> FolderResolver::resolveEntry(const std::string& folder) {
    if (const auto found = memo_.find(folder); found != memo_.end())
        return found->second;
    std::optional<Resolved> resolved = compute(folder);
    memo_.emplace(folder, resolved);
    return resolved;
}

std::optional<FolderResolver::Resolved> FolderResolver::compute(const std::string& folder) {
    if (!isPlainAbsolute(folder))
        return resolveDirectly(folder);
    const std::size_t slash = folder.rfind('/');
    const std::string name = folder.substr(slash + 1);
    const std::optional<Resolved> parent = slash == 0 ? std::optional<Resolved>(Resolved{"/", true})
                                                      : resolveEntry(folder.substr(0, slash));
    if (!parent)
        return std::nullopt;
    fs::path joined = parent->path / name;
    // Below a missing folder the rest of the path is kept as it is.
    if (!parent->exists)
        return Resolved{std::move(joined), false};
    struct stat info {};
    if (::lstat(joined.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Resolved{std::move(joined), false};
        return resolveDirectly(folder);
    }
    if (S_ISLNK(info.st_mode))
        return resolveDirectly(joined);
    return Resolved{std::move(joined), true};
}

std::optional<FolderResolver::Resolved> FolderResolver::resolveDirectly(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error)
        return std::nullopt;
    const bool exists = fs::exists(resolved, error);
    return Resolved{std::move(resolved), exists && !error};
}

}  // namespace sv
