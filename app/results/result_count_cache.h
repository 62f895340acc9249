#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/search/search_query.h"

namespace sv {
class Database;
}

// The counts a refresh shows (matching samples, whether the catalogue holds any), kept while the
// catalogue and the query's filter stay the same: flipping pages of a large result then costs
// one page query instead of two counts over the whole catalogue.
class SVResultCountCache {
  public:
    std::int64_t countMatching(sv::Database& db, const sv::SearchQuery& query);
    bool holdsSamples(sv::Database& db);

  private:
    static std::string filterKey(const sv::SearchQuery& query);

    std::uint64_t _matchingStamp = 0;
    std::string _matchingKey;
    std::int64_t _matching = -1;
    std::uint64_t _samplesStamp = 0;
    std::optional<bool> _holdsSamples;
};
