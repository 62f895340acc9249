// The companion's search and values commands, run as the real program on a real catalogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_home.h"

namespace sv::testing {
namespace {

class SearchCli : public ::testing::Test {
  protected:
    void SetUp() override {
        Database db(catalogue);
        const std::int64_t library = db.addLibrary("/music/Lib");
        add(db, library, "/music/Lib/Drums/Kick Hard.wav", SampleType::OneShot, "Kick", {}, "None",
            "Trap", 0.5);
        add(db, library, "/music/Lib/Drums/Kick.wav", SampleType::OneShot, "Kick", {}, "None",
            "trap", 0.25);
        add(db, library, "/music/Lib/Drums2/Snare.wav", SampleType::OneShot, "Snare", {}, "None",
            "House", {});
        add(db, library, "/music/Lib/Loops/Keys 92 Am.wav", SampleType::Loop, "Keys", 92, "A min",
            "Lofi", 4.0);
        add(db, library, "/music/Lib/Loops/Bass 120 C.wav", SampleType::Loop, "Bass", 120, "C", "",
            8.0);
        add(db, library, "/music/Lib/MIDI/Chords Am.mid", SampleType::Midi, "", {}, "A min", "",
            {});
        add(db, library, "/music/Lib/Drums/._Kick.wav", SampleType::OneShot, "Kick", {}, "None",
            "Trap", 0.25);
        db.setFavorite(ids.at("Keys 92 Am.wav"), true);
        playlist = db.createPlaylist("Set");
        db.addToPlaylist(playlist, ids.at("Bass 120 C.wav"));
        db.addToPlaylist(playlist, ids.at("Kick.wav"));
    }

    void add(Database& db, std::int64_t library, const std::string& path, SampleType type,
             const std::string& instrument, std::optional<std::int32_t> bpm, const std::string& key,
             const std::string& genre, std::optional<double> duration) {
        Sample sample;
        sample.path = path;
        sample.filename = std::filesystem::path(path).filename().string();
        sample.type = type;
        sample.instrument = instrument;
        sample.bpm = bpm;
        sample.musicalKey = key;
        sample.genre = genre;
        sample.duration = duration;
        sample.fileSize = 1234;
        sample.modifiedAt = 1700000000;
        db.upsert(sample, library);
        ids[sample.filename] = db.findByPath(path)->id;
    }

    CliRun cli(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"--db", catalogue};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runCli(SV_CLI_PATH, all, home.root());
    }

    // File names of the samples printed by "search --json", in order.
    std::vector<std::string> names(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "search");
        arguments.push_back("--json");
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> result;
        for (const auto& line : outputLines(run.out))
            result.push_back(nlohmann::json::parse(line).at("filename").get<std::string>());
        return result;
    }

    TempHome home;
    std::string catalogue = (home.root() / "cat" / "samplevorlan.db").string();
    std::map<std::string, std::int64_t> ids;
    std::int64_t playlist = 0;
};

using Names = std::vector<std::string>;

TEST_F(SearchCli, EveryOptionReachesTheQuery) {
    EXPECT_EQ(names({}), (Names{"Bass 120 C.wav", "Chords Am.mid", "Keys 92 Am.wav",
                                "Kick Hard.wav", "Kick.wav", "Snare.wav"}));
    EXPECT_EQ(names({"--text", "kick"}), (Names{"Kick.wav", "Kick Hard.wav"}));
    EXPECT_EQ(names({"--type", "One Shot", "--hide-midi"}),
              (Names{"Kick Hard.wav", "Kick.wav", "Snare.wav"}));
    EXPECT_EQ(names({"--instrument", "KICK"}), (Names{"Kick Hard.wav", "Kick.wav"}));
    EXPECT_EQ(names({"--key", "AMIN"}), (Names{"Chords Am.mid", "Keys 92 Am.wav"}));
    EXPECT_EQ(names({"--key", "C major"}), (Names{"Bass 120 C.wav"}));
    EXPECT_EQ(names({"--genre", "TRAP"}), (Names{"Kick Hard.wav", "Kick.wav"}));
    EXPECT_EQ(names({"--genre", "house", "--genre", "lofi"}),
              (Names{"Keys 92 Am.wav", "Snare.wav"}));
    EXPECT_EQ(names({"--folder", "/music/Lib/Drums"}), (Names{"Kick Hard.wav", "Kick.wav"}));
    EXPECT_EQ(names({"--folder", "/music/Lib/Drums/"}), (Names{"Kick Hard.wav", "Kick.wav"}));
    EXPECT_EQ(names({"--bpm", "125"}), (Names{"Bass 120 C.wav"}));
    EXPECT_EQ(names({"--playlist", std::to_string(playlist)}),
              (Names{"Bass 120 C.wav", "Kick.wav"}));
    EXPECT_EQ(names({"--favorites"}), (Names{"Keys 92 Am.wav"}));
    EXPECT_EQ(names({"--hide-midi", "--text", "am"}), (Names{"Keys 92 Am.wav"}));
}

TEST_F(SearchCli, SortsAndPageWindow) {
    EXPECT_EQ(names({"--sort", "duration", "--desc", "--limit", "3"}),
              (Names{"Bass 120 C.wav", "Keys 92 Am.wav", "Kick Hard.wav"}));
    EXPECT_EQ(names({"--sort", "duration"}),
              (Names{"Kick.wav", "Kick Hard.wav", "Keys 92 Am.wav", "Bass 120 C.wav",
                     "Chords Am.mid", "Snare.wav"}));
    EXPECT_EQ(names({"--sort", "bpm", "--desc", "--limit", "2"}),
              (Names{"Bass 120 C.wav", "Keys 92 Am.wav"}));
    EXPECT_EQ(names({"--sort", "name", "--desc", "--offset", "4"}),
              (Names{"Chords Am.mid", "Bass 120 C.wav"}));
    EXPECT_EQ(names({"--limit", "0"}), Names{});
    EXPECT_EQ(cli({"search", "--sort", "size"}).status, 2);
    EXPECT_EQ(cli({"search", "--desc"}).status, 2) << "--desc needs --sort";
    EXPECT_EQ(cli({"search", "--limit", "-1"}).status, 2);
    EXPECT_EQ(cli({"search", "--count", "--index-of", "1"}).status, 2);
}

TEST_F(SearchCli, CountAndIndexOf) {
    CliRun run = cli({"search", "--count"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "6\n") << "the AppleDouble companion is not counted";
    EXPECT_EQ(cli({"search", "--count", "--text", "kick", "--limit", "1"}).out, "2\n");
    EXPECT_EQ(
        cli({"search", "--index-of", std::to_string(ids.at("Kick Hard.wav")), "--text", "kick"})
            .out,
        "1\n");
    EXPECT_EQ(cli({"search", "--index-of", std::to_string(ids.at("Snare.wav")), "--sort", "name",
                   "--desc"})
                  .out,
              "0\n");
    EXPECT_EQ(
        cli({"search", "--index-of", std::to_string(ids.at("Snare.wav")), "--text", "kick"}).out,
        "null\n");
    EXPECT_EQ(cli({"search", "--index-of", std::to_string(ids.at("._Kick.wav"))}).out, "null\n");
}

TEST_F(SearchCli, JsonCarriesTheSampleFieldsAndNullsForMissingValues) {
    const CliRun run = cli({"search", "--json", "--text", "keys 92"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = outputLines(run.out);
    ASSERT_EQ(rows.size(), 1u);
    const auto keys = nlohmann::json::parse(rows[0]);
    EXPECT_EQ(keys.at("id"), ids.at("Keys 92 Am.wav"));
    EXPECT_EQ(keys.at("path"), "/music/Lib/Loops/Keys 92 Am.wav");
    EXPECT_EQ(keys.at("filename"), "Keys 92 Am.wav");
    EXPECT_EQ(keys.at("library"), "Lib");
    EXPECT_EQ(keys.at("genre"), "Lofi");
    EXPECT_EQ(keys.at("tags"), nlohmann::json::array());
    EXPECT_EQ(keys.at("instrument"), "Keys");
    EXPECT_EQ(keys.at("musicalKey"), "A min");
    EXPECT_EQ(keys.at("type"), "Loop");
    EXPECT_EQ(keys.at("bpm"), 92);
    EXPECT_EQ(keys.at("duration"), 4.0);
    EXPECT_EQ(keys.at("fileSize"), 1234);
    EXPECT_EQ(keys.at("modifiedAt"), 1700000000);
    EXPECT_EQ(keys.at("favorite"), true);

    const auto midi =
        nlohmann::json::parse(outputLines(cli({"search", "--json", "--type", "MIDI"}).out).at(0));
    EXPECT_TRUE(midi.at("bpm").is_null());
    EXPECT_TRUE(midi.at("duration").is_null());
    EXPECT_EQ(midi.at("type"), "MIDI");
    EXPECT_EQ(midi.at("favorite"), false);
}

TEST_F(SearchCli, PlainTableShowsOneRowPerSample) {
    const CliRun run = cli({"search", "--text", "kick"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = outputLines(run.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind("ID", 0), 0u);
    EXPECT_NE(rows[0].find("NAME"), std::string::npos);
    EXPECT_NE(rows[1].find("Kick.wav"), std::string::npos);
    EXPECT_NE(rows[1].find("One Shot"), std::string::npos);
    EXPECT_NE(rows[2].find("Kick Hard.wav"), std::string::npos);
    EXPECT_EQ(cli({"search", "--text", "nothing-like-this"}).out, "No matching samples\n");
}

TEST_F(SearchCli, ValuesShareTheFilters) {
    CliRun run = cli({"values", "instrument"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Bass\nKeys\nKick\nSnare\n");
    EXPECT_EQ(cli({"values", "key", "--hide-midi", "--folder", "/music/Lib/Loops"}).out,
              "A min\nC\n");
    const auto genres = outputLines(cli({"values", "genre"}).out);
    ASSERT_EQ(genres.size(), 4u);
    EXPECT_EQ(genres[0], "House");
    EXPECT_EQ(genres[1], "Lofi");
    EXPECT_EQ((std::set<std::string>{genres[2], genres[3]}),
              (std::set<std::string>{"trap", "Trap"}));
    EXPECT_EQ(nlohmann::json::parse(cli({"values", "instrument", "--json", "--genre", "trap"}).out),
              (nlohmann::json{"Kick"}));
    EXPECT_EQ(cli({"values", "key", "--bpm", "92"}).out, "A min\n");

    run = cli({"values", "tempo"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unsupported filter field\n");
    EXPECT_EQ(cli({"values"}).status, 2);
}

}  // namespace
}  // namespace sv::testing
