#include "core/inference/file_stamp.h"

#include <sys/stat.h>

namespace sv {

FileStamp readFileStamp(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    FileStamp stamp;
    if (S_ISREG(status.st_mode))
        stamp.size = static_cast<std::uint64_t>(status.st_size);
    // Truncating the nanosecond count towards zero: a time before 1970 with a fraction
    // is one second closer to the epoch than its tv_sec.
    stamp.modifiedAt = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    if (stamp.modifiedAt < 0 && status.st_mtim.tv_nsec > 0)
        stamp.modifiedAt += 1;
    return stamp;
}

}  // namespace sv
