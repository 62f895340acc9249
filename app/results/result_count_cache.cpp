#include "app/results/result_count_cache.h"

#include "core/catalogue/database.h"

std::string SVResultCountCache::filterKey(const sv::SearchQuery& q) {
    // Everything that narrows the result; sorting, the page and its size do not change a count.
    std::string key;
    const auto add = [&key](const std::string& part) {
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    add(q.text);
    add(q.type);
    add(q.instrument);
    add(q.key);
    add(q.genre);
    add(q.folder);
    key += 'g' + std::to_string(q.genres.size());
    for (const std::string& genre : q.genres)
        add(genre);
    key += q.bpm ? 'b' + std::to_string(*q.bpm) : std::string("b-");
    key += q.playlistId ? 'p' + std::to_string(*q.playlistId) : std::string("p-");
    key += q.favoritesOnly ? 'F' : 'f';
    key += q.hideMidi ? 'H' : 'h';
    return key;
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
