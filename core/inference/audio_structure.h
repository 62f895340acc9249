#pragma once

#include <cstdint>
#include <vector>

namespace sv {

// Onset summary of a measured WAV file; see AudioStructureAnalyzer.
struct AudioStructure {
    double duration = 0.0;
    std::int32_t onsetCount = 0;
    std::vector<double> onsetTimes;
    double onsetSpan = 0.0;
    double firstGapRatio = 1.0;
};

}  // namespace sv
