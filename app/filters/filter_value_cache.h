#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/search/search_query.h"

namespace sv {
class Database;
}

// The values the chips and quick filters read from the catalogue, kept while the place and the
// catalogue stay the same: every refresh asks for them again, and a page flip or a search
// changes neither. The catalogue's change stamp tells when its contents moved.
class SVFilterValueCache {
  public:
    // distinctFilterValues of the field under the query's place. Throws what the catalogue
    // throws.
    std::vector<std::string> values(sv::Database& db, const std::string& field,
                                    const sv::SearchQuery& context);
    // Whether a query finds any sample; the query is the place plus one narrowing field.
    bool anyMatching(sv::Database& db, const sv::SearchQuery& query);
    void clear();

  private:
    // Forgets everything when the catalogue changed since the last look.
    void checkStamp(sv::Database& db);
    static std::string placeKey(const sv::SearchQuery& query);

    std::uint64_t _stamp = 0;
    bool _stampKnown = false;
    std::map<std::string, std::vector<std::string>> _values;
    std::map<std::string, bool> _matches;
};
