#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace sv {

struct PaginationMetrics {
    std::uint64_t requests = 0;    // page requests made
    std::uint64_t coalesced = 0;   // requests folded into a drain already pending
    std::uint64_t applied = 0;     // drains that consumed a request
    std::uint64_t maxPending = 0;  // most requests waiting at once (0 or 1)
};

// Coalesces page requests: any number of requests before the drain runs cost one page
// load, and the drain applies the latest page requested. Every operation is thread-safe.
class PaginationController {
  public:
    static constexpr std::int32_t kUnknownPageCount = 1'000'000;

    // Moves the requested page by `delta`. True when the caller must schedule a drain.
    bool requestDelta(std::int32_t delta);
    // Requests an absolute page. True when the caller must schedule a drain.
    bool requestPage(std::int32_t page);
    // The page a pending drain should show; empty when nothing is pending.
    std::optional<std::int32_t> consumeLatest();
    // Records the page shown and the page count now known; a pending request is only clamped.
    void synchronize(std::int32_t shownPage, std::int32_t pageCount);
    // Starts over at `page`, dropping any pending request. Metrics are kept.
    void reset(std::int32_t page, std::int32_t pageCount);

    PaginationMetrics metrics() const;
    std::int32_t requestedPage() const;

  private:
    bool markRequestLocked();

    mutable std::mutex mutex_;
    std::int32_t requestedPage_ = 0;
    std::int32_t pageCount_ = kUnknownPageCount;
    bool drainPending_ = false;
    PaginationMetrics metrics_;
};

}  // namespace sv
