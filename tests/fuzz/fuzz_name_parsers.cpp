// The name parsers on arbitrary bytes: they must not crash, must keep their output
// invariants, and must agree with the same rules written with std::regex.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/inference/key_display.h"
#include "core/inference/key_parser.h"
#include "core/inference/metadata_parser.h"
#include "core/inference/name_folding.h"
#include "tests/inference/regex_name_reference.h"

namespace {

// The std::regex executor recurses per input byte; long inputs only go to the hand-written
// matchers.
constexpr std::size_t kReferenceLimit = 512;

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool isKeyText(const std::string& key) {
    if (key == "None")
        return true;
    std::string_view rest = key;
    if (rest.empty() || rest[0] < 'A' || rest[0] > 'G')
        return false;
    rest.remove_prefix(1);
    if (rest.starts_with("#"))
        rest.remove_prefix(1);
    return rest.empty() || rest == " min" || rest == " maj";
}

sv::AudioStructure structureFrom(std::string_view bytes) {
    sv::AudioStructure structure;
    if (bytes.size() >= 4) {
        structure.onsetCount = static_cast<unsigned char>(bytes[0]) % 6;
        structure.onsetSpan = static_cast<unsigned char>(bytes[1]) / 255.0;
        structure.duration = static_cast<unsigned char>(bytes[2]) / 25.0;
        structure.firstGapRatio = static_cast<unsigned char>(bytes[3]) / 255.0;
    }
    return structure;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    const sv::MetadataParser parser;

    const auto bpm = parser.parseBpm(name);
    require(!bpm || (*bpm >= 50 && *bpm <= 399));
    const std::string key = parser.parseKey(name);
    require(isKeyText(key));
    const std::string folded = sv::foldedName(name);
    require(folded.size() == name.size());
    const auto folderMatch = sv::folderKeyMatch(folded);

    if (size <= kReferenceLimit) {
        require(bpm == sv::testing::referenceBpm(name));
        require(key == sv::testing::referenceKey(name));
        const auto reference = sv::testing::referenceFolderKeyMatch(name);
        require(folderMatch.has_value() == reference.has_value());
        require(!folderMatch || std::string(*folderMatch) == *reference);
    }

    parser.parseInstrument(name);
    const auto compact = SVCompactKey(name);
    require(!compact || !compact->empty());
    const auto classification =
        parser.classifyDetailed(name, name, bpm, std::optional(structureFrom(name)));
    require(classification.type != sv::SampleType::Midi ||
            (classification.loopScore == 0 && classification.oneShotScore == 0));

    const sv::Sample sample = parser.parse("/nonexistent-library/" + name, "/nonexistent-library",
                                           std::nullopt);
    require(sample.library == "nonexistent-library");
    require(isKeyText(sample.musicalKey));
    return 0;
}
