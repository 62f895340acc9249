#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/inference/peak_envelope.h"

namespace {

// Reference peaks decoded byte by byte, one sample at a time.
std::vector<float> referencePeaks(const std::vector<unsigned char>& bytes, int width,
                                  std::size_t samplesPerWindow) {
    const std::size_t samples = bytes.size() / width;
    const double full = width == 2 ? 32768.0 : 8388608.0;
    std::vector<float> peaks;
    for (std::size_t begin = 0; begin < samples; begin += samplesPerWindow) {
        std::int64_t best = 0;
        for (std::size_t i = begin; i < std::min(samples, begin + samplesPerWindow); ++i) {
            std::int64_t value = 0;
            for (int b = width - 1; b >= 0; --b)
                value = (value << 8) | bytes[i * width + b];
            if (value >= (std::int64_t{1} << (8 * width - 1)))
                value -= std::int64_t{1} << (8 * width);
            best = std::max(best, value < 0 ? -value : value);
        }
        peaks.push_back(static_cast<float>(static_cast<double>(best) / full));
    }
    return peaks;
}

TEST(PeakEnvelopeBlocks, WindowsAcrossConversionBlocksMatchSampleBySampleDecoding) {
    std::mt19937 random(7);
    for (const auto& [encoding, width] :
         {std::pair{sv::SampleEncoding::Int16, 2}, std::pair{sv::SampleEncoding::Int24, 3}}) {
        // Mostly quiet noise with rare full-scale extremes at arbitrary places.
        std::vector<unsigned char> bytes(std::size_t{2} * 1000 * width);
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(random() & 0x0F);
        for (std::size_t i = width - 1; i < bytes.size(); i += width) {
            bytes[i] = random() % 97 == 0 ? (random() % 2 ? 0x80 : 0x7F)
                                          : static_cast<unsigned char>(random() % 2 ? 0xFF : 0);
        }
        const std::size_t hop = 37;
        EXPECT_EQ(sv::peakEnvelope(encoding, 2, bytes.data(), 1000, hop),
                  referencePeaks(bytes, width, hop * 2))
            << width * 8 << " bits";
    }
}

}  // namespace
