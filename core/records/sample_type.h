#pragma once

#include <cstdint>
#include <string>

namespace sv {

// Kind of a sample. The strings are stored in the catalogue and shown to the user.
enum class SampleType : std::int32_t {
    Unknown = 0,
    Loop = 1,
    OneShot = 2,
    Midi = 3,
};

// "Loop", "One Shot", "MIDI"; every other value gives "Unknown".
std::string toString(SampleType type);

// Exact, case-sensitive inverse of toString; any other text gives Unknown.
SampleType sampleTypeFromString(const std::string& text);

}  // namespace sv
