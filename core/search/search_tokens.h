#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_context;
struct sqlite3_value;

namespace sv {

// Lower-cased runs of ASCII letters, digits, '#' and non-ASCII bytes, in order.
std::vector<std::string> searchTokens(std::string_view text);

inline constexpr std::int32_t kNoSearchMatch = 4000000;

// How well a file name's words fit the search words: 0 is identical, kNoSearchMatch no match.
std::int32_t filenameSearchRank(std::string_view filename, std::string_view text);

// SQLite scalar function "sv_filename_search_rank"(filename, text).
void searchRankSql(sqlite3_context* context, int argc, sqlite3_value** argv);

}  // namespace sv
