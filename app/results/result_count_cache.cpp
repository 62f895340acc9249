#include "app/results/result_count_cache.h"

#include "core/catalogue/database.h"

std::string SVResultCountCache::filterKey(const sv::SearchQuery& q) {
    // Everything that narrows the result; sorting, the page and its size do not change a count.
    return std::to_string(q.text.size()) + ':' + q.text + sv::queryFilterKey(q);
}

std::int64_t SVResultCountCache::countMatching(sv::Database& db, const sv::SearchQuery& query) {
    const std::uint64_t stamp = db.changeStamp();
    std::string key = filterKey(query);
    if (_matching >= 0 && stamp == _matchingStamp && key == _matchingKey)
        return _matching;
    _matching = db.countMatching(query);
    _matchingStamp = stamp;
    _matchingKey = std::move(key);
    return _matching;
}

bool SVResultCountCache::holdsSamples(sv::Database& db) {
    const std::uint64_t stamp = db.changeStamp();
    if (_holdsSamples && stamp == _samplesStamp)
        return *_holdsSamples;
    _holdsSamples = db.holdsSamples();
    _samplesStamp = stamp;
    return *_holdsSamples;
}
