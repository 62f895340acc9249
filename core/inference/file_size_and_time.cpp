#include "core/inference/file_size_and_time.h"

#include <sys/stat.h>

namespace sv {

FileSizeAndTime readFileSizeAndTime(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    FileSizeAndTime facts;
    if (S_ISREG(status.st_mode))
        facts.size = static_cast<std::uint64_t>(status.st_size);
    // Truncating the nanosecond count towards zero: a time before 1970 with a fraction
    // is one second closer to the epoch than its tv_sec.
    facts.modifiedAt = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    if (facts.modifiedAt < 0 && status.st_mtim.tv_nsec > 0)
        facts.modifiedAt += 1;
    return facts;
}

}  // namespace sv
