// Checks that a claimed chunk size never sizes an allocation beyond what the file holds. The
// global allocation functions of this test program record the largest request while a probe is
// active.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "core/inference/audio_structure_analyzer.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace {

std::atomic<bool> probing{false};
std::atomic<std::size_t> largestRequest{0};

void* allocate(std::size_t size) {
    if (probing.load(std::memory_order_relaxed)) {
        std::size_t seen = largestRequest.load(std::memory_order_relaxed);
        while (size > seen && !largestRequest.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace sv {
namespace {

std::size_t largestAllocationWhileAnalysing(const std::filesystem::path& path) {
    largestRequest = 0;
    probing = true;
    const auto result = AudioStructureAnalyzer().analyze(path);
    probing = false;
    return largestRequest.load();
}

TEST(AudioStructureMemory, HugeChunkClaimsAllocateNothingLarge) {
    const testing::TempHome home;
    const std::vector<float> samples = testing::silence(0.05, 44100);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string fmtBody = testing::wavBytes(samples).substr(20, 16);
    const std::vector<Case> cases = {
        {"data claims 4 GiB", testing::wavBytes(samples, {.dataSizeField = 0xFFFFFFFFu})},
        {"data claims 4 GiB before fmt",
         testing::wavBytes(samples, {.dataBeforeFmt = true, .dataSizeField = 0xFFFFFFFEu})},
        {"data claims 2 GiB", testing::wavBytes(samples, {.dataSizeField = 0x80000000u})},
        {"fmt claims 4 GiB",
         "RIFF\0\0\0\0WAVE" + testing::riffChunkBytes("fmt ", 0xFFFFFFF0u, fmtBody)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = testing::writeBytes(home.root() / "claim.wav", c.bytes);
        EXPECT_LE(largestAllocationWhileAnalysing(path), 64u * 1024u);
        EXPECT_FALSE(AudioStructureAnalyzer().analyze(path).has_value());
    }
}

TEST(AudioStructureMemory, LargestBufferIsTheDataChunk) {
    const testing::TempHome home;
    const std::vector<float> samples = testing::toChannels(testing::sine(3.0, 44100, 440.0), 2);
    const auto path = testing::writeWav(home.root() / "sine.wav", samples,
                                        {.format = testing::WavSampleFormat::Int16, .channels = 2});
    EXPECT_EQ(largestAllocationWhileAnalysing(path), samples.size() * 2);
}

}  // namespace
}  // namespace sv
