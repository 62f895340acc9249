// The hand-written name matchers against the same rules written with std::regex, on many
// generated names.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>

#include "core/inference/key_parser.h"
#include "core/inference/metadata_parser.h"
#include "core/inference/name_folding.h"
#include "tests/inference/regex_name_reference.h"

namespace {

const sv::MetadataParser kParser;

constexpr std::string_view kPieces[] = {
    "bpm",   "BPM", "Bpm", "bp", "pm",  "loop", "Loop", "loops", "drum", "Drum", "key",   "KEY",
    "a",     "B",   "c",   "d",  "e",   "F",    "g",    "h",     "m",    "maj",  "major", "min",
    "minor", "#",   "b",   "0",  "00",  "5",    "09",   "50",    "92",   "120",  "399",   "400",
    "1200",  "049", "7",   "Am", "C#m", "Ebm",  "kick", "fx",    "x",    "é",    "Pad",   "keys",
};

constexpr std::string_view kSeparators[] = {"", "", " ", "  ", "_", "-", ".", "/", "\t"};

std::string generatedName(std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> count(0, 7);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<std::size_t> separator(0, std::size(kSeparators) - 1);
    std::string name;
    for (std::size_t i = count(random); i > 0; --i) {
        name += kPieces[piece(random)];
        name += kSeparators[separator(random)];
    }
    return name;
}

constexpr int kNames = 60000;

TEST(NamePatternDifferential, TempoMatchesTheRegularExpressions) {
    std::mt19937 random(20240601);
    for (int i = 0; i < kNames; ++i) {
        const std::string name = generatedName(random);
        ASSERT_EQ(kParser.parseBpm(name), sv::testing::referenceBpm(name))
            << "name: '" << name << "'";
    }
}

TEST(NamePatternDifferential, KeyMatchesTheRegularExpressions) {
    std::mt19937 random(7);
    for (int i = 0; i < kNames; ++i) {
        const std::string name = generatedName(random);
        ASSERT_EQ(kParser.parseKey(name), sv::testing::referenceKey(name))
            << "name: '" << name << "'";
    }
}

TEST(NamePatternDifferential, FolderKeyMatchesTheRegularExpression) {
    std::mt19937 random(99);
    for (int i = 0; i < kNames; ++i) {
        const std::string name = generatedName(random);
        const std::string folded = sv::foldedName(name);
        const auto mine = sv::folderKeyMatch(folded);
        const auto reference = sv::testing::referenceFolderKeyMatch(name);
        ASSERT_EQ(mine.has_value(), reference.has_value()) << "folder: '" << name << "'";
        if (mine) {
            ASSERT_EQ(std::string(*mine), *reference) << "folder: '" << name << "'";
        }
    }
}

TEST(NamePatternDifferential, HandPickedNamesAgree) {
    const char* names[] = {
        "bpm",
        "120",
        "bpm120bpm",
        "120bpm120",
        "x 120bpm",
        "0120bpm",
        "bpm 0399",
        "bpm\t\t90",
        "90\vbpm",
        "a92 am",
        " 92 am",
        "92  am.",
        "92 a#m",
        "92 abm",
        "92 a#",
        "92 am#",
        "100 drum\tloop",
        "100 drumloop",
        "100 drum  loop.x",
        "key am",
        "key  c#min",
        "keyam",
        " key ebm",
        "a b",
        "cm.",
        "c m",
        "c  major ",
        "cmaj.",
        "d#minor",
        "ebmajor x",
        "\xE9 90 am",
        "90bpm\xE9",
        "bpm90_",
        "_bpm90",
        "bpm90a",
    };
    for (const std::string name : names) {
        EXPECT_EQ(kParser.parseBpm(name), sv::testing::referenceBpm(name)) << "'" << name << "'";
        EXPECT_EQ(kParser.parseKey(name), sv::testing::referenceKey(name)) << "'" << name << "'";
        const std::string folded = sv::foldedName(name);
        const auto mine = sv::folderKeyMatch(folded);
        const auto reference = sv::testing::referenceFolderKeyMatch(name);
        EXPECT_EQ(mine ? std::optional<std::string>(std::string(*mine)) : std::nullopt, reference)
            << "'" << name << "'";
    }
}

}  // namespace
