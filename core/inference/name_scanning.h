#pragma once

// Character tests and small cursor helpers for the hand-written name patterns. They follow
// the classes of the ECMAScript regular-expression grammar in the C locale: \s is one of
// blank, \t, \n, \v, \f, \r; \w is an ASCII letter, digit or '_'; \d an ASCII digit. Bytes
// outside ASCII belong to none of them.

#include <cstddef>
#include <string_view>

namespace sv::names {

constexpr bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool isWordChar(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// A note letter a..g in either case (the patterns are case-insensitive).
constexpr bool isNoteLetter(char c) {
    return (c >= 'a' && c <= 'g') || (c >= 'A' && c <= 'G');
}

// True at a position where (?:^|\s) can end: the start, or just after a whitespace byte.
constexpr bool startsWord(std::string_view s, std::size_t i) {
    return i == 0 || isSpace(s[i - 1]);
}

// The look-ahead (?=\s|\.|$).
constexpr bool endsTokenOrDot(std::string_view s, std::size_t i) {
    return i >= s.size() || isSpace(s[i]) || s[i] == '.';
}

// The look-ahead (?=\s|$).
constexpr bool endsToken(std::string_view s, std::size_t i) {
    return i >= s.size() || isSpace(s[i]);
}

// \b: a word character on exactly one side of position i.
constexpr bool isWordBoundary(std::string_view s, std::size_t i) {
    const bool before = i > 0 && isWordChar(s[i - 1]);
    const bool after = i < s.size() && isWordChar(s[i]);
    return before != after;
}

constexpr bool hasAt(std::string_view s, std::size_t i, std::string_view word) {
    return i <= s.size() && s.substr(i, word.size()) == word;
}

constexpr std::size_t skipSpaces(std::string_view s, std::size_t i) {
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

constexpr std::size_t skipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

// Decimal value of a short run of digits (the callers bound its length first).
constexpr int digitValue(std::string_view digits) {
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

}  // namespace sv::names
