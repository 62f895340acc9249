// The companion's scan, check and tree commands, run as the real program on real folders.
#include <gtest/gtest.h>

#include <algorithm>
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

class ScanCli : public ::testing::Test {
  protected:
    ScanCli() : library_(home_.root() / "Library") {
        tone(library_ / "Drums" / "Kick 120bpm.wav", 0.2);
        tone(library_ / "Drums" / "Snare.wav", 0.25);
        tone(library_ / "Keys" / "Pad Am.wav", 0.3);
    }

    static void tone(const fs::path& path, double seconds) {
        WavOptions options;
        options.sampleRate = 22050;
        writeWav(path, sine(seconds, options.sampleRate, 440.0), options);
    }

    CliRun cli(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"--db", (home_.root() / "c.db").string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runCli(SV_CLI_PATH, all, home_.root());
    }

    TempHome home_;
    fs::path library_;
};

TEST_F(ScanCli, ScanPrintsCompletionTexts) {
    const CliRun first = cli({"scan", library_.string()});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out,
              "Scan complete  \u2022  3 new  \u2022  0 updated  \u2022  0 unchanged  \u2022  0 "
              "missing\n");
    fs::remove(library_ / "Drums" / "Snare.wav");
    const CliRun forced = cli({"scan", "--force", "--progress", library_.string()});
    EXPECT_EQ(forced.status, 0);
    EXPECT_EQ(forced.out,
              "Full Scan complete  \u2022  0 new  \u2022  2 updated  \u2022  0 unchanged  \u2022  "
              "1 missing\n");
    EXPECT_EQ(forced.err, "");  // no progress line when stderr is not a terminal
}

TEST_F(ScanCli, ProgressOnATerminalChangesOncePerCommittedBatch) {
    constexpr int kMore = 1200;
    for (int i = 0; i < kMore; ++i)
        tone(library_ / ("Pack " + std::to_string(i / 100)) / ("Hit " + std::to_string(i) + ".wav"),
             0.01);
    const std::size_t files = kMore + 3;
    const CliRun run = runCliOnTerminal(
        SV_CLI_PATH,
        {"--db", (home_.root() / "c.db").string(), "scan", "--progress", library_.string()},
        home_.root());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Scan complete  \u2022  " + std::to_string(files) +
                           " new  \u2022  0 updated  \u2022  0 unchanged  \u2022  0 missing\n");

    // Every report rewrites the one line; the last clears it.
    const std::string rewrite = "\r\033[K";
    std::vector<std::size_t> counts;
    for (std::size_t at = run.err.find(rewrite); at != std::string::npos;) {
        const std::size_t next = run.err.find(rewrite, at + rewrite.size());
        const std::string report = run.err.substr(at + rewrite.size(), next - at - rewrite.size());
        if (!report.empty()) {
            const std::size_t gap = report.find(" files  ");
            ASSERT_NE(gap, std::string::npos) << report;
            counts.push_back(std::stoul(report.substr(0, gap)));
            EXPECT_TRUE(report.substr(gap + 8).starts_with(library_.string() + "/")) << report;
        }
        at = next;
    }
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(std::adjacent_find(counts.begin(), counts.end()), counts.end());
    EXPECT_EQ(counts.back(), files);
    EXPECT_LT(counts.size(), files / 10);  // a batch at a time, not a file at a time
    EXPECT_TRUE(run.err.ends_with(rewrite));
}

TEST_F(ScanCli, JsonSumsRootsScannedOnceWithMovedPairs) {
    const fs::path link = home_.root() / "Link";
    fs::create_directory_symlink(library_, link);
    ASSERT_EQ(cli({"scan", library_.string()}).status, 0);
    fs::rename(library_ / "Keys" / "Pad Am.wav", library_ / "Drums" / "Pad Am.wav");
    const fs::path second = home_.root() / "Second";
    tone(second / "Hat.wav", 0.1);

    const CliRun run = cli({"scan", "--json", library_.string(), link.string(), second.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto stats = nlohmann::json::parse(run.out);
    EXPECT_EQ(stats["added"], 1);
    EXPECT_EQ(stats["unchanged"], 3);
    EXPECT_EQ(stats["updated"], 0);
    EXPECT_EQ(stats["removed"], 0);
    EXPECT_EQ(stats["emptySkipped"], 0);
    ASSERT_EQ(stats["moved"].size(), 1u);
    EXPECT_EQ(stats["moved"][0]["old"], (library_ / "Keys" / "Pad Am.wav").string());
    EXPECT_EQ(stats["moved"][0]["new"], (library_ / "Drums" / "Pad Am.wav").string());
}

TEST_F(ScanCli, FailingRootExitsOneAfterScanningTheOthers) {
    const fs::path missing = home_.root() / "Missing";
    const CliRun run = cli({"scan", missing.string(), library_.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Scan needs attention: Library offline: " + missing.string() +
                           ". Reconnect the drive or restore this folder, then Rescan. Cached "
                           "samples are hidden; Favorites and playlists are preserved.\n");
    const CliRun again = cli({"scan", "--json", library_.string()});
    EXPECT_EQ(nlohmann::json::parse(again.out)["unchanged"], 3);
    EXPECT_EQ(cli({"scan"}).status, 2);
}

TEST_F(ScanCli, CheckMarksLibrariesByTheirFolders) {
    const fs::path gone = home_.root() / "Gone";
    tone(gone / "Bass.wav", 0.1);
    ASSERT_EQ(cli({"scan", library_.string(), gone.string()}).status, 0);
    fs::remove_all(gone);

    const CliRun text = cli({"check"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(
        outputLines(text.out),
        (std::vector<std::string>{"offline    " + gone.string() + "  \u2022  1 samples",
                                  "available  " + library_.string() + "  \u2022  3 samples"}));
    const CliRun json = cli({"check", "--json"});
    const auto rows = outputLines(json.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(rows[0])["available"], false);
    EXPECT_EQ(nlohmann::json::parse(rows[1])["available"], true);
    EXPECT_EQ(nlohmann::json::parse(rows[1])["sampleCount"], 3);
}

TEST_F(ScanCli, TreeShowsFoldersOfIndexedSamples) {
    EXPECT_EQ(outputLines(cli({"tree"}).out), std::vector<std::string>{"SAMPLE"});
    ASSERT_EQ(cli({"scan", library_.string()}).status, 0);
    const CliRun text = cli({"tree"});
    EXPECT_EQ(outputLines(text.out),
              (std::vector<std::string>{"Library  (" + library_.string() + ")",
                                        "  Drums  (" + (library_ / "Drums").string() + ")",
                                        "  Keys  (" + (library_ / "Keys").string() + ")"}));
    const auto tree = nlohmann::json::parse(cli({"tree", "--json"}).out);
    EXPECT_EQ(tree["name"], "Library");
    ASSERT_EQ(tree["children"].size(), 2u);
    EXPECT_EQ(tree["children"][1]["path"], (library_ / "Keys").string());
    EXPECT_TRUE(tree["children"][1]["children"].empty());
}

}  // namespace
}  // namespace sv::testing
