#include "core/inference/onset_detection.h"

#include <algorithm>
#include <cstddef>

namespace sv {
namespace {

constexpr float silenceFloor = 0.00001f;
constexpr float levelGateShare = 0.12f;
constexpr float riseAbovePeakShare = 0.055f;
constexpr float riseRatio = 1.55f;
constexpr float localMaximumShare = 0.72f;
constexpr std::size_t lookBackWindows = 20;
constexpr std::size_t refractoryWindows = 10;
constexpr double secondsPerWindow = 0.01;
constexpr double durationFloor = 0.001;
constexpr float ratioFloor = 0.000001f;

// The onset tests that depend on the envelope's peak, worked out once per envelope.
struct PeakGates {
    float level;
    float riseAbovePeak;

    explicit PeakGates(float peak)
        : level(levelGateShare * peak), riseAbovePeak(riseAbovePeakShare * peak) {}
};

bool isOnset(const std::vector<float>& s, std::size_t i, const PeakGates& gates) {
    const float recent = (s[i - 1] + s[i - 2]) * 0.5f;
    // All three comparisons are made, without a branch each: most windows fail one of them,
    // which one is hard to predict.
    const bool rises =
        (s[i] >= gates.level) & (s[i] > recent + gates.riseAbovePeak) & (s[i] > riseRatio * recent);
    if (!rises)
        return false;
    // The look-back maximum is the costly test, so it is taken only for a rise.
    const std::size_t from = i > lookBackWindows ? i - lookBackWindows : 0;
    const float localMax = std::max(0.0f, *std::max_element(s.begin() + from, s.begin() + i));
    return s[i] >= localMaximumShare * localMax;
}

std::vector<std::size_t> onsetWindows(const std::vector<float>& s, float peak) {
    std::vector<std::size_t> onsets;
    if (s.size() < 3)
        return onsets;
    const PeakGates gates(peak);
    // The first window that the refractory gap after the last onset allows.
    std::size_t allowed = 2;
    for (std::size_t i = 2; i < s.size(); ++i) {
        if (i >= allowed && isOnset(s, i, gates)) {
            onsets.push_back(i);
            allowed = i + refractoryWindows;
        }
    }
    return onsets;
}

// The value std::max_element finds, with its accumulator kept in a register.
float largestValue(const std::vector<float>& s) {
    float best = s.front();
    for (const float value : s)
        best = best < value ? value : best;
    return best;
}

// How far the envelope falls between the first two onsets, relative to the quieter one.
double firstGapRatio(const std::vector<float>& s, const std::vector<std::size_t>& onsets) {
    if (onsets.size() < 2 || onsets[1] <= onsets[0] + 2)
        return 1.0;
    const std::size_t a = onsets[0];
    const std::size_t b = onsets[1];
    const float lowest = *std::min_element(s.begin() + a + 1, s.begin() + b);
    const float quieter = std::max(std::min(s[a], s[b]), ratioFloor);
    return std::clamp(static_cast<double>(lowest / quieter), 0.0, 1.0);
}

}  // namespace

std::vector<float> smoothEnvelope(const std::vector<float>& envelope) {
    const std::size_t n = envelope.size();
    std::vector<float> smoothed(n, 0.0f);
    // Summed in double: float samples may be huge but finite, and five of them must not
    // overflow into infinity.
    const auto clippedMean = [&](std::size_t i) {
        const std::size_t lo = i >= 2 ? i - 2 : 0;
        const std::size_t hi = std::min(n, i + 3);
        double sum = 0.0;
        for (std::size_t j = lo; j < hi; ++j)
            sum += envelope[j];
        return static_cast<float>(sum / static_cast<double>(hi - lo));
    };
    const std::size_t interiorEnd = n >= 3 ? n - 2 : 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(2, n); ++i)
        smoothed[i] = clippedMean(i);
    // The same sums in the same order, written out so that the loop vectorises.
    const float* e = envelope.data();
    for (std::size_t i = 2; i < interiorEnd; ++i) {
        const double sum = 0.0 + e[i - 2] + e[i - 1] + e[i] + e[i + 1] + e[i + 2];
        smoothed[i] = static_cast<float>(sum / 5.0);
    }
    for (std::size_t i = std::max<std::size_t>(2, interiorEnd); i < n; ++i)
        smoothed[i] = clippedMean(i);
    return smoothed;
}

AudioStructure summariseOnsets(const std::vector<float>& smoothed, double duration) {
    AudioStructure structure;
    structure.duration = duration;
    const float peak = smoothed.empty() ? 0.0f : largestValue(smoothed);
    if (!(peak >= silenceFloor))
        return structure;

    const std::vector<std::size_t> onsets = onsetWindows(smoothed, peak);
    structure.onsetCount = static_cast<std::int32_t>(onsets.size());
    structure.onsetTimes.reserve(onsets.size());
    for (const std::size_t window : onsets)
        structure.onsetTimes.push_back(static_cast<double>(window) * secondsPerWindow);
    if (onsets.size() >= 2)
        structure.onsetSpan = (structure.onsetTimes.back() - structure.onsetTimes.front()) /
                              std::max(duration, durationFloor);
    structure.firstGapRatio = firstGapRatio(smoothed, onsets);
    return structure;
}

}  // namespace sv
