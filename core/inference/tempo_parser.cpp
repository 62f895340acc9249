// The tempo rules, written by hand for speed. Each function reproduces one leftmost search
// of the regular expression quoted above it, ECMAScript grammar, on folded text.
#include "core/inference/tempo_parser.h"

#include "core/inference/name_scanning.h"

namespace sv {
namespace {

using namespace names;

constexpr int kMinTempo = 50;
constexpr int kMaxTempo = 399;

bool inTempoRange(int value) {
    return value >= kMinTempo && value <= kMaxTempo;
}

// 0?(?:[5-9]\d|[12]\d\d|3\d\d) matching the whole digit run.
std::optional<int> explicitTempoNumber(std::string_view run) {
    if (run.size() == 3 || run.size() == 4) {
        if (run[0] == '0') {
            run.remove_prefix(1);
        }
    }
    if (run.size() == 2 && run[0] >= '5' && run[0] <= '9')
        return digitValue(run);
    if (run.size() == 3 && run[0] >= '1' && run[0] <= '3')
        return digitValue(run);
    return std::nullopt;
}

// (?:\bbpm\s*(NUMBER)\b)|(?:\b(NUMBER)\s*bpm\b)
// Both alternatives start at a word boundary before a word character. The number is a
// whole run of digits: in the first alternative \b must follow it, in the second \s*bpm.
std::optional<int> explicitBpm(std::string_view s) {
    for (std::size_t p = 0; p < s.size(); ++p) {
        if (!isWordChar(s[p]) || (p > 0 && isWordChar(s[p - 1])))
            continue;
        if (hasAt(s, p, "bpm")) {
            const std::size_t digits = skipSpaces(s, p + 3);
            const std::size_t end = skipDigits(s, digits);
            if (end > digits && (end == s.size() || !isWordChar(s[end]))) {
                if (const auto value = explicitTempoNumber(s.substr(digits, end - digits)))
                    return value;
            }
        } else if (isDigit(s[p])) {
            const std::size_t end = skipDigits(s, p);
            const std::size_t word = skipSpaces(s, end);
            if (hasAt(s, word, "bpm") && isWordBoundary(s, word + 3)) {
                if (const auto value = explicitTempoNumber(s.substr(p, end - p)))
                    return value;
            }
        }
    }
    return std::nullopt;
}

// (\d+)bpm: the first "bpm" with a digit right before it; the capture is the whole run of
// digits before it. Only that match is judged. The run's length is checked before any
// conversion, so a long run can neither overflow nor throw.
std::optional<int> gluedBpm(std::string_view s) {
    for (std::size_t at = s.find("bpm"); at != std::string_view::npos; at = s.find("bpm", at + 1)) {
        if (at == 0 || !isDigit(s[at - 1]))
            continue;
        std::size_t start = at;
        while (start > 0 && isDigit(s[start - 1]))
            --start;
        const std::string_view run = s.substr(start, at - start);
        if (run.size() <= 3 && inTempoRange(digitValue(run)))
            return digitValue(run);
        return std::nullopt;
    }
    return std::nullopt;
}

// The (\d{2,3})\s+ head shared by the key and loop rules, at a position where (?:^|\s)
// ends. Returns the end of the number, or npos.
std::size_t shortNumberFollowedBySpace(std::string_view s, std::size_t q) {
    const std::size_t end = skipDigits(s, q);
    const std::size_t length = end - q;
    if (length < 2 || length > 3 || end >= s.size() || !isSpace(s[end]))
        return std::string_view::npos;
    return end;
}

// [a-g](?:#|b)?m?(?=\s|\.|$) at r, with the backtracking of the optional parts.
bool keyNameAt(std::string_view s, std::size_t r) {
    if (r >= s.size() || !isNoteLetter(s[r]))
        return false;
    const std::size_t afterNote = r + 1;
    const bool accidental = afterNote < s.size() && (s[afterNote] == '#' || s[afterNote] == 'b');
    if (accidental) {
        if (hasAt(s, afterNote + 1, "m") && endsTokenOrDot(s, afterNote + 2))
            return true;
        if (endsTokenOrDot(s, afterNote + 1))
            return true;
    }
    if (hasAt(s, afterNote, "m") && endsTokenOrDot(s, afterNote + 1))
        return true;
    return endsTokenOrDot(s, afterNote);
}

// (?:(?:drum\s+)?loop)(?=\s|\.|$) at r.
bool loopWordAt(std::string_view s, std::size_t r) {
    if (hasAt(s, r, "drum") && r + 4 < s.size() && isSpace(s[r + 4])) {
        const std::size_t loop = skipSpaces(s, r + 4);
        if (hasAt(s, loop, "loop") && endsTokenOrDot(s, loop + 4))
            return true;
    }
    return hasAt(s, r, "loop") && endsTokenOrDot(s, r + 4);
}

// (?:^|\s)(\d{2,3})\s+TAIL: the capture of the leftmost match, judged once.
template <typename Tail>
std::optional<int> numberBefore(std::string_view s, Tail tail) {
    for (std::size_t q = 0; q < s.size(); ++q) {
        if (!isDigit(s[q]) || !startsWord(s, q))
            continue;
        const std::size_t end = shortNumberFollowedBySpace(s, q);
        if (end == std::string_view::npos || !tail(s, skipSpaces(s, end)))
            continue;
        const int value = digitValue(s.substr(q, end - q));
        if (inTempoRange(value))
            return value;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> tempoFromFoldedName(std::string_view folded) {
    if (const auto value = explicitBpm(folded))
        return value;
    if (const auto value = gluedBpm(folded))
        return value;
    if (const auto value = numberBefore(folded, keyNameAt))
        return value;
    if (const auto value = numberBefore(folded, loopWordAt))
        return value;
    return std::nullopt;
}

}  // namespace sv
