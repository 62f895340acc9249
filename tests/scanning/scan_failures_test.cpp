// Every way a scan can fail, produced for real: the message, what is marked offline, and that
// no record is ever deleted after an incomplete walk.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "core/inference/audio_structure_analyzer.h"
#include "core/inference/metadata_parser.h"
#include "core/scanning/file_analysis.h"
#include "core/scanning/library_scanner.h"
#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

class ScanFailures : public ScanFixture {
  protected:
    // A scanned library of three files, one of which then vanishes: a complete scan would
    // delete that record, so its survival shows that nothing was pruned.
    void indexWithOneVanished() {
        addWav("Drums/Kick.wav");
        addWav("Drums/Snare.wav");
        vanished_ = addWav("Gone.wav");
        scanner_->scan(library_);
        ASSERT_EQ(sampleCount(), 3);
        fs::remove(vanished_);
    }

    void expectNothingDeleted() {
        EXPECT_EQ(sampleCount(), 3);
        EXPECT_GT(idOf(vanished_), 0);
    }

    fs::path vanished_;
};

TEST_F(ScanFailures, MissingRootIsOfflineAndKeepsRecords) {
    indexWithOneVanished();
    const fs::path moved = home_.root() / "Unplugged";
    fs::rename(library_, moved);
    EXPECT_EQ(scanError(library_), offlineText(library_));
    EXPECT_TRUE(offline(library_.string()));
    fs::rename(moved, library_);
    expectNothingDeleted();
}

TEST_F(ScanFailures, RootThatIsAFileIsOffline) {
    const fs::path file = writeBytes(home_.root() / "NotAFolder", "bytes");
    EXPECT_EQ(scanError(file), offlineText(file));
    EXPECT_TRUE(offline(file.string()));
    EXPECT_EQ(reader().count("SELECT count(*) FROM libraries"), 0);
}

TEST_F(ScanFailures, RootThroughDanglingLinkIsOffline) {
    const fs::path link = home_.root() / "DanglingRoot";
    fs::create_directory_symlink(home_.root() / "nowhere", link);
    EXPECT_EQ(scanError(link), offlineText(link));
    EXPECT_TRUE(offline(link.string()));
}

TEST_F(ScanFailures, DanglingLinkInsideStopsTheScan) {
    indexWithOneVanished();
    const fs::path link = library_ / "Drums" / "broken.wav";
    fs::create_symlink(home_.root() / "missing-target.wav", link);
    EXPECT_EQ(scanError(library_),
              "Cannot inspect " + link.string() + ": " + std::strerror(ENOENT));
    EXPECT_FALSE(offline(library_.string()));
    expectNothingDeleted();
}

TEST_F(ScanFailures, RootDisappearingDuringTheWalkIsDisconnected) {
    addWav("Only.wav");
    scanner_->scan(library_);
    const fs::path elsewhere = home_.root() / "Pulled";
    const std::string error = scanError(
        library_, true, [&](std::size_t, const std::string&) { fs::rename(library_, elsewhere); });
    EXPECT_EQ(error, "Library disconnected during scan; old entries preserved.");
    EXPECT_TRUE(offline(library_.string()));
    EXPECT_EQ(sampleCount(), 1);
}

TEST_F(ScanFailures, EmptyRootWhileCatalogueHoldsItsRecordsIsOffline) {
    indexWithOneVanished();
    const fs::path keep = home_.root() / "Kept";
    fs::rename(library_, keep);
    fs::create_directory(library_);  // the mount point folder an unplugged drive leaves
    EXPECT_EQ(scanError(library_, true), offlineText(library_));
    EXPECT_TRUE(offline(library_.string()));
    EXPECT_EQ(sampleCount(), 3);

    // A library that never had records may be empty: that scan simply finds nothing.
    const fs::path fresh = home_.root() / "Fresh";
    fs::create_directory(fresh);
    EXPECT_EQ(scanError(fresh), "");
    EXPECT_FALSE(offline(fresh.string()));
}

TEST_F(ScanFailures, RootFolderEmptiedDuringTheWalkIsDisconnected) {
    addWav("A.wav");
    addWav("B.wav");
    scanner_->scan(library_);
    const std::string error = scanError(library_, true, [&](std::size_t count, const std::string&) {
        if (count == 2) {
            fs::remove(library_ / "A.wav");
            fs::remove(library_ / "B.wav");
        }
    });
    EXPECT_EQ(error, "Library disconnected during scan; old entries preserved.");
    EXPECT_EQ(sampleCount(), 2);
}

TEST_F(ScanFailures, ErrorsFromTheProgressCallbackDeleteNothing) {
    indexWithOneVanished();
    const std::string error = scanError(library_, false, [](std::size_t, const std::string&) {
        throw std::runtime_error("callback failed");
    });
    EXPECT_EQ(error, "callback failed");
    expectNothingDeleted();
}

TEST_F(ScanFailures, FileVanishingBeforeItsSizeIsReadStopsTheScan) {
    indexWithOneVanished();
    addWav("Drums/Hat.wav");
    addWav("Drums/Clap.wav");
    // The folder's entries were listed before the callback removes the ones not handled yet.
    const std::string error =
        scanError(library_, true, [&](std::size_t count, const std::string& handled) {
            if (count != 1)
                return;
            for (const auto& entry : fs::directory_iterator(library_ / "Drums")) {
                if (entry.path() != handled)
                    fs::remove(entry.path());
            }
        });
    EXPECT_EQ(error, std::string("Cannot read sample size: ") + std::strerror(ENOENT));
    EXPECT_GT(idOf(vanished_), 0);
}

// Root reads every folder whatever its mode, so scans of unreadable folders run in a child
// that gives up root first, on a catalogue connection of its own opened after the fork.
class UnprivilegedScan : public ScanFailures {
  protected:
    // Each root's scan message in the child ("scan succeeded" for none); empty when the
    // child could not drop root.
    std::vector<std::string> scanAsNobody(const std::vector<fs::path>& roots) {
        db_.reset();
        scanner_.reset();
        reader_.reset();
        const bool root = ::geteuid() == 0;
        if (root)
            openUpForNobody();
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return {};
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFds[0]);
            std::string report;
            if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            Database db(home_.catalogue());
            LibraryScanner scanner(db, home_.root() / "no-mountinfo");
            for (const fs::path& folder : roots) {
                try {
                    scanner.scan(folder);
                    report += "scan succeeded\n";
                } catch (const std::exception& error) {
                    report += std::string(error.what()) + "\n";
                }
            }
            [[maybe_unused]] const auto written = ::write(pipeFds[1], report.data(), report.size());
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        std::string report;
        char buffer[512];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            report.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::vector<std::string> messages;
        for (std::size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos;
             start = end + 1)
            messages.push_back(report.substr(start, end - start));
        return messages;
    }

    // The unprivileged user must reach the catalogue and the library folders.
    void openUpForNobody() {
        for (fs::path folder = home_.catalogue().parent_path();
             folder != home_.root().parent_path(); folder = folder.parent_path())
            fs::permissions(folder, fs::perms::all, fs::perm_options::add);
        fs::permissions(library_, fs::perms::all, fs::perm_options::add);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const fs::path file = home_.catalogue().string() + suffix;
            if (fs::exists(file))
                fs::permissions(file, fs::perms::all, fs::perm_options::add);
        }
    }
};

TEST_F(UnprivilegedScan, UnreadableFoldersStopTheScanWithoutDeleting) {
    indexWithOneVanished();
    const fs::path locked = library_ / "Locked";
    writeTone(locked / "Secret.wav");
    const fs::path lockedRoot = home_.root() / "LockedRoot";
    writeTone(lockedRoot / "Inner.wav");
    fs::permissions(lockedRoot, fs::perms::all, fs::perm_options::add);
    fs::permissions(locked, fs::perms::none);
    fs::permissions(lockedRoot, fs::perms::owner_exec | fs::perms::others_exec);

    const std::vector<std::string> messages = scanAsNobody({library_, lockedRoot});
    fs::permissions(locked, fs::perms::owner_all, fs::perm_options::add);
    fs::permissions(lockedRoot, fs::perms::owner_all, fs::perm_options::add);
    if (messages.empty())
        GTEST_SKIP() << "running as root and unable to switch to uid 65534";

    const std::string denied = std::strerror(EACCES);
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Scan incomplete; old entries preserved: " + denied,
                                        "Cannot read library: " + denied}));
    expectNothingDeleted();
    EXPECT_FALSE(offline(library_.string()));
    EXPECT_FALSE(offline(lockedRoot.string()));
}

TEST_F(ScanFailures, FileGoneBeforeItsAnalysisIsNotStoredUnmeasured) {
    const AudioStructureAnalyzer analyzer;
    const MetadataParser parser;
    const fs::path wav = addWav("Kick.wav");
    const fs::path midi = writeBytes(library_ / "Groove 120bpm.mid", "MThd");
    EXPECT_TRUE(analyseFile(analyzer, parser, wav, library_, 1, 2).duration);
    const Sample groove = analyseFile(analyzer, parser, midi, library_, 4, 5);
    EXPECT_EQ(groove.type, SampleType::Midi);
    EXPECT_EQ(groove.fileSize, 4u);
    for (const fs::path& gone : {wav, midi}) {
        fs::remove(gone);
        try {
            analyseFile(analyzer, parser, gone, library_, 1, 2);
            ADD_FAILURE() << gone << " was stored without its file";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), std::string("Scan incomplete; old entries preserved: ") +
                                        std::strerror(ENOENT));
        }
    }
}

TEST_F(ScanFailures, LibraryGoneDuringABatchedFullScanKeepsEveryRecordMeasured) {
    constexpr int kFiles = 1000;  // about two batches
    for (int i = 0; i < kFiles; ++i)
        addWav("Kit " + std::to_string(i / 100) + "/Hit " + std::to_string(i) + ".wav", 0.2);
    scanner_->scan(library_);
    ASSERT_EQ(sampleCount("duration IS NOT NULL"), kFiles);

    // The drive goes from another thread, as it would, once the first batch is written, while
    // the walk goes on and the analysis workers read ahead. On a busy machine the scan may end
    // first: it is tried again.
    const fs::path away = home_.root() / "Unplugged";
    std::string error;
    for (int attempt = 0; attempt < 5 && error.empty(); ++attempt) {
        if (fs::exists(away))
            fs::rename(away, library_);
        std::atomic<bool> firstBatch = false;
        std::thread unplug([&] {
            while (!firstBatch)
                std::this_thread::yield();
            fs::rename(library_, away);
        });
        try {
            scanner_->scan(
                library_, [&](std::size_t, const std::string&) { firstBatch = true; }, true,
                nullptr, LibraryScanner::ProgressEvery::Batch);
        } catch (const std::runtime_error& failure) {
            error = failure.what();
        }
        firstBatch = true;
        unplug.join();
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(sampleCount(), kFiles);
    EXPECT_EQ(sampleCount("duration IS NOT NULL"), kFiles);
}

}  // namespace
}  // namespace sv::testing
