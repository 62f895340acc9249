#include "audio/waveforms/cache_folder_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace sv {

struct CacheFolderDescriptor::Held {
    Held(QByteArray folderPath, int folderDescriptor)
        : path(std::move(folderPath)), descriptor(folderDescriptor) {}
    ~Held() { ::close(descriptor); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    const QByteArray path;
    const int descriptor;
};

int CacheFolderDescriptor::openForReading(const QByteArray& path) {
    constexpr int kFlags = O_RDONLY | O_CLOEXEC;
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0 || slash + 1 == path.size())
        return ::open(path.constData(), kFlags);
    const std::shared_ptr<const Held> folder = heldFolder(path.left(slash));
    if (!folder)
        return ::open(path.constData(), kFlags);
    const int opened = ::openat(folder->descriptor, path.constData() + slash + 1, kFlags);
    if (opened >= 0 || errno != ENOENT)
        return opened;
    // The held folder may have been removed and made again since it was opened: the path
    // decides, and a file found only through it drops the old folder.
    const int byPath = ::open(path.constData(), kFlags);
    if (byPath >= 0)
        forget(folder);
    return byPath;
}

std::shared_ptr<const CacheFolderDescriptor::Held> CacheFolderDescriptor::heldFolder(
    const QByteArray& folder) {
    {
        const std::lock_guard lock(mutex_);
        if (held_ && held_->path == folder)
            return held_;
    }
    const int descriptor = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    auto fresh = std::make_shared<const Held>(folder, descriptor);
    const std::lock_guard lock(mutex_);
    held_ = fresh;
    return fresh;
}

void CacheFolderDescriptor::forget(const std::shared_ptr<const Held>& stale) {
    const std::lock_guard lock(mutex_);
    if (held_ == stale)
        held_.reset();
}

}  // namespace sv
