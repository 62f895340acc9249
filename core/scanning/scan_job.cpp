#include "core/scanning/scan_job.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

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
                         const LibraryScanner::Progress& progress, const std::atomic<bool>* stop,
                         LibraryScanner::ProgressEvery every) {
    ScanJobResult result;
    result.force = force;
    // Files of the roots scanned before, and of the current root so far.
    std::size_t before = 0;
    std::size_t current = 0;
    LibraryScanner::Progress jobProgress;
    if (progress)
        jobProgress = [&](std::size_t files, const std::string& path) {
            current = files;
            progress(before + files, path);
        };
    for (const fs::path& root : roots) {
        if (stop && stop->load())
            break;
        try {
            result.totals += scanner.scan(root, jobProgress, force, stop, every);
            before += current;
            current = 0;
        } catch (const std::exception& error) {
            before += current;
            current = 0;
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

namespace {

// 12345 as "12,345".
std::string groupedDigits(std::size_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, ",");
    return digits;
}

}  // namespace

std::string scanProgressText(const std::string& folderName, std::size_t files) {
    return "Scanning " + folderName + "\u2026  \u2022  " + groupedDigits(files) +
           (files == 1 ? " file" : " files");
}

std::string folderNameOf(const std::string& filePath) {
    const fs::path folder = fs::path(filePath).parent_path();
    const std::string name = folder.filename().string();
    return name.empty() ? folder.string() : name;
}

ScanProgressThrottle::ScanProgressThrottle(LibraryScanner::Progress listener,
                                           std::chrono::milliseconds interval)
    : listener_(std::move(listener)), interval_(interval) {}

LibraryScanner::Progress ScanProgressThrottle::callback() {
    return [this](std::size_t files, const std::string& lastPath) { report(files, lastPath); };
}

void ScanProgressThrottle::report(std::size_t files, const std::string& lastPath) {
    const auto now = std::chrono::steady_clock::now();
    if (reported_ && now - last_ < interval_)
        return;
    reported_ = true;
    last_ = now;
    listener_(files, lastPath);
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
