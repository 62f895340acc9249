#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/search/search_query.h"

namespace sv {

// Text parameters in the order of their placeholders.
using SqlParameters = std::vector<std::string>;

// The two exclusions every query carries: AppleDouble companions ("._" names) and the samples
// of offline libraries. A catalogue that holds neither gives the same rows without the tests,
// and leaving them out lets SQLite answer from an index instead of reading every row.
struct StandingExclusions {
    bool appleDouble = true;
    bool offlineLibraries = true;
};

// Appends the shared search predicates to SQL that ends in "WHERE 1=1" and pushes their
// parameters. Every search, count, position and value list uses this one builder so
// that they always agree.
void appendSearchPredicates(std::string& sql, SqlParameters& parameters, const SearchQuery& query,
                            StandingExclusions exclusions = {});

// The MATCH expression the predicates use: the text's terms, narrowed by column terms for the
// type, instrument, folder and MIDI filters. Empty when the text has no token.
std::string narrowedFullTextExpression(const SearchQuery& query);

// The tempo window of a tempo filter: 10 BPM either side, the centre held within 30–290.
std::pair<std::int64_t, std::int64_t> tempoWindow(std::int32_t bpm);

// For a query that filters by its text alone (and perhaps hides MIDI): the full-text expression
// whose bare count equals the query's count when no standing exclusion applies. The index
// mirrors the samples table column for column, so "NOT type:midi" is the MIDI test.
std::optional<std::string> fullTextOnlyExpression(const SearchQuery& query);

// Whether the query keeps every sample (but perhaps the MIDI files): no text, no filter.
bool filtersNothing(const SearchQuery& query);

// The three spellings, blanks removed and lower case, that a picked key is compared with:
// "am", "amin", "aminor" for any spelling of A minor; "c", "cmaj", "cmajor" for C major.
std::array<std::string, 3> keyCandidates(const std::string& pickedKey);

// Full-text MATCH expression for the query's text: every token as a quoted prefix term,
// joined with " AND "; empty when the text has no token.
std::string ftsQuery(const SearchQuery& query);

// The text that follows " ORDER BY "; pushes the order's own parameter, if any.
std::string searchOrder(const SearchQuery& query, SqlParameters& parameters);

}  // namespace sv
