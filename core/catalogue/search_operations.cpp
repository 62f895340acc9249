// Search, counts, positions and filter values: the catalogue side of the search query.
#include <sqlite3.h>

#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/search/search_sql.h"

namespace sv {
namespace {

constexpr const char* kSearchColumns =
    "SELECT s.id,s.path,s.filename,s.type,s.genre,s.instrument,s.bpm,s.musical_key,s.duration,"
    "s.file_size,s.modified_at,s.favorite,l.path FROM samples s JOIN libraries l ON "
    "l.id=s.library_id WHERE 1=1";

void bindTexts(Statement& statement, const SqlParameters& parameters, int firstIndex = 1) {
    int index = firstIndex;
    for (const auto& parameter : parameters)
        statement.bind(index++, std::string_view(parameter));
}

std::string lastPathComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Sample sampleFromRow(const Statement& row) {
    Sample sample;
    sample.id = row.int64(0);
    sample.path = row.text(1);
    sample.filename = row.text(2);
    sample.type = sampleTypeFromString(row.text(3));
    sample.genre = row.text(4);
    sample.instrument = row.text(5);
    if (!row.isNull(6))
        sample.bpm = static_cast<std::int32_t>(row.int64(6));
    sample.musicalKey = row.text(7);
    sample.duration = row.optionalReal(8);
    sample.fileSize = static_cast<std::uint64_t>(row.int64(9));
    sample.modifiedAt = row.int64(10);
    sample.favorite = row.int64(11) != 0;
    sample.library = lastPathComponent(row.text(12));
    return sample;
}

const char* filterColumn(const std::string& field) {
    if (field == "instrument")
        return "s.instrument";
    if (field == "genre")
        return "sg.genre";
    if (field == "key")
        return "s.musical_key";
    throw std::runtime_error("Unsupported filter field");
}

}  // namespace

std::vector<Sample> Database::search(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    std::string sql = kSearchColumns;
    SqlParameters parameters;
    appendSearchPredicates(sql, parameters, query);
    sql += " ORDER BY " + searchOrder(query, parameters);
    sql += " LIMIT " + std::to_string(query.limit) + " OFFSET " + std::to_string(query.offset);

    std::vector<Sample> samples;
    try {
        Statement statement(db_.get(), sql);
        bindTexts(statement, parameters);
        while (statement.stepCode() == SQLITE_ROW)
            samples.push_back(sampleFromRow(statement));
    } catch (const std::runtime_error&) {
        // A statement that cannot be prepared or bound yields the rows read so far.
    }
    return samples;
}

std::int64_t Database::countMatching(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    return countMatchingLocked(query);
}

std::int64_t Database::countMatchingLocked(const SearchQuery& query) {
    std::string sql = "SELECT count(*) FROM samples s WHERE 1=1";
    SqlParameters parameters;
    appendSearchPredicates(sql, parameters, query);
    Statement statement(db_.get(), sql);
    bindTexts(statement, parameters);
    if (statement.stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return statement.int64(0);
}

std::optional<std::int64_t> Database::matchingIndex(const SearchQuery& query,
                                                    std::int64_t sampleId) {
    const std::lock_guard lock(mutex_);
    SqlParameters parameters;
    std::string sql =
        "SELECT position FROM (SELECT s.id,row_number() OVER (ORDER BY " +
        searchOrder(query, parameters) +
        ")-1 AS position FROM samples s JOIN libraries l ON l.id=s.library_id WHERE 1=1";
    appendSearchPredicates(sql, parameters, query);
    sql += ") WHERE id=?";

    Statement statement(db_.get(), sql);
    bindTexts(statement, parameters);
    statement.bind(static_cast<int>(parameters.size()) + 1, sampleId);
    if (statement.stepCode() != SQLITE_ROW)
        return std::nullopt;
    return statement.int64(0);
}

std::int64_t Database::countSamples() {
    const std::lock_guard lock(mutex_);
    try {
        Statement statement(db_.get(),
                            "SELECT count(*) FROM samples WHERE substr(filename,1,2)<>'._'");
        statement.stepCode();
        return statement.int64(0);
    } catch (const std::runtime_error&) {
        return 0;
    }
}

std::vector<std::string> Database::distinctFilterValues(const std::string& field,
                                                        const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    const std::string column = filterColumn(field);
    std::string sql = "SELECT DISTINCT " + column + " FROM samples s ";
    if (field == "genre")
        sql += "JOIN sample_genres sg ON sg.sample_id=s.id ";
    sql += "WHERE " + column + " IS NOT NULL AND trim(" + column + ")<>''";
    SqlParameters parameters;
    appendSearchPredicates(sql, parameters, query);
    sql += " ORDER BY " + column + " COLLATE NOCASE";

    Statement statement(db_.get(), sql);
    bindTexts(statement, parameters);
    std::vector<std::string> values;
    while (statement.stepCode() == SQLITE_ROW)
        values.push_back(statement.text(0));
    return values;
}

}  // namespace sv
