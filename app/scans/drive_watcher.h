#pragma once

#include <QObject>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/scanning/library_availability.h"

namespace sv {
class Database;
class LibraryAvailabilityMonitor;
}  // namespace sv

// Libraries whose drive is unplugged or whose folder is renamed away while the window is open
// go offline within a second or two, and come back as soon as their folder does, with no scan:
// the catalogue's offline marks follow the folders, and one signal tells the window to reload
// its lists and results. The folders are looked at on a worker thread only.
class SVDriveWatcher : public QObject {
    Q_OBJECT
  public:
    // `known` is the launch check's outcome; `interval` how often folders are looked at when
    // the mount table does not change.
    SVDriveWatcher(sv::Database& db, const std::filesystem::path& mountInfo,
                   const std::vector<sv::LibraryState>& known,
                   std::chrono::milliseconds interval = std::chrono::seconds(1),
                   QObject* parent = nullptr);
    ~SVDriveWatcher() override;

    // A quick re-check on the worker, as when the window is activated.
    void checkNow();
    // Stops watching for good (quitting); waits for a check in progress.
    void stop();

    // Whether the library at this path was found unusable by the latest check. A library the
    // watcher has not looked at yet counts as available.
    bool isOffline(const std::string& libraryPath) const;
    const std::set<std::string>& offlineLibraryPaths() const { return _offline; }

  signals:
    // Some library went offline or came back: the lists and the results need a reload.
    void libraryAvailabilityChanged();

  private:
    void apply(std::set<std::string> offline, bool catalogueChanged);

    std::set<std::string> _offline;
    std::unique_ptr<sv::LibraryAvailabilityMonitor> _monitor;
};
