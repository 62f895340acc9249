// Keeping the in-memory search index in step with the catalogue, and what each query reads
// beside it.
#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/statement_cache.h"
#include "core/catalogue/transaction.h"
#include "core/search/search_index.h"
#include "core/search/search_sql.h"
#include "core/search/search_tokens.h"

namespace sv {
namespace {

// Beyond this many rows written since the copy was last brought up to date, reading them again
// one by one costs more than a search; the copy then waits for the next preparation.
constexpr std::size_t kMostChangedSamples = 20'000;
// Another connection committing while the samples are read starts the reading over.
constexpr int kPreparationAttempts = 3;

// Every write of this connection to a sample or its genres names the sample; the triggers are
// temporary, so other connections and later opens know nothing of them.
constexpr const char* kSampleChangeTriggers =
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_samples_insert AFTER INSERT ON main.samples "
    "BEGIN SELECT sv_sample_changed(new.id); END;"
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_samples_update AFTER UPDATE ON main.samples "
    "BEGIN SELECT sv_sample_changed(old.id),sv_sample_changed(new.id); END;"
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_samples_delete AFTER DELETE ON main.samples "
    "BEGIN SELECT sv_sample_changed(old.id); END;"
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_genres_insert AFTER INSERT ON main.sample_genres "
    "BEGIN SELECT sv_sample_changed(new.sample_id); END;"
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_genres_update AFTER UPDATE ON main.sample_genres "
    "BEGIN SELECT sv_sample_changed(old.sample_id),sv_sample_changed(new.sample_id); END;"
    "CREATE TEMP TRIGGER IF NOT EXISTS sv_index_genres_delete AFTER DELETE ON main.sample_genres "
    "BEGIN SELECT sv_sample_changed(old.sample_id); END;";

constexpr const char* kLibraries =
    "SELECT l.id,EXISTS(SELECT 1 FROM app_metadata m WHERE m.key='offline_library:'||l.path AND "
    "m.value='1') FROM libraries l ORDER BY l.id";

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// A second connection to the catalogue file that only reads.
Connection openReader(const std::string& file) {
    sqlite3* raw = nullptr;
    const int result =
        sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection connection(raw);
    if (result != SQLITE_OK)
        throw std::runtime_error(sqliteMessage(raw));
    sqlite3_busy_timeout(raw, 5000);
    execSql(raw, "PRAGMA query_only=1");
    return connection;
}

std::vector<std::int64_t> sortedIds(Statement& statement) {
    std::vector<std::int64_t> ids;
    while (statement.step())
        if (sqlite3_column_type(statement.handle(), 0) == SQLITE_INTEGER)
            ids.push_back(statement.int64(0));
    if (!std::is_sorted(ids.begin(), ids.end()))
        std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// The letter or digit of a search text that is that one character and no other word.
std::optional<char> oneLetterSearch(const SearchQuery& query) {
    const std::vector<std::string> words = searchTokens(query.text);
    if (words.size() != 1 || words[0].size() != 1)
        return std::nullopt;
    const char c = words[0][0];
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return c;
    return std::nullopt;
}

}  // namespace

void Database::sampleChanged(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto* self = static_cast<Database*>(sqlite3_user_data(context));
    sqlite3_result_null(context);
    if (argc != 1 || sqlite3_value_type(argv[0]) != SQLITE_INTEGER)
        return;  // a genre row whose sample id is no integer belongs to no sample
    const std::int64_t id = sqlite3_value_int64(argv[0]);
    if (self->searchIndex_)
        self->changedSamples_.note(id);
    if (self->buildingSearchIndex_)
        self->changedDuringBuild_.note(id);
}

void Database::SampleChanges::note(std::int64_t id) {
    if (overflow)
        return;
    if (ids.size() >= kMostChangedSamples) {
        overflow = true;
        ids.clear();
        ids.shrink_to_fit();
        return;
    }
    ids.push_back(id);
}

void Database::watchSampleChangesLocked() {
    if (watchingSampleChanges_)
        return;
    if (sqlite3_create_function_v2(db_.get(), "sv_sample_changed", 1, SQLITE_UTF8, this,
                                   &Database::sampleChanged, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        throw std::runtime_error(sqliteMessage(db_.get()));
    exec(kSampleChangeTriggers);
    watchingSampleChanges_ = true;
}

std::int64_t Database::dataVersionLocked() {
    const StatementCache::Lease version = statements_->acquire("PRAGMA data_version");
    if (version->stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return version->int64(0);
}

bool Database::searchIndexCurrentLocked(bool outsideTransaction) {
    // Inside a transaction someone else opened, rows may still be rolled back.
    if (!searchIndex_ || !outsideTransaction || changedSamples_.overflow)
        return false;
    try {
        if (dataVersionLocked() != searchIndexVersion_)
            return false;
        if (!changedSamples_.ids.empty()) {
            std::vector<std::int64_t> changed;
            changed.swap(changedSamples_.ids);
            searchIndex_->reload(db_.get(), std::move(changed));
        }
        return searchIndex_->answers(SearchQuery{});
    } catch (const std::runtime_error&) {
        searchIndex_.reset();
        changedSamples_ = {};
        return false;
    }
}

bool Database::searchIndexCurrent() {
    const std::lock_guard lock(mutex_);
    const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
    const ReadSnapshot snapshot(db_.get());
    return searchIndexCurrentLocked(outsideTransaction);
}

void Database::cancelSearchIndexPreparation() {
    searchIndexCancelled_ = true;
}

bool Database::prepareSearchIndex() {
    const std::lock_guard preparing(searchIndexPreparation_);
    try {
        return prepareSearchIndexLocked();
    } catch (const std::runtime_error&) {
        const std::lock_guard lock(mutex_);
        buildingSearchIndex_ = false;
        changedDuringBuild_ = {};
        return false;
    }
}

// Holds searchIndexPreparation_, and mutex_ only for the short steps around the reading; the
// copy in use, if any, keeps answering meanwhile.
bool Database::prepareSearchIndexLocked() {
    std::string file;
    {
        const std::lock_guard lock(mutex_);
        if (searchIndexCancelled_)
            return false;
        const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
        if (!outsideTransaction)
            return false;
        {
            const ReadSnapshot snapshot(db_.get());
            if (searchIndexCurrentLocked(outsideTransaction) && !searchIndex_->wornOut())
                return true;
        }
        watchSampleChangesLocked();
        const char* name = sqlite3_db_filename(db_.get(), "main");
        file = name ? name : "";
    }
    for (int attempt = 0; attempt < kPreparationAttempts; ++attempt) {
        std::int64_t version = 0;
        {
            // From here on, this connection's writes are noted for the new copy too; what
            // another connection commits shows as a new data version.
            const std::lock_guard lock(mutex_);
            const ReadSnapshot snapshot(db_.get());
            version = dataVersionLocked();
            buildingSearchIndex_ = true;
            changedDuringBuild_ = {};
        }
        std::unique_ptr<SearchIndex> fresh;
        if (file.empty()) {
            // A catalogue in memory has no second connection: read it on this one.
            const std::lock_guard lock(mutex_);
            const ReadSnapshot snapshot(db_.get());
            fresh = SearchIndex::load(db_.get(), &searchIndexCancelled_);
        } else {
            const Connection reader = openReader(file);
            const ReadSnapshot snapshot(reader.get());
            fresh = SearchIndex::load(reader.get(), &searchIndexCancelled_);
        }
        const std::lock_guard lock(mutex_);
        buildingSearchIndex_ = false;
        if (!fresh) {
            changedDuringBuild_ = {};
            return false;
        }
        const bool outsideTransaction = sqlite3_get_autocommit(db_.get()) != 0;
        const ReadSnapshot snapshot(db_.get());
        if (dataVersionLocked() != version)
            continue;
        searchIndex_ = std::move(fresh);
        searchIndexVersion_ = version;
        changedSamples_ = std::move(changedDuringBuild_);
        changedDuringBuild_ = {};
        return searchIndexCurrentLocked(outsideTransaction);
    }
    return false;
}

// What the copy needs besides itself, read in the query's snapshot; empty when the copy cannot
// answer, and the SQL then does.
std::optional<SearchIndexInputs> Database::searchIndexInputsLocked(const SearchQuery& query,
                                                                   bool outsideTransaction) {
    if (!searchIndexCurrentLocked(outsideTransaction) || !searchIndex_->answers(query))
        return std::nullopt;
    try {
        SearchIndexInputs inputs;
        {
            const StatementCache::Lease libraries = statements_->acquire(kLibraries);
            while (libraries->step()) {
                inputs.libraries.push_back(libraries->int64(0));
                if (libraries->int64(1) != 0)
                    inputs.offlineLibraries.push_back(libraries->int64(0));
            }
        }
        // Without the term that leaves MIDI files out: the copy tests the type itself, and a
        // quarter fewer ids cost the full-text index more than they spare here. The other
        // column terms leave far fewer ids and stay.
        SearchQuery withMidi = query;
        withMidi.hideMidi = false;
        // One letter or digit: the copy knows the first letter of every word the full-text
        // index holds, and a prefix of one letter asks the index for nearly every word it has.
        // The copy applies the filters that narrow the expression itself.
        const std::optional<char> initial = oneLetterSearch(query);
        const bool fromInitials = initial && searchIndex_->knowsWordInitials();
        if (const std::string expression = fromInitials ? std::string("initial:") + *initial
                                                        : narrowedFullTextExpression(withMidi);
            !expression.empty()) {
            const std::uint64_t stamp = changeStampLocked();
            if (!textMatches_ || textMatches_->expression != expression ||
                textMatches_->stamp != stamp) {
                textMatches_.reset();
                std::vector<std::int64_t> ids;
                if (fromInitials) {
                    ids = searchIndex_->idsWithWordInitial(*initial);
                } else {
                    const StatementCache::Lease matches = statements_->acquire(
                        "SELECT rowid FROM sample_search WHERE sample_search MATCH ?");
                    matches->bind(1, std::string_view(expression));
                    ids = sortedIds(*matches);
                }
                textMatches_ =
                    TextMatches{expression, stamp,
                                std::make_shared<const std::vector<std::int64_t>>(std::move(ids))};
            }
            inputs.textMatches = textMatches_->ids;
        }
        if (query.playlistId) {
            const StatementCache::Lease members =
                statements_->acquire("SELECT sample_id FROM playlist_items WHERE playlist_id=?");
            members->bind(1, *query.playlistId);
            inputs.playlistMembers = sortedIds(*members);
        }
        return inputs;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

}  // namespace sv
