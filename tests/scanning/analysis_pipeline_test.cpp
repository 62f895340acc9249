#include "core/scanning/analysis_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace sv {
namespace {

Sample named(const std::string& path) {
    Sample sample;
    sample.path = path;
    return sample;
}

class AnalysisPipelineWorkers : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AnalysisPipelineWorkers, ResultsComeBackInTheOrderFilesWentIn) {
    // Early files take longest, so a worker finishing out of order would show.
    AnalysisPipeline pipeline(
        [](const std::string& path) {
            std::this_thread::sleep_for(std::chrono::milliseconds(path.size() < 3 ? 3 : 0));
            return named(path);
        },
        4, GetParam());
    std::vector<std::string> taken;
    for (int i = 0; i < 40; ++i) {
        if (pipeline.full())
            taken.push_back(pipeline.takeOldest().path);
        pipeline.submit(std::to_string(i * 7));
    }
    while (!pipeline.empty())
        taken.push_back(pipeline.takeOldest().path);
    ASSERT_EQ(taken.size(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(taken[static_cast<std::size_t>(i)], std::to_string(i * 7));
}

TEST_P(AnalysisPipelineWorkers, AFailureIsRethrownForItsOwnFileOnly) {
    AnalysisPipeline pipeline(
        [](const std::string& path) {
            if (path == "bad")
                throw std::runtime_error("Cannot analyse bad");
            return named(path);
        },
        8, GetParam());
    for (const char* path : {"a", "bad", "c"})
        pipeline.submit(path);
    EXPECT_EQ(pipeline.takeOldest().path, "a");
    try {
        pipeline.takeOldest();
        ADD_FAILURE() << "the failure was not rethrown";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Cannot analyse bad");
    }
    EXPECT_EQ(pipeline.takeOldest().path, "c");
    EXPECT_TRUE(pipeline.empty());
    EXPECT_THROW(pipeline.takeOldest(), std::logic_error);
}

// Workers are woken for several files at once; a single file, or the last few, must still be
// analysed once their result is asked for.
TEST_P(AnalysisPipelineWorkers, FewerFilesThanAWakeAreStillAnalysed) {
    std::atomic<int> analysed{0};
    AnalysisPipeline pipeline(
        [&](const std::string& path) {
            ++analysed;
            return named(path);
        },
        64, GetParam());
    for (int round = 1; round <= 3; ++round) {
        for (int i = 0; i < round; ++i)
            pipeline.submit("file" + std::to_string(i));
        for (int i = 0; i < round; ++i)
            EXPECT_EQ(pipeline.takeOldest().path, "file" + std::to_string(i));
    }
    EXPECT_EQ(analysed.load(), 6);
    EXPECT_TRUE(pipeline.empty());
}

INSTANTIATE_TEST_SUITE_P(OneTwoOrThree, AnalysisPipelineWorkers, ::testing::Values(1, 2, 3));

TEST(AnalysisPipeline, DroppedWithFilesStillQueuedStopsAfterTheCurrentOne) {
    std::atomic<int> analysed{0};
    {
        AnalysisPipeline pipeline(
            [&](const std::string& path) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++analysed;
                return named(path);
            },
            16);
        for (int i = 0; i < 16; ++i)
            pipeline.submit("file" + std::to_string(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LE(analysed.load(), 2);
}

}  // namespace
}  // namespace sv
