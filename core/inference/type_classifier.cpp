#include "core/inference/type_classifier.h"

#include <algorithm>
#include <array>

namespace sv {
namespace {

constexpr std::array<std::string_view, 11> kLoopWords{
    "loop",        "loops",           "drum loop",  "melody loop",       "bass loop",
    "guitar loop", "percussion loop", "vocal loop", "construction loop", "phrase",
    "groove",
};

constexpr std::array<std::string_view, 3> kOneShotWords{"oneshot", "one shot", "one shots"};

constexpr std::array<std::string_view, 16> kDrumWords{
    "kick",   "snare", "clap", "hat",    "hihat", "hi hat", "ride", "crash",
    "cymbal", "tom",   "perc", "shaker", "rim",   "snap",   "808",  " fx",
};

constexpr std::int32_t kLoopWordScore = 120;
constexpr std::int32_t kOneShotWordScore = 85;
constexpr std::int32_t kDrumWordScore = 28;
constexpr std::int32_t kDecisionMargin = 15;

template <std::size_t N>
bool containsAny(std::string_view text, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [text](std::string_view word) {
        return text.find(word) != std::string_view::npos;
    });
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view lowerB) {
    if (a.size() != lowerB.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != lowerB[i])
            return false;
    }
    return true;
}

void addStructureEvidence(const AudioStructure& structure, bool tempoKnown,
                          TypeClassification& result) {
    const std::int32_t onsets = structure.onsetCount;
    const double span = structure.onsetSpan;
    const double gap = structure.firstGapRatio;
    const double duration = structure.duration;

    if (onsets >= 3) {
        if (span >= 0.3)
            result.loopScore += 100;
        else if (span >= 0.22)
            result.loopScore += 62;
    }
    if (onsets == 2) {
        if (duration >= 1.5 && duration <= 3.5 && span >= 0.18 && gap <= 0.58)
            result.loopScore += 82;
        else if (span >= 0.22)
            result.loopScore += 62;
    }
    if (onsets == 1)
        result.oneShotScore += 62;
    if (duration < 1.0)
        result.oneShotScore += 32;
    else if (duration < 2.5)
        result.oneShotScore += 15;
    else if (duration > 4.0 && onsets >= 2)
        result.loopScore += 18;
    if (tempoKnown && onsets >= 2 && span >= 0.22)
        result.loopScore += 20;
    if (onsets >= 3 && span >= 0.3)
        result.oneShotScore -= 35;
}

}  // namespace

std::string_view fileNameExtension(std::string_view fileName) {
    if (fileName == "." || fileName == "..")
        return {};
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return fileName.substr(dot);
}

TypeClassification classifyFolded(std::string_view extension, std::string_view foldedContext,
                                  std::optional<std::int32_t> bpm,
                                  const std::optional<AudioStructure>& structure) {
    TypeClassification result;
    if (equalsIgnoringAsciiCase(extension, ".mid") || equalsIgnoringAsciiCase(extension, ".midi")) {
        result.type = SampleType::Midi;
        return result;
    }
    const bool loopWord = containsAny(foldedContext, kLoopWords);
    result.loopScore = loopWord ? kLoopWordScore : 0;
    result.oneShotScore = containsAny(foldedContext, kOneShotWords) ? kOneShotWordScore : 0;
    if (containsAny(foldedContext, kDrumWords))
        result.oneShotScore += kDrumWordScore;
    if (structure)
        addStructureEvidence(*structure, bpm.has_value(), result);

    if (loopWord || result.loopScore >= result.oneShotScore + kDecisionMargin)
        result.type = SampleType::Loop;
    else if (result.oneShotScore >= result.loopScore + kDecisionMargin)
        result.type = SampleType::OneShot;
    else
        result.type = SampleType::Unknown;
    return result;
}

}  // namespace sv
