// The companion's waveform command, run as the real program on audio files the test writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/cli_runner.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace sv::testing {
namespace {

struct CliResult : CliRun {
    nlohmann::json json() const { return nlohmann::json::parse(out); }
};

class WaveformCli : public ::testing::Test {
  protected:
    CliResult waveform(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"waveform"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return CliResult{runCli(SV_CLI_PATH, all, home.root())};
    }
    std::filesystem::path cacheFolder() const {
        return home.dataHome() / "Orvane Producer" / "SampleVorlan" / "Waveforms";
    }

    TempHome home;
};

TEST_F(WaveformCli, FillsTheCacheAndThenReadsIt) {
    const auto file = writeWav(home.root() / "tone.wav", sine(0.5, 44100, 440.0));
    const CliResult first = waveform({file.string(), "--json"});
    ASSERT_EQ(first.status, 0) << first.err;
    const nlohmann::json decoded = first.json();
    EXPECT_EQ(decoded["source"], "audio");
    EXPECT_NEAR(decoded["duration"].get<double>(), 0.5, 1e-6);
    ASSERT_EQ(decoded["peaks"].size(), 192u);
    for (const auto& value : decoded["peaks"]) {
        EXPECT_GE(value.get<double>(), 0.0);
        EXPECT_LE(value.get<double>(), 1.0);
    }
    const std::filesystem::path cacheFile = decoded["cacheFile"].get<std::string>();
    EXPECT_EQ(cacheFile.parent_path(), cacheFolder());
    EXPECT_TRUE(
        std::regex_match(cacheFile.filename().string(), std::regex("[0-9a-f]{16}\\.plist")));
    ASSERT_TRUE(std::filesystem::exists(cacheFile));
    EXPECT_EQ(decoded["key"].get<std::string>().rfind("v2:" + file.string() + ":", 0), 0u);

    const CliResult second = waveform({file.string(), "--json"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.json()["source"], "cache");
    EXPECT_EQ(second.json()["peaks"], decoded["peaks"]);
    EXPECT_NEAR(second.json()["duration"].get<double>(), 0.5, 1e-6);

    // A damaged cache file is decoded again and rewritten.
    writeBytes(cacheFile, "<plist><array><real>0.5</real></array></plist>");
    const CliResult repaired = waveform({file.string(), "--json"});
    EXPECT_EQ(repaired.json()["source"], "audio");
    EXPECT_EQ(repaired.json()["peaks"], decoded["peaks"]);
    EXPECT_NE(readFileBytes(cacheFile).find("<real>"), std::string::npos);
    EXPECT_GT(readFileBytes(cacheFile).size(), 1000u);
}

TEST_F(WaveformCli, NoCacheNeitherReadsNorWrites) {
    const auto file = writeAiff(home.root() / "tone.aiff", sine(0.25, 44100, 220.0));
    const CliResult run = waveform({file.string(), "--json", "--no-cache"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.json()["source"], "audio");
    EXPECT_TRUE(run.json()["cacheFile"].is_null());
    EXPECT_FALSE(std::filesystem::exists(cacheFolder()) &&
                 !std::filesystem::is_empty(cacheFolder()));
}

TEST_F(WaveformCli, PrintsDurationAndSixteenValuesPerLine) {
    const auto file = writeWav(home.root() / "one second.wav", sine(1.0, 44100, 100.0));
    const CliResult run = waveform({file.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Duration: 1.000 s\n"), std::string::npos);
    EXPECT_NE(run.out.find("Source: audio\n"), std::string::npos);
    const std::regex valueLine("(\\d\\.\\d{4} ){15}\\d\\.\\d{4}");
    int valueLines = 0;
    for (std::sregex_iterator it(run.out.begin(), run.out.end(), valueLine), end; it != end; ++it)
        ++valueLines;
    EXPECT_EQ(valueLines, 12);
}

TEST_F(WaveformCli, RejectedFilesExitWithOne) {
    const std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {writeMidi(home.root() / "clip.mid"), "Audio decoder rejected the file"},
        {writeBytes(home.root() / "noise.wav", std::string(2000, 'q')),
         "Audio decoder rejected the file"},
        {home.root() / "absent.wav", "No such file: "},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path.string());
        const CliResult run = waveform({path.string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_EQ(waveform({}).status, 2);
}

}  // namespace
}  // namespace sv::testing
