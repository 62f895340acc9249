#include "core/inference/canonical_path_cache.h"

#include <stdlib.h>

#include <array>
#include <climits>

namespace sv {
namespace {

// Resolved by the C library in one system call per component.
std::optional<std::filesystem::path> resolvedNow(const std::filesystem::path& path) {
    std::array<char, PATH_MAX> buffer{};
    if (::realpath(path.c_str(), buffer.data()) == nullptr)
        return std::nullopt;
    return std::filesystem::path(buffer.data());
}

}  // namespace

CanonicalPathCache::CanonicalPathCache(std::chrono::steady_clock::duration lifetime,
                                       std::size_t capacity)
    : lifetime_(lifetime), capacity_(capacity) {}

std::optional<std::filesystem::path> CanonicalPathCache::resolve(
    const std::filesystem::path& path) {
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard lock(mutex_);
        const auto found = entries_.find(path.native());
        if (found != entries_.end() && now - found->second.resolvedAt < lifetime_)
            return found->second.canonical;
    }
    std::optional<std::filesystem::path> canonical = resolvedNow(path);
    if (!canonical)
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    if (entries_.size() >= capacity_)
        entries_.clear();
    entries_.insert_or_assign(path.native(), Entry{*canonical, now});
    return canonical;
}

}  // namespace sv
