#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sv {

// The mount points of the running system, read from the kernel's mount table. Tells whether a
// folder lies on a mounted filesystem and which folders are the tops of filesystems.
class MountTable {
  public:
    static constexpr const char* kDefaultSource = "/proc/self/mountinfo";

    // Reads a mountinfo file. An unreadable file gives a table that knows nothing.
    static MountTable read(const std::filesystem::path& source = kDefaultSource);

    MountTable() = default;
    explicit MountTable(std::vector<std::string> mountPoints);

    // False when the table could not be read: no decision can be based on it.
    bool known() const { return !mountPoints_.empty(); }

    // The longest mount point that is the path itself or one of its parent folders; "/" when
    // no other filesystem holds it, empty when the table is not known. The path should be
    // absolute and normal.
    std::string mountPointOf(const std::string& path) const;
    bool isMountPoint(const std::string& path) const;

  private:
    std::vector<std::string> mountPoints_;  // sorted, unique
};

// True for a path strictly below /media, /run/media or /mnt, where removable drives appear.
bool inRemovableDriveArea(const std::string& path);

// True when a path below /media, /run/media or /mnt has no filesystem of its own mounted at
// or above it: the drive is unplugged and only its mount point folder may be left.
bool driveNotMounted(const std::string& path, const MountTable& mounts);

// Decodes the octal escapes (\040 and the like) the kernel writes in mount table paths.
std::string decodeMountPath(const std::string& field);

}  // namespace sv
