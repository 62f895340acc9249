#include "core/scanning/library_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

TEST(LibraryScannerSupported, ExtensionsAndCompanions) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Kick.wav", true},     {"KICK.WAV", true},
        {"Loop.Aiff", true},    {"Pad.aif", true},
        {"Vox.mp3", true},      {"Beat.mid", true},
        {"Beat.MIDI", true},    {".Kick.wav", true},
        {"._Kick.wav", false},  {"._", true == false},
        {".wav", false},        {"Pad.flac", false},
        {"Pad.m4a", false},     {"Pad.ogg", false},
        {"README", false},      {"Kick.wav.bak", false},
        {"Kick.", false},       {"..wav", true},
        {"/a/._b/c.wav", true}, {"/a/.hidden/c.wav", true},
        {"/a/b.wav/", false},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(LibraryScanner::supported(name), expected) << name;
}

class LibraryScannerTest : public ScanFixture {};

TEST_F(LibraryScannerTest, FirstScanAddsEverySupportedFileOnly) {
    addWav("Drums/Kick 01.wav");
    addWav("Drums/KICK.WAV", 0.3);
    addWav(".Hidden.wav");
    addWav(".hidden folder/Pad.wav");
    writeAiff(library_ / "Keys/Loop.Aiff", sine(0.2, 22050, 220.0), 1, 22050);
    writeMidi(library_ / "Midi/Groove 120bpm.mid");
    writeBytes(library_ / "Pad.flac", "fLaC....");
    writeBytes(library_ / "README", "text");
    writeBytes(library_ / "._Kick.wav", "companion bytes");
    writeBytes(library_ / "Empty.wav", "");

    std::vector<std::pair<std::size_t, std::string>> progress;
    const ScanStats stats = scanner_->scan(
        library_,
        [&](std::size_t count, const std::string& path) { progress.emplace_back(count, path); });
    EXPECT_EQ(stats.added, 6u);
    EXPECT_EQ(stats.updated, 0u);
    EXPECT_EQ(stats.unchanged, 0u);
    EXPECT_EQ(stats.removed, 0u);
    EXPECT_EQ(stats.emptySkipped, 1u);
    EXPECT_TRUE(stats.moved.empty());
    ASSERT_EQ(progress.size(), 6u);
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i].first, i + 1);
    EXPECT_EQ(sampleCount(), 6);
    EXPECT_EQ(sampleCount("filename IN ('Pad.flac','README','._Kick.wav','Empty.wav')"), 0);
    // A measured WAV file gets a duration; MIDI and AIFF files none.
    EXPECT_EQ(sampleCount("filename='Kick 01.wav' AND duration BETWEEN 0.24 AND 0.26"), 1);
    EXPECT_EQ(sampleCount(
                  "filename='Groove 120bpm.mid' AND duration IS NULL AND type='MIDI' AND bpm=120"),
              1);
    EXPECT_EQ(reader().value("SELECT path FROM libraries"), library_.string());
}

TEST_F(LibraryScannerTest, UnchangedRescanTouchesNothingAndForceRewritesAll) {
    addWav("A/one.wav");
    addWav("A/two.wav", 0.3);
    addWav("B/three 128bpm.wav", 0.35);
    scanner_->scan(library_);
    // A value the scan would overwrite if it re-analysed the file.
    db_->exec("UPDATE samples SET bpm=999");

    const ScanStats again = scanner_->scan(library_);
    EXPECT_EQ(again.unchanged, 3u);
    EXPECT_EQ(again.added + again.updated + again.removed, 0u);
    EXPECT_EQ(sampleCount("bpm=999"), 3);

    const ScanStats forced = scanner_->scan(library_, {}, true);
    EXPECT_EQ(forced.updated, 3u);
    EXPECT_EQ(forced.unchanged + forced.added + forced.removed, 0u);
    EXPECT_EQ(sampleCount("bpm=999"), 0);
    EXPECT_EQ(sampleCount("filename='three 128bpm.wav' AND bpm=128"), 1);
}

TEST_F(LibraryScannerTest, ChangedTimeOrSizeIsReanalysed) {
    const fs::path a = addWav("a.wav");
    const fs::path b = addWav("b.wav");
    setModifiedSeconds(a, 1'600'000'000);
    scanner_->scan(library_);
    const std::int64_t id = idOf(a);

    setModifiedSeconds(a, 1'600'000'100);  // same size, new time
    addWav("b.wav", 0.5);                  // new size
    const ScanStats stats = scanner_->scan(library_);
    EXPECT_EQ(stats.updated, 2u);
    EXPECT_EQ(stats.unchanged, 0u);
    EXPECT_EQ(idOf(a), id);
    EXPECT_EQ(reader().value("SELECT modified_at FROM samples WHERE path=?", a.string()),
              "1600000100");
}

TEST_F(LibraryScannerTest, StoredTimesAreUnixSecondsAsStatReportsThem) {
    const fs::path now = addWav("now.wav");
    const fs::path old = addWav("old.wav");
    const fs::path future = addWav("future.wav");
    setModifiedSeconds(old, 86'400);
    setModifiedSeconds(future, 4'102'444'800);  // 2100-01-01
    // Sub-second part present: stored seconds are truncated, not rounded.
    const struct timespec times[2] = {{1'700'000'000, 999'000'000}, {1'700'000'000, 999'000'000}};
    ::utimensat(AT_FDCWD, now.c_str(), times, 0);
    scanner_->scan(library_);
    for (const fs::path& path : {now, old, future}) {
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(reader().value("SELECT modified_at FROM samples WHERE path=?", path.string()),
                  std::to_string(info.st_mtim.tv_sec))
            << path;
        EXPECT_EQ(reader().value("SELECT file_size FROM samples WHERE path=?", path.string()),
                  std::to_string(info.st_size));
    }
    // The stored key matches what the next walk reads, so nothing is re-analysed.
    EXPECT_EQ(scanner_->scan(library_).unchanged, 3u);
}

TEST_F(LibraryScannerTest, EmptiedFileIsSkippedAndItsRecordRemoved) {
    const fs::path kick = addWav("Kick.wav");
    addWav("Snare.wav");
    scanner_->scan(library_);
    writeBytes(kick, "");
    const ScanStats stats = scanner_->scan(library_);
    EXPECT_EQ(stats.emptySkipped, 1u);
    EXPECT_EQ(stats.removed, 1u);
    EXPECT_EQ(stats.unchanged, 1u);
    EXPECT_EQ(storedPaths(), std::vector<std::string>{(library_ / "Snare.wav").string()});
}

TEST_F(LibraryScannerTest, SymlinksToFilesAreIndexedUnderTargetsLinkedFoldersNotEntered) {
    const fs::path outside = home_.root() / "Outside";
    writeTone(outside / "Linked.wav");
    writeTone(outside / "Folder" / "Inner.wav");
    const fs::path local = addWav("Local.wav");
    fs::create_symlink(outside / "Linked.wav", library_ / "link.wav");
    fs::create_symlink(local, library_ / "self-link.wav");
    fs::create_directory_symlink(outside / "Folder", library_ / "LinkedFolder");

    const ScanStats stats = scanner_->scan(library_);
    // Local.wav and its link share one canonical path: one record, seen twice.
    EXPECT_EQ(stats.added, 2u);
    EXPECT_EQ(stats.unchanged, 1u);
    EXPECT_EQ(storedPaths(),
              (std::vector<std::string>{local.string(), (outside / "Linked.wav").string()}));
}

// A root no library holds anything under skips looking up its files, but a folder inside a
// library already scanned, and a link to a file another library holds, still find their rows.
TEST_F(LibraryScannerTest, NewRootFindsRowsOtherLibrariesHoldForItsFiles) {
    addWav("Drums/Kick.wav");
    addWav("Drums/Snare.wav");
    addWav("Keys/Pad.wav");
    EXPECT_EQ(scanner_->scan(library_).added, 3u);

    const ScanStats inner = scanner_->scan(library_ / "Drums");
    EXPECT_EQ(inner.added, 0u);
    EXPECT_EQ(inner.unchanged, 2u);

    const fs::path elsewhere = home_.root() / "Elsewhere";
    writeTone(elsewhere / "Own.wav");
    fs::create_symlink(library_ / "Keys/Pad.wav", elsewhere / "pad-link.wav");
    const ScanStats linked = scanner_->scan(elsewhere);
    EXPECT_EQ(linked.added, 1u);
    EXPECT_EQ(linked.unchanged, 1u);
    EXPECT_EQ(sampleCount(), 4);
}

TEST_F(LibraryScannerTest, RootThroughSymlinkIsRegisteredCanonicallyBothMarkedAvailable) {
    addWav("Kick.wav");
    const fs::path link = home_.root() / "LinkToLibrary";
    fs::create_directory_symlink(library_, link);
    db_->setLibraryAvailable(link.string(), false);
    db_->setLibraryAvailable(library_.string(), false);

    const ScanStats stats = scanner_->scan(link);
    EXPECT_EQ(stats.added, 1u);
    EXPECT_EQ(reader().column("SELECT path FROM libraries"),
              std::vector<std::string>{library_.string()});
    EXPECT_EQ(storedPaths(), std::vector<std::string>{(library_ / "Kick.wav").string()});
    EXPECT_FALSE(offline(link.string()));
    EXPECT_FALSE(offline(library_.string()));
}

TEST_F(LibraryScannerTest, TrailingSeparatorOfRootIsDropped) {
    addWav("Kick.wav");
    scanner_->scan(library_.string() + "/");
    EXPECT_EQ(reader().value("SELECT path FROM libraries"), library_.string());
    EXPECT_EQ(scanner_->scan(library_).unchanged, 1u);
}

TEST_F(LibraryScannerTest, SecondScanRefreshesLastScannedTime) {
    addWav("Kick.wav");
    scanner_->scan(library_);
    EXPECT_EQ(reader().value("SELECT last_scanned_at FROM libraries"), "NULL");
    scanner_->scan(library_);
    EXPECT_NE(reader().value("SELECT last_scanned_at FROM libraries"), "NULL");
}

TEST_F(LibraryScannerTest, StopFlagEndsBetweenFilesKeepingWrittenRecords) {
    for (int i = 0; i < 6; ++i)
        addWav("File " + std::to_string(i) + ".wav");
    scanner_->scan(library_);
    fs::remove(library_ / "File 0.wav");
    addWav("Another.wav");
    addWav("Yet Another.wav");

    std::atomic<bool> stop = false;
    std::size_t handled = 0;
    try {
        scanner_->scan(
            library_,
            [&](std::size_t count, const std::string&) {
                handled = count;
                if (count == 2)
                    stop = true;
            },
            true, &stop);
        FAIL() << "the stopped scan succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Scan stopped; old entries preserved.");
    }
    EXPECT_EQ(handled, 2u);
    // The vanished file's record stays; what the stopped scan wrote stays too.
    EXPECT_EQ(idOf(library_ / "File 0.wav") > 0, true);
    EXPECT_GE(sampleCount(), 6);
    const ScanStats next = scanner_->scan(library_);
    EXPECT_EQ(next.removed, 1u);
    EXPECT_EQ(sampleCount(), 7);
}

TEST_F(LibraryScannerTest, ConcurrentScansOnOneScannerRunOneAfterAnother) {
    for (int i = 0; i < 20; ++i)
        addWav("F/" + std::to_string(i) + ".wav");
    ScanStats first;
    ScanStats second;
    std::thread a([&] { first = scanner_->scan(library_); });
    std::thread b([&] { second = scanner_->scan(library_); });
    a.join();
    b.join();
    EXPECT_EQ(first.added + second.added, 20u);
    EXPECT_EQ(first.unchanged + second.unchanged, 20u);
    EXPECT_EQ(sampleCount(), 20);
}

}  // namespace
}  // namespace sv::testing
