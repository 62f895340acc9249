#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/inference/key_display.h"

namespace {

struct CompactCase {
    std::string key;
    std::optional<std::string> compact;
};

TEST(KeyDisplay, CompactForms) {
    const CompactCase cases[] = {
        {"C min", "CMIN"},
        {"F# maj", "F#MAJ"},
        {"A#", "A#"},
        {"A minor", "Am"},
        {"Am", "Am"},
        {"E major", "E"},
        {"D# min", "D#MIN"},
        {" am ", "Am"},
        {"Cm", "Cm"},
        {"major", std::nullopt},
        {"m", std::nullopt},
        {"None", std::nullopt},
        {"none", std::nullopt},
        {"NONE", std::nullopt},
        {"Unknown", std::nullopt},
        {"uNKNOWN", std::nullopt},
        {"", std::nullopt},
        {"\tG\n#\r m", "G#m"},
        {"A\xC2\xA0min", "AMIN"},      // no-break space
        {"B\xE3\x80\x80minor", "Bm"},  // ideographic space
        {"F\xE2\x80\xA8#", "F#"},      // line separator
        {"\xC3\xA9m", "\xC3\xA9m"},    // other characters are kept
        {"C\xFF min", "C\xFFMIN"},     // a stray byte is kept
    };
    for (const auto& c : cases)
        EXPECT_EQ(SVCompactKey(c.key), c.compact) << "key: '" << c.key << "'";
}

TEST(KeyDisplay, DisplayKeyOfSample) {
    sv::Sample sample;
    sample.musicalKey = "None";
    EXPECT_EQ(SVDisplayKey(sample), "--");
    sample.musicalKey = "";
    EXPECT_EQ(SVDisplayKey(sample), "--");
    sample.musicalKey = "A min";
    EXPECT_EQ(SVDisplayKey(sample), "AMIN");
    sample.musicalKey = "G# minor";
    EXPECT_EQ(SVDisplayKey(sample), "G#m");
}

}  // namespace
