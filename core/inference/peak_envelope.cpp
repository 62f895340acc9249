#include "core/inference/peak_envelope.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

// The window loops below are the whole cost of the analysis; let the compiler vectorise them
// (the release build's -O2 cost model does not for loops of unknown length).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("tree-vectorize", "vect-cost-model=dynamic")
#endif

namespace sv {
namespace {

// Each layout finds the largest magnitude of a run of samples in its own integer domain and
// converts only that one value to a float: the conversions are monotonic, so the result equals
// the largest converted magnitude.
struct UInt8Samples {
    static constexpr std::size_t bytes = 1;
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
        int lo = 128;
        int hi = 128;
        for (std::size_t i = 0; i < count; ++i) {
            lo = std::min<int>(lo, p[i]);
            hi = std::max<int>(hi, p[i]);
        }
        return static_cast<std::uint32_t>(std::max(hi - 128, 128 - lo));
    }
    static float toUnit(std::uint32_t magnitude) { return static_cast<float>(magnitude) / 128.0f; }
};

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

template <typename Word>
Word loadWord(const unsigned char* p) {
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

struct Int16Samples {
    static constexpr std::size_t bytes = 2;
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
        // Compared in their own 16-bit width, so that the loop fills whole vector registers.
        std::int16_t lo = 0;
        std::int16_t hi = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::int16_t sample = kLittleEndian
                                            ? loadWord<std::int16_t>(p + i * bytes)
                                            : static_cast<std::int16_t>(static_cast<std::uint16_t>(
                                                  p[i * bytes] | (p[i * bytes + 1] << 8)));
            lo = std::min(lo, sample);
            hi = std::max(hi, sample);
        }
        return static_cast<std::uint32_t>(std::max<int>(hi, -static_cast<int>(lo)));
    }
    static float toUnit(std::uint32_t magnitude) {
        return static_cast<float>(magnitude) / 32768.0f;
    }
};

struct Int24Samples {
    static constexpr std::size_t bytes = 3;
    // The three bytes at the top of a 32-bit word: ordered like the samples themselves.
    static std::int32_t topWord(const unsigned char* p) {
        return static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                         (static_cast<std::uint32_t>(p[1]) << 16) |
                                         (static_cast<std::uint32_t>(p[2]) << 24));
    }
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
        if (count == 0)
            return 0;
        std::int32_t lo = std::min(0, topWord(p));
        std::int32_t hi = std::max(0, topWord(p));
        // Converted a block at a time so that the comparisons run as one vector loop.
        constexpr std::size_t block = 64;
        std::int32_t words[block];
        for (std::size_t start = 1; start < count; start += block) {
            const std::size_t n = std::min(block, count - start);
            const unsigned char* q = p + start * bytes;
            for (std::size_t i = 0; i < n; ++i) {
                // One load of the word ending with the sample's last byte, the byte before
                // it (the previous sample's) masked off.
                words[i] = kLittleEndian
                               ? static_cast<std::int32_t>(
                                     loadWord<std::uint32_t>(q + i * bytes - 1) & 0xFFFFFF00u)
                               : topWord(q + i * bytes);
            }
            for (std::size_t i = 0; i < n; ++i) {
                lo = std::min(lo, words[i]);
                hi = std::max(hi, words[i]);
            }
        }
        // The arithmetic shift sign-extends the 24-bit values.
        return static_cast<std::uint32_t>(std::max(hi >> 8, -(lo >> 8)));
    }
    static float toUnit(std::uint32_t magnitude) {
        return static_cast<float>(magnitude) / 8388608.0f;
    }
};

struct Int32Samples {
    static constexpr std::size_t bytes = 4;
    static std::uint64_t peak(const unsigned char* p, std::size_t count) {
        std::int64_t lo = 0;
        std::int64_t hi = 0;
        for (std::size_t i = 0; i < count; ++i, p += bytes) {
            const auto word =
                static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            const std::int64_t sample = static_cast<std::int32_t>(word);
            lo = std::min(lo, sample);
            hi = std::max(hi, sample);
        }
        return static_cast<std::uint64_t>(std::max(hi, -lo));
    }
    static float toUnit(std::uint64_t magnitude) {
        return static_cast<float>(static_cast<double>(magnitude) / 2147483648.0);
    }
};

// For non-negative IEEE singles the bit patterns order like the values, so the peak is taken
// over the patterns with the sign cleared; NaN and infinity (all exponent bits set) count as 0.
struct Float32Samples {
    static constexpr std::size_t bytes = 4;
    static constexpr std::uint32_t exponentMask = 0x7F800000u;
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
        std::uint32_t best = 0;
        for (std::size_t i = 0; i < count; ++i, p += bytes) {
            const auto word =
                static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            const std::uint32_t magnitude = word & 0x7FFFFFFFu;
            best = std::max(best, magnitude < exponentMask ? magnitude : 0u);
        }
        return best;
    }
    static float toUnit(std::uint32_t magnitude) { return std::bit_cast<float>(magnitude); }
};

template <class Samples>
std::vector<float> windowPeaks(const unsigned char* data, std::size_t samples,
                               std::size_t samplesPerWindow) {
    const std::size_t windows = (samples + samplesPerWindow - 1) / samplesPerWindow;
    std::vector<float> envelope(windows, 0.0f);
    for (std::size_t w = 0; w < windows; ++w) {
        const std::size_t begin = w * samplesPerWindow;
        const std::size_t count = std::min(samplesPerWindow, samples - begin);
        envelope[w] = Samples::toUnit(Samples::peak(data + begin * Samples::bytes, count));
    }
    return envelope;
}

}  // namespace

std::optional<SampleEncoding> sampleEncodingOf(const WavFormat& format) {
    if (format.formatCode == 1) {
        switch (format.bitsPerSample) {
            case 8:
                return SampleEncoding::UInt8;
            case 16:
                return SampleEncoding::Int16;
            case 24:
                return SampleEncoding::Int24;
            case 32:
                return SampleEncoding::Int32;
            default:
                return std::nullopt;
        }
    }
    if (format.formatCode == 3 && format.bitsPerSample == 32)
        return SampleEncoding::Float32;
    return std::nullopt;
}

std::size_t bytesPerSample(SampleEncoding encoding) {
    switch (encoding) {
        case SampleEncoding::UInt8:
            return 1;
        case SampleEncoding::Int16:
            return 2;
        case SampleEncoding::Int24:
            return 3;
        case SampleEncoding::Int32:
        case SampleEncoding::Float32:
            return 4;
    }
    return 1;
}

std::vector<float> peakEnvelope(SampleEncoding encoding, std::size_t channels,
                                const unsigned char* data, std::size_t frames, std::size_t hop) {
    // Frames are interleaved, so one window's frames over all channels are one run of samples.
    const std::size_t samples = frames * channels;
    const std::size_t samplesPerWindow = std::max<std::size_t>(hop, 1) * channels;
    if (samples == 0 || samplesPerWindow == 0)
        return {};
    switch (encoding) {
        case SampleEncoding::UInt8:
            return windowPeaks<UInt8Samples>(data, samples, samplesPerWindow);
        case SampleEncoding::Int16:
            return windowPeaks<Int16Samples>(data, samples, samplesPerWindow);
        case SampleEncoding::Int24:
            return windowPeaks<Int24Samples>(data, samples, samplesPerWindow);
        case SampleEncoding::Int32:
            return windowPeaks<Int32Samples>(data, samples, samplesPerWindow);
        case SampleEncoding::Float32:
            return windowPeaks<Float32Samples>(data, samples, samplesPerWindow);
    }
    return {};
}

}  // namespace sv
