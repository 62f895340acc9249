#include <gtest/gtest.h>

#include "core/records/sample.h"
#include "core/records/sample_type.h"

namespace sv {
namespace {

TEST(SampleType, StringsRoundTripForEveryValue) {
    for (int value = 0; value <= 3; ++value) {
        const auto type = static_cast<SampleType>(value);
        EXPECT_EQ(sampleTypeFromString(toString(type)), type) << value;
    }
    EXPECT_EQ(toString(SampleType::OneShot), "One Shot");
    EXPECT_EQ(toString(static_cast<SampleType>(7)), "Unknown");
    EXPECT_EQ(toString(static_cast<SampleType>(-1)), "Unknown");
}

TEST(SampleType, ParsingIsExactAndCaseSensitive) {
    for (const char* text :
         {"loop", "Midi", "ONE SHOT", "One  Shot", " Loop", "", "Unknown", "Loop ", "midi"}) {
        EXPECT_EQ(sampleTypeFromString(text), SampleType::Unknown) << '"' << text << '"';
    }
}

TEST(Sample, DefaultRecordIsEmpty) {
    const Sample sample;
    EXPECT_EQ(sample.id, 0);
    EXPECT_FALSE(sample.bpm.has_value());
    EXPECT_FALSE(sample.duration.has_value());
    EXPECT_FALSE(sample.userOverrideType.has_value());
    EXPECT_EQ(sample.type, SampleType::Unknown);
    EXPECT_FALSE(sample.favorite);
}

TEST(Sample, MovingLeavesTheSourceEmpty) {
    Sample source;
    source.path = "/Lib/Kick.wav";
    source.tags = {"trap", "house"};
    const Sample moved = std::move(source);
    EXPECT_EQ(moved.path, "/Lib/Kick.wav");
    EXPECT_TRUE(source.path.empty());  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(source.tags.empty());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace sv
