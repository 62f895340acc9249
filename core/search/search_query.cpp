#include "core/search/search_query.h"

namespace sv {

std::string queryFilterKey(const SearchQuery& q) {
    std::string key;
    const auto add = [&key](const std::string& part) {
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    for (const std::string* part : {&q.type, &q.instrument, &q.key, &q.genre, &q.folder})
        add(*part);
    key += 'g' + std::to_string(q.genres.size());
    for (const std::string& genre : q.genres)
        add(genre);
    key += q.bpm ? 'b' + std::to_string(*q.bpm) : std::string("b-");
    key += q.playlistId ? 'p' + std::to_string(*q.playlistId) : std::string("p-");
    key += q.favoritesOnly ? 'F' : 'f';
    key += q.hideMidi ? 'H' : 'h';
    return key;
}

}  // namespace sv
