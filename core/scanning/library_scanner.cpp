#include "core/scanning/library_scanner.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/catalogue/database.h"
#include "core/scanning/analysis_pipeline.h"
#include "core/scanning/file_analysis.h"
#include "core/scanning/library_availability.h"
#include "core/scanning/mount_table.h"

namespace sv {
namespace {

namespace fs = std::filesystem;

// New and changed records are written a few hundred at a time: one commit per file costs
// more than reading and analysing the file. A killed scan loses at most the last batch, which
// the next scan redoes; the age limit keeps that small.
constexpr std::size_t kBatchFiles = 512;
constexpr auto kBatchAge = std::chrono::milliseconds(25);
// Files being read and analysed ahead of the one whose record is stored next.
constexpr std::size_t kFilesAnalysedAhead = 64;

// Two workers where the machine has two cores or more: while the records are written, the
// writing thread's core would otherwise wait for the analysis half the time.
std::size_t analysisWorkers() {
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

const char* const kStoppedMessage = "Scan stopped; old entries preserved.";
const char* const kDisconnectedMessage = "Library disconnected during scan; old entries preserved.";

std::string offlineMessage(const fs::path& root) {
    return "Library offline: " + root.string() +
           ". Reconnect the drive or restore this folder, then Rescan. Cached samples are "
           "hidden; Favorites and playlists are preserved.";
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string errnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// Whole Unix seconds: the nanosecond count divided by 10^9, truncated towards zero.
std::int64_t unixSeconds(const struct timespec& time) {
    if (time.tv_sec < 0 && time.tv_nsec > 0)
        return static_cast<std::int64_t>(time.tv_sec) + 1;
    return static_cast<std::int64_t>(time.tv_sec);
}

// Desktop trash folders: ".Trash" and ".Trash-UID" at the top of a drive.
bool isTrashFolderName(const std::string& name) {
    if (name == ".Trash")
        return true;
    const std::string prefix = ".Trash-";
    if (name.size() <= prefix.size() || !name.starts_with(prefix))
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    return true;
}

fs::path withoutTrailingSeparators(fs::path path) {
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// True when the catalogue has samples of a library stored under one of these paths.
bool libraryHoldsRecords(Database& db, const std::vector<std::string>& paths) {
    for (const Library& library : db.libraries()) {
        for (const std::string& path : paths) {
            if (library.path == path && library.sampleCount > 0)
                return true;
        }
    }
    return false;
}

// One scan of one root: the state the walk builds up.
class ScanRun {
  public:
    ScanRun(Database& db, const MetadataParser& parser, const AudioStructureAnalyzer& analyzer,
            const MountTable& mounts, const LibraryScanner::Progress& progress, bool force,
            LibraryScanner::ProgressEvery every)
        : db_(db),
          parser_(parser),
          analyzer_(analyzer),
          mounts_(mounts),
          progress_(progress),
          force_(force),
          // A report promises that the file's record is committed, and a caller told of each
          // file may act on it before the next one, so such a scan commits every file.
          reportEachFile_(progress && every == LibraryScanner::ProgressEvery::File),
          batchFiles_(reportEachFile_ ? 1 : kBatchFiles) {}

    ScanStats run(const fs::path& root, const std::atomic<bool>* stop) {
        requireOnline(root);
        canonicalRoot_ = withoutTrailingSeparators(fs::weakly_canonical(root));
        libraryId_ = db_.addLibrary(canonicalRoot_.string());
        // A moved file is found among the library's own older rows; a library scanned for the
        // first time has none, and asking for each of its files would cost a query apiece.
        mayHoldMovedFiles_ = db_.libraryHoldsSamples(libraryId_);
        // Nor has a folder that no library holds anything under any record to look up, which
        // spares a query per file; a linked file may lie elsewhere and is still looked up.
        rootHoldsRecords_ = mayHoldMovedFiles_ || db_.holdsSamplesUnder(canonicalRoot_.string());
        rootPrefix_ = canonicalRoot_.string() + "/";
        // A scan that reports each file stores it before the next one; any other reads and
        // analyses files on a worker while it walks on and writes.
        if (!reportEachFile_)
            pipeline_.emplace(
                // keep() stores the size and time the walk read.
                [this](const std::string& path) { return analyse(path, 0, 0); },
                kFilesAnalysedAhead, analysisWorkers());
        try {
            walk(stop);
            collectAll();
            writePending(stop);
        } catch (...) {
            // The files handled before the failure keep their records, as they would have
            // if each had been written on its own. A file analysed earlier that failed is
            // the failure the walk would have met first.
            std::exception_ptr failure = std::current_exception();
            if (std::exception_ptr earlier = collectAllUntilFailure())
                failure = std::move(earlier);
            writePendingQuietly();
            std::rethrow_exception(failure);
        }
        requireStillOnline();
        std::size_t removed = 0;
        db_.removeMissing(libraryId_, seen_, removed);
        stats_.removed = removed;
        db_.setLibraryAvailable(canonicalRoot_.string(), true);
        if (root != canonicalRoot_)
            db_.setLibraryAvailable(root.string(), true);
        return std::move(stats_);
    }

  private:
    void requireOnline(const fs::path& root) {
        const auto holdsRecords = [&] {
            std::error_code ignored;
            const fs::path resolved =
                withoutTrailingSeparators(fs::weakly_canonical(root, ignored));
            return libraryHoldsRecords(db_, {root.string(), resolved.string()});
        };
        if (libraryFolderProblem(root, holdsRecords, mounts_) != FolderProblem::None) {
            db_.setLibraryAvailable(root.string(), false);
            throw std::runtime_error(offlineMessage(root));
        }
    }

    void requireStillOnline() {
        const std::string rootText = canonicalRoot_.string();
        std::error_code error;
        const fs::file_status status = fs::status(canonicalRoot_, error);
        bool online = !error && fs::is_directory(status);
        if (online) {
            fs::directory_iterator readable(canonicalRoot_, error);
            online = !error;
        }
        if (online) {
            const auto holdsRecords = [&] { return libraryHoldsRecords(db_, {rootText}); };
            online =
                libraryFolderProblem(canonicalRoot_, holdsRecords, mounts_) == FolderProblem::None;
        }
        if (!online) {
            db_.setLibraryAvailable(rootText, false);
            throw std::runtime_error(kDisconnectedMessage);
        }
    }

    void walk(const std::atomic<bool>* stop) {
        std::error_code error;
        fs::recursive_directory_iterator it(canonicalRoot_, error);
        if (error)
            throw std::runtime_error("Cannot read library: " + error.message());
        while (it != fs::recursive_directory_iterator()) {
            if (stop && stop->load())
                throw std::runtime_error(kStoppedMessage);
            if (isSkippedFolder(*it))
                it.disable_recursion_pending();
            else
                handleEntry(*it, stop);
            it.increment(error);
            if (error)
                throw std::runtime_error("Scan incomplete; old entries preserved: " +
                                         error.message());
        }
    }

    // A drive's lost+found (unreadable for users) and the desktop trash are never walked.
    bool isSkippedFolder(const fs::directory_entry& entry) const {
        const std::string name = entry.path().filename().string();
        const bool lostFound = name == "lost+found";
        if (!lostFound && !isTrashFolderName(name))
            return false;
        std::error_code error;
        if (entry.symlink_status(error).type() != fs::file_type::directory)
            return false;
        return !lostFound || mounts_.isMountPoint(entry.path().parent_path().string());
    }

    void handleEntry(const fs::directory_entry& entry, const std::atomic<bool>* stop) {
        std::error_code error;
        const bool regular = entry.is_regular_file(error);
        if (error)
            throw std::runtime_error("Cannot inspect " + entry.path().string() + ": " +
                                     error.message());
        if (!regular || !LibraryScanner::supported(entry.path()))
            return;

        const std::string path = canonicalPath(entry);
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            throw std::runtime_error("Cannot read sample size: " + errnoText(errno));
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (size == 0) {
            ++stats_.emptySkipped;
            return;
        }
        seen_.push_back(path);
        storeFile(path, size, unixSeconds(info.st_mtim));
        if (!pending_.empty() && (pending_.size() >= batchFiles_ ||
                                  std::chrono::steady_clock::now() - batchStarted_ >= kBatchAge))
            writePending(stop);
        else
            reportCommitted(stop, false);
    }

    // The number of leading files of the walk whose records are in the catalogue: those
    // before the oldest record still pending or being analysed. Unchanged files need no write.
    std::size_t committedThrough() const {
        if (!pending_.empty())
            return firstPendingNumber_ - 1;
        if (!inFlight_.empty())
            return inFlight_.front().number - 1;
        return seen_.size();
    }

    // Files are reported once their records are committed, so a reader told of them finds
    // them. Reporting each file: every newly committed file in order, a stop asked for while
    // reporting ending the scan before the next report. Reporting batches: the last committed
    // file, after a write, or after a batch's worth of files or time that needed none.
    void reportCommitted(const std::atomic<bool>* stop, bool afterWrite) {
        if (!progress_)
            return;
        const std::size_t through = committedThrough();
        if (through <= reported_)
            return;
        if (reportEachFile_) {
            for (std::size_t number = reported_ + 1; number <= through; ++number) {
                if (number > reported_ + 1 && stop && stop->load())
                    throw std::runtime_error(kStoppedMessage);
                progress_(number, seen_[number - 1]);
            }
            reported_ = through;
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!afterWrite && through - reported_ < kBatchFiles && now - lastReport_ < kBatchAge)
            return;
        reported_ = through;
        lastReport_ = now;
        progress_(through, seen_[through - 1]);
    }

    // Writes the pending records in one transaction, then reports what that committed.
    void writePending(const std::atomic<bool>* stop) {
        db_.upsert(pending_, libraryId_);
        pending_.clear();
        pendingIndex_.clear();
        reportCommitted(stop, true);
    }

    void writePendingQuietly() noexcept {
        try {
            db_.upsert(pending_, libraryId_);
        } catch (const std::exception&) {
        }
        pending_.clear();
        pendingIndex_.clear();
    }

    Sample analyse(const std::string& path, std::uint64_t size, std::int64_t seconds) const {
        return analyseFile(analyzer_, parser_, path, canonicalRoot_, size, seconds);
    }

    // The walk enters no linked folder, so below the canonical root only a link to a file
    // can make an entry's path differ from its canonical form.
    std::string canonicalPath(const fs::directory_entry& entry) const {
        std::error_code error;
        if (!entry.is_symlink(error) && !error)
            return entry.path().string();
        const fs::path resolved = fs::weakly_canonical(entry.path(), error);
        if (error)
            throw std::runtime_error("Cannot resolve sample path: " + error.message());
        return resolved.string();
    }

    // The record of a path, written or still pending (a link and its target are one path).
    std::optional<Sample> recordOf(const std::string& path) {
        if (inFlightPaths_.contains(path))
            collectAll();
        if (const auto found = pendingIndex_.find(path); found != pendingIndex_.end())
            return pending_[found->second];
        if (!rootHoldsRecords_ && path.starts_with(rootPrefix_))
            return std::nullopt;
        return db_.findByPath(path);
    }

    void storeFile(const std::string& path, std::uint64_t size, std::int64_t seconds) {
        std::optional<Sample> existing = recordOf(path);
        if (!existing && mayHoldMovedFiles_) {
            if (auto oldPath = db_.relinkMovedSample(libraryId_, path, size, seconds)) {
                stats_.moved.emplace_back(std::move(*oldPath), path);
                existing = db_.findByPath(path);
            }
        }
        if (!force_ && existing && existing->fileSize == size && existing->modifiedAt == seconds) {
            ++stats_.unchanged;
            return;
        }
        const FileToStore file{path, seen_.size(), size, seconds, existing.has_value()};
        if (!pipeline_) {
            keep(file, analyse(path, size, seconds));
            return;
        }
        if (pipeline_->full())
            collectOldest();
        pipeline_->submit(path);
        inFlight_.push_back(file);
        inFlightPaths_.insert(path);
    }

    struct FileToStore {
        std::string path;
        std::size_t number = 0;  // its place in the walk's seen list, counting from 1
        std::uint64_t size = 0;
        std::int64_t seconds = 0;
        bool existed = false;
    };

    void keep(const FileToStore& file, Sample sample) {
        // Stored with the size and time this walk compared, so the next scan finds them equal.
        sample.fileSize = file.size;
        sample.modifiedAt = file.seconds;
        if (pending_.empty()) {
            batchStarted_ = std::chrono::steady_clock::now();
            firstPendingNumber_ = file.number;
        }
        pendingIndex_.insert_or_assign(file.path, pending_.size());
        pending_.push_back(std::move(sample));
        ++(file.existed ? stats_.updated : stats_.added);
    }

    // A failed analysis ends the scan at that file: the files after it were never handled.
    void collectOldest() {
        const FileToStore file = std::move(inFlight_.front());
        inFlight_.pop_front();
        inFlightPaths_.erase(file.path);
        try {
            keep(file, pipeline_->takeOldest());
        } catch (...) {
            inFlight_.clear();
            inFlightPaths_.clear();
            pipeline_.reset();
            throw;
        }
    }

    void collectAll() {
        while (!inFlight_.empty())
            collectOldest();
    }

    std::exception_ptr collectAllUntilFailure() noexcept {
        try {
            collectAll();
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    }

    Database& db_;
    const MetadataParser& parser_;
    const AudioStructureAnalyzer& analyzer_;
    const MountTable& mounts_;
    const LibraryScanner::Progress& progress_;
    const bool force_;
    const bool reportEachFile_;
    const std::size_t batchFiles_;

    fs::path canonicalRoot_;
    std::int64_t libraryId_ = 0;
    bool mayHoldMovedFiles_ = false;
    bool rootHoldsRecords_ = true;
    std::string rootPrefix_;
    ScanStats stats_;
    std::vector<std::string> seen_;
    // Records not yet written, and where the oldest of them stands in the seen list.
    std::vector<Sample> pending_;
    std::unordered_map<std::string, std::size_t> pendingIndex_;
    std::size_t firstPendingNumber_ = 0;
    std::chrono::steady_clock::time_point batchStarted_;
    // Files reported to the progress callback so far, and when the last report was.
    std::size_t reported_ = 0;
    std::chrono::steady_clock::time_point lastReport_ = std::chrono::steady_clock::now();
    // Declared last: destroyed first, so its worker stops before what it reads goes away.
    std::deque<FileToStore> inFlight_;
    std::unordered_set<std::string> inFlightPaths_;
    std::optional<AnalysisPipeline> pipeline_;
};

}  // namespace

LibraryScanner::LibraryScanner(Database& db, std::filesystem::path mountInfo)
    : db_(db), mountInfo_(std::move(mountInfo)) {}

bool LibraryScanner::supported(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (name.size() >= 2 && name.starts_with("._"))
        return false;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = lowerAscii(c);
    for (const char* known : {".wav", ".aif", ".aiff", ".mp3", ".mid", ".midi"}) {
        if (extension == known)
            return true;
    }
    return false;
}

ScanStats LibraryScanner::scan(const std::filesystem::path& root, const Progress& progress,
                               bool force, const std::atomic<bool>* stop, ProgressEvery every) {
    const std::lock_guard lock(mutex_);
    const MountTable mounts = MountTable::read(mountInfo_);
    ScanRun run(db_, parser_, analyzer_, mounts, progress, force, every);
    return run.run(root, stop);
}

}  // namespace sv
