#include "core/scanning/mount_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace sv {
namespace {

bool isOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// True when `folder` is `path` or one of its parent folders, compared component-wise.
bool containsPath(const std::string& folder, const std::string& path) {
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    if (!path.starts_with(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string decodeMountPath(const std::string& field) {
    std::string decoded;
    decoded.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) &&
            isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            decoded.push_back(static_cast<char>(value & 0xff));
            i += 3;
        } else {
            decoded.push_back(field[i]);
        }
    }
    return decoded;
}

MountTable MountTable::read(const std::filesystem::path& source) {
    std::ifstream in(source);
    std::vector<std::string> points;
    std::string line;
    while (std::getline(in, line)) {
        // Fields: mount id, parent id, major:minor, root, mount point, ...
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (fields >> id >> parent >> device >> root >> mountPoint)
            points.push_back(decodeMountPath(mountPoint));
    }
    return MountTable(std::move(points));
}

MountTable::MountTable(std::vector<std::string> mountPoints) {
    for (std::string& point : mountPoints) {
        if (!point.empty() && point.front() == '/')
            mountPoints_.push_back(withoutTrailingSeparators(std::move(point)));
    }
    std::sort(mountPoints_.begin(), mountPoints_.end());
    mountPoints_.erase(std::unique(mountPoints_.begin(), mountPoints_.end()), mountPoints_.end());
}

std::string MountTable::mountPointOf(const std::string& path) const {
    if (!known())
        return {};
    const std::string normal = withoutTrailingSeparators(path);
    const std::string* best = nullptr;
    for (const std::string& point : mountPoints_) {
        if (containsPath(point, normal) && (!best || point.size() > best->size()))
            best = &point;
    }
    return best ? *best : std::string("/");
}

bool MountTable::isMountPoint(const std::string& path) const {
    return std::binary_search(mountPoints_.begin(), mountPoints_.end(),
                              withoutTrailingSeparators(path));
}

bool inRemovableDriveArea(const std::string& path) {
    const std::string normal = withoutTrailingSeparators(path);
    for (const char* area : {"/media", "/run/media", "/mnt"}) {
        const std::string folder(area);
        if (normal.size() > folder.size() && containsPath(folder, normal))
            return true;
    }
    return false;
}

bool driveNotMounted(const std::string& path, const MountTable& mounts) {
    return inRemovableDriveArea(path) && mounts.known() && mounts.mountPointOf(path) == "/";
}

}  // namespace sv
