#pragma once

#include <filesystem>
#include <optional>

#include "core/inference/audio_structure.h"

namespace sv {

// Measures an uncompressed WAV file: a 10 ms peak envelope, smoothed, and the onsets found in
// it. Integer PCM of 8, 16, 24 or 32 bits and 32-bit float are measured; every other file
// (other formats, malformed or truncated WAV files, unreadable paths) gives an absent result.
// Stateless; safe to call concurrently.
class AudioStructureAnalyzer {
  public:
    std::optional<AudioStructure> analyze(const std::filesystem::path& path) const;
};

}  // namespace sv
