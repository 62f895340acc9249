#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/inference/onset_detection.h"

namespace sv {
namespace {

// Envelopes here are already smoothed unless a test smooths them itself.
std::vector<float> flat(std::size_t windows, float level = 0.0f) {
    return std::vector<float>(windows, level);
}

TEST(SmoothEnvelope, AveragesFiveCentredWindowsClippedAtTheEnds) {
    const std::vector<float> envelope = {5.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 10.0f};
    EXPECT_EQ(smoothEnvelope(envelope),
              (std::vector<float>{5.0f / 3, 5.0f / 4, 1.0f, 0.0f, 2.0f, 2.5f, 10.0f / 3}));
    EXPECT_TRUE(smoothEnvelope({}).empty());
    EXPECT_EQ(smoothEnvelope({0.5f}), (std::vector<float>{0.5f}));
}

TEST(SmoothEnvelope, EveryLengthMatchesTheClippedMeanOfEachWindow) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> level(0.0f, 1.0f);
    for (std::size_t n = 0; n < 40; ++n) {
        std::vector<float> envelope(n);
        for (float& value : envelope)
            value = random() % 7 == 0 ? 3.0e38f : level(random);
        std::vector<float> expected;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t lo = i >= 2 ? i - 2 : 0;
            const std::size_t hi = std::min(n, i + 3);
            double sum = 0.0;
            for (std::size_t j = lo; j < hi; ++j)
                sum += envelope[j];
            expected.push_back(static_cast<float>(sum / static_cast<double>(hi - lo)));
        }
        EXPECT_EQ(smoothEnvelope(envelope), expected) << n << " windows";
    }
}

TEST(SummariseOnsets, QuietOrShortEnvelopesHaveNoOnsets) {
    struct Case {
        const char* name;
        std::vector<float> smoothed;
    };
    std::vector<float> belowFloor = flat(50);
    belowFloor[20] = 0.0000099f;
    std::vector<float> twoWindows = {0.0f, 0.9f};
    for (const Case& c :
         {Case{"empty", {}}, Case{"silent", flat(50)}, Case{"below the silence floor", belowFloor},
          Case{"two windows", twoWindows}}) {
        SCOPED_TRACE(c.name);
        const AudioStructure structure = summariseOnsets(c.smoothed, 0.5);
        EXPECT_EQ(structure.duration, 0.5);
        EXPECT_EQ(structure.onsetCount, 0);
        EXPECT_TRUE(structure.onsetTimes.empty());
        EXPECT_EQ(structure.onsetSpan, 0.0);
        EXPECT_EQ(structure.firstGapRatio, 1.0);
    }
}

TEST(SummariseOnsets, RefractoryGapIsTenWindows) {
    for (const std::size_t gap : {9u, 10u, 11u}) {
        SCOPED_TRACE(gap);
        std::vector<float> s = flat(60);
        s[10] = 1.0f;
        s[10 + gap] = 1.0f;
        const AudioStructure structure = summariseOnsets(s, 0.6);
        EXPECT_EQ(structure.onsetCount, gap >= 10 ? 2 : 1);
        if (gap >= 10) {
            EXPECT_NEAR(structure.onsetTimes[1], 0.01 * static_cast<double>(10 + gap), 1e-12);
            EXPECT_NEAR(structure.onsetSpan, 0.01 * static_cast<double>(gap) / 0.6, 1e-12);
            EXPECT_EQ(structure.firstGapRatio, 0.0);
        }
    }
}

TEST(SummariseOnsets, EachConditionOfAnOnsetMatters) {
    struct Case {
        const char* name;
        std::vector<float> before;  // windows 0 .. 29, candidate at 30
        float candidate;
        bool onset;
    };
    std::vector<float> loudEarlier = flat(30);
    loudEarlier[10] = 1.0f;  // within the 20-window look-back of 30
    std::vector<float> loudLongAgo = flat(30);
    loudLongAgo[9] = 1.0f;  // just outside it
    std::vector<float> risingBed = flat(30, 0.3f);
    const std::vector<Case> cases = {
        {"clear rise from silence", flat(30), 0.5f, true},
        // Alone in the file it is the peak, so it always passes the level gate; a louder one
        // long ago sets the peak instead.
        {"below the level gate",
         [] {
             auto v = flat(30);
             v[0] = 1.0f;
             return v;
         }(),
         0.11f, false},
        {"at the level gate",
         [] {
             auto v = flat(30);
             v[0] = 1.0f;
             return v;
         }(),
         0.125f, true},
        {"under 72 % of a recent maximum", loudEarlier, 0.7f, false},
        {"at 72 % of a recent maximum", loudEarlier, 0.72f, true},
        {"maximum just left the look-back", loudLongAgo, 0.5f, true},
        {"not 1.55 times the recent average", risingBed, 0.46f, false},
        {"1.55 times the recent average", risingBed, 0.47f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> s = c.before;
        s.push_back(c.candidate);
        s.resize(60, 0.0f);
        const AudioStructure structure = summariseOnsets(s, 0.6);
        bool found = false;
        for (const double time : structure.onsetTimes)
            found = found || std::abs(time - 0.30) < 1e-9;
        EXPECT_EQ(found, c.onset);
    }
}

TEST(SummariseOnsets, GapRatioIsTheDipRelativeToTheQuieterOnset) {
    std::vector<float> s = flat(40);
    s[5] = 1.0f;
    for (std::size_t i = 6; i < 16; ++i)
        s[i] = 0.4f;
    s[16] = 0.8f;
    s[12] = 0.2f;
    const AudioStructure structure = summariseOnsets(s, 0.4);
    ASSERT_EQ(structure.onsetCount, 2);
    EXPECT_NEAR(structure.onsetTimes[0], 0.05, 1e-12);
    EXPECT_NEAR(structure.onsetTimes[1], 0.16, 1e-12);
    EXPECT_NEAR(structure.firstGapRatio, 0.2 / 0.8, 1e-6);
}

TEST(SummariseOnsets, GapRatioIsClampedToOne) {
    // The dip is louder than the quieter onset's own value (a later rise after a fall).
    std::vector<float> s = flat(60);
    s[5] = 0.2f;
    for (std::size_t i = 6; i < 20; ++i)
        s[i] = 0.0f;
    s[20] = 1.0f;
    s[6] = 0.0f;
    AudioStructure structure = summariseOnsets(s, 0.6);
    ASSERT_EQ(structure.onsetCount, 2);
    EXPECT_EQ(structure.firstGapRatio, 0.0);

    std::vector<float> high = flat(60);
    high[5] = 0.5f;
    for (std::size_t i = 6; i < 25; ++i)
        high[i] = 0.6f;  // no onset: not a rise, but higher than the first onset
    high[25] = 1.0f;
    structure = summariseOnsets(high, 0.6);
    ASSERT_EQ(structure.onsetCount, 2);
    EXPECT_EQ(structure.firstGapRatio, 1.0);
}

TEST(SummariseOnsets, SpanUsesTheDurationFloor) {
    std::vector<float> s = flat(40);
    s[5] = 1.0f;
    s[20] = 1.0f;
    const AudioStructure tiny = summariseOnsets(s, 0.0);
    ASSERT_EQ(tiny.onsetCount, 2);
    EXPECT_NEAR(tiny.onsetSpan, 0.15 / 0.001, 1e-9);
}

}  // namespace
}  // namespace sv
