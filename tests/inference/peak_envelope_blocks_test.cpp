#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/inference/peak_envelope.h"

namespace {

struct Layout {
    sv::SampleEncoding encoding;
    int width;
};

// The magnitude of one sample, decoded byte by byte.
double referenceMagnitude(const unsigned char* sample, sv::SampleEncoding encoding, int width) {
    std::uint64_t bits = 0;
    for (int b = width - 1; b >= 0; --b)
        bits = (bits << 8) | sample[b];
    if (encoding == sv::SampleEncoding::UInt8)
        return std::abs(static_cast<double>(bits) - 128.0) / 128.0;
    if (encoding == sv::SampleEncoding::Float32) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        return std::isfinite(value) ? std::abs(static_cast<double>(value)) : 0.0;
    }
    const std::int64_t sign = std::int64_t{1} << (8 * width - 1);
    const auto value =
        static_cast<std::int64_t>(bits) - (bits >= static_cast<std::uint64_t>(sign) ? 2 * sign : 0);
    return std::abs(static_cast<double>(value)) / static_cast<double>(sign);
}

std::vector<float> referencePeaks(const std::vector<unsigned char>& bytes, Layout layout,
                                  std::size_t samplesPerWindow) {
    const std::size_t samples = bytes.size() / layout.width;
    std::vector<float> peaks;
    for (std::size_t begin = 0; begin < samples; begin += samplesPerWindow) {
        double best = 0.0;
        for (std::size_t i = begin; i < std::min(samples, begin + samplesPerWindow); ++i)
            best = std::max(
                best, referenceMagnitude(&bytes[i * layout.width], layout.encoding, layout.width));
        peaks.push_back(static_cast<float>(best));
    }
    return peaks;
}

// Mostly quiet noise with rare extremes (full-scale negative and positive, NaN and infinity
// for floats) at arbitrary places.
std::vector<unsigned char> noiseWithExtremes(std::mt19937& random, std::size_t samples, int width) {
    std::vector<unsigned char> bytes(samples * width);
    for (std::size_t i = 0; i < samples; ++i) {
        unsigned char* sample = &bytes[i * width];
        for (int b = 0; b < width; ++b)
            sample[b] = static_cast<unsigned char>(random());
        const bool negative = random() % 2;
        const unsigned char quiet = negative ? 0xFF : 0x00;
        const unsigned char top = random() % 97 == 0 ? (negative ? 0x80 : 0x7F) : quiet;
        if (random() % 211 == 0 && top != quiet)
            std::fill(sample, sample + width - 1, negative ? 0x00 : 0xFF);
        sample[width - 1] = top;
        if (width > 1)
            sample[width - 2] &= random() % 5 == 0 ? 0xFF : 0x0F;
    }
    return bytes;
}

TEST(PeakEnvelopeBlocks, EveryLayoutMatchesSampleBySampleDecoding) {
    std::mt19937 random(7);
    const Layout layouts[] = {{sv::SampleEncoding::UInt8, 1},
                              {sv::SampleEncoding::Int16, 2},
                              {sv::SampleEncoding::Int24, 3},
                              {sv::SampleEncoding::Int32, 4},
                              {sv::SampleEncoding::Float32, 4}};
    // Frame counts and hops that leave every remainder of the vector widths, short last
    // windows, windows of one frame and a single window larger than the data.
    const std::size_t frameCounts[] = {1, 2, 3, 5, 7, 10, 11, 17, 31, 1000, 4411, 44101};
    const std::size_t hops[] = {1, 3, 5, 6, 37, 441, 882, 5000};
    for (const Layout& layout : layouts) {
        for (const std::size_t channels : {1u, 2u, 3u}) {
            for (const std::size_t frames : frameCounts) {
                const auto bytes = noiseWithExtremes(random, frames * channels, layout.width);
                for (const std::size_t hop : hops) {
                    EXPECT_EQ(
                        sv::peakEnvelope(layout.encoding, channels, bytes.data(), frames, hop),
                        referencePeaks(bytes, layout, hop * channels))
                        << layout.width * 8 << " bits, " << channels << " channels, " << frames
                        << " frames, hop " << hop;
                }
            }
        }
    }
}

TEST(PeakEnvelopeBlocks, FullScaleNegativeAnywhereInAWindowIsFound) {
    for (const Layout layout :
         {Layout{sv::SampleEncoding::Int16, 2}, Layout{sv::SampleEncoding::Int24, 3}}) {
        const std::size_t samples = 1000;
        for (std::size_t at = 0; at < samples; at += 13) {
            std::vector<unsigned char> bytes(samples * layout.width, 0);
            bytes[at * layout.width + layout.width - 1] = 0x80;
            const auto peaks = sv::peakEnvelope(layout.encoding, 2, bytes.data(), samples / 2, 441);
            ASSERT_EQ(peaks.size(), 2u);
            EXPECT_EQ(peaks[at / 882], 1.0f) << layout.width * 8 << " bits at " << at;
            EXPECT_EQ(peaks[1 - at / 882], 0.0f) << layout.width * 8 << " bits at " << at;
        }
    }
}

}  // namespace
