#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/search/search_query.h"

namespace sv {

// Text parameters in the order of their placeholders.
using SqlParameters = std::vector<std::string>;

// Appends the shared search predicates to SQL that ends in "WHERE 1=1" and pushes their
// parameters. Every search, count, position and value list uses this one builder so
// that they always agree.
void appendSearchPredicates(std::string& sql, SqlParameters& parameters, const SearchQuery& query);

// The three spellings, blanks removed and lower case, that a picked key is compared with:
// "am", "amin", "aminor" for any spelling of A minor; "c", "cmaj", "cmajor" for C major.
std::array<std::string, 3> keyCandidates(const std::string& pickedKey);

// Full-text MATCH expression for the query's text: every token as a quoted prefix term,
// joined with " AND "; empty when the text has no token.
std::string ftsQuery(const SearchQuery& query);

// The text that follows " ORDER BY "; pushes the order's own parameter, if any.
std::string searchOrder(const SearchQuery& query, SqlParameters& parameters);

}  // namespace sv
