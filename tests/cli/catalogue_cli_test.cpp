// The companion's catalogue commands, run as the real program on real catalogue files.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_home.h"

namespace sv::testing {
namespace {

class CatalogueCli : public ::testing::Test {
  protected:
    // Runs the companion with --db pointing at this test's catalogue.
    CliRun cli(const std::vector<std::string>& arguments, bool withDb = true) {
        std::vector<std::string> all;
        if (withDb)
            all = {"--db", catalogue.string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runCli(SV_CLI_PATH, all, home.root());
    }

    std::int64_t addSample(Database& db, std::int64_t library, const std::string& path,
                           SampleType type = SampleType::OneShot) {
        Sample sample;
        sample.path = path;
        sample.filename = std::filesystem::path(path).filename().string();
        sample.type = type;
        sample.musicalKey = "None";
        sample.fileSize = 10;
        sample.modifiedAt = 1700000000;
        db.upsert(sample, library);
        return db.findByPath(path)->id;
    }

    TempHome home;
    std::filesystem::path catalogue = home.root() / "cat" / "samplevorlan.db";
};

TEST_F(CatalogueCli, LibrariesInPlainTextAndJson) {
    EXPECT_EQ(cli({"libraries"}).out, "No libraries\n");
    EXPECT_EQ(cli({"libraries", "--json"}).out, "");
    std::int64_t drums = 0;
    std::int64_t keys = 0;
    {
        Database db(catalogue);
        drums = db.addLibrary("/music/Drums");
        keys = db.addLibrary("/music/keys and pads");
        addSample(db, drums, "/music/Drums/a.wav");
        addSample(db, drums, "/music/Drums/b.wav");
        db.setLibraryDisplayLabel(keys, "My \"keys\"");
    }

    const CliRun json = cli({"libraries", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto jsonLines = outputLines(json.out);
    ASSERT_EQ(jsonLines.size(), 2u);
    const auto first = nlohmann::json::parse(jsonLines[0]);
    EXPECT_EQ(first,
              (nlohmann::json{
                  {"id", drums}, {"path", "/music/Drums"}, {"sampleCount", 2}, {"label", ""}}));
    const auto second = nlohmann::json::parse(jsonLines[1]);
    EXPECT_EQ(second["label"], "My \"keys\"");
    EXPECT_EQ(second["sampleCount"], 0);
    EXPECT_EQ(second["id"], keys);

    const CliRun plain = cli({"libraries"});
    ASSERT_EQ(plain.status, 0);
    const auto rows = outputLines(plain.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind("ID", 0), 0u);
    const auto pathColumn = rows[0].find("PATH");
    EXPECT_EQ(rows[1].find("/music/Drums"), pathColumn);
    EXPECT_EQ(rows[2].find("/music/keys and pads"), pathColumn);
    EXPECT_EQ(rows[0].find("LABEL"), rows[2].find("My \"keys\""));
}

TEST_F(CatalogueCli, PlaylistLifecycle) {
    std::int64_t a = 0;
    std::int64_t b = 0;
    {
        Database db(catalogue);
        const auto library = db.addLibrary("/music");
        a = addSample(db, library, "/music/a.wav");
        b = addSample(db, library, "/music/b.wav");
    }
    EXPECT_EQ(cli({"playlists"}).out, "No playlists\n");

    const CliRun created = cli({"playlist", "create", "  Drums "});
    ASSERT_EQ(created.status, 0) << created.err;
    const std::string id = outputLines(created.out).at(0);
    EXPECT_GT(std::stoll(id), 0);

    const CliRun again = cli({"playlist", "create", "Drums"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "A playlist with that name already exists\n");
    EXPECT_EQ(again.out, "");
    const CliRun blank = cli({"playlist", "create", " \t "});
    EXPECT_EQ(blank.status, 1);
    EXPECT_EQ(blank.err, "Playlist name cannot be empty\n");

    EXPECT_EQ(cli({"playlist", "add", id, std::to_string(a), std::to_string(b)}).status, 0);
    auto listed = nlohmann::json::parse(outputLines(cli({"playlists", "--json"}).out).at(0));
    EXPECT_EQ(listed,
              (nlohmann::json{{"id", std::stoll(id)}, {"name", "Drums"}, {"sampleCount", 2}}));

    EXPECT_EQ(cli({"playlist", "remove", id, std::to_string(a)}).status, 0);
    listed = nlohmann::json::parse(outputLines(cli({"playlists", "--json"}).out).at(0));
    EXPECT_EQ(listed["sampleCount"], 1);
    const auto plain = outputLines(cli({"playlists"}).out);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[1].find("Drums"), plain[0].find("NAME"));

    const CliRun missing = cli({"playlist", "add", "9999", std::to_string(a)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "FOREIGN KEY constraint failed\n");

    EXPECT_EQ(cli({"playlist", "delete", id}).status, 0);
    EXPECT_EQ(cli({"playlists", "--json"}).out, "");
}

TEST_F(CatalogueCli, FavouritesLabelsAndRemoval) {
    std::int64_t library = 0;
    std::int64_t sample = 0;
    {
        Database db(catalogue);
        library = db.addLibrary("/music");
        sample = addSample(db, library, "/music/a.wav");
    }
    const std::string libraryId = std::to_string(library);
    EXPECT_EQ(cli({"favorite", std::to_string(sample), "on"}).status, 0);
    {
        Database db(catalogue);
        EXPECT_TRUE(db.isFavorite(sample));
    }
    EXPECT_EQ(cli({"favorite", std::to_string(sample), "off"}).status, 0);
    {
        Database db(catalogue);
        EXPECT_FALSE(db.isFavorite(sample));
    }

    EXPECT_EQ(cli({"label", libraryId, "Kits"}).status, 0);
    EXPECT_EQ(nlohmann::json::parse(cli({"libraries", "--json"}).out)["label"], "Kits");
    EXPECT_EQ(cli({"label", libraryId, ""}).status, 0);
    EXPECT_EQ(nlohmann::json::parse(cli({"libraries", "--json"}).out)["label"], "");
    const CliRun unknown = cli({"label", "4242", "Kits"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "No library with id 4242\n");

    EXPECT_EQ(cli({"label", libraryId, "Old"}).status, 0);
    EXPECT_EQ(cli({"remove-library", libraryId}).status, 0);
    EXPECT_EQ(cli({"libraries", "--json"}).out, "");
    EXPECT_EQ(cli({"remove-library", libraryId}).status, 1);
    {
        Database db(catalogue);
        EXPECT_FALSE(db.findByPath("/music/a.wav"));
        EXPECT_EQ(db.addLibrary("/other"), library);  // the id is reused ...
        EXPECT_EQ(db.libraries().at(0).label, "");    // ... without the old label
    }
}

TEST_F(CatalogueCli, MarksAndFolderCounts) {
    std::int64_t wav = 0;
    std::int64_t mid = 0;
    std::int64_t deep = 0;
    {
        Database db(catalogue);
        const auto library = db.addLibrary("/music");
        wav = addSample(db, library, "/music/Drums/a.wav", SampleType::Loop);
        mid = addSample(db, library, "/music/Drums/b.mid", SampleType::Midi);
        deep = addSample(db, library, "/music/Drums/sub/c.wav");
        addSample(db, library, "/music/Drums2/d.wav");
    }
    EXPECT_EQ(cli({"count-folder", "/music/Drums"}).out, "3\n");
    EXPECT_EQ(cli({"count-folder", "/music/Drums", "--no-midi"}).out, "2\n");

    EXPECT_EQ(cli({"mark", "type", std::to_string(wav), std::to_string(deep), "One Shot"}).status,
              0);
    const CliRun notMidi = cli({"mark", "type", std::to_string(wav), "MIDI"});
    EXPECT_EQ(notMidi.status, 1);
    EXPECT_EQ(notMidi.err, "Only .mid and .midi files can be marked as MIDI\n");
    EXPECT_EQ(cli({"mark", "type", std::to_string(mid), "Loop"}).status, 0);
    EXPECT_EQ(cli({"count-folder", "/music/Drums", "--no-midi"}).out, "3\n");
    EXPECT_EQ(cli({"mark", "type", std::to_string(mid), "auto"}).status, 0);
    EXPECT_EQ(cli({"count-folder", "/music/Drums", "--no-midi"}).out, "2\n");

    EXPECT_EQ(cli({"mark", "folder-type", "/music/Drums", "Loop"}).status, 0);
    EXPECT_EQ(cli({"mark", "folder-instrument", "/music/Drums", "Bass"}).status, 0);
    EXPECT_EQ(cli({"mark", "folder-genre", "/music/Drums", "Trap", "add"}).status, 0);
    {
        Database db(catalogue);
        SearchQuery query;
        query.folder = "/music/Drums";
        query.sortByName = true;
        const auto samples = db.search(query);
        ASSERT_EQ(samples.size(), 3u);
        EXPECT_EQ(samples[0].type, SampleType::Loop);
        EXPECT_EQ(samples[1].type, SampleType::Midi);
        EXPECT_EQ(samples[0].genre, "Trap");
        EXPECT_EQ(samples[1].instrument, "Bass");
    }
    EXPECT_EQ(cli({"mark", "folder-genre", "/music/Drums", "trap", "remove"}).status, 0);
    EXPECT_EQ(cli({"mark", "folder-instrument", "/music/Drums", "auto"}).status, 0);
    EXPECT_EQ(cli({"mark", "folder-type", "/music/Drums", "auto"}).status, 0);
    {
        Database db(catalogue);
        SearchQuery query;
        query.folder = "/music/Drums";
        query.sortByName = true;
        const auto samples = db.search(query);
        ASSERT_EQ(samples.size(), 3u);
        EXPECT_EQ(samples[0].type, SampleType::Loop);  // its automatic type
        EXPECT_EQ(samples[2].type, SampleType::OneShot);
        EXPECT_EQ(samples[0].genre, "");
        EXPECT_EQ(samples[1].instrument, "");
    }
}

TEST_F(CatalogueCli, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"favorite", "1", "maybe"},
        {"favorite", "one", "on"},
        {"playlist"},
        {"playlist", "add", "1"},
        {"playlist", "remove", "1"},
        {"label", "1"},
        {"remove-library", "x"},
        {"mark", "type", "1", "Bogus"},
        {"mark", "type", "Loop"},
        {"mark", "type", "x1", "Loop"},
        {"mark", "folder-type", "/music", "MIDI"},
        {"mark", "folder-genre", "/music", "Trap", "toggle"},
        {"count-folder"},
        {"libraries", "--xml"},
    };
    for (const auto& arguments : misuses) {
        std::string shown;
        for (const auto& a : arguments)
            shown += a + " ";
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.status, 2) << shown << run.err;
        EXPECT_FALSE(run.err.empty()) << shown;
    }
}

TEST_F(CatalogueCli, FailuresExitWithOneAndShowTheCoresMessage) {
    home.writeFile("notes.db", std::string(4096, 'n'));
    const auto file = home.root() / "notes.db";
    const CliRun run = runCli(SV_CLI_PATH, {"--db", file.string(), "libraries"}, home.root());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "file is not a database\n");
    EXPECT_EQ(readFileBytes(file), std::string(4096, 'n'));
}

TEST_F(CatalogueCli, DefaultCatalogueIsTheApplicationsOwn) {
    const CliRun run = cli({"libraries"}, false);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(home.catalogue()));
    EXPECT_FALSE(std::filesystem::exists(catalogue));
}

}  // namespace
}  // namespace sv::testing
