#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/inference/instrument_normalization.h"
#include "core/inference/metadata_parser.h"
#include "core/inference/name_folding.h"

namespace {

const sv::MetadataParser kParser;

struct BpmCase {
    std::string name;
    std::optional<int> bpm;
};

TEST(NameFolding, SeparatorsBecomeBlanksAndLettersLowerCase) {
    EXPECT_EQ(sv::foldedName("Dark-Keys/92\\BPM_Am.Alt #1"), "dark keys 92 bpm am.alt #1");
    EXPECT_EQ(sv::foldedName("  Two  Blanks "), "  two  blanks ");
    EXPECT_EQ(sv::foldedName("\xC3\x89t\xC3\xA9"), "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(sv::foldedName(""), "");
}

TEST(TempoParser, NamesAndTheirTempo) {
    const BpmCase cases[] = {
        {"Dark Keys 92 BPM Am", 92},
        {"bpm_128_kick", 128},
        {"Synth-Loop-140bpm", 140},
        {"Loop140BPM", 140},
        {"Loop1400bpm", std::nullopt},
        {"092 bpm", 92},
        {"0092 bpm", std::nullopt},
        {"Piano 85 C#m", 85},
        {"Piano 85 C#m7", std::nullopt},
        {"Piano 85 H", std::nullopt},
        {"Funk 100 Drum Loop", 100},
        {"funk_100_loop", 100},
        {"Funk 100 Loops", std::nullopt},
        {"Kick 120", std::nullopt},
        {"Vocal 49 bpm", std::nullopt},
        {"Vocal 400 bpm", std::nullopt},
        {"1000 bpm", std::nullopt},
        {"40bpm", std::nullopt},
        {"Pad 90 A.alt", 90},
        {"", std::nullopt},
        {"snare 2023", std::nullopt},
        {"bass 24bit", std::nullopt},
        {"loop120 bpm", std::nullopt},
        {"loop120bpm", 120},
        {"x1200bpm", std::nullopt},
        {"BPM120", 120},
        {"bpm 050", 50},
        {"399bpm", 399},
        {"50 BPM", 50},
        {"Loop 1234567890123bpm", std::nullopt},
        {"Loop 99999999999999999999999999bpm 120", std::nullopt},
        {"bpm 99999999999999999999999", std::nullopt},
        {"10 a 92 am", std::nullopt},  // only the leftmost match of a rule is judged
        {"Keys 85 Eb.wav", 85},
        {"Beat 120 drum  loop", 120},
        {"Lead 128bpm 90 Am", 128},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kParser.parseBpm(c.name), c.bpm) << "name: '" << c.name << "'";
}

struct KeyCase {
    std::string name;
    std::string key;
};

TEST(KeyParser, NamesAndTheirKey) {
    const KeyCase cases[] = {
        {"Keys 92 Am", "A min"},
        {"Keys 92 A Minor", "A min"},
        {"Bass_F#_min", "F# min"},
        {"Lead Eb Major", "D# maj"},
        {"Pad Cmaj", "C maj"},
        {"Bbm Chords", "A# min"},
        {"Stab Cb", "B"},
        {"Stab Fb", "E"},
        {"Stab Ab", "G#"},
        {"Stab Gb", "F#"},
        {"Stab Db", "C#"},
        {"Arp C#m7", "None"},
        {"Hit A.alt", "A"},
        {"Kick 01", "None"},
        {"", "None"},
        {"Guitar E", "E"},
        {"a day", "A"},
        {"Synth Am Dm", "A min"},
        {"Bm", "B min"},
        {"Pluck D  minor", "D min"},
        {"Pluck d#maj.wav", "D# maj"},
        {"Hit G#", "G#"},
        {"Brass H", "None"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kParser.parseKey(c.name), c.key) << "name: '" << c.name << "'";
}

struct InstrumentCase {
    std::string text;
    std::string instrument;
};

TEST(InstrumentParser, TextsAndTheirInstrument) {
    const InstrumentCase cases[] = {
        {"Bassline", "Bass"},
        {"Percussion Loop", "Percussion"},
        {"Synth Bass", "Bass"},
        {"808 Kick", "808"},
        {"Kick Bass", "Kick"},
        {"Open HiHat", "HiHat"},
        {"Open Hat", "Open Hat"},
        {"Hi-Hat 02", "HiHat"},
        {"Piano Keys", "Piano"},
        {"Bells", "Bell"},
        {"String Pad", "Pad"},
        {"FX Riser", "FX"},
        {"Riser_FX", "FX"},
        {"SFX Hit", ""},
        {"Fxtra", ""},
        {" ", ""},
        {"Kick 01 Drums", "Kick"},
        {"Loop 03 Synth Loops", "Synth"},
        {"perc_shaker", "Percussion"},
        {"Hat Open Misc", ""},
        {"fx ", "FX"},
        {"fx", "FX"},
        {"Vocal Chop", "Vocal"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kParser.parseInstrument(c.text), c.instrument) << "text: '" << c.text << "'";
}

TEST(InstrumentNormalization, UserNamesAndTheirCanonicalLabel) {
    const InstrumentCase cases[] = {
        {"Hats", "HiHat"},        {"KEY", "Keys"},       {"S.F.X.", "FX"},
        {"Vocals ", "Vocal"},     {"snare", "Snare"},    {"\xC3\xA9-piano", "\xC3\xA9-piano"},
        {"Hi-Hat", "HiHat"},      {"hi hat", "HiHat"},   {"bass", "Bass"},
        {"Open Hat", "Open Hat"}, {"808", "808"},        {"", ""},
        {"perc", "Percussion"},   {"Cymbals", "Cymbal"}, {"keyboard", "Keys"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sv::normalizedInstrument(c.text), c.instrument) << "name: '" << c.text << "'";
}

}  // namespace
