#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/inference/audio_structure_analyzer.h"
#include "core/inference/peak_envelope.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

// Options are written with designated initialisers naming only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace sv {
namespace {

using testing::HitShape;
using testing::RiffChunk;
using testing::WavOptions;
using testing::WavSampleFormat;

constexpr std::uint32_t rate = 44100;
const std::vector<double> fourHits = {0.25, 0.75, 1.25, 1.75};
// The smoothing reaches two windows back, so an onset is found two windows before a hit that
// starts on a window boundary.
const std::vector<double> fourOnsets = {0.23, 0.73, 1.23, 1.73};

class AudioStructureTest : public ::testing::Test {
  protected:
    std::optional<AudioStructure> analyzeWav(const std::vector<float>& samples,
                                             const WavOptions& options = {}) {
        return analyzer.analyze(testing::writeWav(nextPath(".wav"), samples, options));
    }
    std::optional<AudioStructure> analyzeBytes(const std::string& bytes,
                                               const std::string& extension = ".wav") {
        return analyzer.analyze(testing::writeBytes(nextPath(extension), bytes));
    }
    std::filesystem::path nextPath(const std::string& extension) {
        return home.root() / ("file" + std::to_string(++files) + extension);
    }

    testing::TempHome home;
    AudioStructureAnalyzer analyzer;
    int files = 0;
};

void expectOnsets(const AudioStructure& structure, const std::vector<double>& expected) {
    ASSERT_EQ(structure.onsetCount, static_cast<int>(expected.size()));
    ASSERT_EQ(structure.onsetTimes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(structure.onsetTimes[i], expected[i], 1e-9) << "onset " << i;
}

void expectSilentResult(const AudioStructure& structure, double duration) {
    EXPECT_DOUBLE_EQ(structure.duration, duration);
    EXPECT_EQ(structure.onsetCount, 0);
    EXPECT_TRUE(structure.onsetTimes.empty());
    EXPECT_EQ(structure.onsetSpan, 0.0);
    EXPECT_EQ(structure.firstGapRatio, 1.0);
}

void expectFinite(const AudioStructure& structure) {
    EXPECT_TRUE(std::isfinite(structure.duration));
    EXPECT_TRUE(std::isfinite(structure.onsetSpan));
    EXPECT_TRUE(std::isfinite(structure.firstGapRatio));
    EXPECT_GE(structure.firstGapRatio, 0.0);
    EXPECT_LE(structure.firstGapRatio, 1.0);
    for (const double time : structure.onsetTimes)
        EXPECT_TRUE(std::isfinite(time));
}

struct FormatCase {
    WavSampleFormat format;
    int channels;
};

std::string formatCaseName(const ::testing::TestParamInfo<FormatCase>& info) {
    const char* names[] = {"UInt8", "Int16", "Int24", "Int32", "Float32"};
    return std::string(names[static_cast<int>(info.param.format)]) +
           (info.param.channels == 1 ? "Mono" : "Stereo");
}

class EveryFormat : public AudioStructureTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EveryFormat, FourHitsGiveFourOnsetsHalfASecondApart) {
    const FormatCase param = GetParam();
    const std::vector<float> mono = testing::hits(2.0, rate, fourHits);
    // In stereo the hits sit in alternating channels: the frame peak covers both.
    std::vector<float> samples = testing::toChannels(mono, param.channels);
    if (param.channels == 2) {
        const std::vector<float> odd = testing::hits(2.0, rate, {0.75, 1.75});
        const std::vector<float> even = testing::hits(2.0, rate, {0.25, 1.25});
        samples = testing::interleave({even, odd});
    }
    const auto structure =
        analyzeWav(samples, {.format = param.format, .channels = param.channels});
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 2.0);
    expectOnsets(*structure, fourOnsets);
    EXPECT_NEAR(structure->onsetSpan, 0.75, 1e-9);
    EXPECT_EQ(structure->firstGapRatio, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EveryFormat,
    ::testing::Values(FormatCase{WavSampleFormat::UInt8, 1}, FormatCase{WavSampleFormat::UInt8, 2},
                      FormatCase{WavSampleFormat::Int16, 1}, FormatCase{WavSampleFormat::Int16, 2},
                      FormatCase{WavSampleFormat::Int24, 1}, FormatCase{WavSampleFormat::Int24, 2},
                      FormatCase{WavSampleFormat::Int32, 1}, FormatCase{WavSampleFormat::Int32, 2},
                      FormatCase{WavSampleFormat::Float32, 1},
                      FormatCase{WavSampleFormat::Float32, 2}),
    formatCaseName);

TEST_F(AudioStructureTest, DigitalSilenceIsMeasuredWithoutOnsets) {
    const auto structure = analyzeWav(testing::toChannels(testing::silence(1.5, rate), 2),
                                      {.format = WavSampleFormat::Int16, .channels = 2});
    ASSERT_TRUE(structure.has_value());
    expectSilentResult(*structure, 1.5);
}

TEST_F(AudioStructureTest, ThreeFramesAreOneWindowWithoutOnsets) {
    const auto structure = analyzeWav({0.9f, -0.9f, 0.9f});
    ASSERT_TRUE(structure.has_value());
    expectSilentResult(*structure, 3.0 / 44100.0);
}

TEST_F(AudioStructureTest, TrailingPartialFrameIsIgnored) {
    const auto structure =
        analyzeWav({0.1f, 0.1f, 0.2f, 0.2f},
                   {.format = WavSampleFormat::Int16, .channels = 2, .dataTail = "\x7f\x7f\x7f"});
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 2.0 / 44100.0);
}

TEST_F(AudioStructureTest, TwoHitsFiftyMillisecondsApartAreOneOnset) {
    const auto structure = analyzeWav(testing::hits(1.0, rate, {0.3, 0.35}));
    ASSERT_TRUE(structure.has_value());
    expectOnsets(*structure, {0.28});
    EXPECT_EQ(structure->onsetSpan, 0.0);
    EXPECT_EQ(structure->firstGapRatio, 1.0);
}

TEST_F(AudioStructureTest, SingleHitIsOneOnset) {
    const auto structure = analyzeWav(testing::hits(0.8, rate, {0.1}));
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 0.8);
    expectOnsets(*structure, {0.08});
}

TEST_F(AudioStructureTest, RegularBeatFindsEveryHit) {
    std::vector<double> times;
    std::vector<double> onsets;
    for (int i = 0; i < 16; ++i) {
        times.push_back(0.1 + 0.25 * i);
        onsets.push_back(0.08 + 0.25 * i);
    }
    const auto structure =
        analyzeWav(testing::hits(4.2, rate, times, {.decaySeconds = 0.01, .lengthSeconds = 0.08}));
    ASSERT_TRUE(structure.has_value());
    expectOnsets(*structure, onsets);
    EXPECT_NEAR(structure->onsetSpan, 3.75 / 4.2, 1e-9);
}

TEST_F(AudioStructureTest, GapRatioMeasuresTheDipBetweenTheFirstTwoHits) {
    // A sustained bed under the hits keeps the envelope from reaching silence between them.
    std::vector<float> samples = testing::hits(2.0, rate, {0.25, 1.0});
    const std::vector<float> bed = testing::sine(2.0, rate, 220.0, 0.1f);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] += bed[i];
    const auto structure = analyzeWav(samples, {.format = WavSampleFormat::Float32});
    ASSERT_TRUE(structure.has_value());
    expectOnsets(*structure, {0.23, 0.98});
    EXPECT_GT(structure->firstGapRatio, 0.2);
    EXPECT_LT(structure->firstGapRatio, 0.6);
}

TEST_F(AudioStructureTest, OnsetTimesUseNominalWindowsAtOtherRates) {
    // 22050 Hz: windows of 220 frames (9.98 ms); 1000 Hz: 10 frames; 50 Hz: 1 frame.
    struct Case {
        std::uint32_t sampleRate;
        double hit;
        double onset;
    };
    for (const Case& c : {Case{22050, 0.5, 0.48}, Case{1000, 0.3, 0.28}, Case{48000, 1.0, 0.98}}) {
        SCOPED_TRACE(c.sampleRate);
        const auto structure =
            analyzeWav(testing::hits(2.0, c.sampleRate, {c.hit}, {.frequency = 0}),
                       {.sampleRate = c.sampleRate});
        ASSERT_TRUE(structure.has_value());
        EXPECT_DOUBLE_EQ(structure->duration, 2.0);
        expectOnsets(*structure, {c.onset});
    }
    // At 50 Hz a window is one frame, and the window index still counts 10 ms.
    std::vector<float> frames(100, 0.0f);
    frames[40] = 0.9f;
    const auto structure = analyzeWav(frames, {.sampleRate = 50});
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 2.0);
    expectOnsets(*structure, {0.38});
}

TEST(PeakEnvelope, DecodesEachSampleLayoutToAMagnitude) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto floatBytes = [](float value) {
        return testing::encodeSamples({value}, WavSampleFormat::Float32);
    };
    struct Case {
        SampleEncoding encoding;
        std::string bytes;
        float magnitude;
    };
    const std::vector<Case> cases = {
        {SampleEncoding::UInt8, "\x80", 0.0f},
        {SampleEncoding::UInt8, std::string(1, '\0'), 1.0f},
        {SampleEncoding::UInt8, "\xff", 127.0f / 128.0f},
        {SampleEncoding::UInt8, "\x40", 0.5f},
        {SampleEncoding::Int16, std::string("\x00\x80", 2), 1.0f},
        {SampleEncoding::Int16, "\xff\x7f", 32767.0f / 32768.0f},
        {SampleEncoding::Int16, "\xff\xff", 1.0f / 32768.0f},
        {SampleEncoding::Int24, std::string("\x00\x00\x80", 3), 1.0f},
        {SampleEncoding::Int24, "\xff\xff\x7f", 8388607.0f / 8388608.0f},
        {SampleEncoding::Int24, "\xff\xff\xff", 1.0f / 8388608.0f},
        {SampleEncoding::Int24, std::string("\x00\x00\xc0", 3), 0.5f},
        {SampleEncoding::Int32, std::string("\x00\x00\x00\x80", 4), 1.0f},
        {SampleEncoding::Int32, std::string("\x00\x00\x00\x40", 4), 0.5f},
        {SampleEncoding::Int32, "\xff\xff\xff\xff", static_cast<float>(1.0 / 2147483648.0)},
        {SampleEncoding::Float32, floatBytes(-0.25f), 0.25f},
        {SampleEncoding::Float32, floatBytes(1.5f), 1.5f},
        {SampleEncoding::Float32, floatBytes(-0.0f), 0.0f},
        {SampleEncoding::Float32, floatBytes(nan), 0.0f},
        {SampleEncoding::Float32, floatBytes(-nan), 0.0f},
        {SampleEncoding::Float32, floatBytes(inf), 0.0f},
        {SampleEncoding::Float32, floatBytes(-inf), 0.0f},
        {SampleEncoding::Float32, floatBytes(1e-40f), 1e-40f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const std::vector<float> envelope = peakEnvelope(c.encoding, 1, data, 1, 441);
        ASSERT_EQ(envelope.size(), 1u);
        EXPECT_EQ(envelope[0], c.magnitude);
    }
}

TEST(PeakEnvelope, TakesTheLargestMagnitudeOfEachWindowOverAllChannels) {
    // Stereo, windows of 2 frames, 5 frames: the last window holds one frame.
    const std::vector<float> samples = {0.1f, -0.2f, 0.05f, 0.0f, 0.0f,
                                        0.0f, -0.7f, 0.3f,  0.0f, 0.4f};
    const std::string bytes = testing::encodeSamples(samples, WavSampleFormat::Float32);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    EXPECT_EQ(peakEnvelope(SampleEncoding::Float32, 2, data, 5, 2),
              (std::vector<float>{0.2f, 0.7f, 0.4f}));
}

TEST(SampleEncoding, OnlyPlainPcmAndSingleFloatAreDecoded) {
    struct Case {
        std::uint16_t code;
        std::uint16_t bits;
        std::optional<SampleEncoding> encoding;
    };
    for (const Case& c :
         {Case{1, 8, SampleEncoding::UInt8}, Case{1, 16, SampleEncoding::Int16},
          Case{1, 24, SampleEncoding::Int24}, Case{1, 32, SampleEncoding::Int32},
          Case{3, 32, SampleEncoding::Float32}, Case{1, 20, std::nullopt},
          Case{1, 12, std::nullopt}, Case{1, 64, std::nullopt}, Case{3, 64, std::nullopt},
          Case{3, 16, std::nullopt}, Case{0xFFFE, 16, std::nullopt}, Case{0xFFFE, 32, std::nullopt},
          Case{2, 4, std::nullopt}, Case{0, 16, std::nullopt}}) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.bits));
        EXPECT_EQ(sampleEncodingOf({.formatCode = c.code,
                                    .channels = 1,
                                    .sampleRate = 44100,
                                    .bitsPerSample = c.bits}),
                  c.encoding);
    }
}

// Non-finite float samples count as silence; nothing in the result becomes NaN.
TEST_F(AudioStructureTest, NonFiniteFloatSamplesCountAsZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> samples = testing::hits(2.0, rate, fourHits);
    for (std::size_t i = 0; i < samples.size(); i += 997)
        if (samples[i] == 0.0f)
            samples[i] = (i / 997) % 3 == 0 ? nan : ((i / 997) % 3 == 1 ? inf : -inf);
    const auto structure = analyzeWav(samples, {.format = WavSampleFormat::Float32});
    ASSERT_TRUE(structure.has_value());
    expectFinite(*structure);
    expectOnsets(*structure, fourOnsets);
    EXPECT_EQ(structure->firstGapRatio, 0.0);
}

TEST_F(AudioStructureTest, FloatFileOfOnlyNonFiniteSamplesIsSilent) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const float value : {nan, inf, -inf}) {
        const auto structure =
            analyzeWav(std::vector<float>(44100, value), {.format = WavSampleFormat::Float32});
        ASSERT_TRUE(structure.has_value());
        expectSilentResult(*structure, 1.0);
    }
}

TEST_F(AudioStructureTest, HugeFiniteFloatSamplesStayFinite) {
    const float huge = std::numeric_limits<float>::max();
    std::vector<float> samples = testing::silence(2.0, rate);
    for (const double time : fourHits)
        for (std::size_t i = 0; i < 441 * 3; ++i)
            samples[testing::framesFor(time, rate) + i] = (i % 2 ? huge : -huge);
    const auto structure = analyzeWav(samples, {.format = WavSampleFormat::Float32});
    ASSERT_TRUE(structure.has_value());
    expectFinite(*structure);
    EXPECT_EQ(structure->onsetCount, 4);
}

TEST_F(AudioStructureTest, ChunkLayoutsAreReadInFileOrder) {
    const std::vector<float> samples = testing::hits(2.0, rate, fourHits);
    const RiffChunk oddList{"LIST", std::string("INFOISFT\x05\0\0\0abcde", 17)};
    const RiffChunk evenJunk{"JUNK", std::string(28, '\0')};
    // Once both chunks are known nothing more is read, so a chunk after them may be anything.
    const RiffChunk hostileTail{"LIST", std::string(3, '\xff')};
    struct Case {
        const char* name;
        WavOptions options;
    };
    const std::vector<Case> cases = {
        {"plain", {}},
        {"odd LIST before fmt", {.chunksBeforeFmt = {oddList}}},
        {"several chunks before fmt", {.chunksBeforeFmt = {evenJunk, oddList, oddList}}},
        {"odd chunk between", {.chunksBetween = {oddList}}},
        {"data before fmt", {.chunksBeforeFmt = {oddList}, .dataBeforeFmt = true}},
        {"data before fmt, chunk between", {.chunksBetween = {oddList}, .dataBeforeFmt = true}},
        {"18-byte fmt", {.fmtSize = 18}},
        {"odd 17-byte fmt", {.fmtSize = 17, .chunksBetween = {oddList}}},
        {"chunks after data", {.chunksAfterData = {hostileTail, evenJunk}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto structure = analyzeWav(samples, c.options);
        ASSERT_TRUE(structure.has_value());
        EXPECT_DOUBLE_EQ(structure->duration, 2.0);
        expectOnsets(*structure, fourOnsets);
    }
}

TEST_F(AudioStructureTest, OddDataChunkBeforeFmtIsFollowedByItsPadByte) {
    // 8-bit mono with an odd frame count: the "data" body is odd and padded.
    const auto structure =
        analyzeWav(testing::hits(1.0, 10011, {0.5}),
                   {.format = WavSampleFormat::UInt8, .sampleRate = 10011, .dataBeforeFmt = true});
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 1.0);
}

TEST_F(AudioStructureTest, EmptyDataChunkIsReplacedByALaterOne) {
    const std::vector<float> samples = testing::hits(2.0, rate, fourHits);
    // An empty "data" first, then "fmt ", then the real "data".
    std::string bytes = testing::wavBytes(samples);
    const std::string emptyData = testing::riffChunkBytes("data", "");
    bytes.insert(12, emptyData);
    const auto structure = analyzeBytes(bytes);
    ASSERT_TRUE(structure.has_value());
    expectOnsets(*structure, fourOnsets);
}

TEST_F(AudioStructureTest, FilesThatAreNotMeasured) {
    const std::vector<float> samples = testing::hits(1.0, rate, {0.25});
    const std::string plain = testing::wavBytes(samples);
    struct Case {
        const char* name;
        std::string bytes;
        std::string extension = ".wav";
    };
    const std::vector<Case> cases = {
        {"AIFF", testing::aiffBytes(samples, 1, rate), ".aif"},
        {"MIDI", testing::midiBytes(), ".mid"},
        {"MP3", std::string("ID3\x04\0\0\0\0\0\0\xff\xfb\x90\x64", 14) + std::string(400, '\0'),
         ".mp3"},
        {"empty file", ""},
        {"eleven bytes", plain.substr(0, 11)},
        {"RIFF header only", plain.substr(0, 12)},
        {"RIFX", "RIFX" + plain.substr(4)},
        {"not WAVE", plain.substr(0, 8) + "AVI " + plain.substr(12)},
        {"extensible PCM", testing::wavBytes(samples, {.extensible = true})},
        {"extensible float",
         testing::wavBytes(samples, {.format = WavSampleFormat::Float32, .extensible = true})},
        {"PCM with 20 bits",
         testing::wavBytes(samples, {.format = WavSampleFormat::Int24, .bitsField = 20})},
        {"PCM with 12 bits", testing::wavBytes(samples, {.bitsField = 12})},
        {"PCM with 64 bits",
         testing::wavBytes(samples, {.format = WavSampleFormat::Int32, .bitsField = 64})},
        {"float with 64 bits",
         testing::wavBytes(samples,
                           {.format = WavSampleFormat::Int32, .formatCode = 3, .bitsField = 64})},
        {"float with 16 bits", testing::wavBytes(samples, {.formatCode = 3})},
        {"ADPCM code", testing::wavBytes(samples, {.formatCode = 2})},
        {"format code 0", testing::wavBytes(samples, {.formatCode = 0})},
        {"bits below 8",
         testing::wavBytes(samples, {.format = WavSampleFormat::UInt8, .bitsField = 4})},
        {"zero sample rate", testing::wavBytes(samples, {.sampleRate = 0})},
        {"zero channels", testing::wavBytes(samples, {.channels = 0})},
        {"fmt of 14 bytes", testing::wavBytes(samples, {.fmtSize = 14})},
        {"fmt of 0 bytes", testing::wavBytes(samples, {.fmtSize = 0})},
        {"no fmt", testing::wavBytes(samples, {.omitFmt = true})},
        {"no data", testing::wavBytes(samples, {.omitData = true})},
        {"zero frames", testing::wavBytes({})},
        {"less than one frame", testing::wavBytes({}, {.channels = 2, .dataTail = "\1\2\3"})},
        {"truncated data", testing::wavBytes(samples, {.truncateTo = plain.size() - 1})},
        {"truncated data before fmt",
         testing::wavBytes(samples, {.dataBeforeFmt = true, .truncateTo = plain.size() / 2})},
        {"data claims one byte more",
         testing::wavBytes(samples,
                           {.dataSizeField = static_cast<std::uint32_t>(samples.size() * 2 + 1)})},
        {"data claims 4 GiB", testing::wavBytes(samples, {.dataSizeField = 0xFFFFFFFFu})},
        {"data claims 4 GiB before fmt",
         testing::wavBytes(samples, {.dataBeforeFmt = true, .dataSizeField = 0xFFFFFFFFu})},
        {"fmt claims 4 GiB",
         "RIFF\0\0\0\0WAVE" + testing::riffChunkBytes("fmt ", 0xFFFFFFF0u, plain.substr(20, 16))},
        {"fmt cut short", plain.substr(0, 30)},
        {"skipped chunk runs past the end",
         testing::wavBytes(samples, {.chunksBeforeFmt = {{"LIST", "abcd"}}}).substr(0, 16) +
             std::string("\xff\xff\xff\x7f", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(analyzeBytes(c.bytes, c.extension).has_value());
    }
}

TEST_F(AudioStructureTest, PathsThatAreNotRegularFilesAreNotMeasured) {
    EXPECT_FALSE(analyzer.analyze(home.root() / "missing.wav").has_value());
    EXPECT_FALSE(analyzer.analyze(home.root()).has_value());
    const std::filesystem::path fifo = home.root() / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opening a FIFO for reading would block until a writer appears.
    EXPECT_FALSE(analyzer.analyze(fifo).has_value());
}

TEST_F(AudioStructureTest, SymlinkToAWavFileIsMeasured) {
    const auto target = testing::writeWav(home.root() / "real.wav", testing::silence(1.0, rate));
    const auto link = home.root() / "link.wav";
    std::filesystem::create_symlink(target, link);
    const auto structure = analyzer.analyze(link);
    ASSERT_TRUE(structure.has_value());
    EXPECT_DOUBLE_EQ(structure->duration, 1.0);
}

TEST_F(AudioStructureTest, UnreadableFileIsNotMeasured) {
    const auto path = testing::writeWav(home.root() / "locked.wav", testing::silence(1.0, rate));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    // The folder stays searchable for everyone, so the file can be found but not read.
    std::filesystem::permissions(home.root(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    // Root reads any file, so the analysis runs in a child that has given up root.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            _exit(4);
        _exit(AudioStructureAnalyzer().analyze(path).has_value() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace sv
