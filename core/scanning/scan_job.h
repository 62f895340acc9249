#pragma once

#include <atomic>
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
// text and the others are still scanned; once `stop` is set no further root is started.
ScanJobResult runScanJob(LibraryScanner& scanner, const std::vector<std::filesystem::path>& roots,
                         bool force, const LibraryScanner::Progress& progress = {},
                         const std::atomic<bool>* stop = nullptr);

// The status line while a job runs ("Scanning 2 root folders… You can keep browsing.").
std::string scanStartText(std::size_t rootCount, bool force);

// The status line when a job ends: the counts, or "Scan needs attention: " and the messages.
std::string scanCompletionText(const ScanJobResult& result);

// Shown when a scan is requested while one is running.
inline constexpr const char* kScanAlreadyRunningText =
    "A library scan is already running. Please wait for it to finish.";

}  // namespace sv
