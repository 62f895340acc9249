#pragma once

// The 192-point peak summary of an audio file: binning frames into slots, normalising, and
// decoding a whole file into a summary.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sv {

constexpr std::size_t kWaveformPointCount = 192;

// 192 values in 0..1 when valid.
using WaveformPeaks = std::vector<float>;

// Exactly 192 values, each finite and within 0..1.
bool isValidWaveformSummary(const WaveformPeaks& peaks);

// Collects the largest absolute sample value per slot while frames arrive in order. Frame g of
// a file of `totalFrames` frames goes into slot g * 192 / totalFrames (integer division),
// lowered to 191. Non-finite samples count as 0.
class WaveformPeakAccumulator {
  public:
    WaveformPeakAccumulator(std::int64_t totalFrames, int channels);

    // Adds `frameCount` interleaved frames following those already added.
    void add(const float* interleaved, std::int64_t frameCount);

    std::int64_t framesAdded() const { return framesAdded_; }
    const WaveformPeaks& rawPeaks() const { return slots_; }

    // The slots scaled so that the largest becomes 1 (left as they are when the largest is
    // not above one millionth), each capped at 1.
    WaveformPeaks normalised() const;

  private:
    std::int64_t firstFrameOfSlot(std::size_t slot) const;

    std::int64_t totalFrames_;
    int channels_;
    std::int64_t framesAdded_ = 0;
    WaveformPeaks slots_;
};

// The outcome of decoding one file.
struct WaveformDecodeResult {
    // Set when decoding succeeded.
    std::optional<WaveformPeaks> peaks;
    // Length in seconds; reported also when a read failed half-way, 0 when the file never
    // opened.
    double duration = 0.0;
    // Decoder status for a failure (libsndfile's error number, or 1).
    int errorCode = 0;
    std::string errorDetail;
};

// Decodes `path` in 8,192-frame chunks with one reused buffer into a normalised summary.
WaveformDecodeResult decodeWaveformSummary(const std::filesystem::path& path);

}  // namespace sv
