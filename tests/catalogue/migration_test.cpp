// Catalogues written by earlier releases: built from the earlier migration texts, opened,
// upgraded with a safety copy, and left alone on the next open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "tests/catalogue/catalogue_fixture.h"
#include "tests/support/temp_home.h"

namespace sv::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::filesystem::path backupOf(const std::filesystem::path& file) {
    return file.string() + ".pre-v5-backup";
}

// Libraries, samples with types, instruments and genres (blank and missing ones too),
// playlists, favourites and, where the version has the table, settings rows.
void fillOldCatalogue(const std::filesystem::path& file, int version) {
    RawConnection c(file);
    c.exec("INSERT INTO libraries(id,path) VALUES(1,'/music/Drums'),(2,'/music/Keys');");
    c.exec(
        "INSERT INTO samples(id,path,filename,library_id,type,genre,instrument,bpm,musical_key,"
        "duration,file_size,modified_at,favorite) VALUES"
        "(1,'/music/Drums/kick 808.wav','kick 808.wav',1,'One Shot','Trap','Kick',NULL,'None',0.5,"
        "1234,1700000001,1),"
        "(2,'/music/Drums/loops/beat 120.wav','beat 120.wav',1,'Loop','House','Drums',120,'A min',"
        "4.0,88200,1700000002,0),"
        "(3,'/music/Keys/chords.mid','chords.mid',2,'MIDI',NULL,'Piano',90,'C maj',NULL,300,"
        "1700000003,0),"
        "(4,'/music/Keys/pad.wav','pad.wav',2,'Loop','   ',NULL,NULL,'None',2.0,500,1700000004,1),"
        "(5,'/music/Keys/._pad.wav','._pad.wav',2,'Unknown','',NULL,NULL,'None',NULL,4096,"
        "1700000005,0);");
    c.exec(
        "INSERT INTO playlists(id,name) VALUES(1,'Favs'),(2,'Set');"
        "INSERT INTO playlist_items VALUES(1,1,0),(1,2,1),(2,3,0);");
    if (version >= 2)
        c.exec(
            "INSERT INTO app_metadata VALUES('library_label:1','My drums'),"
            "('offline_library:/music/Keys','1');");
    if (version >= 4)
        c.exec(
            "UPDATE samples SET auto_type=type; UPDATE samples SET "
            "user_type_override='Loop',type='Loop' WHERE id=1;");
}

const std::vector<std::string> kColumnsAtVersion5 = {"id",
                                                     "path",
                                                     "filename",
                                                     "library_id",
                                                     "type",
                                                     "genre",
                                                     "instrument",
                                                     "bpm",
                                                     "musical_key",
                                                     "duration",
                                                     "file_size",
                                                     "modified_at",
                                                     "file_identity",
                                                     "analyzed_at",
                                                     "favorite",
                                                     "auto_type",
                                                     "user_type_override",
                                                     "auto_instrument",
                                                     "user_instrument_override",
                                                     "auto_genre",
                                                     "type_override_source",
                                                     "instrument_override_source"};

const std::vector<std::string> kIndexes = {
    "idx_playlist_items_sample", "idx_sample_genres_genre",
    "idx_samples_appledouble",   "idx_samples_bpm",
    "idx_samples_favorite",      "idx_samples_folder",
    "idx_samples_instrument",    "idx_samples_instrument_override",
    "idx_samples_key",           "idx_samples_library",
    "idx_samples_name",          "idx_samples_path",
    "idx_samples_relink",        "idx_samples_type",
    "idx_samples_type_override"};

std::vector<std::string> firstColumn(const Rows& rows) {
    std::vector<std::string> values;
    for (const auto& row : rows)
        values.push_back(row.at(0));
    return values;
}

class OlderCatalogue : public ::testing::TestWithParam<int> {
  protected:
    TempHome home;
    std::filesystem::path file = home.catalogue();
};

TEST_P(OlderCatalogue, UpgradesWithSafetyCopyAndKeepsEveryValue) {
    const int version = GetParam();
    writeCatalogueAtVersion(file, version);
    fillOldCatalogue(file, version);
    Rows before;
    {
        RawConnection c(file);
        before = dumpUserTables(c);
    }

    { Database db(file); }

    ASSERT_TRUE(std::filesystem::exists(backupOf(file)));
    {
        RawConnection copy(backupOf(file));
        EXPECT_EQ(copy.value("SELECT version FROM schema_version"), std::to_string(version));
        EXPECT_EQ(dumpUserTables(copy), before);
    }

    RawConnection c(file);
    EXPECT_EQ(c.value("SELECT group_concat(version) FROM schema_version"), "5");
    EXPECT_EQ(firstColumn(c.rows("SELECT name FROM pragma_table_info('samples') ORDER BY cid")),
              kColumnsAtVersion5);
    EXPECT_EQ(firstColumn(c.rows("SELECT name FROM sqlite_schema WHERE type='index' AND name "
                                 "LIKE 'idx_%' ORDER BY name")),
              kIndexes);

    const Rows samples = c.rows(
        "SELECT id,type,auto_type,coalesce(user_type_override,'-'),coalesce(instrument,'-'),"
        "coalesce(auto_instrument,'-'),coalesce(genre,'-'),coalesce(auto_genre,'-'),"
        "coalesce(user_instrument_override,'-')||coalesce(type_override_source,'-')||"
        "coalesce(instrument_override_source,'-'),favorite FROM samples ORDER BY id");
    const Rows expected = {
        {"1", version >= 4 ? "Loop" : "One Shot", "One Shot", version >= 4 ? "Loop" : "-", "Kick",
         "Kick", "Trap", "Trap", "---", "1"},
        {"2", "Loop", "Loop", "-", "Drums", "Drums", "House", "House", "---", "0"},
        {"3", "MIDI", "MIDI", "-", "Piano", "Piano", "-", "-", "---", "0"},
        {"4", "Loop", "Loop", "-", "-", "-", "   ", "   ", "---", "1"},
        {"5", "Unknown", "Unknown", "-", "-", "-", "", "", "---", "0"},
    };
    EXPECT_EQ(samples, expected);
    EXPECT_EQ(c.rows("SELECT sample_id,genre,source FROM sample_genres ORDER BY sample_id"),
              (Rows{{"1", "Trap", "auto"}, {"2", "House", "auto"}}));
    EXPECT_EQ(c.rows("SELECT playlist_id,sample_id,position FROM playlist_items ORDER BY 1,2"),
              (Rows{{"1", "1", "0"}, {"1", "2", "1"}, {"2", "3", "0"}}));
    EXPECT_EQ(c.value("SELECT group_concat(rowid) FROM sample_search WHERE sample_search MATCH "
                      "'\"kick\"*'"),
              "1");
    const std::string labels =
        version >= 2 ? "library_label:1=My drums,offline_library:/music/Keys=1" : "<none>";
    EXPECT_EQ(c.value("SELECT group_concat(key||'='||value) FROM (SELECT * FROM app_metadata "
                      "ORDER BY key) HAVING count(*)>0"),
              labels);
}

TEST_P(OlderCatalogue, SecondOpenChangesNothingAndTakesNoCopy) {
    const int version = GetParam();
    writeCatalogueAtVersion(file, version);
    fillOldCatalogue(file, version);
    { Database db(file); }
    std::filesystem::remove(backupOf(file));
    const std::string bytes = readFileBytes(file);

    { Database db(file); }

    EXPECT_FALSE(std::filesystem::exists(backupOf(file)));
    EXPECT_EQ(readFileBytes(file), bytes);
}

INSTANTIATE_TEST_SUITE_P(Versions, OlderCatalogue, ::testing::Values(1, 2, 3, 4));

TEST(CatalogueOpening, ExistingBackupFileIsLeftAloneAndTheUpgradeStillRuns) {
    TempHome home;
    const auto file = home.catalogue();
    writeCatalogueAtVersion(file, 3);
    fillOldCatalogue(file, 3);
    home.writeFile(backupOf(file).lexically_relative(home.root()), "an older copy");

    { Database db(file); }

    EXPECT_EQ(readFileBytes(backupOf(file)), "an older copy");
    RawConnection c(file);
    EXPECT_EQ(c.value("SELECT version FROM schema_version"), "5");
    EXPECT_EQ(c.number("SELECT count(*) FROM sample_genres"), 2);
}

TEST(CatalogueOpening, NewAndCurrentCataloguesTakeNoCopy) {
    struct Case {
        const char* name;
        void (*prepare)(const std::filesystem::path&);
    };
    const Case cases[] = {
        {"missing file", [](const std::filesystem::path&) {}},
        {"empty file",
         [](const std::filesystem::path& f) {
             std::filesystem::create_directories(f.parent_path());
             std::ofstream(f).flush();
         }},
        {"version 0", [](const std::filesystem::path& f) { writeCatalogueAtVersion(f, 0); }},
        {"version 5",
         [](const std::filesystem::path& f) {
             writeCatalogueAtVersion(f, 5);
             fillOldCatalogue(f, 5);
         }},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        TempHome home;
        const auto file = home.catalogue();
        testCase.prepare(file);
        { Database db(file); }
        EXPECT_FALSE(std::filesystem::exists(backupOf(file)));
        RawConnection c(file);
        EXPECT_EQ(c.value("SELECT group_concat(version) FROM schema_version"), "5");
        EXPECT_EQ(c.value("PRAGMA journal_mode"), "wal");
        EXPECT_EQ(c.value("PRAGMA foreign_keys"), "0");  // a per-connection setting
    }
}

TEST(CatalogueOpening, CurrentCatalogueRunsNoMigrationStatement) {
    TempHome home;
    const auto file = home.catalogue();
    writeCatalogueAtVersion(file, 5);
    fillOldCatalogue(file, 5);
    Rows before;
    {
        RawConnection c(file);
        before = dumpUserTables(c);
    }
    { Database db(file); }
    RawConnection c(file);
    EXPECT_EQ(dumpUserTables(c), before);
    // Samples with genres but no genre rows: the genre step of the upgrade did not run.
    EXPECT_EQ(c.number("SELECT count(*) FROM sample_genres"), 0);
}

TEST(CatalogueOpening, LaterVersionIsLeftUntouched) {
    TempHome home;
    const auto file = home.catalogue();
    writeCatalogueAtVersion(file, 5);
    {
        RawConnection c(file);
        c.exec("UPDATE schema_version SET version=6");
    }
    { Database db(file); }
    RawConnection c(file);
    EXPECT_EQ(c.value("SELECT version FROM schema_version"), "6");
    EXPECT_FALSE(std::filesystem::exists(backupOf(file)));
}

TEST(CatalogueOpening, FailedStepKeepsItsVersionAndIsRetriedOnTheNextOpen) {
    TempHome home;
    const auto file = home.catalogue();
    writeCatalogueAtVersion(file, 3);
    {
        // A column of the next step already exists, so that step cannot complete.
        RawConnection c(file);
        c.exec("ALTER TABLE samples ADD COLUMN auto_type TEXT");
    }
    EXPECT_THROW(
        {
            try {
                Database db(file);
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "duplicate column name: auto_type");
                throw;
            }
        },
        std::runtime_error);
    {
        RawConnection c(file);
        EXPECT_EQ(c.value("SELECT version FROM schema_version"), "3");
        EXPECT_EQ(c.number("SELECT count(*) FROM sqlite_schema WHERE name='sample_genres'"), 0);
        c.exec("ALTER TABLE samples DROP COLUMN auto_type");
    }
    EXPECT_TRUE(std::filesystem::exists(backupOf(file)));
    { Database db(file); }
    RawConnection c(file);
    EXPECT_EQ(c.value("SELECT version FROM schema_version"), "5");
}

TEST(CatalogueOpening, MissingParentFoldersAreCreated) {
    TempHome home;
    const auto file = home.root() / "a" / "b" / "c" / "catalogue.db";
    { Database db(file); }
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

TEST(CatalogueOpening, ParentThatIsAFileFailsWithTheFilesystemError) {
    TempHome home;
    const auto blocker = home.writeFile("blocker", "not a folder");
    EXPECT_THROW(Database(blocker / "inner" / "catalogue.db"), std::filesystem::filesystem_error);
    EXPECT_EQ(readFileBytes(blocker), "not a folder");
}

TEST(CatalogueOpening, DefaultPathLiesInTheDataHome) {
    TempHome home;
    EXPECT_EQ(Database::defaultPath(), home.catalogue());
}

}  // namespace
}  // namespace sv::testing
