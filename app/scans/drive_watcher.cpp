#include "app/scans/drive_watcher.h"

#include <QMetaObject>

#include <utility>

#include "core/scanning/library_availability_monitor.h"

SVDriveWatcher::SVDriveWatcher(sv::Database& db, const std::filesystem::path& mountInfo,
                               const std::vector<sv::LibraryState>& known,
                               std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent) {
    for (const sv::LibraryState& state : known) {
        if (!state.available)
            _offline.insert(state.library.path);
    }
    // The listener runs on the monitor's worker; the outcome is handed to the main thread.
    // Stopping the monitor first in the destructor means nothing is posted to a dead object.
    _monitor = std::make_unique<sv::LibraryAvailabilityMonitor>(
        db, mountInfo,
        [this](const sv::LibraryAvailabilityMonitor::Report& report) {
            QMetaObject::invokeMethod(
                this,
                [this, offline = report.offlinePaths, changed = report.catalogueChanged]() mutable {
                    apply(std::move(offline), changed);
                },
                Qt::QueuedConnection);
        },
        known, interval);
}

SVDriveWatcher::~SVDriveWatcher() {
    stop();
}

void SVDriveWatcher::checkNow() {
    if (_monitor)
        _monitor->checkSoon();
}

void SVDriveWatcher::stop() {
    _monitor.reset();
}

bool SVDriveWatcher::isOffline(const std::string& libraryPath) const {
    return _offline.contains(libraryPath);
}

void SVDriveWatcher::apply(std::set<std::string> offline, bool catalogueChanged) {
    if (offline == _offline && !catalogueChanged)
        return;
    _offline = std::move(offline);
    emit libraryAvailabilityChanged();
}
