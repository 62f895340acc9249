#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "core/records/library.h"
#include "core/scanning/scan_job.h"

class QWidget;

namespace sv {
class Database;
class LibraryScanner;
}  // namespace sv

// Scans started from the window: one job at a time on a background thread while the user
// keeps browsing, its progress (folder being read, files done) and then its outcome shown on
// the status line.
class SVScanOrchestration : public QObject {
    Q_OBJECT
  public:
    SVScanOrchestration(sv::Database& db, sv::LibraryScanner& scanner, QObject* parent = nullptr);
    ~SVScanOrchestration() override;

    // The folder chooser (folders only, several at once); the chosen folders are scanned.
    void addLibrary(QWidget* dialogParent);
    void handleDroppedURLs(const QStringList& folders);
    // A library row's "Full Scan": `tag` is the row in `libraries`.
    void rescan(int tag, const std::vector<sv::Library>& libraries);
    // A library row's "Remove", after the confirmation. True when the library was removed.
    bool remove(int tag, const std::vector<sv::Library>& libraries, QWidget* dialogParent);
    void scanRoots(const std::vector<std::filesystem::path>& locations, bool force);

    bool maintenanceScanning() const { return _maintenanceScanning; }

    // Quitting: asks the running scan to stop before its next file and waits for it.
    void stopAndWait();

    // Answers the remove confirmation without a dialog (tests set it).
    void setConfirmRemoval(std::function<bool()> confirm) { _confirmRemoval = std::move(confirm); }

  signals:
    void statusText(const QString& text);
    void maintenanceScanningChanged(bool scanning);
    // The job ended: the sidebar and the results are reloaded by the listener.
    void scanFinished(const sv::ScanJobResult& result);
    void libraryRemoved();

  private:
    // The status line follows a running scan at most four times a second.
    static constexpr std::chrono::milliseconds kProgressInterval{250};

    void showProgress(const QString& text);
    void finishJob(const sv::ScanJobResult& result);
    void joinWorker();

    sv::Database& _db;
    sv::LibraryScanner& _scanner;
    bool _maintenanceScanning = false;
    std::atomic<bool> _stop{false};
    std::thread _worker;
    std::function<bool()> _confirmRemoval;
};
