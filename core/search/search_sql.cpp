#include "core/search/search_sql.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/inference/instrument_normalization.h"
#include "core/search/search_tokens.h"

namespace sv {
namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string withoutSuffix(const std::string& text, std::size_t length) {
    return text.substr(0, text.size() - length);
}

// Blanks removed, lower case, "major" deleted and "minor" shortened to "m".
std::string normalizedPickedKey(const std::string& pickedKey) {
    std::string key;
    for (const char c : pickedKey)
        if (!isAsciiSpace(c))
            key.push_back(lowerAscii(c));
    if (key.size() >= 5)
        if (const auto major = key.find("major"); major != std::string::npos)
            key.erase(major, 5);
    if (const auto minor = key.find("minor"); minor != std::string::npos) {
        key[minor] = 'm';
        key.erase(minor + 1, 4);
    }
    return key;
}

// Written in parentheses when negative so that the minus sign of the number never meets
// the one before it: "--" would start an SQL comment.
std::string sqlNumber(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return value < 0 ? "(" + digits + ")" : digits;
}

const char* direction(bool descending) {
    return descending ? "DESC" : "ASC";
}

std::vector<std::string> genreList(const SearchQuery& query) {
    if (!query.genres.empty())
        return query.genres;
    if (!query.genre.empty())
        return {query.genre};
    return {};
}

void appendTempoWindow(std::string& sql, std::int32_t bpm) {
    const auto [low, high] = tempoWindow(bpm);
    sql += " AND s.bpm BETWEEN " + std::to_string(low) + " AND " + std::to_string(high);
}

void appendKey(std::string& sql, SqlParameters& parameters, const std::string& key) {
    sql += " AND replace(lower(s.musical_key),' ','') IN (?,?,?)";
    for (auto& candidate : keyCandidates(key))
        parameters.push_back(std::move(candidate));
}

// The collation stands on the column, not on each comparison: SQLite 3.40 turns
// "sg.genre=? COLLATE NOCASE OR ..." into a binary lookup and misses case variants.
void appendGenres(std::string& sql, SqlParameters& parameters,
                  const std::vector<std::string>& genres) {
    sql +=
        " AND EXISTS(SELECT 1 FROM sample_genres sg WHERE sg.sample_id=s.id AND "
        "sg.genre COLLATE NOCASE IN (";
    for (std::size_t i = 0; i < genres.size(); ++i) {
        sql += i == 0 ? "?" : ",?";
        parameters.push_back(genres[i]);
    }
    sql += "))";
}

bool isAsciiWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool hasAsciiWordCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), isAsciiWordCharacter);
}

std::string quotedPhrase(const std::string& text) {
    std::string phrase = "\"";
    for (const char c : text) {
        phrase.push_back(c);
        if (c == '"')
            phrase.push_back('"');
    }
    return phrase + '"';
}

// The words of the folder's own name are in the path of every sample below it, and are far
// rarer there than those of the folders above it.
std::string lastFolderName(std::string folder) {
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const auto slash = folder.rfind('/');
    return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

// A column term that every row equal to the value (or, for the path, below the folder) also
// matches: the index holds the same column, tokenised. Values without a word character would
// give an empty phrase, which matches nothing, so they add no term.
void appendColumnTerm(std::string& expression, const char* column, const std::string& value) {
    if (hasAsciiWordCharacter(value))
        expression += std::string(" AND ") + column + ":" + quotedPhrase(value);
}

// The type strings are few and fixed, so the last word of one ("shot" of "One Shot") finds the
// same rows as the whole phrase, reading one word's entries instead of two and their positions.
// Text with non-ASCII characters stays whole: the index may split it differently.
std::string lastIndexWord(const std::string& value) {
    if (std::any_of(value.begin(), value.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return value;
    auto end = value.end();
    while (end != value.begin() && !isAsciiWordCharacter(*(end - 1)))
        --end;
    auto begin = end;
    while (begin != value.begin() && isAsciiWordCharacter(*(begin - 1)))
        --begin;
    return std::string(begin, end);
}

// The first letter or digit of a key candidate, when only ASCII punctuation comes before it.
// A stored key equal to the candidate, blanks aside, then has an index word that starts with
// it: punctuation and blanks split words, whereas a non-ASCII letter in front would join it.
std::optional<char> keyWordStart(const std::string& candidate) {
    for (const char c : candidate) {
        if (isAsciiWordCharacter(c))
            return c;
        if (static_cast<unsigned char>(c) >= 0x80)
            return std::nullopt;
    }
    return std::nullopt;
}

// A prefix term, not the whole word: blanks in a stored key may split it anywhere ('am in').
void appendKeyTerm(std::string& expression, const std::string& pickedKey) {
    std::optional<char> start;
    for (const auto& candidate : keyCandidates(pickedKey)) {
        const auto candidateStart = keyWordStart(candidate);
        if (!candidateStart || (start && *start != *candidateStart))
            return;
        start = candidateStart;
    }
    expression += std::string(" AND musical_key:\"") + *start + "\"*";
}

}  // namespace

std::pair<std::int64_t, std::int64_t> tempoWindow(std::int32_t bpm) {
    return {std::max<std::int64_t>(bpm, 30) - 10, std::min<std::int64_t>(bpm, 290) + 10};
}

std::array<std::string, 3> keyCandidates(const std::string& pickedKey) {
    const std::string key = normalizedPickedKey(pickedKey);
    std::string root;
    bool minor = false;
    if (endsWith(key, "min")) {
        root = withoutSuffix(key, 3);
        minor = true;
    } else if (endsWith(key, "maj")) {
        root = withoutSuffix(key, 3);
    } else if (endsWith(key, "m")) {
        root = withoutSuffix(key, 1);
        minor = true;
    } else {
        root = key;
    }
    if (minor)
        return {root + "m", root + "min", root + "minor"};
    return {root, root + "maj", root + "major"};
}

std::string ftsQuery(const SearchQuery& query) {
    std::string expression;
    for (const auto& token : searchTokens(query.text)) {
        if (!expression.empty())
            expression += " AND ";
        expression += '"' + token + "\"*";
    }
    return expression;
}

void appendSearchPredicates(std::string& sql, SqlParameters& parameters, const SearchQuery& query,
                            StandingExclusions exclusions) {
    if (exclusions.appleDouble)
        sql += " AND substr(s.filename,1,2)<>'._'";
    if (exclusions.offlineLibraries)
        sql +=
            " AND s.library_id NOT IN (SELECT l.id FROM libraries l JOIN app_metadata m ON "
            "m.key='offline_library:'||l.path WHERE m.value='1')";
    if (query.hideMidi)
        sql += " AND s.type<>'MIDI'";
    if (std::string expression = narrowedFullTextExpression(query); !expression.empty()) {
        sql += " AND s.id IN(SELECT rowid FROM sample_search WHERE sample_search MATCH ?)";
        parameters.push_back(std::move(expression));
    }
    if (!query.type.empty()) {
        sql += " AND s.type=?";
        parameters.push_back(query.type);
    }
    if (!query.instrument.empty()) {
        sql += " AND s.instrument=? COLLATE NOCASE";
        parameters.push_back(normalizedInstrument(query.instrument));
    }
    if (query.bpm)
        appendTempoWindow(sql, *query.bpm);
    if (!query.key.empty())
        appendKey(sql, parameters, query.key);
    if (const auto genres = genreList(query); !genres.empty())
        appendGenres(sql, parameters, genres);
    if (!query.folder.empty()) {
        // Paths below the folder sort between "folder/" and "folder0" ('0' follows '/'), so
        // the path index reads just them instead of every row.
        sql += " AND s.path>=?||'/' AND s.path<?||'0'";
        parameters.push_back(query.folder);
        parameters.push_back(query.folder);
    }
    if (query.playlistId)
        sql +=
            " AND EXISTS(SELECT 1 FROM playlist_items pi WHERE pi.sample_id=s.id AND "
            "pi.playlist_id=" +
            sqlNumber(*query.playlistId) + ")";
    if (query.favoritesOnly)
        sql += " AND s.favorite=1";
}

// The exact filters still follow in SQL; the narrowing only spares reading the rows they would
// reject, which is most of the cost of a search.
std::string narrowedFullTextExpression(const SearchQuery& query) {
    std::string expression = ftsQuery(query);
    if (expression.empty())
        return expression;
    appendColumnTerm(expression, "type", lastIndexWord(query.type));
    if (!query.instrument.empty())
        appendColumnTerm(expression, "instrument", normalizedInstrument(query.instrument));
    appendColumnTerm(expression, "path", lastFolderName(query.folder));
    if (!query.key.empty())
        appendKeyTerm(expression, query.key);
    if (query.hideMidi)
        expression = "(" + expression + ") NOT type:\"midi\"";
    return expression;
}

bool filtersNothing(const SearchQuery& query) {
    return ftsQuery(query).empty() && query.type.empty() && query.instrument.empty() &&
           !query.bpm && query.key.empty() && genreList(query).empty() && query.folder.empty() &&
           !query.playlistId && !query.favoritesOnly;
}

std::optional<std::string> fullTextOnlyExpression(const SearchQuery& query) {
    const bool otherFilters = !query.type.empty() || !query.instrument.empty() || query.bpm ||
                              !query.key.empty() || !genreList(query).empty() ||
                              !query.folder.empty() || query.playlistId || query.favoritesOnly;
    if (otherFilters)
        return std::nullopt;
    std::string expression = narrowedFullTextExpression(query);
    if (expression.empty())
        return std::nullopt;
    return expression;
}

std::string searchOrder(const SearchQuery& query, SqlParameters& parameters) {
    if (query.sortByName) {
        const char* d = direction(query.nameDescending);
        return std::string("s.filename COLLATE NOCASE ") + d + ", s.id " + d;
    }
    if (query.sortByDuration)
        return std::string("CASE WHEN s.duration IS NULL THEN 1 ELSE 0 END, s.duration ") +
               direction(query.durationDescending) + ", s.filename COLLATE NOCASE, s.id";
    if (query.sortByBpm)
        return std::string("CASE WHEN s.bpm IS NULL THEN 1 ELSE 0 END, s.bpm ") +
               direction(query.bpmDescending) + ", s.filename COLLATE NOCASE, s.id";
    if (query.bpm)
        return "abs(s.bpm-" + sqlNumber(*query.bpm) + "), s.filename COLLATE NOCASE, s.id";
    if (!searchTokens(query.text).empty()) {
        parameters.push_back(query.text);
        return "sv_filename_search_rank(s.filename, ?), s.filename COLLATE NOCASE, s.id";
    }
    return "s.filename COLLATE NOCASE, s.id";
}

}  // namespace sv
