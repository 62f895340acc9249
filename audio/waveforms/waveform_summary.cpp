#include "audio/waveforms/waveform_summary.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "audio/waveforms/audio_file_decoder.h"

namespace sv {

namespace {

constexpr auto kSlots = static_cast<std::int64_t>(kWaveformPointCount);

// Largest absolute value of `count` samples; NaN and infinities count as 0. Thirty-two
// independent lanes keep several vector registers busy at once, so the loop is not held up by
// the latency of each maximum: beyond the decode itself this loop is most of the cost of a
// summary. Built for AVX2 as well where the processor has it, chosen when the program loads.
__attribute__((target_clones("avx2", "default"))) float largestMagnitude(const float* samples,
                                                                         std::int64_t count) {
    constexpr int kLanes = 32;
    float lanes[kLanes] = {};
    std::int64_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (int lane = 0; lane < kLanes; ++lane) {
            const float magnitude = std::fabs(samples[i + lane]);
            const float finite = magnitude <= FLT_MAX ? magnitude : 0.0f;
            lanes[lane] = finite > lanes[lane] ? finite : lanes[lane];
        }
    }
    float largest = 0.0f;
    for (; i < count; ++i) {
        const float magnitude = std::fabs(samples[i]);
        largest = std::max(largest, magnitude <= FLT_MAX ? magnitude : 0.0f);
    }
    for (const float lane : lanes)
        largest = std::max(largest, lane);
    return largest;
}

}  // namespace

bool isValidWaveformSummary(const WaveformPeaks& peaks) {
    return peaks.size() == kWaveformPointCount &&
           std::all_of(peaks.begin(), peaks.end(), [](float value) {
               return std::isfinite(value) && value >= 0.0f && value <= 1.0f;
           });
}

WaveformPeakAccumulator::WaveformPeakAccumulator(std::int64_t totalFrames, int channels)
    : totalFrames_(std::max<std::int64_t>(totalFrames, 1)),
      channels_(std::max(channels, 1)),
      slots_(kWaveformPointCount, 0.0f) {}

std::int64_t WaveformPeakAccumulator::firstFrameOfSlot(std::size_t slot) const {
    // The smallest g with g * 192 / total >= slot, i.e. ceil(slot * total / 192).
    const std::int64_t product = static_cast<std::int64_t>(slot) * totalFrames_;
    return (product + kSlots - 1) / kSlots;
}

void WaveformPeakAccumulator::add(const float* interleaved, std::int64_t frameCount) {
    std::int64_t frame = framesAdded_;
    const std::int64_t end = framesAdded_ + frameCount;
    while (frame < end) {
        const auto slot = static_cast<std::size_t>(
            std::min<std::int64_t>(frame * kSlots / totalFrames_, kSlots - 1));
        // Frames of one slot form a run; past the stated length everything lands in the last.
        const std::int64_t runEnd =
            slot + 1 < kWaveformPointCount ? std::min(end, firstFrameOfSlot(slot + 1)) : end;
        const float* start = interleaved + (frame - framesAdded_) * channels_;
        slots_[slot] =
            std::max(slots_[slot], largestMagnitude(start, (runEnd - frame) * channels_));
        frame = runEnd;
    }
    framesAdded_ = end;
}

WaveformPeaks WaveformPeakAccumulator::normalised() const {
    const float largest = *std::max_element(slots_.begin(), slots_.end());
    const float factor = largest > 1e-6f ? 1.0f / largest : 1.0f;
    WaveformPeaks peaks(kWaveformPointCount);
    std::transform(slots_.begin(), slots_.end(), peaks.begin(),
                   [factor](float slot) { return std::min(slot * factor, 1.0f); });
    return peaks;
}

WaveformDecodeResult decodeWaveformSummary(const std::filesystem::path& path) {
    WaveformDecodeResult result;
    std::optional<AudioFileDecoder> decoder;
    try {
        decoder.emplace(path);
    } catch (const AudioDecodeError& error) {
        result.errorCode = error.code();
        result.errorDetail = error.what();
        return result;
    }
    const std::int64_t length = decoder->frames();
    if (length < 1) {
        result.errorCode = 1;
        result.errorDetail = "The audio file holds no frames";
        return result;
    }
    result.duration = static_cast<double>(length) / decoder->sampleRate();

    WaveformPeakAccumulator accumulator(length, decoder->channels());
    std::vector<float> buffer(
        static_cast<std::size_t>(AudioFileDecoder::kChunkFrames * decoder->channels()));
    try {
        while (accumulator.framesAdded() < length) {
            const std::int64_t wanted =
                std::min(AudioFileDecoder::kChunkFrames, length - accumulator.framesAdded());
            const std::int64_t got = decoder->read(buffer.data(), wanted);
            if (got == 0)
                break;
            accumulator.add(buffer.data(), got);
        }
    } catch (const AudioDecodeError& error) {
        result.errorCode = error.code();
        result.errorDetail = error.what();
        return result;
    }
    result.peaks = accumulator.normalised();
    return result;
}

}  // namespace sv
