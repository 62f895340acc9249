// Search, counts and positions: the catalogue side of the search query.
#include <sqlite3.h>

#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/statement_cache.h"
#include "core/catalogue/transaction.h"
#include "core/search/search_index.h"
#include "core/search/search_sql.h"

namespace sv {
namespace {

// A page is found by id alone, so that sorting the matches carries one number per row instead
// of every column; the page's own rows are then read one by one.
constexpr const char* kPageIds = "SELECT s.id FROM samples s";
constexpr const char* kPageJoin = " JOIN libraries l ON l.id=s.library_id WHERE 1=1";
constexpr const char* kSampleById =
    "SELECT s.id,s.path,s.filename,s.type,s.genre,s.instrument,s.bpm,s.musical_key,s.duration,"
    "s.file_size,s.modified_at,s.favorite,l.path FROM samples s JOIN libraries l ON "
    "l.id=s.library_id WHERE s.id=?";

// Whether any AppleDouble companion or offline library exists. Without the partial index
// (a catalogue last opened by a later program may lack it) both exclusions stay.
constexpr const char* kStandingExclusions =
    "SELECT EXISTS(SELECT 1 FROM samples INDEXED BY idx_samples_appledouble WHERE "
    "substr(filename,1,2)='._'),EXISTS(SELECT 1 FROM libraries l JOIN app_metadata m ON "
    "m.key='offline_library:'||l.path WHERE m.value='1')";

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

}  // namespace

// SQLite reads a text search's matches first and tests the tempo of each. When the tempo window
// holds fewer samples than the text matches, starting from the tempo index reads fewer rows.
bool Database::tempoIndexLeadsLocked(const SearchQuery& query) {
    if (!query.bpm)
        return false;
    const std::string expression = narrowedFullTextExpression(query);
    if (expression.empty())
        return false;
    const std::uint64_t stamp = changeStampLocked();
    if (tempoPlan_ && tempoPlan_->expression == expression && tempoPlan_->bpm == *query.bpm &&
        tempoPlan_->stamp == stamp)
        return tempoPlan_->tempoIndexLeads;
    try {
        const auto [low, high] = tempoWindow(*query.bpm);
        const StatementCache::Lease window =
            statements_->acquire("SELECT count(*) FROM samples WHERE bpm BETWEEN ? AND ?");
        window->bind(1, low).bind(2, high);
        window->stepCode();
        const bool leads = window->int64(0) < fullTextMatchesLocked(expression);
        tempoPlan_ = TempoPlan{expression, *query.bpm, stamp, leads};
        return leads;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// Kept with the change stamp: a refresh counts and then asks for its page, whose plan may depend
// on the count.
std::int64_t Database::fullTextMatchesLocked(const std::string& expression) {
    const std::uint64_t stamp = changeStampLocked();
    if (matchCount_ && matchCount_->expression == expression && matchCount_->stamp == stamp)
        return matchCount_->matches;
    const StatementCache::Lease count =
        statements_->acquire("SELECT count(*) FROM sample_search WHERE sample_search MATCH ?");
    count->bind(1, std::string_view(expression));
    if (count->stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    matchCount_ = MatchCount{expression, stamp, count->int64(0)};
    return matchCount_->matches;
}

// A text search sorted by name can walk the name index and stop once the page is full instead of
// reading and sorting every match. The walk passes about (rows wanted) × (samples ÷ matches)
// index entries, each about a quarter of the cost of reading and sorting one match, so it leads
// while that stays under four entries a match. Filters the full-text expression cannot narrow
// would thin the matches out of its sight, so they keep the plain plan, as do a folder (its name
// may stand in many other paths) and offline libraries (the index still holds their samples).
bool Database::nameIndexLeadsLocked(const SearchQuery& query, StandingExclusions exclusions) {
    if (!query.sortByName || query.bpm || !query.genres.empty() || !query.genre.empty() ||
        query.playlistId || query.favoritesOnly || !query.folder.empty() ||
        exclusions.offlineLibraries || query.limit <= 0 || query.offset < 0)
        return false;
    const std::string expression = narrowedFullTextExpression(query);
    if (expression.empty())
        return false;
    try {
        const StatementCache::Lease samples = statements_->acquire(
            "SELECT (SELECT max(rowid) FROM samples),EXISTS(SELECT 1 FROM sqlite_schema WHERE "
            "type='index' AND name='idx_samples_name')");
        if (samples->stepCode() != SQLITE_ROW || samples->int64(1) == 0)
            return false;
        const double total = static_cast<double>(samples->int64(0));
        const double matches = static_cast<double>(fullTextMatchesLocked(expression));
        if (matches <= 0)
            return false;
        const double rowsWanted = static_cast<double>(query.offset) + query.limit;
        return rowsWanted * total / matches < 4 * matches;
    } catch (const std::runtime_error&) {
        return false;
    }
}

StandingExclusions Database::standingExclusionsLocked() {
    try {
        const StatementCache::Lease lease = statements_->acquire(kStandingExclusions);
        if (lease->stepCode() != SQLITE_ROW)
            return {};
        return {lease->int64(0) != 0, lease->int64(1) != 0};
    } catch (const std::runtime_error&) {
        return {};
    }
}

std::vector<Sample> Database::search(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
    const ReadSnapshot snapshot(db_.get());
    std::vector<Sample> samples;
    if (const auto inputs = searchIndexInputsLocked(query, outsideTransaction)) {
        try {
            readSamplesLocked(searchIndex_->page(query, *inputs), samples);
        } catch (const std::runtime_error&) {
            // As below: the rows read so far.
        }
        return samples;
    }
    const StandingExclusions exclusions = standingExclusionsLocked();
    std::string sql = kPageIds;
    if (tempoIndexLeadsLocked(query))
        sql += " INDEXED BY idx_samples_bpm";
    else if (nameIndexLeadsLocked(query, exclusions))
        sql += " INDEXED BY idx_samples_name";
    sql += kPageJoin;
    SqlParameters parameters;
    appendSearchPredicates(sql, parameters, query, exclusions);
    sql += " ORDER BY " + searchOrder(query, parameters);
    sql += " LIMIT " + std::to_string(query.limit) + " OFFSET " + std::to_string(query.offset);

    try {
        std::vector<std::int64_t> ids;
        {
            Statement page(db_.get(), sql);
            bindTexts(page, parameters);
            while (page.stepCode() == SQLITE_ROW)
                ids.push_back(page.int64(0));
        }
        readSamplesLocked(ids, samples);
    } catch (const std::runtime_error&) {
        // A statement that cannot be prepared or bound yields the rows read so far.
    }
    return samples;
}

void Database::readSamplesLocked(const std::vector<std::int64_t>& ids,
                                 std::vector<Sample>& samples) {
    const StatementCache::Lease row = statements_->acquire(kSampleById);
    for (const std::int64_t id : ids) {
        row->reset();
        row->bind(1, id);
        if (row->stepCode() == SQLITE_ROW)
            samples.push_back(sampleFromRow(*row));
    }
}

std::int64_t Database::countMatching(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    return countMatchingLocked(query);
}

std::int64_t Database::countMatchingLocked(const SearchQuery& query) {
    const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
    const ReadSnapshot snapshot(db_.get());
    if (const auto inputs = searchIndexInputsLocked(query, outsideTransaction))
        return searchIndex_->count(query, *inputs);
    const StandingExclusions exclusions = standingExclusionsLocked();
    const std::optional<std::string> fullText =
        exclusions.appleDouble || exclusions.offlineLibraries ? std::nullopt
                                                              : fullTextOnlyExpression(query);
    if (fullText) {
        // Counted afresh; the figure stays for the page that usually follows.
        matchCount_.reset();
        return fullTextMatchesLocked(*fullText);
    }
    if (!exclusions.appleDouble && !exclusions.offlineLibraries && filtersNothing(query)) {
        // Every sample, perhaps but the MIDI files: SQLite counts a whole table from its
        // smallest index without reading the rows, and the MIDI files from the type index,
        // where testing each row's type would read the whole type index. The type column
        // holds no NULL, so the difference is exact.
        const StatementCache::Lease count = statements_->acquire(
            query.hideMidi ? "SELECT (SELECT count(*) FROM samples)-(SELECT count(*) FROM "
                             "samples WHERE type='MIDI')"
                           : "SELECT count(*) FROM samples");
        if (count->stepCode() != SQLITE_ROW)
            throw std::runtime_error(sqliteMessage(db_.get()));
        return count->int64(0);
    }
    SqlParameters parameters;
    std::string sql = "SELECT count(*) FROM samples s";
    if (tempoIndexLeadsLocked(query))
        sql += " INDEXED BY idx_samples_bpm";
    sql += " WHERE 1=1";
    appendSearchPredicates(sql, parameters, query, exclusions);
    Statement statement(db_.get(), sql);
    bindTexts(statement, parameters);
    if (statement.stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return statement.int64(0);
}

std::optional<std::int64_t> Database::matchingIndex(const SearchQuery& query,
                                                    std::int64_t sampleId) {
    const std::lock_guard lock(mutex_);
    const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
    const ReadSnapshot snapshot(db_.get());
    if (const auto inputs = searchIndexInputsLocked(query, outsideTransaction))
        return searchIndex_->position(query, *inputs, sampleId);
    SqlParameters parameters;
    std::string sql =
        "SELECT position FROM (SELECT s.id,row_number() OVER (ORDER BY " +
        searchOrder(query, parameters) +
        ")-1 AS position FROM samples s JOIN libraries l ON l.id=s.library_id WHERE 1=1";
    appendSearchPredicates(sql, parameters, query, standingExclusionsLocked());
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

bool Database::holdsSamples() {
    const std::lock_guard lock(mutex_);
    try {
        Statement statement(
            db_.get(), "SELECT EXISTS(SELECT 1 FROM samples WHERE substr(filename,1,2)<>'._')");
        return statement.step() && statement.int64(0) != 0;
    } catch (const std::runtime_error&) {
        return false;
    }
}

}  // namespace sv
