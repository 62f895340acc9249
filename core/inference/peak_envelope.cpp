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

// The 16-bit loop, compiled once for the baseline instruction set and once for AVX2.
[[gnu::always_inline]] inline std::uint32_t int16Peak(const unsigned char* p, std::size_t count) {
    // Compared in their own 16-bit width, so that the loop fills whole vector registers.
    std::int16_t lo = 0;
    std::int16_t hi = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t sample =
            kLittleEndian ? loadWord<std::int16_t>(p + i * 2)
                          : static_cast<std::int16_t>(
                                static_cast<std::uint16_t>(p[i * 2] | (p[i * 2 + 1] << 8)));
        lo = std::min(lo, sample);
        hi = std::max(hi, sample);
    }
    return static_cast<std::uint32_t>(std::max<int>(hi, -static_cast<int>(lo)));
}

// The 24-bit layouts keep each sample in the top three bytes of a 32-bit word: the arithmetic
// shift right by 8 then sign-extends it whatever the low byte holds, and words compare like
// their samples. The range always includes 0.
struct Int24Range {
    std::int32_t lo = 0;
    std::int32_t hi = 0;

    void add(std::int32_t top) {
        lo = std::min(lo, top);
        hi = std::max(hi, top);
    }
    void addBytes(const unsigned char* p) {
        add(static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                      (static_cast<std::uint32_t>(p[1]) << 16) |
                                      (static_cast<std::uint32_t>(p[2]) << 24)));
    }
    std::uint32_t magnitude() const {
        return static_cast<std::uint32_t>(std::max(hi >> 8, -(lo >> 8)));
    }
};

std::uint32_t int24PeakPortable(const unsigned char* p, std::size_t count) {
    Int24Range range;
    std::size_t i = 0;
    if constexpr (kLittleEndian) {
        // Four samples are three little-endian words; each sample is cut out of one or two.
        for (; i + 4 <= count; i += 4) {
            const unsigned char* q = p + i * 3;
            const auto w0 = loadWord<std::uint32_t>(q);
            const auto w1 = loadWord<std::uint32_t>(q + 4);
            const auto w2 = loadWord<std::uint32_t>(q + 8);
            range.add(static_cast<std::int32_t>(w0 << 8));
            range.add(static_cast<std::int32_t>(((w0 >> 24) << 8) | (w1 << 16)));
            range.add(static_cast<std::int32_t>(((w1 >> 16) << 8) | (w2 << 24)));
            range.add(static_cast<std::int32_t>(w2 & 0xFFFFFF00u));
        }
    }
    for (; i < count; ++i)
        range.addBytes(p + i * 3);
    return range.magnitude();
}

#if defined(__x86_64__) && defined(__GNUC__)
#define SV_PEAK_ENVELOPE_AVX2 1

bool hasAvx2() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

[[gnu::target("avx2")]] std::uint32_t int16PeakAvx2(const unsigned char* p, std::size_t count) {
    return int16Peak(p, count);
}

using Bytes32 = unsigned char __attribute__((vector_size(32)));
using Words8 = std::int32_t __attribute__((vector_size(32)));

// Each function below turns 32 loaded bytes into eight samples, one per 32-bit lane. A lane
// takes its sample's low byte twice and then its two upper bytes: the sample in the top three
// bytes, as Int24Range wants. The byte shuffles stay within each 16-byte half, so each half
// must hold its four samples whole.
[[gnu::target("avx2")]] inline Bytes32 load32(const unsigned char* from) {
    Bytes32 bytes;
    std::memcpy(&bytes, from, sizeof bytes);
    return bytes;
}

// Samples 0-7 of the 24 bytes that start 4 bytes after `from`.
[[gnu::target("avx2")]] inline Words8 int24Middle(const unsigned char* from) {
    const Bytes32 b = load32(from);
    return reinterpret_cast<Words8>(
        __builtin_shufflevector(b, b, 4, 4, 5, 6, 7, 7, 8, 9, 10, 10, 11, 12, 13, 13, 14, 15, 16,
                                16, 17, 18, 19, 19, 20, 21, 22, 22, 23, 24, 25, 25, 26, 27));
}

// Samples 0-3 and 6-9 of the samples that start at `first`.
[[gnu::target("avx2")]] inline Words8 int24Head(const unsigned char* first) {
    const Bytes32 b = load32(first);
    return reinterpret_cast<Words8>(
        __builtin_shufflevector(b, b, 0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 18, 18, 19,
                                20, 21, 21, 22, 23, 24, 24, 25, 26, 27, 27, 28, 29));
}

// Of the samples that end at `end`, the 10th to 7th last and the last four.
[[gnu::target("avx2")]] inline Words8 int24Tail(const unsigned char* end) {
    const Bytes32 b = load32(end - 32);
    return reinterpret_cast<Words8>(
        __builtin_shufflevector(b, b, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11, 12, 13, 20, 20,
                                21, 22, 23, 23, 24, 25, 26, 26, 27, 28, 29, 29, 30, 31));
}

struct Int24LaneRange {
    Words8 lo{};
    Words8 hi{};

    [[gnu::target("avx2")]] void add(Words8 top) {
        lo = top < lo ? top : lo;
        hi = top > hi ? top : hi;
    }
    [[gnu::target("avx2")]] void add(const Int24LaneRange& other) {
        add(other.lo);
        add(other.hi);
    }
    [[gnu::target("avx2")]] std::uint32_t magnitude() const {
        const Words8 up = hi >> 8;
        const Words8 down = -(lo >> 8);
        const Words8 larger = up > down ? up : down;
        std::int32_t best = 0;
        for (int lane = 0; lane < 8; ++lane)
            best = std::max(best, larger[lane]);
        return static_cast<std::uint32_t>(best);
    }
};

// Reads only the samples' own bytes. Loads may overlap: a sample seen twice changes no extreme.
[[gnu::target("avx2")]] std::uint32_t int24PeakAvx2(const unsigned char* p, std::size_t count) {
    constexpr std::size_t shortest = 11;  // 32 bytes for the head and tail loads
    if (count < shortest)
        return int24PeakPortable(p, count);
    Int24LaneRange lanes;
    lanes.add(int24Head(p));
    lanes.add(int24Tail(p + count * 3));
    // Two independent ranges, so that the comparisons of two loads overlap. The middle loads
    // begin 4 bytes before their first sample and end 4 bytes after their last one.
    Int24LaneRange second;
    std::size_t i = 2;
    for (; i + 16 + 2 <= count; i += 16) {
        lanes.add(int24Middle(p + i * 3 - 4));
        second.add(int24Middle(p + i * 3 + 20));
    }
    if (i + 8 + 2 <= count) {
        lanes.add(int24Middle(p + i * 3 - 4));
        i += 8;
    }
    lanes.add(second);
    // Now i >= count - 9, and the tail load missed only the 6th and 5th last samples.
    Int24Range range;
    for (std::size_t k = std::max(i, count - 6); k < count - 4; ++k)
        range.addBytes(p + k * 3);
    return std::max(range.magnitude(), lanes.magnitude());
}
#endif

struct Int16Samples {
    static constexpr std::size_t bytes = 2;
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
#ifdef SV_PEAK_ENVELOPE_AVX2
        if (hasAvx2())
            return int16PeakAvx2(p, count);
#endif
        return int16Peak(p, count);
    }
    static float toUnit(std::uint32_t magnitude) {
        return static_cast<float>(magnitude) / 32768.0f;
    }
};

struct Int24Samples {
    static constexpr std::size_t bytes = 3;
    static std::uint32_t peak(const unsigned char* p, std::size_t count) {
#ifdef SV_PEAK_ENVELOPE_AVX2
        if (hasAvx2())
            return int24PeakAvx2(p, count);
#endif
        return int24PeakPortable(p, count);
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
