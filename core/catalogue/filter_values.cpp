// What the filters ask of the catalogue: the values a filter can offer under a query, and
// whether a query finds anything at all.
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/transaction.h"
#include "core/search/search_index.h"
#include "core/search/search_sql.h"

namespace sv {
namespace {

struct FilterField {
    const char* column;        // in the statement that reads matching rows
    const char* storedColumn;  // the same values in their own table
    bool genre = false;
};

FilterField filterField(const std::string& field) {
    if (field == "instrument")
        return {"s.instrument", "instrument"};
    if (field == "genre")
        return {"sg.genre", "genre", true};
    if (field == "key")
        return {"s.musical_key", "musical_key"};
    throw std::runtime_error("Unsupported filter field");
}

void bindAll(Statement& statement, const SqlParameters& parameters) {
    int index = 1;
    for (const auto& parameter : parameters)
        statement.bind(index++, std::string_view(parameter));
}

// A place with few samples (a folder, a playlist, the favourites, a text search): reading its
// matching rows is the short way.
std::string matchingRowsStatement(const FilterField& field, const SearchQuery& query,
                                  StandingExclusions exclusions, SqlParameters& parameters) {
    const std::string column = field.column;
    std::string sql = "SELECT DISTINCT " + column + " FROM samples s ";
    if (field.genre)
        sql += "JOIN sample_genres sg ON sg.sample_id=s.id ";
    sql += "WHERE " + column + " IS NOT NULL AND trim(" + column + ")<>''";
    appendSearchPredicates(sql, parameters, query, exclusions);
    sql += " ORDER BY " + column + " COLLATE NOCASE";
    return sql;
}

// Everywhere else most values have matching samples: each stored instrument or key is looked
// up once by stepping through its index, and kept when one matching sample carries it, which
// stops at the first one instead of reading every row of the catalogue.
std::string storedValuesStatement(const FilterField& field, const SearchQuery& query,
                                  StandingExclusions exclusions, SqlParameters& parameters) {
    const std::string stored = field.storedColumn;
    std::string sql = "WITH RECURSIVE v(x) AS (SELECT (SELECT min(" + stored +
                      ") FROM samples) UNION ALL SELECT (SELECT min(" + stored +
                      ") FROM samples WHERE " + stored +
                      ">v.x) FROM v WHERE v.x IS NOT NULL) SELECT v.x FROM v WHERE v.x IS NOT "
                      "NULL AND trim(v.x)<>'' AND EXISTS(SELECT 1 FROM samples s WHERE s." +
                      stored + "=v.x";
    appendSearchPredicates(sql, parameters, query, exclusions);
    sql += ") ORDER BY v.x COLLATE NOCASE";
    return sql;
}

// SQLite's NOCASE: ASCII letters compared without their case, everything else by its bytes.
bool lessIgnoringAsciiCase(const std::string& a, const std::string& b) {
    const auto fold = [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [&fold](char x, char y) {
            return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
        });
}

bool narrowPlace(const SearchQuery& query) {
    return !query.folder.empty() || query.playlistId || query.favoritesOnly ||
           !ftsQuery(query).empty();
}

}  // namespace

std::vector<std::string> Database::distinctFilterValues(const std::string& field,
                                                        const SearchQuery& query) {
    const FilterField chosen = filterField(field);
    const std::lock_guard lock(mutex_);
    const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
    const ReadSnapshot snapshot(db_.get());
    if (const auto inputs = searchIndexInputsLocked(query, outsideTransaction))
        return searchIndex_->distinctValues(field, query, *inputs);
    const StandingExclusions exclusions = standingExclusionsLocked();
    if (chosen.genre && !narrowPlace(query))
        return genresMatchingLocked(query, exclusions);
    SqlParameters parameters;
    const std::string sql = narrowPlace(query)
                                ? matchingRowsStatement(chosen, query, exclusions, parameters)
                                : storedValuesStatement(chosen, query, exclusions, parameters);
    Statement statement(db_.get(), sql);
    bindAll(statement, parameters);
    std::vector<std::string> values;
    while (statement.stepCode() == SQLITE_ROW)
        values.push_back(statement.text(0));
    return values;
}

const std::vector<std::string>& Database::storedGenresLocked() {
    const std::uint64_t stamp = changeStampLocked();
    if (storedGenres_ && storedGenres_->stamp == stamp)
        return storedGenres_->genres;
    Statement statement(db_.get(),
                        "SELECT DISTINCT genre FROM sample_genres WHERE genre IS NOT NULL AND "
                        "trim(genre)<>''");
    StoredGenres read{stamp, {}};
    while (statement.stepCode() == SQLITE_ROW)
        read.genres.push_back(statement.text(0));
    storedGenres_ = std::move(read);
    return storedGenres_->genres;
}

std::vector<std::string> Database::genresMatchingLocked(const SearchQuery& query,
                                                        StandingExclusions exclusions) {
    const std::vector<std::string>& stored = storedGenresLocked();
    SqlParameters parameters;
    // The collation lets the genre index find the value's rows; the second test keeps the
    // exact spelling.
    std::string sql =
        "SELECT EXISTS(SELECT 1 FROM sample_genres sg JOIN samples s ON s.id=sg.sample_id WHERE "
        "sg.genre=?1 COLLATE NOCASE AND sg.genre=?1";
    appendSearchPredicates(sql, parameters, query, exclusions);
    sql += ")";
    Statement exists(db_.get(), sql);
    std::vector<std::string> values;
    for (const std::string& genre : stored) {
        exists.reset();
        exists.bind(1, genre);
        int index = 2;
        for (const auto& parameter : parameters)
            exists.bind(index++, std::string_view(parameter));
        if (exists.stepCode() != SQLITE_ROW)
            throw std::runtime_error(sqliteMessage(db_.get()));
        if (exists.int64(0) != 0)
            values.push_back(genre);
    }
    std::stable_sort(values.begin(), values.end(), lessIgnoringAsciiCase);
    return values;
}

bool Database::anyMatching(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    const ReadSnapshot snapshot(db_.get());
    SqlParameters parameters;
    std::string sql = "SELECT EXISTS(SELECT 1 FROM samples s WHERE 1=1";
    appendSearchPredicates(sql, parameters, query, standingExclusionsLocked());
    sql += ")";
    Statement statement(db_.get(), sql);
    bindAll(statement, parameters);
    if (statement.stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return statement.int64(0) != 0;
}

}  // namespace sv
