#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "audio/waveforms/audio_file_decoder.h"
#include "audio/waveforms/waveform_summary.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"
#include "tests/waveforms/waveform_test_support.h"

namespace sv {
namespace {

using testing::TempHome;
using testing::WavOptions;
using testing::WavSampleFormat;

WavOptions floatWav() {
    WavOptions options;
    options.format = WavSampleFormat::Float32;
    return options;
}

WaveformPeaks summaryOf(const std::filesystem::path& path) {
    WaveformDecodeResult result = decodeWaveformSummary(path);
    EXPECT_TRUE(result.peaks.has_value()) << path << ": " << result.errorDetail;
    return result.peaks.value_or(WaveformPeaks{});
}

TEST(WaveformSummary, HundredFramesFillOnlyTheBinsOfTheirFrames) {
    TempHome home;
    const auto path = testing::writeWav(home.root() / "short.wav", std::vector<float>(100, 0.5f));
    const WaveformPeaks peaks = summaryOf(path);
    ASSERT_EQ(peaks.size(), kWaveformPointCount);

    std::set<std::size_t> filled;
    for (std::size_t g = 0; g < 100; ++g)
        filled.insert(g * 192 / 100);
    for (std::size_t bin = 0; bin < kWaveformPointCount; ++bin)
        EXPECT_EQ(peaks[bin], filled.count(bin) ? 1.0f : 0.0f) << "bin " << bin;
    EXPECT_TRUE(filled.count(0) && filled.count(1) && !filled.count(2) && filled.count(3));
}

TEST(WaveformSummary, ThousandFramesPutFiveOrSixFramesIntoEveryBin) {
    // Frame g holds (g + 1) / 1000, so each bin's peak names the last frame it received.
    std::vector<float> samples(1000);
    for (std::size_t g = 0; g < samples.size(); ++g)
        samples[g] = static_cast<float>(g + 1) / 1000.0f;
    WaveformPeakAccumulator accumulator(1000, 1);
    // Arriving in uneven pieces must not change the binning.
    accumulator.add(samples.data(), 7);
    accumulator.add(samples.data() + 7, 500);
    accumulator.add(samples.data() + 507, 493);

    std::vector<int> framesPerBin(kWaveformPointCount, 0);
    std::vector<float> expected(kWaveformPointCount, 0.0f);
    for (std::size_t g = 0; g < 1000; ++g) {
        ++framesPerBin[g * 192 / 1000];
        expected[g * 192 / 1000] = samples[g];
    }
    for (std::size_t bin = 0; bin < kWaveformPointCount; ++bin) {
        EXPECT_TRUE(framesPerBin[bin] == 5 || framesPerBin[bin] == 6) << "bin " << bin;
        EXPECT_EQ(accumulator.rawPeaks()[bin], expected[bin]) << "bin " << bin;
    }
}

TEST(WaveformSummary, LoudestHalfBecomesOneAndSilenceStaysZero) {
    TempHome home;
    std::vector<float> quiet(4410, 0.1f);
    quiet[2000] = -0.5f;
    const WaveformPeaks normalised =
        summaryOf(testing::writeWav(home.root() / "quiet.wav", quiet, floatWav()));
    EXPECT_EQ(*std::max_element(normalised.begin(), normalised.end()), 1.0f);
    EXPECT_NEAR(normalised[0], 0.2f, 1e-6f);

    const WaveformPeaks silent =
        summaryOf(testing::writeWav(home.root() / "silence.wav", testing::silence(0.5, 44100)));
    EXPECT_EQ(silent, WaveformPeaks(kWaveformPointCount, 0.0f));
}

TEST(WaveformSummary, StereoPeaksTakeTheLouderChannel) {
    TempHome home;
    // Left loud in the first half, right loud in the second.
    const auto frames = testing::generateFrames(19200, 2, [](std::size_t frame, int channel) {
        const bool firstHalf = frame < 9600;
        return (channel == 0) == firstHalf ? 0.8f : -0.2f;
    });
    WavOptions stereo;
    stereo.channels = 2;
    stereo.format = WavSampleFormat::Float32;
    const WaveformPeaks peaks =
        summaryOf(testing::writeWav(home.root() / "stereo.wav", frames, stereo));
    for (float value : peaks)
        EXPECT_EQ(value, 1.0f);
}

TEST(WaveformSummary, NonFiniteSamplesCountAsSilence) {
    TempHome home;
    std::vector<float> samples(1920, 0.25f);
    samples[10] = std::numeric_limits<float>::infinity();
    samples[500] = -std::numeric_limits<float>::infinity();
    samples[900] = std::numeric_limits<float>::quiet_NaN();
    const WaveformPeaks peaks =
        summaryOf(testing::writeWav(home.root() / "inf.wav", samples, floatWav()));
    EXPECT_TRUE(isValidWaveformSummary(peaks));
    EXPECT_EQ(peaks[1], 1.0f);  // the bin of frame 10 holds only finite 0.25 otherwise

    // Bins of a few hundred frames are read many samples at a time: non-finite values there,
    // in every lane position, count as silence too, and a bin's loudest sample still shows.
    std::vector<float> longer(192 * 300, 0.25f);
    for (std::size_t i = 0; i < 64; ++i)
        longer[300 * 7 + 40 + i] = i % 2 ? std::numeric_limits<float>::quiet_NaN()
                                         : -std::numeric_limits<float>::infinity();
    longer[300 * 9 + 77] = -0.5f;
    const WaveformPeaks wide =
        summaryOf(testing::writeWav(home.root() / "wide.wav", longer, floatWav()));
    EXPECT_EQ(wide[7], 0.5f);
    EXPECT_EQ(wide[9], 1.0f);
    EXPECT_EQ(wide[8], 0.5f);
}

struct FormatCase {
    const char* name;
    std::function<std::filesystem::path(const std::filesystem::path&, const std::vector<float>&)>
        write;
    int channels;
    int sampleRate;
};

TEST(AudioFileDecoder, DecodesEveryKindOfSupportedFile) {
    TempHome home;
    const std::vector<float> tone = testing::sine(0.5, 44100, 440.0, 0.5f);
    const auto wav = [](WavSampleFormat format, bool extensible, int channels) {
        return [=](const std::filesystem::path& folder, const std::vector<float>& mono) {
            WavOptions options;
            options.format = format;
            options.extensible = extensible;
            options.channels = channels;
            return testing::writeWav(folder / "file.wav", testing::toChannels(mono, channels),
                                     options);
        };
    };
    const std::vector<FormatCase> cases = {
        {"wav 8-bit", wav(WavSampleFormat::UInt8, false, 1), 1, 44100},
        {"wav 16-bit", wav(WavSampleFormat::Int16, false, 1), 1, 44100},
        {"wav 24-bit stereo", wav(WavSampleFormat::Int24, false, 2), 2, 44100},
        {"wav 32-bit", wav(WavSampleFormat::Int32, false, 1), 1, 44100},
        {"wav float", wav(WavSampleFormat::Float32, false, 1), 1, 44100},
        {"wav extensible 24-bit", wav(WavSampleFormat::Int24, true, 2), 2, 44100},
        {"wav extensible float", wav(WavSampleFormat::Float32, true, 1), 1, 44100},
        {"aiff",
         [](const std::filesystem::path& folder, const std::vector<float>& mono) {
             return testing::writeAiff(folder / "file.aiff", mono);
         },
         1, 44100},
        {"mp3",
         [](const std::filesystem::path& folder, const std::vector<float>& mono) {
             return testing::writeMp3(folder / "file.mp3", mono);
         },
         1, 44100},
    };
    int index = 0;
    for (const FormatCase& format : cases) {
        SCOPED_TRACE(format.name);
        const auto path = format.write(home.root() / std::to_string(index++), tone);
        AudioFileDecoder decoder(path);
        EXPECT_EQ(decoder.channels(), format.channels);
        EXPECT_EQ(decoder.sampleRate(), format.sampleRate);
        EXPECT_NEAR(decoder.durationSeconds(), 0.5, 0.06);

        std::vector<float> chunk;
        const std::int64_t first = decoder.readChunk(chunk);
        EXPECT_EQ(first, AudioFileDecoder::kChunkFrames);
        EXPECT_EQ(chunk.size(), static_cast<std::size_t>(first * format.channels));
        const float loudest =
            std::abs(*std::max_element(chunk.begin(), chunk.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); }));
        EXPECT_NEAR(loudest, 0.5f, 0.05f);

        const WaveformPeaks peaks = summaryOf(path);
        EXPECT_TRUE(isValidWaveformSummary(peaks));
        EXPECT_GT(peaks[96], 0.8f);
    }
}

TEST(AudioFileDecoder, RejectsFilesThatHoldNoAudio) {
    TempHome home;
    const std::vector<std::pair<const char*, std::filesystem::path>> cases = {
        {"midi", testing::writeMidi(home.root() / "clip.mid")},
        {"garbage", testing::writeBytes(home.root() / "noise.wav", std::string(5000, '\x5a'))},
        {"empty", testing::writeBytes(home.root() / "empty.wav", "")},
        {"header only",
         testing::writeBytes(home.root() / "cut.wav",
                             testing::wavBytes(testing::silence(0.1, 44100)).substr(0, 20))},
        {"missing", home.root() / "absent.wav"},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(AudioFileDecoder{path}, AudioDecodeError);
        const WaveformDecodeResult result = decodeWaveformSummary(path);
        EXPECT_FALSE(result.peaks.has_value());
        EXPECT_NE(result.errorCode, 0);
    }
}

TEST(AudioFileDecoder, LyingLengthCostsOnlyWhatIsThere) {
    TempHome home;
    WavOptions lying;
    lying.dataSizeField = 0xFFFFFFF0u;
    const auto path =
        testing::writeWav(home.root() / "lying.wav", testing::sine(0.1, 44100, 220.0), lying);
    try {
        AudioFileDecoder decoder(path);
        const std::vector<float> all = decoder.readAll();
        EXPECT_EQ(all.size(), testing::framesFor(0.1, 44100));
    } catch (const AudioDecodeError&) {
        // Refusing the file is as good as reading what it holds.
    }
    const WaveformDecodeResult result = decodeWaveformSummary(path);
    EXPECT_TRUE(!result.peaks || isValidWaveformSummary(*result.peaks));
}

}  // namespace
}  // namespace sv
