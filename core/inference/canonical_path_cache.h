#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace sv {

// Canonical forms of existing paths, remembered for a short while. Resolving a path costs a
// system call per component; a scan asks for the same root and folders thousands of times a
// second. An entry older than its lifetime is resolved again, so a link or folder changed on
// disk is seen as soon as any uncached answer could have been. Paths that cannot be resolved
// are never remembered. Safe for any number of threads.
class CanonicalPathCache {
  public:
    CanonicalPathCache(std::chrono::steady_clock::duration lifetime, std::size_t capacity);

    // The canonical form of the path, or nothing when it cannot be resolved.
    std::optional<std::filesystem::path> resolve(const std::filesystem::path& path);

  private:
    struct Entry {
        std::filesystem::path canonical;
        std::chrono::steady_clock::time_point resolvedAt;
    };

    const std::chrono::steady_clock::duration lifetime_;
    const std::size_t capacity_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace sv
