#include "core/browse/pagination_controller.h"

#include <algorithm>

namespace sv {
namespace {

std::int32_t clampPage(std::int64_t page, std::int32_t count) {
    if (page < 0)
        return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(page, std::max(count - 1, 0)));
}

}  // namespace

bool PaginationController::markRequestLocked() {
    ++metrics_.requests;
    if (drainPending_) {
        ++metrics_.coalesced;
        return false;
    }
    drainPending_ = true;
    if (metrics_.maxPending == 0)
        metrics_.maxPending = 1;
    return true;
}

bool PaginationController::requestDelta(std::int32_t delta) {
    const std::lock_guard lock(mutex_);
    // Summed in 64 bits so that a huge delta cannot overflow past the clamp.
    requestedPage_ = clampPage(static_cast<std::int64_t>(requestedPage_) + delta, pageCount_);
    return markRequestLocked();
}

bool PaginationController::requestPage(std::int32_t page) {
    const std::lock_guard lock(mutex_);
    requestedPage_ = clampPage(page, pageCount_);
    return markRequestLocked();
}

std::optional<std::int32_t> PaginationController::consumeLatest() {
    const std::lock_guard lock(mutex_);
    if (!drainPending_)
        return std::nullopt;
    drainPending_ = false;
    ++metrics_.applied;
    return requestedPage_;
}

void PaginationController::synchronize(std::int32_t shownPage, std::int32_t pageCount) {
    const std::lock_guard lock(mutex_);
    pageCount_ = std::max(pageCount, 1);
    requestedPage_ = clampPage(drainPending_ ? requestedPage_ : shownPage, pageCount_);
}

void PaginationController::reset(std::int32_t page, std::int32_t pageCount) {
    const std::lock_guard lock(mutex_);
    pageCount_ = std::max(pageCount, 1);
    requestedPage_ = clampPage(page, pageCount_);
    drainPending_ = false;
}

PaginationMetrics PaginationController::metrics() const {
    const std::lock_guard lock(mutex_);
    return metrics_;
}

std::int32_t PaginationController::requestedPage() const {
    const std::lock_guard lock(mutex_);
    return requestedPage_;
}

}  // namespace sv
