#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/records/sample.h"
#include "core/search/search_query.h"

namespace sv {
class Database;
}

class SVResultCountCache;

// What the catalogue gave for one refresh of the sample views.
struct SVRefreshResult {
    std::uint64_t generation = 0;
    // The page shown: the one asked for, held within the pages the matches fill.
    std::int64_t page = 0;
    std::int64_t total = 0;
    std::vector<sv::Sample> rows;
    // With a sort active: the loaded sample's position in the whole sorted result.
    std::optional<std::int64_t> sortedNavigationIndex;
    bool holdsSamples = true;
    // The catalogue's message when it failed; the rest is then meaningless.
    std::optional<std::string> error;
    // How long each named step took, for the diagnostics.
    std::vector<std::pair<const char*, double>> stepSeconds;
};

// The catalogue work of one refresh of the sample views: the number of matches, the page (held
// within the last page) and, with a sort, the loaded sample's position. A plain value that runs
// on whichever thread is given it; the catalogue serialises its own use.
struct SVRefreshJob {
    std::uint64_t generation = 0;
    sv::SearchQuery query;  // its offset is worked out from the page
    std::int64_t page = 0;
    std::int32_t pageSize = 50;
    bool sorted = false;
    std::optional<std::int64_t> loadedSampleId;

    // Catches the catalogue's errors into the result.
    SVRefreshResult run(sv::Database& db, SVResultCountCache& counts) const;
};
