#include "app/filters/filter_value_cache.h"

#include "core/catalogue/database.h"

namespace {

constexpr std::size_t kMaximumEntries = 64;

void append(std::string& key, const std::string& part) {
    key += std::to_string(part.size());
    key += ':';
    key += part;
}

}  // namespace

std::string SVFilterValueCache::placeKey(const sv::SearchQuery& query) {
    std::string key;
    append(key, query.type);
    append(key, query.folder);
    append(key, query.instrument);
    append(key, query.key);
    append(key, query.genre);
    for (const std::string& genre : query.genres)
        append(key, genre);
    key += query.bpm ? std::to_string(*query.bpm) : std::string("-");
    key += '|';
    key += query.playlistId ? std::to_string(*query.playlistId) : std::string("-");
    key += query.favoritesOnly ? 'F' : 'f';
    key += query.hideMidi ? 'H' : 'h';
    append(key, query.text);
    return key;
}

void SVFilterValueCache::checkStamp(sv::Database& db) {
    const std::uint64_t stamp = db.changeStamp();
    if (_stampKnown && stamp == _stamp)
        return;
    clear();
    _stamp = stamp;
    _stampKnown = true;
}

std::vector<std::string> SVFilterValueCache::values(sv::Database& db, const std::string& field,
                                                    const sv::SearchQuery& context) {
    checkStamp(db);
    std::string key = field;
    key += '#';
    key += placeKey(context);
    if (const auto found = _values.find(key); found != _values.end())
        return found->second;
    std::vector<std::string> read = db.distinctFilterValues(field, context);
    if (_values.size() >= kMaximumEntries)
        _values.clear();
    return _values.emplace(std::move(key), std::move(read)).first->second;
}

bool SVFilterValueCache::anyMatching(sv::Database& db, const sv::SearchQuery& query) {
    checkStamp(db);
    std::string key = placeKey(query);
    if (const auto found = _matches.find(key); found != _matches.end())
        return found->second;
    const bool any = db.anyMatching(query);
    if (_matches.size() >= kMaximumEntries * 4)
        _matches.clear();
    _matches.emplace(std::move(key), any);
    return any;
}

void SVFilterValueCache::clear() {
    _values.clear();
    _matches.clear();
    _stampKnown = false;
}
