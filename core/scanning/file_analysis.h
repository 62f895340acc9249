#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/records/sample.h"

namespace sv {

class AudioStructureAnalyzer;
class MetadataParser;

// The record a scan stores for one file: its audio measured (WAV files) and its metadata
// inferred from its name and folders, with the size and time the walk read.
//
// A file that yields no audio structure may simply not be a WAV file, or it may have gone with
// its drive since the walk saw it. A record stored then would lack the analysis, and the next
// scan would find its size and time unchanged and never measure it again, so a file that is
// gone throws "Scan incomplete; old entries preserved: " and the system's error text instead.
Sample analyseFile(const AudioStructureAnalyzer& analyzer, const MetadataParser& parser,
                   const std::string& path, const std::filesystem::path& libraryRoot,
                   std::uint64_t size, std::int64_t modifiedAt);

}  // namespace sv
