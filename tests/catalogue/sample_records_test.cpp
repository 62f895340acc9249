// Sample rows as the scanner writes them: lookup, upsert, relinking, pruning, offline marks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "core/catalogue/database.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace sv::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

struct FileTimes {
    std::uint64_t size;
    std::int64_t modifiedAt;
};

FileTimes statOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return {static_cast<std::uint64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtime)};
}

class SampleRecords : public CatalogueTest {
  protected:
    std::int64_t library = db().addLibrary("/music/Lib");
    std::int64_t otherLibrary = db().addLibrary("/music/Other");
};

TEST_F(SampleRecords, FindByPathGivesOnlyIdPathSizeAndTime) {
    Sample stored = sampleAt("/music/Lib/kick.wav");
    stored.genre = "Trap";
    stored.instrument = "Kick";
    stored.bpm = 140;
    stored.fileSize = 4321;
    stored.modifiedAt = 1712345678;
    db().upsert(stored, library);

    const auto found = db().findByPath("/music/Lib/kick.wav");
    ASSERT_TRUE(found);
    EXPECT_GT(found->id, 0);
    EXPECT_EQ(found->path, "/music/Lib/kick.wav");
    EXPECT_EQ(found->fileSize, 4321u);
    EXPECT_EQ(found->modifiedAt, 1712345678);
    EXPECT_EQ(found->filename, "");
    EXPECT_EQ(found->genre, "");
    EXPECT_EQ(found->musicalKey, "");
    EXPECT_EQ(found->type, SampleType::Unknown);
    EXPECT_FALSE(found->bpm);

    EXPECT_FALSE(db().findByPath("/music/Lib/KICK.wav"));
    EXPECT_FALSE(db().findByPath("/music/Lib/kick.wav/"));
    EXPECT_FALSE(db().findByPath(""));
}

TEST_F(SampleRecords, NewRowCarriesEveryValueAndItsAutomaticTwins) {
    Sample sample = sampleAt("/music/Lib/loop 120.wav");
    sample.type = SampleType::Loop;
    sample.genre = "House";
    sample.instrument = "Drums";
    sample.musicalKey = "A min";
    sample.bpm = 120;
    sample.duration = 4.5;
    sample.fileSize = 5'000'000'000ull;
    sample.modifiedAt = 1796764628;
    sample.favorite = true;  // never written by a scan
    db().upsert(sample, library);
    const auto id = idOf(sample.path);

    EXPECT_EQ(
        raw().rows("SELECT filename,library_id,type,auto_type,genre,auto_genre,instrument,"
                   "auto_instrument,bpm,musical_key,duration,file_size,modified_at,favorite,"
                   "coalesce(user_type_override,'-') FROM samples WHERE id=" +
                   std::to_string(id)),
        (Rows{{"loop 120.wav", std::to_string(library), "Loop", "Loop", "House", "House", "Drums",
               "Drums", "120", "A min", "4.5", "5000000000", "1796764628", "0", "-"}}));
    const auto analyzedAt = std::stoll(column("analyzed_at", id));
    EXPECT_LE(std::abs(analyzedAt - static_cast<std::int64_t>(std::time(nullptr))), 5);
    EXPECT_EQ(
        raw().rows("SELECT genre,source FROM sample_genres WHERE sample_id=" + std::to_string(id)),
        (Rows{{"House", "auto"}}));
}

TEST_F(SampleRecords, MissingTempoAndDurationAreStoredAsNull) {
    const auto id = addSample(library, "/music/Lib/a.mid", {}, SampleType::Midi);
    EXPECT_EQ(column("bpm", id), "NULL");
    EXPECT_EQ(column("duration", id), "NULL");
    EXPECT_EQ(column("genre", id), "NULL");
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_genres"), 0);
}

TEST_F(SampleRecords, RescanKeepsIdAndEverythingTheUserSet) {
    const auto id =
        addSample(library, "/music/Lib/Drums/hit.wav", "Trap", SampleType::OneShot, "Snare");
    db().setFavorite(id, true);
    db().setTypeOverride({id}, SampleType::Loop);
    db().setFolderInstrumentOverride("/music/Lib/Drums", "Clap");
    db().setFolderGenreOverride("/music/Lib/Drums", "Lofi", true);
    const auto playlist = db().createPlaylist("Keep");
    db().addToPlaylist(playlist, id);
    raw().exec("UPDATE samples SET analyzed_at=0");

    Sample rescan = sampleAt("/music/Lib/Drums/hit.wav");
    rescan.type = SampleType::OneShot;
    rescan.instrument = "Kick";
    rescan.genre = "House";
    rescan.bpm = 90;
    rescan.fileSize = 999;
    db().upsert(rescan, library);

    EXPECT_EQ(idOf(rescan.path), id);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 1);
    EXPECT_EQ(raw().rows("SELECT type,auto_type,user_type_override,type_override_source,"
                         "instrument,auto_instrument,user_instrument_override,genre,auto_genre,"
                         "favorite,bpm,file_size FROM samples"),
              (Rows{{"Loop", "One Shot", "Loop", "sample", "Clap", "Kick", "Clap", "Lofi, House",
                     "House", "1", "90", "999"}}));
    EXPECT_NE(column("analyzed_at", id), "0");
    EXPECT_EQ(raw().number("SELECT count(*) FROM playlist_items"), 1);
}

TEST_F(SampleRecords, GenreTextListsFolderGenresFirstThenInferredOnes) {
    struct Case {
        const char* inferred;
        std::vector<const char*> folderGenres;
        const char* expected;
    };
    const Case cases[] = {
        {"House", {"Trap"}, "Trap, House"},
        {"", {"Trap"}, "Trap"},
        {"", {}, "NULL"},
        {"Trap", {"Trap"}, "Trap"},
        {"trap", {"Trap"}, "Trap, trap"},
        {"Ambient", {"dub", "Boom Bap"}, "Boom Bap, dub, Ambient"},
    };
    int folder = 0;
    for (const auto& c : cases) {
        const std::string dir = "/music/Lib/case" + std::to_string(++folder);
        SCOPED_TRACE(dir);
        const auto id = addSample(library, dir + "/x.wav", "Electro");
        for (const char* genre : c.folderGenres)
            db().setFolderGenreOverride(dir, genre, true);
        addSample(library, dir + "/x.wav", c.inferred);
        EXPECT_EQ(column("genre", id), c.expected);
        EXPECT_EQ(column("auto_genre", id), c.inferred);
    }
}

// A new row takes a shorter way to its genre rows and text than an updated one; both must end
// where recomputing from the genre rows would, row ids reused after a delete included.
TEST_F(SampleRecords, NewAndUpdatedRowsEndWithTheSameGenreRowsAndText) {
    const auto genreRows = [this](std::int64_t id) {
        return raw().value(
            "SELECT coalesce(group_concat(genre||':'||source,' '),'-') FROM "
            "sample_genres WHERE sample_id=" +
            std::to_string(id));
    };
    const auto plain = addSample(library, "/music/Lib/plain.wav", "");
    EXPECT_EQ(column("genre", plain), "NULL");
    EXPECT_EQ(column("auto_genre", plain), "");
    EXPECT_EQ(genreRows(plain), "-");

    const auto trap = addSample(library, "/music/Lib/trap.wav", "Trap");
    EXPECT_EQ(column("genre", trap), "Trap");
    EXPECT_EQ(genreRows(trap), "Trap:auto");
    addSample(library, "/music/Lib/trap.wav", "House");
    EXPECT_EQ(column("genre", trap), "House");
    EXPECT_EQ(genreRows(trap), "House:auto");
    addSample(library, "/music/Lib/trap.wav", "");
    EXPECT_EQ(column("genre", trap), "NULL");
    EXPECT_EQ(genreRows(trap), "-");

    // The newest row goes without its cascade (another tool, foreign keys off), and its id
    // comes back for the next new path: the stale genre rows go too.
    const auto last = addSample(library, "/music/Lib/last.wav", "Lofi");
    db().setFolderGenreOverride("/music/Lib", "Trap", true);
    raw().exec("DELETE FROM samples WHERE id=" + std::to_string(last));
    const auto reused = addSample(library, "/music/Lib/again.wav", "Drill");
    EXPECT_EQ(reused, last);
    EXPECT_EQ(column("genre", reused), "Drill");
    EXPECT_EQ(genreRows(reused), "Drill:auto");
}

TEST_F(SampleRecords, FailedUpsertRunsNoGenreStepAndReleasesTheCatalogue) {
    Sample sample = sampleAt("/music/Lib/orphan.wav");
    sample.genre = "Trap";
    EXPECT_THROW(
        {
            try {
                db().upsert(sample, 987654);
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "FOREIGN KEY constraint failed");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 0);
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_genres"), 0);
    expectUsableFromAnotherThread(db());
}

// A batch of records (as a scan writes them) mixing new rows, rows already stored with the
// user's changes on them, and a path given twice, over more rows than one insert statement
// takes: the outcome is what writing them one by one gives, and the full-text index agrees.
TEST_F(SampleRecords, BatchOfNewAndStoredRowsEndsAsOneByOne) {
    const auto kept = addSample(library, "/music/Lib/kept.wav", "House");
    db().setTypeOverride({kept}, SampleType::Loop);
    db().setFolderGenreOverride("/music/Lib", "Lofi", true);
    // Genre rows left under the id the next new row takes, by a delete without its cascade.
    const std::int64_t nextId = raw().number("SELECT max(id)+1 FROM samples");
    raw().exec(
        "PRAGMA foreign_keys=OFF; INSERT INTO sample_genres(sample_id,genre,source) "
        "VALUES(" +
        std::to_string(nextId) + ",'Stale','user'); PRAGMA foreign_keys=ON;");

    std::vector<Sample> batch;
    for (int i = 0; i < 300; ++i) {
        Sample sample = sampleAt("/music/Other/" + std::to_string(i) + " snare.wav");
        sample.genre = i % 3 == 0 ? "" : "Trap";
        sample.bpm = 80 + i;
        batch.push_back(sample);
    }
    Sample keptAgain = sampleAt("/music/Lib/kept.wav");
    keptAgain.genre = "Techno";
    keptAgain.instrument = "Kick";
    batch.insert(batch.begin() + 150, keptAgain);
    Sample twice = batch[10];
    twice.bpm = 999;
    batch.push_back(twice);

    db().upsert(batch, otherLibrary);

    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 301);
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_genres WHERE genre='Stale'"), 0);
    EXPECT_EQ(column("bpm", idOf(batch[10].path)), "999");
    EXPECT_EQ(column("type", kept), "Loop");
    EXPECT_EQ(column("instrument", kept), "Kick");
    EXPECT_EQ(column("genre", kept), "Lofi, Techno");
    EXPECT_EQ(column("genre", idOf(batch[1].path)), "Trap");
    EXPECT_EQ(column("genre", idOf(batch[0].path)), "NULL");
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_genres WHERE source='auto'"), 201);
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_search WHERE sample_search MATCH 'snare'"),
              300);
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_search WHERE sample_search MATCH 'trap'"),
              200);
    raw().exec("INSERT INTO sample_search(sample_search) VALUES('integrity-check')");

    // A failure anywhere in a batch leaves none of it.
    std::vector<Sample> broken = {sampleAt("/music/Other/new 1.wav"),
                                  sampleAt("/music/Other/new 2.wav")};
    EXPECT_THROW(db().upsert(broken, 987654), std::runtime_error);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 301);
    expectUsableFromAnotherThread(db());
}

TEST_F(SampleRecords, HoldsSamplesUnderAFolderNotItsSiblings) {
    addSample(library, "/music/Lib/Drums/kick.wav", "");
    EXPECT_TRUE(db().holdsSamplesUnder("/music/Lib"));
    EXPECT_TRUE(db().holdsSamplesUnder("/music/Lib/Drums"));
    EXPECT_FALSE(db().holdsSamplesUnder("/music/Lib/Drum"));
    EXPECT_FALSE(db().holdsSamplesUnder("/music/Lib/Drums/kick.wav"));
    EXPECT_FALSE(db().holdsSamplesUnder("/music/Li"));
    EXPECT_FALSE(db().holdsSamplesUnder("/music/Other"));
}

class Relink : public SampleRecords {
  protected:
    std::filesystem::path folder = home().root() / "lib";

    // A file on disk and the row an earlier scan stored for its old place.
    FileTimes placeFile(const std::string& relative) {
        const auto path = home().writeFile("lib/" + relative, "RIFF and some audio bytes");
        return statOf(path);
    }
    std::int64_t storeRow(const std::string& path, FileTimes times, std::int64_t libraryId = 0) {
        Sample sample = sampleAt(path);
        sample.fileSize = times.size;
        sample.modifiedAt = times.modifiedAt;
        sample.genre = "Trap";
        db().upsert(sample, libraryId ? libraryId : library);
        return idOf(path);
    }
    std::string at(const std::string& relative) const { return (folder / relative).string(); }
};

TEST_F(Relink, MovedFileKeepsItsRowAndEverythingOnIt) {
    const auto times = placeFile("new place/kick.wav");
    const auto id = storeRow(at("old place/kick.wav"), times);
    db().setFavorite(id, true);
    db().setTypeOverride({id}, SampleType::Loop);
    db().setFolderGenreOverride(at("old place"), "Lofi", true);
    const auto playlist = db().createPlaylist("Moves");
    db().addToPlaylist(playlist, id);
    raw().exec("UPDATE samples SET analyzed_at=0");

    const auto old =
        db().relinkMovedSample(library, at("new place/kick.wav"), times.size, times.modifiedAt);

    ASSERT_TRUE(old);
    EXPECT_EQ(*old, at("old place/kick.wav"));
    EXPECT_EQ(idOf(at("new place/kick.wav")), id);
    EXPECT_FALSE(db().findByPath(at("old place/kick.wav")));
    EXPECT_EQ(raw().rows("SELECT filename,favorite,type,genre FROM samples"),
              (Rows{{"kick.wav", "1", "Loop", "Lofi, Trap"}}));
    EXPECT_NE(column("analyzed_at", id), "0");
    EXPECT_EQ(
        raw().number("SELECT count(*) FROM playlist_items WHERE sample_id=" + std::to_string(id)),
        1);
    EXPECT_EQ(raw().value("SELECT group_concat(rowid) FROM sample_search WHERE sample_search "
                          "MATCH 'path:\"new\"*'"),
              std::to_string(id));
    EXPECT_EQ(raw().value("SELECT count(*) FROM sample_search WHERE sample_search MATCH "
                          "'path:\"old\"*'"),
              "0");
}

TEST_F(Relink, StoredTimesAreTheFileSystemsUnixSeconds) {
    const auto times = placeFile("moved/snare.wav");
    storeRow(at("before/snare.wav"), times);
    ASSERT_TRUE(
        db().relinkMovedSample(library, at("moved/snare.wav"), times.size, times.modifiedAt));
    const auto found = db().findByPath(at("moved/snare.wav"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->modifiedAt, statOf(at("moved/snare.wav")).modifiedAt);
    EXPECT_GT(found->modifiedAt, 1'600'000'000);
    EXPECT_EQ(found->fileSize, std::filesystem::file_size(at("moved/snare.wav")));
}

TEST_F(Relink, NothingIsGuessed) {
    const auto times = placeFile("now/clap.wav");
    struct Case {
        const char* name;
        std::vector<std::string> storedPaths;
        std::string newPath;
        FileTimes lookFor;
    };
    home().writeFile("lib/still here/clap.wav", "RIFF and some audio bytes");
    home().writeFile("lib/a regular file", "x");
    const Case cases[] = {
        {"two gone rows match",
         {at("gone1/clap.wav"), at("gone2/clap.wav")},
         at("now/clap.wav"),
         times},
        {"old file still exists (a copy)", {at("still here/clap.wav")}, at("now/clap.wav"), times},
        {"name differs in letter case", {at("gone/Clap.wav")}, at("now/clap.wav"), times},
        {"other size",
         {at("gone/clap.wav")},
         at("now/clap.wav"),
         {times.size + 1, times.modifiedAt}},
        {"other time",
         {at("gone/clap.wav")},
         at("now/clap.wav"),
         {times.size, times.modifiedAt + 1}},
        {"row already at the new path", {at("now/clap.wav")}, at("now/clap.wav"), times},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        raw().exec("DELETE FROM samples");
        for (const auto& path : c.storedPaths)
            storeRow(path, times);
        const Rows before = raw().rows("SELECT id,path,analyzed_at FROM samples ORDER BY id");
        EXPECT_FALSE(
            db().relinkMovedSample(library, c.newPath, c.lookFor.size, c.lookFor.modifiedAt));
        EXPECT_EQ(raw().rows("SELECT id,path,analyzed_at FROM samples ORDER BY id"), before);
    }
}

TEST_F(Relink, OnlyRowsOfTheSameLibraryAreCandidates) {
    const auto times = placeFile("now/tom.wav");
    storeRow(at("gone/tom.wav"), times, otherLibrary);
    EXPECT_FALSE(db().relinkMovedSample(library, at("now/tom.wav"), times.size, times.modifiedAt));
    EXPECT_TRUE(
        db().relinkMovedSample(otherLibrary, at("now/tom.wav"), times.size, times.modifiedAt));
}

TEST_F(Relink, OldPathWhoseStatusCannotBeReadCountsAsGone) {
    const auto times = placeFile("now/rim.wav");
    home().writeFile("lib/plain file", "x");
    storeRow(at("plain file/rim.wav"), times);
    EXPECT_EQ(db().relinkMovedSample(library, at("now/rim.wav"), times.size, times.modifiedAt),
              at("plain file/rim.wav"));
}

TEST_F(Relink, AmbiguousCandidatesOneOfThemStillPresentRelinksTheGoneOne) {
    const auto times = placeFile("now/hat.wav");
    home().writeFile("lib/kept/hat.wav", "RIFF and some audio bytes");
    const auto gone = storeRow(at("gone/hat.wav"), times);
    storeRow(at("kept/hat.wav"), times);
    EXPECT_EQ(db().relinkMovedSample(library, at("now/hat.wav"), times.size, times.modifiedAt),
              at("gone/hat.wav"));
    EXPECT_EQ(idOf(at("now/hat.wav")), gone);
    EXPECT_TRUE(db().findByPath(at("kept/hat.wav")));
}

class RemoveMissing : public SampleRecords {
  protected:
    void SetUp() override {
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            addSample(library, std::string("/music/Lib/") + name, "Trap");
        keptOther = addSample(otherLibrary, "/music/Other/z.wav", "Trap");
    }
    std::int64_t keptOther = 0;
};

TEST_F(RemoveMissing, DeletesExactlyTheUnlistedRowsOfTheLibrary) {
    struct Case {
        std::vector<std::string> existing;
        std::size_t removed;
        std::int64_t remainingInLibrary;
    };
    const Case cases[] = {
        {{"/music/Lib/a.wav", "/music/Lib/b.wav", "/music/Lib/c.wav"}, 0, 3},
        {{"/music/Lib/a.wav", "/music/Lib/B.wav", "/music/Lib/c.wav/"}, 2, 1},
        {{}, 1, 0},
    };
    const auto playlist = db().createPlaylist("P");
    db().addToPlaylist(playlist, idOf("/music/Lib/b.wav"));
    db().addToPlaylist(playlist, keptOther);
    for (const auto& c : cases) {
        std::size_t removed = 99;
        db().removeMissing(library, c.existing, removed);
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(raw().number("SELECT count(*) FROM samples WHERE library_id=" +
                               std::to_string(library)),
                  c.remainingInLibrary);
    }
    EXPECT_TRUE(db().findByPath("/music/Other/z.wav"));
    EXPECT_EQ(raw().rows("SELECT sample_id FROM sample_genres"),
              (Rows{{std::to_string(keptOther)}}));
    EXPECT_EQ(raw().rows("SELECT sample_id FROM playlist_items"),
              (Rows{{std::to_string(keptOther)}}));
    EXPECT_EQ(raw().value("SELECT count(*) FROM sample_search WHERE sample_search MATCH "
                          "'\"wav\"*'"),
              "1");
}

TEST_F(RemoveMissing, FailingDeleteRollsBackTheWholeBatch) {
    raw().exec(
        "CREATE TRIGGER refuse BEFORE DELETE ON samples WHEN old.filename='c.wav' BEGIN SELECT "
        "RAISE(ABORT,'refused by trigger'); END;");
    std::size_t removed = 99;
    EXPECT_THROW(
        {
            try {
                db().removeMissing(library, {}, removed);
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "refused by trigger");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(removed, 0u);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples"), 4);
    expectUsableFromAnotherThread(db());
}

TEST_F(SampleRecords, OfflineMarkIsOneKeyAndKeepsEveryRow) {
    const auto id = addSample(library, "/music/Lib/a.wav");
    db().setFavorite(id, true);
    const std::string key = "SELECT group_concat(key||'='||value) FROM app_metadata";

    db().setLibraryAvailable("/music/Lib", true);
    EXPECT_EQ(raw().value(key), "NULL");
    db().setLibraryAvailable("/music/Lib", false);
    db().setLibraryAvailable("/music/Lib", false);
    EXPECT_EQ(raw().value(key), "offline_library:/music/Lib=1");
    EXPECT_EQ(raw().rows("SELECT id,favorite FROM samples"), (Rows{{std::to_string(id), "1"}}));
    db().setLibraryAvailable("/music/Lib", true);
    EXPECT_EQ(raw().value(key), "NULL");
}

}  // namespace
}  // namespace sv::testing
