// Libraries with labels, favourites, playlists and the folder-tree input.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>

#include "core/browse/folder_tree.h"
#include "core/catalogue/database.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace sv::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string expectFailure(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "<no failure>";
}

class LibraryRecords : public CatalogueTest {};

TEST_F(LibraryRecords, AddingTheSameRootTwiceGivesTheSameIdAndMarksTheRescan) {
    const auto id = db().addLibrary("/music/Drums");
    EXPECT_EQ(raw().value("SELECT last_scanned_at FROM libraries"), "NULL");
    const auto addedAt = raw().number("SELECT added_at FROM libraries");
    EXPECT_LE(std::abs(addedAt - static_cast<std::int64_t>(std::time(nullptr))), 5);

    EXPECT_EQ(db().addLibrary("/music/Drums"), id);
    const auto rescanned = raw().number("SELECT last_scanned_at FROM libraries");
    EXPECT_LE(std::abs(rescanned - static_cast<std::int64_t>(std::time(nullptr))), 5);
    EXPECT_NE(db().addLibrary("/music/Drums/"), id);  // stored verbatim
    EXPECT_EQ(raw().number("SELECT count(*) FROM libraries"), 2);
}

TEST_F(LibraryRecords, LibrariesAreListedByPathIgnoringCaseWithCountsAndLabels) {
    const auto zed = db().addLibrary("/music/zed");
    const auto alpha = db().addLibrary("/music/Alpha");
    const auto empty = db().addLibrary("/music/beta");
    addSample(zed, "/music/zed/a.wav");
    addSample(zed, "/music/zed/._a.wav");
    addSample(alpha, "/music/Alpha/x.wav");
    addSample(alpha, "/music/Alpha/y.wav");
    db().setLibraryAvailable("/music/Alpha", false);
    db().setLibraryDisplayLabel(zed, "Zed's drums");

    const auto libraries = db().libraries();
    ASSERT_EQ(libraries.size(), 3u);
    EXPECT_EQ(libraries[0].path, "/music/Alpha");
    EXPECT_EQ(libraries[0].id, alpha);
    EXPECT_EQ(libraries[0].sampleCount, 2);  // offline, counted as stored
    EXPECT_EQ(libraries[1].path, "/music/beta");
    EXPECT_EQ(libraries[1].id, empty);
    EXPECT_EQ(libraries[1].sampleCount, 0);
    EXPECT_EQ(libraries[1].label, "");
    EXPECT_EQ(libraries[2].path, "/music/zed");
    EXPECT_EQ(libraries[2].sampleCount, 1);
    EXPECT_EQ(libraries[2].label, "Zed's drums");
}

bool sameTree(const FolderNode& a, const FolderNode& b) {
    if (a.name != b.name || a.path != b.path || a.children.size() != b.children.size())
        return false;
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        if (!sameTree(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

TEST_F(LibraryRecords, IndexedFoldersGiveTheTreeOfAllIndexedPaths) {
    EXPECT_TRUE(db().indexedFolders().empty());
    const auto drums = db().addLibrary("/music/Drums");
    const auto keys = db().addLibrary("/music/Keys/");
    const auto labelled = db().addLibrary("/media/me/Ext");
    db().setLibraryDisplayLabel(labelled, "Ext drive");
    const char* drumPaths[] = {"/music/Drums/A/x.wav",    "/music/Drums/A/B/y.wav",
                               "/music/Drums/A/z.wav",    "/music/Drums/root.wav",
                               "/music/Drums/A/._x.wav",  "/music/Drums/._Only/._c.wav",
                               "/music/Drums/..Old/k.wav"};
    for (const char* path : drumPaths)
        addSample(drums, path);
    addSample(keys, "/music/Keys/Rhodes/r.wav");
    addSample(labelled, "/media/me/Ext/Packs/Deep/p.wav");
    addSample(labelled, "/media/me/Ext/Packs/q.wav");

    const std::vector<IndexedPath> folders = db().indexedFolders();
    EXPECT_EQ(folders.size(), 7u);  // A, A/B, the Drums root, ..Old, Rhodes, Deep, Packs
    for (std::size_t i = 1; i < folders.size(); ++i)
        EXPECT_LT(folders[i - 1].samplePath, folders[i].samplePath);
    EXPECT_TRUE(sameTree(buildFolderTree(folders), buildFolderTree(db().indexedPaths())));
    EXPECT_EQ(buildFolderTree(folders).children[0].name, "Ext drive");

    db().removeLibrary(keys);
    db().removeLibrary(labelled);
    EXPECT_TRUE(sameTree(buildLibraryTree("/music/Drums", db().indexedFolders(), "Drums"),
                         buildFolderTree(db().indexedPaths())));
}

TEST_F(LibraryRecords, OfflineLibraryPathsFollowTheAvailabilityMarks) {
    EXPECT_TRUE(db().offlineLibraryPaths().empty());
    db().addLibrary("/media/me/Ext/Packs");
    db().addLibrary("/music/Keys");
    db().setLibraryAvailable("/music/Keys", false);
    db().setLibraryAvailable("/media/me/Ext/Packs", false);
    db().setLibraryAvailable("/media/me/Ext/Packs", false);  // marking twice keeps one row
    EXPECT_EQ(db().offlineLibraryPaths(),
              (std::vector<std::string>{"/media/me/Ext/Packs", "/music/Keys"}));
    db().setLibraryAvailable("/music/Keys", true);
    EXPECT_EQ(db().offlineLibraryPaths(), std::vector<std::string>{"/media/me/Ext/Packs"});
}

// A catalogue last opened by a later program may lack the companion index: the counts and
// searches then test every name and give the same answers.
TEST_F(LibraryRecords, CompanionsAreLeftOutWithAndWithoutTheirIndex) {
    const auto mixed = db().addLibrary("/music/mixed");
    const auto companionsOnly = db().addLibrary("/music/companions");
    addSample(mixed, "/music/mixed/a.wav");
    addSample(mixed, "/music/mixed/._a.wav");
    addSample(companionsOnly, "/music/companions/._b.wav");
    SearchQuery all;
    all.limit = 50;
    SearchQuery text = all;
    text.text = "a";

    for (const bool indexed : {true, false}) {
        SCOPED_TRACE(indexed ? "with the index" : "without the index");
        if (!indexed)
            raw().exec("DROP INDEX idx_samples_appledouble");
        const auto libraries = db().libraries();
        ASSERT_EQ(libraries.size(), 2u);
        EXPECT_EQ(libraries[0].sampleCount, 0);  // /music/companions
        EXPECT_EQ(libraries[1].sampleCount, 1);
        EXPECT_FALSE(db().libraryHoldsSamples(companionsOnly));
        EXPECT_TRUE(db().libraryHoldsSamples(mixed));
        EXPECT_EQ(db().countSamples(), 1);
        EXPECT_TRUE(db().holdsSamples());
        EXPECT_EQ(db().countMatching(all), 1);
        EXPECT_EQ(db().countMatching(text), 1);
        EXPECT_EQ(db().search(text).size(), 1u);
        const auto folders = db().libraryFolders();
        ASSERT_EQ(folders.size(), 2u);
        EXPECT_EQ(folders[1].path, "/music/mixed");
        EXPECT_EQ(folders[1].id, mixed);
    }
}

TEST_F(LibraryRecords, LabelsAreStoredVerbatimAndAnEmptyLabelRemovesTheRow) {
    const auto id = db().addLibrary("/music/Drums");
    const std::string key = "SELECT group_concat(key||'='||value) FROM app_metadata";
    db().setLibraryDisplayLabel(id, "   ");
    EXPECT_EQ(raw().value(key), "library_label:" + std::to_string(id) + "=   ");
    db().setLibraryDisplayLabel(id, "Kits");
    EXPECT_EQ(raw().value(key), "library_label:" + std::to_string(id) + "=Kits");
    EXPECT_EQ(db().libraries().at(0).label, "Kits");
    db().setLibraryDisplayLabel(id, "");
    EXPECT_EQ(raw().value(key), "NULL");
    db().setLibraryDisplayLabel(id, "");  // no row: nothing to remove, no error
}

TEST_F(LibraryRecords, RemovingALibraryTakesItsRowsAndLabelButKeepsItsOfflineMark) {
    const auto gone = db().addLibrary("/music/Gone");
    const auto kept = db().addLibrary("/music/Kept");
    const auto a = addSample(gone, "/music/Gone/vanishing kick.wav", "Trap");
    const auto b = addSample(gone, "/music/Gone/sub/vanishing snare.wav", "House");
    const auto c = addSample(kept, "/music/Kept/staying kick.wav", "Trap");
    db().setFolderGenreOverride("/music/Gone", "Lofi", true);
    const auto playlist = db().createPlaylist("Mixed");
    for (const auto id : {a, b, c})
        db().addToPlaylist(playlist, id);
    db().setLibraryDisplayLabel(gone, "Old label");
    db().setLibraryDisplayLabel(kept, "Kept label");
    db().setLibraryAvailable("/music/Gone", false);

    db().removeLibrary(gone);

    EXPECT_EQ(raw().rows("SELECT id FROM samples"), (Rows{{std::to_string(c)}}));
    EXPECT_EQ(raw().rows("SELECT sample_id FROM sample_genres"), (Rows{{std::to_string(c)}}));
    EXPECT_EQ(raw().rows("SELECT sample_id FROM playlist_items"), (Rows{{std::to_string(c)}}));
    EXPECT_EQ(raw().value("SELECT count(*) FROM sample_search WHERE sample_search MATCH "
                          "'\"vanishing\"*'"),
              "0");
    EXPECT_EQ(raw().value("SELECT group_concat(rowid) FROM sample_search WHERE sample_search "
                          "MATCH '\"kick\"*'"),
              std::to_string(c));
    EXPECT_EQ(raw().value("SELECT group_concat(key,' ') FROM (SELECT key FROM app_metadata ORDER "
                          "BY key)"),
              "library_label:" + std::to_string(kept) + " offline_library:/music/Gone");
    EXPECT_EQ(db().playlists().at(0).sampleCount, 1);
    EXPECT_EQ(db().indexedPaths().size(), 1u);

    // Row ids are reused: a library added next must not inherit the old label.
    raw().exec("DELETE FROM libraries WHERE id=" + std::to_string(kept));
    const auto next = db().addLibrary("/music/New");
    EXPECT_EQ(db().libraries().at(0).label, "") << "new id " << next;
    EXPECT_NO_THROW(
        raw().exec("INSERT INTO sample_search(sample_search) VALUES('integrity-check')"));
}

TEST_F(LibraryRecords, RemovingAnUnknownLibraryChangesNothing) {
    const auto id = db().addLibrary("/music/Drums");
    db().setLibraryDisplayLabel(id, "Kits");
    db().removeLibrary(id + 100);
    EXPECT_EQ(db().libraries().size(), 1u);
    EXPECT_EQ(db().libraries().at(0).label, "Kits");
}

TEST_F(LibraryRecords, FavouritesOfMissingSamplesAreNoErrorAndReadFalse) {
    const auto library = db().addLibrary("/music");
    const auto id = addSample(library, "/music/a.wav");
    EXPECT_FALSE(db().isFavorite(id));
    db().setFavorite(id, true);
    EXPECT_TRUE(db().isFavorite(id));
    EXPECT_EQ(column("favorite", id), "1");
    db().setFavorite(id, false);
    EXPECT_FALSE(db().isFavorite(id));
    db().setFavorite(id + 50, true);
    EXPECT_FALSE(db().isFavorite(id + 50));
    EXPECT_FALSE(db().isFavorite(-1));
}

TEST_F(LibraryRecords, PlaylistNamesAreTrimmedUniqueAndNeverEmpty) {
    const auto drums = db().createPlaylist("  Drums ");
    EXPECT_GT(drums, 0);
    EXPECT_EQ(raw().value("SELECT name FROM playlists"), "Drums");
    EXPECT_EQ(expectFailure([&] { db().createPlaylist("Drums"); }),
              "A playlist with that name already exists");
    EXPECT_EQ(expectFailure([&] { db().createPlaylist("\tDrums\r\n"); }),
              "A playlist with that name already exists");
    EXPECT_EQ(expectFailure([&] { db().createPlaylist(" \t\r\n "); }),
              "Playlist name cannot be empty");
    EXPECT_EQ(expectFailure([&] { db().createPlaylist(""); }), "Playlist name cannot be empty");
    const auto lower = db().createPlaylist("drums");  // unique byte for byte only
    EXPECT_NE(lower, drums);
    const auto inner = db().createPlaylist("\vDrums");  // only four characters are trimmed
    EXPECT_NE(inner, drums);
    EXPECT_EQ(raw().number("SELECT count(*) FROM playlists"), 3);
}

TEST_F(LibraryRecords, PlaylistPositionsRecordTheOrderOfAddition) {
    const auto library = db().addLibrary("/music");
    std::vector<std::int64_t> ids;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"})
        ids.push_back(addSample(library, std::string("/music/") + name));
    const auto playlist = db().createPlaylist("Order");
    const auto positions = [&] {
        return raw().rows("SELECT sample_id,position FROM playlist_items ORDER BY position");
    };
    for (int i = 0; i < 3; ++i)
        db().addToPlaylist(playlist, ids[static_cast<std::size_t>(i)]);
    db().addToPlaylist(playlist, ids[0]);  // already a member
    EXPECT_EQ(positions(), (Rows{{std::to_string(ids[0]), "0"},
                                 {std::to_string(ids[1]), "1"},
                                 {std::to_string(ids[2]), "2"}}));
    db().removeFromPlaylist(playlist, ids[1]);
    db().removeFromPlaylist(playlist, ids[1]);  // not a member any more: no error
    db().addToPlaylist(playlist, ids[3]);
    EXPECT_EQ(positions(), (Rows{{std::to_string(ids[0]), "0"},
                                 {std::to_string(ids[2]), "2"},
                                 {std::to_string(ids[3]), "3"}}));

    const auto other = db().createPlaylist("Other");
    db().addToPlaylist(other, ids[3]);
    EXPECT_EQ(raw().value("SELECT position FROM playlist_items WHERE playlist_id=" +
                          std::to_string(other)),
              "0");
}

TEST_F(LibraryRecords, PlaylistsAreListedByNameWithExistingMembersCounted) {
    const auto library = db().addLibrary("/music");
    const auto a = addSample(library, "/music/a.wav");
    const auto hidden = addSample(library, "/music/._a.wav");
    const auto b = addSample(library, "/music/b.wav");
    const auto zeta = db().createPlaylist("zeta");
    const auto alpha = db().createPlaylist("Alpha");
    db().createPlaylist("beta");
    for (const auto id : {a, hidden, b})
        db().addToPlaylist(zeta, id);
    db().addToPlaylist(alpha, a);
    db().setLibraryAvailable("/music", false);  // offline members are still counted

    auto playlists = db().playlists();
    ASSERT_EQ(playlists.size(), 3u);
    EXPECT_EQ(playlists[0].name, "Alpha");
    EXPECT_EQ(playlists[0].id, alpha);
    EXPECT_EQ(playlists[0].sampleCount, 1);
    EXPECT_EQ(playlists[1].name, "beta");
    EXPECT_EQ(playlists[1].sampleCount, 0);
    EXPECT_EQ(playlists[2].name, "zeta");
    EXPECT_EQ(playlists[2].sampleCount, 2);

    db().deletePlaylist(zeta);
    EXPECT_EQ(db().playlists().size(), 2u);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 3);
    EXPECT_EQ(raw().number("SELECT count(*) FROM playlist_items"), 1);
    db().deletePlaylist(zeta);  // gone already: no error
}

TEST_F(LibraryRecords, AddingToAMissingPlaylistFailsWithSqlitesMessage) {
    const auto library = db().addLibrary("/music");
    const auto id = addSample(library, "/music/a.wav");
    EXPECT_EQ(expectFailure([&] { db().addToPlaylist(4242, id); }),
              "FOREIGN KEY constraint failed");
    const auto playlist = db().createPlaylist("P");
    EXPECT_EQ(expectFailure([&] { db().addToPlaylist(playlist, id + 77); }),
              "FOREIGN KEY constraint failed");
    expectUsableFromAnotherThread(db());
}

TEST_F(LibraryRecords, IndexedPathsInByteOrderWithLabelsAndOfflineLibraries) {
    const auto drums = db().addLibrary("/music/Drums");
    const auto keys = db().addLibrary("/music/Keys");
    addSample(keys, "/music/Keys/b.mid");
    addSample(drums, "/music/Drums/sub/Z.wav");
    addSample(drums, "/music/Drums/a.wav");
    addSample(drums, "/music/Drums/._a.wav");
    db().setLibraryDisplayLabel(keys, "Chords");
    db().setLibraryAvailable("/music/Keys", false);

    const auto paths = db().indexedPaths();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0].samplePath, "/music/Drums/a.wav");
    EXPECT_EQ(paths[0].libraryPath, "/music/Drums");
    EXPECT_EQ(paths[0].libraryLabel, "");
    EXPECT_EQ(paths[1].samplePath, "/music/Drums/sub/Z.wav");
    EXPECT_EQ(paths[2].samplePath, "/music/Keys/b.mid");
    EXPECT_EQ(paths[2].libraryLabel, "Chords");
}

TEST_F(LibraryRecords, ListsReadFromABrokenCatalogueReturnNothingInsteadOfThrowing) {
    db().addLibrary("/music");
    db().createPlaylist("P");
    raw().exec("DROP TABLE app_metadata");
    EXPECT_TRUE(db().libraries().empty());
    EXPECT_TRUE(db().indexedPaths().empty());
    EXPECT_EQ(db().playlists().size(), 1u);
    EXPECT_EQ(expectFailure([&] { db().setLibraryDisplayLabel(1, "x"); }),
              "no such table: app_metadata");
    expectUsableFromAnotherThread(db());
}

}  // namespace
}  // namespace sv::testing
