#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "core/inference/audio_structure_analyzer.h"
#include "core/inference/metadata_parser.h"
#include "core/scanning/scan_stats.h"

namespace sv {

class Database;

// Walks one library root folder and brings the catalogue in line with it: new and changed
// files are analysed and stored, moved files relinked, unchanged files left alone, and the
// records of vanished files deleted, but only after a walk that finished without any error.
class LibraryScanner {
  public:
    // Called on the scanning thread with (files counted so far, canonical path of the last of
    // them). The records of all those files are committed by then.
    using Progress = std::function<void(std::size_t, const std::string&)>;

    // How often the progress callback is called.
    enum class ProgressEvery {
        // After each file, which is then written on its own before the next is looked at: for
        // callers that act on every file. Slower than a scan without a callback.
        File,
        // After each batch of records is committed (a few hundred files, or a few hundredths
        // of a second of work, whichever ends first): costs the scan nothing measurable.
        Batch,
    };

    // `mountInfo` is the kernel mount table to consult; tests hand in their own.
    explicit LibraryScanner(Database& db, std::filesystem::path mountInfo = "/proc/self/mountinfo");

    // True for the supported audio and MIDI extensions, never for "._" companions.
    static bool supported(const std::filesystem::path& path);

    // Scans `root` (as the user chose it). `force` re-analyses unchanged files. When `stop`
    // becomes true the scan ends before the next file, keeping what it wrote and deleting
    // nothing. Throws std::runtime_error with the user-facing message on any failure.
    ScanStats scan(const std::filesystem::path& root, const Progress& progress = {},
                   bool force = false, const std::atomic<bool>* stop = nullptr,
                   ProgressEvery every = ProgressEvery::File);

  private:
    std::mutex mutex_;
    Database& db_;
    MetadataParser parser_;
    AudioStructureAnalyzer analyzer_;
    std::filesystem::path mountInfo_;
};

}  // namespace sv
