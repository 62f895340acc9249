#include "core/browse/pagination_controller.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <vector>

namespace sv {
namespace {

TEST(PaginationController, FreshControllerClampsBelowZero) {
    PaginationController pages;
    EXPECT_TRUE(pages.requestDelta(-1));
    EXPECT_EQ(pages.requestedPage(), 0);
    EXPECT_EQ(pages.metrics().requests, 1u);
    EXPECT_EQ(pages.metrics().maxPending, 1u);
}

TEST(PaginationController, RequestsCoalesceIntoOneDrain) {
    PaginationController pages;
    EXPECT_EQ(pages.metrics().maxPending, 0u);
    EXPECT_TRUE(pages.requestDelta(+1));
    EXPECT_FALSE(pages.requestDelta(+1));
    EXPECT_FALSE(pages.requestDelta(+1));
    EXPECT_EQ(pages.metrics().coalesced, 2u);
    EXPECT_EQ(pages.consumeLatest(), 3);
    EXPECT_EQ(pages.metrics().applied, 1u);
    EXPECT_EQ(pages.consumeLatest(), std::nullopt);
    EXPECT_EQ(pages.metrics().applied, 1u);
    EXPECT_EQ(pages.metrics().maxPending, 1u);
    EXPECT_EQ(pages.metrics().requests, 3u);
}

TEST(PaginationController, SynchronizeClampsShownOrPendingPage) {
    PaginationController idle;
    idle.synchronize(5, 3);
    EXPECT_EQ(idle.requestedPage(), 2);

    PaginationController pending;
    EXPECT_TRUE(pending.requestPage(7));
    pending.synchronize(0, 3);
    EXPECT_EQ(pending.requestedPage(), 2);
    EXPECT_EQ(pending.consumeLatest(), 2);
}

TEST(PaginationController, NonPositiveCountsBecomeOnePage) {
    for (const int count : {0, -1, -1000}) {
        PaginationController synced;
        synced.synchronize(4, count);
        EXPECT_TRUE(synced.requestDelta(+5));
        EXPECT_EQ(synced.consumeLatest(), 0) << count;

        PaginationController reset;
        reset.reset(4, count);
        EXPECT_EQ(reset.requestedPage(), 0);
        EXPECT_TRUE(reset.requestPage(9));
        EXPECT_EQ(reset.consumeLatest(), 0) << count;
    }
}

TEST(PaginationController, ResetDropsPendingDrain) {
    PaginationController pages;
    EXPECT_TRUE(pages.requestPage(4));
    pages.reset(0, PaginationController::kUnknownPageCount);
    EXPECT_EQ(pages.consumeLatest(), std::nullopt);
    EXPECT_TRUE(pages.requestDelta(+1));
    EXPECT_EQ(pages.consumeLatest(), 1);
    const PaginationMetrics metrics = pages.metrics();
    EXPECT_EQ(metrics.requests, 2u);
    EXPECT_EQ(metrics.applied, 1u);
}

TEST(PaginationController, NegativePagesBecomeZero) {
    PaginationController pages;
    EXPECT_TRUE(pages.requestPage(-3));
    EXPECT_EQ(pages.requestedPage(), 0);
    pages.consumeLatest();
    pages.synchronize(-2, 10);
    EXPECT_EQ(pages.requestedPage(), 0);
    pages.reset(-8, 10);
    EXPECT_EQ(pages.requestedPage(), 0);
}

TEST(PaginationController, ExtremeDeltasDoNotOverflow) {
    PaginationController pages;
    pages.synchronize(5, std::numeric_limits<std::int32_t>::max());
    pages.requestDelta(std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(pages.requestedPage(), std::numeric_limits<std::int32_t>::max() - 1);
    pages.requestDelta(std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(pages.requestedPage(), 0);
}

TEST(PaginationController, BrowserProtocolReachesLastPage) {
    // Flipping forward while the catalogue reports further pages, then at the last page.
    PaginationController pages;
    int shown = 0;
    for (int flip = 0; flip < 4; ++flip) {
        const int count = shown < 2 ? PaginationController::kUnknownPageCount : shown + 1;
        pages.synchronize(shown, count);
        if (pages.requestDelta(+1))
            shown = *pages.consumeLatest();
    }
    EXPECT_EQ(shown, 2);
}

TEST(PaginationController, ConcurrentRequestsAreCountedOnce) {
    PaginationController pages;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pages] {
            for (int i = 0; i < 1000; ++i)
                pages.requestDelta(+1);
        });
    }
    for (auto& thread : threads)
        thread.join();
    const PaginationMetrics metrics = pages.metrics();
    EXPECT_EQ(metrics.requests, 4000u);
    EXPECT_EQ(metrics.coalesced, 3999u);
    EXPECT_EQ(pages.consumeLatest(), 4000);
}

}  // namespace
}  // namespace sv
