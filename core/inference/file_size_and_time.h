#pragma once

#include <cstdint>
#include <filesystem>

namespace sv {

// Size and modification time of a file as the catalogue stores them.
struct FileSizeAndTime {
    std::uint64_t size = 0;       // bytes; 0 when unreadable or not a regular file
    std::int64_t modifiedAt = 0;  // whole Unix seconds, truncated towards zero; 0 when unreadable
};

// One status query, following symbolic links.
FileSizeAndTime readFileSizeAndTime(const std::filesystem::path& path);

}  // namespace sv
