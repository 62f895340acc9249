// Files moved inside a library keep their record and everything the user attached to it;
// user overrides survive every kind of rescan.
#include <gtest/gtest.h>

#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

class MovesTest : public ScanFixture {};

TEST_F(MovesTest, MovedFileKeepsIdFavouriteOverridesGenresAndPlaylists) {
    const fs::path old = addWav("Old Folder/Kick.wav");
    addWav("Old Folder/Other.wav", 0.3);
    fs::create_directories(library_ / "New Folder");
    scanner_->scan(library_);
    const std::int64_t id = idOf(old);
    db_->setFavorite(id, true);
    db_->setTypeOverride({id}, SampleType::Loop);
    db_->setFolderInstrumentOverride((library_ / "Old Folder").string(), "Bell");
    db_->setFolderGenreOverride((library_ / "Old Folder").string(), "Techno", true);
    const std::int64_t playlist = db_->createPlaylist("Picks");
    db_->addToPlaylist(playlist, id);

    const fs::path moved = library_ / "New Folder" / "Kick.wav";
    fs::rename(old, moved);
    const ScanStats stats = scanner_->scan(library_);
    ASSERT_EQ(stats.moved.size(), 1u);
    EXPECT_EQ(stats.moved[0], (std::pair{old.string(), moved.string()}));
    EXPECT_EQ(stats.unchanged, 2u);
    EXPECT_EQ(stats.added + stats.updated + stats.removed, 0u);
    EXPECT_EQ(idOf(moved), id);
    EXPECT_TRUE(db_->isFavorite(id));
    const std::string row = std::to_string(id);
    EXPECT_EQ(reader().value("SELECT type FROM samples WHERE id=" + row), "Loop");
    EXPECT_EQ(reader().value("SELECT instrument FROM samples WHERE id=" + row), "Bell");
    EXPECT_EQ(reader().count("SELECT count(*) FROM sample_genres WHERE source='folder' AND "
                             "genre='Techno' AND sample_id=" +
                             row),
              1);
    EXPECT_EQ(reader().count("SELECT count(*) FROM playlist_items WHERE sample_id=" + row), 1);

    // A forced scan re-analyses the moved file and still keeps what the user set.
    const ScanStats forced = scanner_->scan(library_, {}, true);
    EXPECT_EQ(forced.updated, 2u);
    EXPECT_EQ(reader().value("SELECT type FROM samples WHERE id=" + row), "Loop");
    EXPECT_EQ(reader().value("SELECT instrument FROM samples WHERE id=" + row), "Bell");
    EXPECT_TRUE(db_->isFavorite(id));
}

TEST_F(MovesTest, RenamedFileIsOneAddedAndOneRemoved) {
    const fs::path old = addWav("Kick.wav");
    scanner_->scan(library_);
    const std::int64_t id = idOf(old);
    fs::rename(old, library_ / "Kick Renamed.wav");
    const ScanStats stats = scanner_->scan(library_);
    EXPECT_EQ(stats.added, 1u);
    EXPECT_EQ(stats.removed, 1u);
    EXPECT_TRUE(stats.moved.empty());
    EXPECT_NE(idOf(library_ / "Kick Renamed.wav"), id);
}

TEST_F(MovesTest, CopyIsNotRelinked) {
    const fs::path original = addWav("A/Kick.wav");
    setModifiedSeconds(original, 1'650'000'000);
    scanner_->scan(library_);
    const std::int64_t id = idOf(original);
    fs::create_directories(library_ / "B");
    fs::copy_file(original, library_ / "B" / "Kick.wav");
    setModifiedSeconds(library_ / "B" / "Kick.wav", 1'650'000'000);
    const ScanStats stats = scanner_->scan(library_);
    EXPECT_TRUE(stats.moved.empty());
    EXPECT_EQ(stats.added, 1u);
    EXPECT_EQ(stats.unchanged, 1u);
    EXPECT_EQ(idOf(original), id);
}

TEST_F(MovesTest, AmbiguousMoveIsNotGuessed) {
    const fs::path first = addWav("A/Kick.wav");
    const fs::path second = addWav("B/Kick.wav");
    setModifiedSeconds(first, 1'650'000'000);
    setModifiedSeconds(second, 1'650'000'000);
    scanner_->scan(library_);
    const std::int64_t firstId = idOf(first);
    const std::int64_t secondId = idOf(second);
    fs::create_directories(library_ / "C");
    fs::rename(first, library_ / "C" / "Kick.wav");
    fs::remove(second);

    const ScanStats stats = scanner_->scan(library_);
    EXPECT_TRUE(stats.moved.empty());
    EXPECT_EQ(stats.added, 1u);
    EXPECT_EQ(stats.removed, 2u);
    const std::int64_t newId = idOf(library_ / "C" / "Kick.wav");
    EXPECT_NE(newId, firstId);
    EXPECT_NE(newId, secondId);
}

TEST_F(MovesTest, MoveToAnotherLibraryIsNotRelinked) {
    const fs::path other = home_.root() / "Other Library";
    fs::create_directories(other);
    const fs::path old = addWav("Kick.wav");
    scanner_->scan(library_);
    scanner_->scan(other);
    fs::rename(old, other / "Kick.wav");
    const ScanStats stats = scanner_->scan(other);
    EXPECT_TRUE(stats.moved.empty());
    EXPECT_EQ(stats.added, 1u);
}

TEST_F(MovesTest, OverridesSurviveRescansAndClearingFallsBackToLatestInference) {
    const fs::path loop = addWav("Drums/Kick 120bpm.wav");
    scanner_->scan(library_);
    const std::int64_t id = idOf(loop);
    const std::string row = std::to_string(id);
    const std::string inferredType =
        reader().value("SELECT auto_type FROM samples WHERE id=" + row);
    db_->setTypeOverride({id}, SampleType::OneShot);
    db_->setFolderTypeOverride((library_ / "Drums").string(), SampleType::Loop);
    db_->setFolderInstrumentOverride((library_ / "Drums").string(), "Strings");

    for (const bool force : {false, true}) {
        scanner_->scan(library_, {}, force);
        EXPECT_EQ(reader().value("SELECT instrument FROM samples WHERE id=" + row), "Strings")
            << force;
        EXPECT_EQ(reader().value("SELECT user_type_override FROM samples WHERE id=" + row),
                  reader().value("SELECT type FROM samples WHERE id=" + row));
    }

    db_->setFolderTypeOverride((library_ / "Drums").string(), std::nullopt);
    db_->setTypeOverride({id}, std::nullopt);
    db_->setFolderInstrumentOverride((library_ / "Drums").string(), std::nullopt);
    scanner_->scan(library_, {}, true);
    EXPECT_EQ(reader().value("SELECT type FROM samples WHERE id=" + row), inferredType);
    EXPECT_EQ(reader().value("SELECT instrument FROM samples WHERE id=" + row),
              reader().value("SELECT auto_instrument FROM samples WHERE id=" + row));
}

}  // namespace
}  // namespace sv::testing
