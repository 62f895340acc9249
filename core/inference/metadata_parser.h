#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/inference/audio_structure.h"
#include "core/inference/type_classifier.h"
#include "core/records/sample.h"

namespace sv {

// Infers a sample's tempo, key, instrument, genres and type from its names, its folder
// path and its measured audio structure. Holds no state; one instance may serve any
// number of threads at once.
class MetadataParser {
  public:
    // Tempo in 50..399 from a file stem or folder name, or nothing.
    std::optional<std::int32_t> parseBpm(std::string_view name) const;

    // Key text such as 'A min', 'F#' or 'D# maj', or "None".
    std::string parseKey(std::string_view name) const;

    // Instrument label found in the text, or an empty string.
    std::string parseInstrument(std::string_view text) const;

    // Sample type from the file's extension, the context text (relative folder, a blank,
    // the stem), the tempo and the structure, with the scores that decided it.
    TypeClassification classifyDetailed(const std::filesystem::path& path, std::string_view context,
                                        std::optional<std::int32_t> bpm,
                                        const std::optional<AudioStructure>& structure) const;

    // The complete record of one file of the library at libraryRoot. Reads the file's
    // size and modification time; a failure leaves them 0.
    Sample parse(const std::filesystem::path& path, const std::filesystem::path& libraryRoot,
                 const std::optional<AudioStructure>& structure) const;
    // The same record with the size and time a caller read already: a scan reads them while
    // walking, and a second status query per file was a tenth of its analysis.
    Sample parse(const std::filesystem::path& path, const std::filesystem::path& libraryRoot,
                 const std::optional<AudioStructure>& structure, std::uint64_t fileSize,
                 std::int64_t modifiedAt) const;
};

}  // namespace sv
