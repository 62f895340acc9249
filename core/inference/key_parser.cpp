// The key patterns, written by hand for speed. Each function reproduces one leftmost
// search of the regular expression quoted above it, ECMAScript grammar, on folded text.
#include "core/inference/key_parser.h"

#include <array>

#include "core/inference/name_scanning.h"

namespace sv {
namespace {

using namespace names;

constexpr std::string_view kNoKey = "None";

// Sharp spelling of each note letter followed by "b".
constexpr std::array<std::string_view, 7> kFlatToSharp{
    "G#",  // Ab
    "A#",  // Bb
    "B",   // Cb
    "C#",  // Db
    "D#",  // Eb
    "E",   // Fb
    "F#",  // Gb
};

struct KeyMatch {
    char note = 0;
    std::string_view accidental;
    std::string_view quality;
    std::size_t end = 0;  // one past the matched text
};

char upperNote(char c) {
    return (c >= 'a' && c <= 'g') ? static_cast<char>(c - 'a' + 'A') : c;
}

// [#b]? glued to the note at i: both patterns only succeed when it is consumed.
std::size_t accidentalEnd(std::string_view s, std::size_t i) {
    return (i < s.size() && (s[i] == '#' || s[i] == 'b')) ? i + 1 : i;
}

// (maj(?:or)?|min(?:or)?|m) at i followed by the given look-ahead; alternatives and the
// greedy optional "or" in the order the pattern tries them.
template <typename LookAhead>
std::optional<std::string_view> qualityAt(std::string_view s, std::size_t i, LookAhead ends) {
    static constexpr std::array<std::string_view, 5> kTried{"major", "maj", "minor", "min", "m"};
    for (const std::string_view word : kTried) {
        if (hasAt(s, i, word) && ends(s, i + word.size()))
            return s.substr(i, word.size());
    }
    return std::nullopt;
}

// (?:^|\s)([a-gA-G])([#b]?)\s*(maj(?:or)?|min(?:or)?|m)(?=\s|\.|$)
std::optional<KeyMatch> keyWithQuality(std::string_view s) {
    for (std::size_t q = 0; q < s.size(); ++q) {
        if (!isNoteLetter(s[q]) || !startsWord(s, q))
            continue;
        const std::size_t accidental = accidentalEnd(s, q + 1);
        const std::size_t qualityStart = skipSpaces(s, accidental);
        if (const auto quality = qualityAt(s, qualityStart, endsTokenOrDot)) {
            return KeyMatch{s[q], s.substr(q + 1, accidental - q - 1), *quality,
                            qualityStart + quality->size()};
        }
    }
    return std::nullopt;
}

// (?:^|\s)([a-gA-G])([#b]?)(?=\s|\.|$)
std::optional<KeyMatch> bareNote(std::string_view s) {
    for (std::size_t q = 0; q < s.size(); ++q) {
        if (!isNoteLetter(s[q]) || !startsWord(s, q))
            continue;
        const std::size_t accidental = accidentalEnd(s, q + 1);
        if (endsTokenOrDot(s, accidental))
            return KeyMatch{s[q], s.substr(q + 1, accidental - q - 1), {}, accidental};
    }
    return std::nullopt;
}

std::string keyText(const KeyMatch& match) {
    std::string key;
    const char note = upperNote(match.note);
    if (match.accidental == "b") {
        key = kFlatToSharp[static_cast<std::size_t>(note - 'A')];
    } else {
        key.push_back(note);
        key.append(match.accidental);
    }
    // The quality is lower case already: the text was folded and the words are fixed.
    if (match.quality == "m" || match.quality.starts_with("min"))
        key += " min";
    else if (match.quality.starts_with("maj"))
        key += " maj";
    return key;
}

}  // namespace

std::string keyFromFoldedName(std::string_view folded) {
    if (const auto match = keyWithQuality(folded))
        return keyText(*match);
    if (const auto match = bareNote(folded))
        return keyText(*match);
    return std::string(kNoKey);
}

// (?:^|\s)(?:key\s+)?([a-g])([#b]?)(maj(?:or)?|min(?:or)?|m)(?=\s|$)
std::optional<std::string_view> folderKeyMatch(std::string_view s) {
    for (std::size_t q = 0; q < s.size(); ++q) {
        if (!startsWord(s, q))
            continue;
        std::size_t note = q;
        if (hasAt(s, q, "key") && q + 3 < s.size() && isSpace(s[q + 3]))
            note = skipSpaces(s, q + 3);
        if (note >= s.size() || !isNoteLetter(s[note]))
            continue;
        const std::size_t qualityStart = accidentalEnd(s, note + 1);
        if (const auto quality = qualityAt(s, qualityStart, endsToken)) {
            const std::size_t start = q == 0 ? 0 : q - 1;
            return s.substr(start, qualityStart + quality->size() - start);
        }
    }
    return std::nullopt;
}

}  // namespace sv
