// The companion's infer command, run as the real program on files the test writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/cli_runner.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace sv::testing {
namespace {

namespace fs = std::filesystem;

class InferenceCli : public ::testing::Test {
  protected:
    CliRun cli(const std::vector<std::string>& arguments) {
        return runCli(SV_CLI_PATH, arguments, home.root());
    }

    static std::int64_t modifiedSeconds(const fs::path& path) {
        struct stat status {};
        EXPECT_EQ(::stat(path.c_str(), &status), 0);
        return status.st_mtim.tv_sec;
    }

    TempHome home;
};

TEST_F(InferenceCli, MeasuredWavAsJson) {
    const fs::path root = home.root() / "Lib";
    const fs::path file = writeWav(root / "Loops" / "Trap 140" / "Dark Keys 92 Am.wav",
                                   hits(2.0, 44100, {0.25, 0.75, 1.25, 1.75}));
    // Given with a detour through ".." and the root with a trailing separator.
    const CliRun run = cli(
        {"infer", (root / "Loops" / ".." / "Loops" / "Trap 140" / "Dark Keys 92 Am.wav").string(),
         root.string() + "/", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["path"], fs::weakly_canonical(file).string());
    EXPECT_EQ(json["filename"], "Dark Keys 92 Am.wav");
    EXPECT_EQ(json["library"], "Lib");
    EXPECT_EQ(json["genre"], "trap");
    EXPECT_EQ(json["tags"], nlohmann::json::array({"trap"}));
    EXPECT_EQ(json["instrument"], "Keys");
    EXPECT_EQ(json["musicalKey"], "A min");
    EXPECT_EQ(json["type"], "Loop");
    EXPECT_EQ(json["bpm"], 92);
    ASSERT_TRUE(json["duration"].is_number());
    EXPECT_NEAR(json["duration"].get<double>(), 2.0, 1e-9);
    EXPECT_EQ(json["fileSize"], fs::file_size(file));
    EXPECT_EQ(json["modifiedAt"], modifiedSeconds(file));
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys.size(), 12u);
}

TEST_F(InferenceCli, MidiAsPlainTextWithEmptyOptionals) {
    const fs::path root = home.root() / "Lib";
    const fs::path file = writeMidi(root / "Chords" / "Piano Chords.mid");
    const CliRun run = cli({"infer", file.string(), root.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected = "path: " + file.string() +
                                 "\n"
                                 "filename: Piano Chords.mid\n"
                                 "library: Lib\n"
                                 "genre:\n"
                                 "tags:\n"
                                 "instrument: Piano\n"
                                 "musicalKey: None\n"
                                 "type: MIDI\n"
                                 "bpm:\n"
                                 "duration:\n"
                                 "fileSize: " +
                                 std::to_string(fs::file_size(file)) +
                                 "\n"
                                 "modifiedAt: " +
                                 std::to_string(modifiedSeconds(file)) + "\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(InferenceCli, JsonNullsForAnUnmeasuredFile) {
    const fs::path root = home.root() / "Lib";
    const fs::path file = writeBytes(root / "Kick.wav", "not a wave file");
    const CliRun run = cli({"infer", file.string(), root.string(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_TRUE(json["bpm"].is_null());
    EXPECT_TRUE(json["duration"].is_null());
    EXPECT_EQ(json["type"], "One Shot");
    EXPECT_EQ(json["instrument"], "Kick");
}

TEST_F(InferenceCli, MissingFileOrRootFails) {
    const fs::path root = home.root() / "Lib";
    const fs::path file = writeBytes(root / "Kick.wav", "x");
    const CliRun missingFile = cli({"infer", (root / "nope.wav").string(), root.string()});
    EXPECT_EQ(missingFile.status, 1);
    EXPECT_NE(missingFile.err.find("Not a file: "), std::string::npos);
    const CliRun missingRoot = cli({"infer", file.string(), (home.root() / "none").string()});
    EXPECT_EQ(missingRoot.status, 1);
    EXPECT_NE(missingRoot.err.find("Not a folder: "), std::string::npos);
    EXPECT_EQ(cli({"infer", file.string()}).status, 2);
}

}  // namespace
}  // namespace sv::testing
