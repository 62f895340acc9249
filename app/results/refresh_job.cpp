#include "app/results/refresh_job.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "app/results/result_count_cache.h"
#include "core/catalogue/database.h"

namespace {

template <typename Step>
void timed(std::vector<std::pair<const char*, double>>& seconds, const char* name, Step&& step) {
    const auto started = std::chrono::steady_clock::now();
    step();
    seconds.emplace_back(
        name, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

}  // namespace

SVRefreshResult SVRefreshJob::run(sv::Database& db, SVResultCountCache& counts) const {
    SVRefreshResult result;
    result.generation = generation;
    try {
        sv::SearchQuery q = query;
        timed(result.stepSeconds, "count-matching",
              [&] { result.total = counts.countMatching(db, q); });
        const std::int64_t pageCount =
            result.total == 0 ? 1 : (result.total + pageSize - 1) / pageSize;
        result.page = std::clamp<std::int64_t>(page, 0, pageCount - 1);
        q.limit = pageSize;
        q.offset = static_cast<std::int32_t>(result.page * pageSize);
        timed(result.stepSeconds, "search-results", [&] { result.rows = db.search(q); });
        if (sorted && loadedSampleId && *loadedSampleId != 0)
            timed(result.stepSeconds, "resolve-sorted-position",
                  [&] { result.sortedNavigationIndex = db.matchingIndex(q, *loadedSampleId); });
        result.holdsSamples = counts.holdsSamples(db);
    } catch (const std::exception& error) {
        result.error = error.what();
    }
    return result;
}
