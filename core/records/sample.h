#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/records/sample_type.h"

namespace sv {

// One indexed audio or MIDI file.
struct Sample {
    std::int64_t id = 0;
    std::string path;
    std::string filename;
    std::string library;  // last component of the library root folder
    std::string genre;    // inferred genre, or every stored genre joined with ", "
    std::string instrument;
    std::string musicalKey;  // "None" when no key was found by the inference
    SampleType type = SampleType::Unknown;
    SampleType autoDetectedType = SampleType::Unknown;
    std::optional<SampleType> userOverrideType;
    std::optional<std::int32_t> bpm;
    std::optional<double> duration;  // seconds, only for measured WAV files
    std::uint64_t fileSize = 0;
    std::int64_t modifiedAt = 0;  // whole Unix seconds
    bool favorite = false;
    std::vector<std::string> tags;  // every genre word found; never stored
};

}  // namespace sv
