#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/cli_runner.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace sv {
namespace {

using testing::CliRun;

class AnalyzeCli : public ::testing::Test {
  protected:
    CliRun runAnalyze(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "analyze");
        return testing::runCli(SV_CLI_PATH, arguments, home.root());
    }

    testing::TempHome home;
    std::filesystem::path hits = testing::writeWav(
        home.root() / "four hits.wav", testing::hits(2.0, 44100, {0.25, 0.75, 1.25, 1.75}));
};

TEST_F(AnalyzeCli, PrintsTheMeasuredFieldsAsJson) {
    const CliRun run = runAnalyze({hits.string(), "--json"});
    ASSERT_EQ(run.status, 0);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_DOUBLE_EQ(json.at("duration").get<double>(), 2.0);
    EXPECT_EQ(json.at("onsetCount").get<int>(), 4);
    const auto times = json.at("onsetTimes").get<std::vector<double>>();
    ASSERT_EQ(times.size(), 4u);
    EXPECT_NEAR(times[0], 0.23, 1e-9);
    EXPECT_NEAR(times[3], 1.73, 1e-9);
    EXPECT_NEAR(json.at("onsetSpan").get<double>(), 0.75, 1e-9);
    EXPECT_EQ(json.at("firstGapRatio").get<double>(), 0.0);
}

TEST_F(AnalyzeCli, PrintsOneFieldPerLine) {
    const CliRun run = runAnalyze({hits.string()});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "duration: 2\nonsetCount: 4\nonsetTimes: 0.23 0.73 1.23 1.73\n"
              "onsetSpan: 0.75\nfirstGapRatio: 0\n");
}

TEST_F(AnalyzeCli, FilesNotMeasuredGiveNullAndExitZero) {
    const auto aiff = testing::writeAiff(home.root() / "tone.aif", testing::sine(0.5, 44100, 440));
    const auto midi = testing::writeMidi(home.root() / "notes.mid");
    for (const auto& path : {aiff, midi, home.root() / "missing.wav"}) {
        SCOPED_TRACE(path);
        const CliRun json = runAnalyze({path.string(), "--json"});
        EXPECT_EQ(json.status, 0);
        EXPECT_EQ(json.out, "null\n");
        const CliRun plain = runAnalyze({path.string()});
        EXPECT_EQ(plain.status, 0);
        EXPECT_EQ(plain.out, "not measured\n");
    }
}

TEST_F(AnalyzeCli, MissingFileArgumentIsAUsageError) {
    EXPECT_EQ(runAnalyze({}).status, 2);
}

}  // namespace
}  // namespace sv
