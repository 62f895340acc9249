#pragma once

#include <vector>

#include "core/inference/audio_structure.h"

namespace sv {

// Centred moving average over five windows (two before, two after, clipped at the ends).
std::vector<float> smoothEnvelope(const std::vector<float>& envelope);

// Onsets of a smoothed 10 ms envelope and their summary for audio of `duration` seconds.
AudioStructure summariseOnsets(const std::vector<float>& smoothed, double duration);

}  // namespace sv
