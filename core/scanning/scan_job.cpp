#include "core/scanning/scan_job.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace sv {

namespace fs = std::filesystem;

namespace {

fs::path jobRootOf(const fs::path& location) {
    std::error_code error;
    fs::path root = fs::weakly_canonical(location, error);
    if (error)
        root = location.lexically_normal();
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

}  // namespace

std::vector<fs::path> scanJobRoots(const std::vector<fs::path>& locations) {
    std::vector<fs::path> roots;
    for (const fs::path& location : locations) {
        fs::path root = jobRootOf(location);
        const bool seen = std::any_of(roots.begin(), roots.end(), [&](const fs::path& earlier) {
            return earlier.native() == root.native();
        });
        if (!seen)
            roots.push_back(std::move(root));
    }
    return roots;
}

ScanJobResult runScanJob(LibraryScanner& scanner, const std::vector<fs::path>& roots, bool force,
                         const LibraryScanner::Progress& progress, const std::atomic<bool>* stop) {
    ScanJobResult result;
    result.force = force;
    for (const fs::path& root : roots) {
        if (stop && stop->load())
            break;
        try {
            result.totals += scanner.scan(root, progress, force, stop);
        } catch (const std::exception& error) {
            if (!result.errorText.empty())
                result.errorText += "\n";
            result.errorText += error.what();
        }
    }
    return result;
}

std::string scanStartText(std::size_t rootCount, bool force) {
    const std::string plural = rootCount == 1 ? "" : "s";
    return std::string(force ? "Full Scan of " : "Scanning ") + std::to_string(rootCount) +
           " root folder" + plural + "\u2026 You can keep browsing.";
}

std::string scanCompletionText(const ScanJobResult& result) {
    if (!result.errorText.empty())
        return "Scan needs attention: " + result.errorText;
    const ScanStats& totals = result.totals;
    const std::string bullet = "  \u2022  ";
    return std::string(result.force ? "Full Scan complete" : "Scan complete") + bullet +
           std::to_string(totals.added) + " new" + bullet + std::to_string(totals.updated) +
           " updated" + bullet + std::to_string(totals.unchanged) + " unchanged" + bullet +
           std::to_string(totals.removed) + " missing";
}

}  // namespace sv
