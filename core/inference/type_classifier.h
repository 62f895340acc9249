#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/inference/audio_structure.h"
#include "core/records/sample_type.h"

namespace sv {

// The decision of the sample-type classifier with the two scores it weighed.
struct TypeClassification {
    SampleType type = SampleType::Unknown;
    std::int32_t loopScore = 0;
    std::int32_t oneShotScore = 0;
};

// Extension of a file name from its last dot, dot included; empty when the name has no
// dot after its first character (and for "." and "..").
std::string_view fileNameExtension(std::string_view fileName);

// Classifies a file by its extension, its folded context text (folder path and stem), its
// tempo and its measured structure.
TypeClassification classifyFolded(std::string_view extension, std::string_view foldedContext,
                                  std::optional<std::int32_t> bpm,
                                  const std::optional<AudioStructure>& structure);

}  // namespace sv
