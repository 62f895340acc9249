#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/inference/metadata_parser.h"

namespace {

const sv::MetadataParser kParser;

sv::AudioStructure structure(int onsets, double span, double duration, double gap = 1.0) {
    sv::AudioStructure s;
    s.onsetCount = onsets;
    s.onsetSpan = span;
    s.duration = duration;
    s.firstGapRatio = gap;
    return s;
}

struct TypeCase {
    std::string path;
    std::string context;
    std::optional<int> bpm;
    std::optional<sv::AudioStructure> structure;
    sv::SampleType type;
    int loopScore;
    int oneShotScore;
};

TEST(TypeClassifier, EvidenceAndDecision) {
    using sv::SampleType;
    const TypeCase cases[] = {
        {"/l/Loop.MIDI", "Loops Loop", 120, structure(6, 0.9, 10.0), SampleType::Midi, 0, 0},
        {"/l/x.Mid", "x", {}, {}, SampleType::Midi, 0, 0},
        {"/l/song.midi.wav", "song.midi", {}, {}, SampleType::Unknown, 0, 0},
        {"/l/k.wav", "Drums/Kicks Kick 01", {}, {}, SampleType::OneShot, 0, 28},
        {"/l/p.wav", "Pads Warm Pad", {}, {}, SampleType::Unknown, 0, 0},
        {"/l/m.wav", "Melodies Keys 92 Am", 92, structure(6, 0.9, 10.4), SampleType::Loop, 138,
         -35},
        {"/l/r.wav", "Risers Up 01", {}, structure(1, 0.0, 3.0), SampleType::OneShot, 0, 62},
        {"/l/r.wav", "Sounds FX Riser", {}, structure(1, 0.0, 3.0), SampleType::OneShot, 0, 90},
        {"/l/r.wav", "FXRiser", {}, structure(1, 0.0, 3.0), SampleType::OneShot, 0, 62},
        {"/l/s.wav", "Kits Snare Roll", {}, structure(2, 0.5, 3.0, 0.4), SampleType::Loop, 82, 28},
        {"/l/a.wav", "Loopable", {}, structure(1, 0.0, 0.2), SampleType::Loop, 120, 94},
        {"/l/a.wav", "Looper", {}, {}, SampleType::Loop, 120, 0},
        {"/l/v.wav", "Custom Vox", {}, {}, SampleType::OneShot, 0, 28},
        {"/l/z.wav", "Misc", {}, structure(0, 0.0, 3.0), SampleType::Unknown, 0, 0},
        // Score difference of exactly 15 decides; 14 does not.
        {"/l/z.wav", "Misc", {}, structure(3, 0.22, 2.0), SampleType::Loop, 62, 15},
        {"/l/z.wav", "Misc", {}, structure(2, 0.18, 3.5, 0.58), SampleType::Loop, 82, 0},
        {"/l/z.wav", "Misc", {}, structure(2, 0.18, 3.51, 0.58), SampleType::Unknown, 0, 0},
        {"/l/z.wav", "Misc", {}, structure(2, 0.18, 3.5, 0.59), SampleType::Unknown, 0, 0},
        {"/l/z.wav", "Misc", {}, structure(2, 0.18, 1.49, 0.2), SampleType::OneShot, 0, 15},
        {"/l/z.wav", "Misc", 120, structure(2, 0.22, 5.0), SampleType::Loop, 100, 0},
        {"/l/z.wav", "Misc", 120, structure(2, 0.21, 5.0), SampleType::Loop, 18, 0},
        {"/l/z.wav", "Misc", {}, structure(3, 0.3, 0.5), SampleType::Loop, 100, -3},
        {"/l/z.wav", "Misc", {}, structure(4, 0.1, 2.5), SampleType::Unknown, 0, 0},
        {"/l/z.wav", "Misc", {}, structure(4, 0.1, 0.99), SampleType::OneShot, 0, 32},
        {"/l/o.wav", "One Shots Loop", {}, {}, SampleType::Loop, 120, 85},
        {"/l/o.wav", "oneshot", {}, {}, SampleType::OneShot, 0, 85},
        {"/l/o.wav", "Vocal Phrase", {}, {}, SampleType::Loop, 120, 0},
        {"/l/o.wav", "Hat Kick 808 snare", {}, {}, SampleType::OneShot, 0, 28},
        {"/l/o", "Groove", {}, {}, SampleType::Loop, 120, 0},
    };
    for (const auto& c : cases) {
        const sv::TypeClassification result =
            kParser.classifyDetailed(c.path, c.context, c.bpm, c.structure);
        EXPECT_EQ(result.type, c.type) << c.path << " '" << c.context << "'";
        EXPECT_EQ(result.loopScore, c.loopScore) << c.path << " '" << c.context << "'";
        EXPECT_EQ(result.oneShotScore, c.oneShotScore) << c.path << " '" << c.context << "'";
    }
}

TEST(TypeClassifier, MarginOfFifteenDecidesEitherWay) {
    const auto loop = kParser.classifyDetailed("/a/x.wav", "oneshot", 120, structure(2, 0.22, 5.0));
    EXPECT_EQ(loop.loopScore, 100);
    EXPECT_EQ(loop.oneShotScore, 85);
    EXPECT_EQ(loop.type, sv::SampleType::Loop);

    const auto oneShot = kParser.classifyDetailed("/a/x.wav", "misc", {}, structure(0, 0.0, 1.5));
    EXPECT_EQ(oneShot.oneShotScore, 15);
    EXPECT_EQ(oneShot.type, sv::SampleType::OneShot);
}

TEST(TypeClassifier, MidiExtensionIsCaseInsensitiveAndNeedsAStem) {
    EXPECT_EQ(kParser.classifyDetailed("/a/B.MiDi", "", {}, {}).type, sv::SampleType::Midi);
    EXPECT_EQ(kParser.classifyDetailed("/a/.mid", "", {}, {}).type, sv::SampleType::Unknown);
    EXPECT_EQ(kParser.classifyDetailed("/a/mid", "", {}, {}).type, sv::SampleType::Unknown);
    EXPECT_EQ(kParser.classifyDetailed("/a/x.mid.bak", "", {}, {}).type, sv::SampleType::Unknown);
}

}  // namespace
