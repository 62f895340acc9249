#pragma once

// The name rules written directly with std::regex, as a reference for the hand-written
// matchers of the inference. Used by the differential tests and the name fuzz target only.

#include <array>
#include <optional>
// GCC's sanitizer builds warn about uninitialised members inside the library's own
// regular-expression automaton; the warning is about the library, not this code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <string>

#include "core/inference/name_folding.h"

namespace sv::testing {

inline const std::regex& referencePattern(int which) {
    constexpr auto kFlags = std::regex::ECMAScript | std::regex::icase;
    static const std::array<std::regex, 7> patterns{
        std::regex(
            R"((?:\bbpm\s*(0?(?:[5-9]\d|[12]\d\d|3\d\d))\b)|(?:\b(0?(?:[5-9]\d|[12]\d\d|3\d\d))\s*bpm\b))",
            kFlags),
        std::regex(R"((\d+)bpm)", kFlags),
        std::regex(R"((?:^|\s)(\d{2,3})\s+[a-g](?:#|b)?m?(?=\s|\.|$))", kFlags),
        std::regex(R"((?:^|\s)(\d{2,3})\s+(?:(?:drum\s+)?loop)(?=\s|\.|$))", kFlags),
        std::regex(R"((?:^|\s)([a-gA-G])([#b]?)\s*(maj(?:or)?|min(?:or)?|m)(?=\s|\.|$))", kFlags),
        std::regex(R"((?:^|\s)([a-gA-G])([#b]?)(?=\s|\.|$))", kFlags),
        std::regex(R"((?:^|\s)(?:key\s+)?([a-g])([#b]?)(maj(?:or)?|min(?:or)?|m)(?=\s|$))", kFlags),
    };
    return patterns[static_cast<std::size_t>(which)];
}

inline bool inReferenceRange(long long value) {
    return value >= 50 && value <= 399;
}

inline std::optional<int> referenceBpm(const std::string& name) {
    const std::string folded = foldedName(name);
    std::smatch match;
    if (std::regex_search(folded, match, referencePattern(0)))
        return std::stoi(match[1].matched ? match[1].str() : match[2].str());
    if (std::regex_search(folded, match, referencePattern(1))) {
        const std::string digits = match[1].str();
        if (digits.size() <= 3 && inReferenceRange(std::stoi(digits)))
            return std::stoi(digits);
    }
    for (const int rule : {2, 3}) {
        if (std::regex_search(folded, match, referencePattern(rule))) {
            const int value = std::stoi(match[1].str());
            if (inReferenceRange(value))
                return value;
        }
    }
    return std::nullopt;
}

inline std::string referenceKeyText(const std::smatch& match, bool withQuality) {
    static const std::array<std::string, 7> kFlatToSharp{"G#", "A#", "B", "C#", "D#", "E", "F#"};
    std::string note(
        1, static_cast<char>(std::toupper(static_cast<unsigned char>(match[1].str()[0]))));
    const std::string accidental = match[2].str();
    if (accidental == "b")
        note = kFlatToSharp[static_cast<std::size_t>(note[0] - 'A')];
    else
        note += accidental;
    std::string quality = withQuality && match[3].matched ? match[3].str() : std::string();
    for (char& c : quality)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (quality == "m" || quality.rfind("min", 0) == 0)
        return note + " min";
    if (quality.rfind("maj", 0) == 0)
        return note + " maj";
    return note;
}

inline std::string referenceKey(const std::string& name) {
    const std::string folded = foldedName(name);
    std::smatch match;
    if (std::regex_search(folded, match, referencePattern(4)))
        return referenceKeyText(match, true);
    if (std::regex_search(folded, match, referencePattern(5)))
        return referenceKeyText(match, false);
    return "None";
}

// The whole text matched by the folder-key pattern in the folded folder name.
inline std::optional<std::string> referenceFolderKeyMatch(const std::string& folderName) {
    const std::string folded = foldedName(folderName);
    std::smatch match;
    if (std::regex_search(folded, match, referencePattern(6)))
        return match[0].str();
    return std::nullopt;
}

}  // namespace sv::testing
