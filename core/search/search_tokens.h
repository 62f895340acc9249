#pragma once

#include <cstdint>
#include <optional>
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

// Ranks many file names against one search text: the text is split once and the buffers of
// the name's words are reused from name to name. Same results as filenameSearchRank.
class FilenameRanker {
  public:
    explicit FilenameRanker(std::string_view text);
    std::int32_t rank(std::string_view filename);

  private:
    std::vector<std::string> query_;
    std::vector<std::string> name_;
};

// The first letters of a file name's words, enough to rank it against a one-letter search
// without reading the name again. Letters and digits each have a bit (a–z, then 0–9, then '#').
struct NameInitials {
    std::uint64_t ofLongerWords = 0;  // words of two or more bytes
    std::uint64_t ofOneLetterWords = 0;
    std::uint8_t words = 0;  // 255 for 255 or more
};
NameInitials nameInitials(std::string_view filename);
// filenameSearchRank(filename, text) for a text that is one letter, digit or '#'; empty when
// the initials cannot tell (another text, or too many words).
std::optional<std::int32_t> rankFromInitials(const NameInitials& initials, std::string_view text);

// SQLite scalar function "sv_filename_search_rank"(filename, text).
void searchRankSql(sqlite3_context* context, int argc, sqlite3_value** argv);

}  // namespace sv
