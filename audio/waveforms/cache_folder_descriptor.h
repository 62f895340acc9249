#pragma once

#include <QByteArray>

#include <memory>
#include <mutex>

namespace sv {

// Opens files of one folder through a descriptor held on that folder, so that each open
// resolves only the file's own name. A cache hit is a few system calls, and walking the
// folder's seven-part path on every open was a tenth of it.
class CacheFolderDescriptor {
  public:
    // Opens `path` read-only, through the held folder when `path` lies in it. Returns the
    // descriptor, or -1 with errno set. Safe to call from several threads.
    int openForReading(const QByteArray& path);

  private:
    struct Held;
    std::shared_ptr<const Held> heldFolder(const QByteArray& folder);
    void forget(const std::shared_ptr<const Held>& stale);

    std::mutex mutex_;
    std::shared_ptr<const Held> held_;
};

}  // namespace sv
