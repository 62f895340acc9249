// Unplugged drives, drive housekeeping folders, the launch check and the scan job.
#include <gtest/gtest.h>

#include <fstream>

#include "core/scanning/library_availability.h"
#include "core/scanning/mount_table.h"
#include "core/scanning/scan_job.h"
#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

TEST(MountTableTest, ReadsMountPointsWithEscapes) {
    TempHome home;
    const fs::path file =
        home.writeFile("mountinfo",
                       "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                       "40 22 8:17 / /media/me/My\\040Drive rw,nosuid - vfat /dev/sdb1 rw\n"
                       "41 22 8:18 / /mnt/usb rw - ext4 /dev/sdb2 rw\n"
                       "broken line\n");
    const MountTable mounts = MountTable::read(file);
    ASSERT_TRUE(mounts.known());
    EXPECT_TRUE(mounts.isMountPoint("/media/me/My Drive"));
    EXPECT_TRUE(mounts.isMountPoint("/mnt/usb/"));
    EXPECT_FALSE(mounts.isMountPoint("/mnt"));

    const std::vector<std::pair<std::string, std::string>> owners = {
        {"/media/me/My Drive/Samples", "/media/me/My Drive"},
        {"/media/me/My Drive", "/media/me/My Drive"},
        {"/media/me/My", "/"},
        {"/mnt/usb2/Samples", "/"},
        {"/mnt/usb/Kits", "/mnt/usb"},
        {"/home/me", "/"},
    };
    for (const auto& [path, owner] : owners)
        EXPECT_EQ(mounts.mountPointOf(path), owner) << path;

    const std::vector<std::pair<std::string, bool>> unplugged = {
        {"/mnt/usb2/Samples", true},   {"/media/me/Other", true},
        {"/run/media/me/X", true},     {"/mnt/usb/Kits", false},
        {"/media/me/My Drive", false}, {"/mnt", false},
        {"/home/me/mnt/x", false},     {"/mntx/y", false},
    };
    for (const auto& [path, expected] : unplugged)
        EXPECT_EQ(driveNotMounted(path, mounts), expected) << path;

    // Without a readable table nothing is decided from it.
    const MountTable unknown = MountTable::read(home.root() / "missing");
    EXPECT_FALSE(unknown.known());
    EXPECT_FALSE(driveNotMounted("/mnt/usb2/Samples", unknown));
    EXPECT_EQ(decodeMountPath("a\\011b\\134c\\04"), "a\tb\\c\\04");
}

TEST(MountTableTest, ExistingFolderBelowMntWithoutDriveIsNotMounted) {
    std::error_code error;
    fs::path existing;
    for (const auto& entry : fs::directory_iterator("/mnt", error)) {
        if (entry.is_directory()) {
            existing = entry.path();
            break;
        }
    }
    if (existing.empty())
        GTEST_SKIP() << "no folder below /mnt to look at";
    const MountTable onlyRoot(std::vector<std::string>{"/"});
    EXPECT_EQ(libraryFolderProblem(
                  existing, [] { return false; }, onlyRoot),
              FolderProblem::NotMounted);
    const MountTable mounted(std::vector<std::string>{"/", existing.string()});
    EXPECT_NE(libraryFolderProblem(
                  existing, [] { return false; }, mounted),
              FolderProblem::NotMounted);
}

class DriveFolders : public ScanFixture {
  protected:
    // A scanner that sees the library root as the top of a mounted drive.
    LibraryScanner& driveScanner() {
        const fs::path table = home_.writeFile(
            "drive-mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / " +
                                   library_.string() + " rw - ext4 /dev/sdb1 rw\n");
        scanner_ = std::make_unique<LibraryScanner>(*db_, table);
        return *scanner_;
    }
};

TEST_F(DriveFolders, LostFoundAtDriveTopAndTrashFoldersAreNotIndexed) {
    addWav("Kick.wav");
    addWav("lost+found/#1234.wav");
    addWav("Kits/lost+found/Kept.wav");  // not at the top of a drive: an ordinary folder
    addWav(".Trash-1000/files/Deleted.wav");
    addWav(".Trash/1000/files/Deleted Too.wav");
    addWav("Kits/.Trash-0/files/Nested.wav");
    addWav(".Trashy/Kept Too.wav");
    addWav(".Trash-abc/Kept Three.wav");
    const ScanStats stats = driveScanner().scan(library_);
    EXPECT_EQ(stats.added, 4u);
    EXPECT_EQ(storedPaths(),
              (std::vector<std::string>{(library_ / ".Trash-abc/Kept Three.wav").string(),
                                        (library_ / ".Trashy/Kept Too.wav").string(),
                                        (library_ / "Kick.wav").string(),
                                        (library_ / "Kits/lost+found/Kept.wav").string()}));
}

TEST_F(DriveFolders, LostFoundOutsideDriveTopIsWalked) {
    addWav("lost+found/Found.wav");
    EXPECT_EQ(scanner_->scan(library_).added, 1u);
}

TEST_F(DriveFolders, UnreadableLostFoundAtDriveTopDoesNotStopTheScan) {
    addWav("Kick.wav");
    fs::create_directories(library_ / "lost+found");
    fs::permissions(library_ / "lost+found", fs::perms::none);
    EXPECT_EQ(driveScanner().scan(library_).added, 1u);
    fs::permissions(library_ / "lost+found", fs::perms::owner_all);
}

class LaunchCheck : public ScanFixture, public ::testing::WithParamInterface<LibraryCounts> {};

TEST_P(LaunchCheck, MarksEveryLibraryByItsFolder) {
    addWav("Kick.wav");
    scanner_->scan(library_);
    const fs::path unplugged = home_.root() / "Unplugged";
    writeTone(unplugged / "Pad.wav");
    scanner_->scan(unplugged);
    fs::remove(unplugged / "Pad.wav");  // only the empty mount point folder is left
    const fs::path emptyNew = home_.root() / "Empty New";
    fs::create_directories(emptyNew);
    scanner_->scan(emptyNew);
    const fs::path deleted = home_.root() / "Deleted";
    writeTone(deleted / "Bass.wav");
    scanner_->scan(deleted);
    fs::remove_all(deleted);
    db_->setLibraryAvailable(library_.string(), false);  // back since the last check
    // An empty folder whose only records are AppleDouble companions holds no samples.
    const fs::path companions = home_.root() / "Companions";
    fs::create_directories(companions);
    Sample companion;
    companion.path = (companions / "._Kick.wav").string();
    companion.filename = "._Kick.wav";
    companion.fileSize = 4096;
    db_->upsert(companion, db_->addLibrary(companions.string()));

    const std::vector<LibraryState> states =
        checkLibraryAvailability(*db_, MountTable(std::vector<std::string>{"/"}), GetParam());
    std::map<std::string, bool> byPath;
    for (const LibraryState& state : states)
        byPath[state.library.path] = state.available;
    EXPECT_EQ(byPath, (std::map<std::string, bool>{{library_.string(), true},
                                                   {unplugged.string(), false},
                                                   {emptyNew.string(), true},
                                                   {deleted.string(), false},
                                                   {companions.string(), true}}));
    for (const auto& [path, available] : byPath)
        EXPECT_EQ(offline(path), !available) << path;
    EXPECT_EQ(sampleCount(), 4);  // nothing is scanned or deleted
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutCounts, LaunchCheck,
                         ::testing::Values(LibraryCounts::Read, LibraryCounts::Skipped));

class ScanJobTest : public ScanFixture {};

TEST_F(ScanJobTest, RootsAreCanonicalAndUnique) {
    const fs::path link = home_.root() / "Link";
    fs::create_directory_symlink(library_, link);
    const fs::path missing = home_.root() / "Missing" / ".." / "Gone";
    const std::vector<fs::path> roots =
        scanJobRoots({library_, link, library_.string() + "/", library_ / ".", missing, missing});
    EXPECT_EQ(roots, (std::vector<fs::path>{library_, home_.root() / "Gone"}));
}

TEST_F(ScanJobTest, FailingRootsAreCollectedAndTheOthersScanned) {
    addWav("Kick.wav");
    const fs::path second = home_.root() / "Second";
    writeTone(second / "Snare.wav");
    const fs::path missing = home_.root() / "Missing";
    const fs::path alsoMissing = home_.root() / "Also Missing";

    const ScanJobResult result =
        runScanJob(*scanner_, {missing, library_, alsoMissing, second}, false);
    EXPECT_EQ(result.totals.added, 2u);
    EXPECT_EQ(result.errorText, offlineText(missing) + "\n" + offlineText(alsoMissing));
    EXPECT_EQ(scanCompletionText(result), "Scan needs attention: " + result.errorText);
    EXPECT_TRUE(offline(missing.string()));
}

TEST_F(ScanJobTest, CompletionTextsSumEveryRoot) {
    addWav("A/Kick.wav");
    addWav("A/Gone.wav", 0.3);
    const fs::path second = home_.root() / "Second";
    writeTone(second / "Snare.wav");
    runScanJob(*scanner_, {library_, second}, false);
    fs::remove(library_ / "A" / "Gone.wav");
    fs::create_directories(library_ / "B");
    fs::rename(library_ / "A" / "Kick.wav", library_ / "B" / "Kick.wav");
    addWav("New.wav");

    const ScanJobResult plain = runScanJob(*scanner_, {library_, second}, false);
    EXPECT_EQ(scanCompletionText(plain),
              "Scan complete  \u2022  1 new  \u2022  0 updated  \u2022  2 unchanged  \u2022  1 "
              "missing");
    ASSERT_EQ(plain.totals.moved.size(), 1u);
    EXPECT_EQ(plain.totals.moved[0].second, (library_ / "B" / "Kick.wav").string());

    const ScanJobResult forced = runScanJob(*scanner_, {library_, second}, true);
    EXPECT_EQ(scanCompletionText(forced),
              "Full Scan complete  \u2022  0 new  \u2022  3 updated  \u2022  0 unchanged  \u2022  "
              "0 missing");
    EXPECT_EQ(scanStartText(1, true), "Full Scan of 1 root folder\u2026 You can keep browsing.");
    EXPECT_EQ(scanStartText(2, false), "Scanning 2 root folders\u2026 You can keep browsing.");
}

TEST_F(ScanJobTest, StoppedJobStartsNoFurtherRoot) {
    addWav("Kick.wav");
    addWav("Snare.wav");
    const fs::path second = home_.root() / "Second";
    writeTone(second / "Hat.wav");
    std::atomic<bool> stop = false;
    const ScanJobResult result = runScanJob(
        *scanner_, {library_, second}, false, [&](std::size_t, const std::string&) { stop = true; },
        &stop);
    EXPECT_EQ(result.errorText, "Scan stopped; old entries preserved.");
    EXPECT_EQ(reader().count("SELECT count(*) FROM libraries"), 1);
}

}  // namespace
}  // namespace sv::testing
