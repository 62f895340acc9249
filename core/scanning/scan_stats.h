#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sv {

// What one scan did. Every supported, non-empty file it counted is in exactly one of
// unchanged, added and updated; a relinked file is also listed in moved.
struct ScanStats {
    std::uint64_t unchanged = 0;
    std::uint64_t added = 0;
    std::uint64_t updated = 0;
    std::uint64_t removed = 0;
    std::uint64_t emptySkipped = 0;
    std::vector<std::pair<std::string, std::string>> moved;  // (old path, new path)
};

// Adds the counters field by field and appends the moved pairs.
inline ScanStats& operator+=(ScanStats& total, const ScanStats& part) {
    total.unchanged += part.unchanged;
    total.added += part.added;
    total.updated += part.updated;
    total.removed += part.removed;
    total.emptySkipped += part.emptySkipped;
    total.moved.insert(total.moved.end(), part.moved.begin(), part.moved.end());
    return total;
}

}  // namespace sv
