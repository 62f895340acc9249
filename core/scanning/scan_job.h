#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "core/scanning/library_scanner.h"
#include "core/scanning/scan_stats.h"

namespace sv {

// What a scan job hands back: the summed statistics of the roots that succeeded and the
// messages of those that failed, one per line.
struct ScanJobResult {
    ScanStats totals;
    std::string errorText;
    bool force = false;
};

// The roots a job scans: each location's weakly canonical form (its lexically normal form
// when that fails), in the order given, each exact text once.
std::vector<std::filesystem::path> scanJobRoots(
    const std::vector<std::filesystem::path>& locations);

// Scans the roots in order with one scanner. A failing root adds its message to the error
// text and the others are still scanned; once `stop` is set no further root is started. The
// progress callback counts the files of the whole job, root after root.
ScanJobResult runScanJob(LibraryScanner& scanner, const std::vector<std::filesystem::path>& roots,
                         bool force, const LibraryScanner::Progress& progress = {},
                         const std::atomic<bool>* stop = nullptr,
                         LibraryScanner::ProgressEvery every = LibraryScanner::ProgressEvery::File);

// The status line while a job runs ("Scanning 2 root folders… You can keep browsing.").
std::string scanStartText(std::size_t rootCount, bool force);

// The status line when a job ends: the counts, or "Scan needs attention: " and the messages.
std::string scanCompletionText(const ScanJobResult& result);

// The status line while a job reads a folder ("Scanning Drums Vol 2…  •  12,345 files").
std::string scanProgressText(const std::string& folderName, std::size_t files);

// The name of the folder holding a file, as the progress text shows it.
std::string folderNameOf(const std::string& filePath);

// Passes a scan's progress reports on to a slower listener (a window's status line, a
// terminal) at most once per interval: the first report at once, later ones only when the
// interval has passed since the last one passed on. Reports in between are dropped.
class ScanProgressThrottle {
  public:
    explicit ScanProgressThrottle(
        LibraryScanner::Progress listener,
        std::chrono::milliseconds interval = std::chrono::milliseconds(250));

    // A callback for the scanner that feeds this throttle; valid while the throttle lives.
    LibraryScanner::Progress callback();
    void report(std::size_t files, const std::string& lastPath);

  private:
    LibraryScanner::Progress listener_;
    std::chrono::steady_clock::duration interval_;
    std::chrono::steady_clock::time_point last_{};
    bool reported_ = false;
};

// Shown when a scan is requested while one is running.
inline constexpr const char* kScanAlreadyRunningText =
    "A library scan is already running. Please wait for it to finish.";

}  // namespace sv
