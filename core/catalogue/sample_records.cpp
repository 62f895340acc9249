// Sample rows as the scanner writes them: lookup, relinking of moved files, upsert,
// pruning and the offline flag of a library.
#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/statement_cache.h"
#include "core/catalogue/transaction.h"

namespace sv {
namespace {

std::string lastComponent(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// A moved file's old path counts as gone when the status query says "not found" or fails.
bool pathIsGone(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return error || status.type() == std::filesystem::file_type::not_found;
}

struct RelinkCandidate {
    std::int64_t id;
    std::string path;
};

// Runs one statement whose outcome does not matter to the caller.
template <typename Bind>
void runIgnoringFailure(StatementCache& statements, const char* sql, Bind&& bindParameters) {
    try {
        const StatementCache::Lease statement = statements.acquire(sql);
        bindParameters(*statement);
        statement->stepCode();
    } catch (const std::runtime_error&) {
    }
}

constexpr const char* kInsertColumnsSql =
    "INSERT INTO "
    "samples(path,filename,library_id,type,auto_type,genre,auto_genre,instrument,auto_instrument,"
    "bpm,musical_key,duration,file_size,modified_at) VALUES";
constexpr const char* kInsertRowSql = "(?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
constexpr int kParametersPerRow = 14;
// 128 rows hold 1,792 parameters, well within SQLite's limit of 32,766.
constexpr std::size_t kRowsPerInsert = 128;

// Binds a row's fourteen values after parameter `offset`; `type` is the sample's type text.
void bindSampleRow(Statement& insert, int offset, const Sample& sample, std::int64_t libraryId,
                   const std::string& type) {
    insert.bind(offset + 1, sample.path)
        .bind(offset + 2, sample.filename)
        .bind(offset + 3, libraryId)
        .bind(offset + 4, type)
        .bind(offset + 5, type);
    // The genre text of a row without genres is NULL, as recomputing it from its genre rows
    // gives; writing it so at once spares a second write of the row and its terms.
    if (sample.genre.empty())
        insert.bindNull(offset + 6);
    else
        insert.bind(offset + 6, sample.genre);
    insert.bind(offset + 7, sample.genre)
        .bind(offset + 8, sample.instrument)
        .bind(offset + 9, sample.instrument);
    if (sample.bpm)
        insert.bind(offset + 10, static_cast<std::int64_t>(*sample.bpm));
    else
        insert.bindNull(offset + 10);
    insert.bind(offset + 11, sample.musicalKey)
        .bind(offset + 12, sample.duration)
        .bind(offset + 13, static_cast<std::int64_t>(sample.fileSize))
        .bind(offset + 14, sample.modifiedAt);
}

constexpr const char* kUpsertSql =
    "INSERT INTO "
    "samples(path,filename,library_id,type,auto_type,genre,auto_genre,instrument,auto_instrument,"
    "bpm,musical_key,duration,file_size,modified_at) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON "
    "CONFLICT(path) DO UPDATE SET "
    "filename=excluded.filename,library_id=excluded.library_id,auto_type=excluded.auto_type,type="
    "coalesce(samples.user_type_override,excluded.auto_type),auto_genre=excluded.auto_genre,"
    "instrument=coalesce(samples.user_instrument_override,excluded.auto_instrument),auto_"
    "instrument=excluded.auto_instrument,bpm=excluded.bpm,musical_key=excluded.musical_key,"
    "duration=excluded.duration,file_size=excluded.file_size,modified_at=excluded.modified_at,"
    "analyzed_at=unixepoch() RETURNING id";

// Only a changed text is written: every update of a row rewrites its full-text entry, which
// inside a scan's transaction costs a flush of the full-text index per statement.
constexpr const char* kRecomputeGenreSql =
    "UPDATE samples SET genre=(SELECT group_concat(genre, ', ') FROM (SELECT DISTINCT genre FROM "
    "sample_genres WHERE sample_id=?1 ORDER BY source DESC,genre COLLATE NOCASE)) WHERE id=?2 "
    "AND genre IS NOT (SELECT group_concat(genre, ', ') FROM (SELECT DISTINCT genre FROM "
    "sample_genres WHERE sample_id=?1 ORDER BY source DESC,genre COLLATE NOCASE))";

}  // namespace

std::optional<Sample> Database::findByPath(const std::string& path) {
    const std::lock_guard lock(mutex_);
    try {
        const StatementCache::Lease query =
            statements_->acquire("SELECT id,file_size,modified_at FROM samples WHERE path=?");
        query->bind(1, path);
        if (!query->step())
            return std::nullopt;
        Sample sample;
        sample.id = query->int64(0);
        sample.path = path;
        sample.fileSize = static_cast<std::uint64_t>(query->int64(1));
        sample.modifiedAt = query->int64(2);
        return sample;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

std::optional<std::string> Database::relinkMovedSample(std::int64_t libraryId,
                                                       const std::string& newPath,
                                                       std::uint64_t fileSize,
                                                       std::int64_t modifiedAt) {
    const std::lock_guard lock(mutex_);
    const std::string filename = lastComponent(newPath);

    std::vector<RelinkCandidate> gone;
    {
        const StatementCache::Lease query = statements_->acquire(
            "SELECT id,path FROM samples WHERE library_id=? AND filename=? COLLATE "
            "BINARY AND file_size=? AND modified_at=? AND path<>?");
        query->bind(1, libraryId)
            .bind(2, filename)
            .bind(3, static_cast<std::int64_t>(fileSize))
            .bind(4, modifiedAt)
            .bind(5, newPath);
        while (query->step()) {
            RelinkCandidate candidate{query->int64(0), query->text(1)};
            if (pathIsGone(candidate.path))
                gone.push_back(std::move(candidate));
        }
    }
    if (gone.size() != 1)
        return std::nullopt;

    Statement update(db_.get(),
                     "UPDATE samples SET path=?,filename=?,analyzed_at=unixepoch() WHERE id=?");
    update.bind(1, newPath).bind(2, filename).bind(3, gone.front().id);
    update.run();
    return gone.front().path;
}

void Database::upsert(const Sample& sample, std::int64_t libraryId) {
    const std::lock_guard lock(mutex_);
    // One write transaction per sample: the row, its automatic genre row and its genre text
    // land together (a crash between them would leave the text out of step with the rows).
    // Bulk loaders that opened their own transaction keep it.
    std::optional<Transaction> transaction;
    if (sqlite3_get_autocommit(db_.get()))
        transaction.emplace(db_.get());
    upsertLocked(sample, libraryId);
    if (transaction)
        transaction->commit();
}

void Database::upsert(const std::vector<Sample>& samples, std::int64_t libraryId) {
    if (samples.empty())
        return;
    const std::lock_guard lock(mutex_);
    std::optional<Transaction> transaction;
    if (sqlite3_get_autocommit(db_.get()))
        transaction.emplace(db_.get());
    // Inside the write transaction no other writer can add a path, so the rows found absent
    // here are inserted without a conflict. A path given twice is written again afterwards.
    const std::unordered_set<std::string> stored = storedPathsLocked(samples);
    std::vector<const Sample*> fresh;
    std::vector<const Sample*> others;
    std::unordered_set<std::string_view> freshPaths;
    for (const Sample& sample : samples) {
        if (!stored.contains(sample.path) && freshPaths.insert(sample.path).second)
            fresh.push_back(&sample);
        else
            others.push_back(&sample);
    }
    for (std::size_t first = 0; first < fresh.size(); first += kRowsPerInsert)
        insertNewLocked(
            std::span(fresh).subspan(first, std::min(kRowsPerInsert, fresh.size() - first)),
            libraryId);
    for (const Sample* sample : others)
        upsertLocked(*sample, libraryId);
    if (transaction)
        transaction->commit();
}

std::unordered_set<std::string> Database::storedPathsLocked(const std::vector<Sample>& samples) {
    std::unordered_set<std::string> stored;
    const StatementCache::Lease query = statements_->acquire("SELECT 1 FROM samples WHERE path=?");
    for (const Sample& sample : samples) {
        query->bind(1, sample.path);
        if (query->step())
            stored.insert(sample.path);
        query->reset();
    }
    return stored;
}

// New rows go in many to a statement. The full-text table is written by the row triggers,
// and every statement that writes it inside a transaction makes the full-text index write out
// what it holds in memory as a segment of its own: one statement per file made 10,000
// segments for 10,000 files, and merging them was most of the time a first scan took.
void Database::insertNewLocked(std::span<const Sample* const> rows, std::int64_t libraryId) {
    std::string sql = kInsertColumnsSql;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            sql += ',';
        sql += kInsertRowSql;
    }
    sql += " RETURNING id,auto_genre";
    std::vector<std::int64_t> ids;
    std::vector<std::pair<std::int64_t, std::string>> genres;
    const auto run = [&](Statement& insert) {
        std::vector<std::string> types;
        types.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            types.push_back(toString(rows[i]->type));
            bindSampleRow(insert, static_cast<int>(i) * kParametersPerRow, *rows[i], libraryId,
                          types.back());
        }
        ids.reserve(rows.size());
        for (int code; (code = insert.stepCode()) != SQLITE_DONE;) {
            if (code != SQLITE_ROW)
                throw std::runtime_error(sqliteMessage(db_.get()));
            ids.push_back(insert.int64(0));
            std::string genre = insert.text(1);
            if (!genre.empty())
                genres.emplace_back(ids.back(), std::move(genre));
        }
    };
    // Only the full-size statement is kept; a batch's last few rows are prepared once.
    if (rows.size() == kRowsPerInsert) {
        const StatementCache::Lease lease = statements_->acquire(sql);
        run(*lease);
    } else {
        Statement insert(db_.get(), sql);
        run(insert);
    }
    // A new row owns no genre rows: any found under its id were left by a row deleted without
    // its cascade (by another tool) and go. Its genre text is already its automatic genre's.
    StatementCache& statements = *statements_;
    for (const std::int64_t id : ids)
        runIgnoringFailure(statements, "DELETE FROM sample_genres WHERE sample_id=?",
                           [&](Statement& s) { s.bind(1, id); });
    for (const auto& [id, genre] : genres)
        runIgnoringFailure(
            statements,
            "INSERT OR IGNORE INTO sample_genres(sample_id,genre,source) VALUES(?,?,'auto')",
            [&](Statement& s) { s.bind(1, id).bind(2, genre); });
}

void Database::upsertLocked(const Sample& sample, std::int64_t libraryId) {
    const std::string type = toString(sample.type);
    std::int64_t id = 0;
    // The upsert changes the last inserted row id only when it inserts (its triggers' inserts
    // restore it, an update leaves it). A new row that happens to get the id inserted last
    // reads as an update, which only costs the recompute a new row can skip.
    const sqlite3_int64 lastInsertBefore = sqlite3_last_insert_rowid(db_.get());
    {
        const StatementCache::Lease lease = statements_->acquire(kUpsertSql);
        Statement& insert = *lease;
        bindSampleRow(insert, 0, sample, libraryId, type);
        if (insert.stepCode() != SQLITE_ROW)
            throw std::runtime_error(sqliteMessage(db_.get()));
        id = insert.int64(0);
        // Run the statement to its end so that the write is complete before the genre steps.
        if (insert.stepCode() != SQLITE_DONE)
            throw std::runtime_error(sqliteMessage(db_.get()));
    }

    const bool inserted = sqlite3_last_insert_rowid(db_.get()) != lastInsertBefore;
    StatementCache& statements = *statements_;
    // A new row owns no genre rows: any found under its id were left by a row deleted without
    // its cascade (by another tool) and go. Its genre text is then already the one its
    // automatic genre row gives, so it is not recomputed.
    if (inserted)
        runIgnoringFailure(statements, "DELETE FROM sample_genres WHERE sample_id=?",
                           [&](Statement& s) { s.bind(1, id); });
    else
        runIgnoringFailure(statements,
                           "DELETE FROM sample_genres WHERE sample_id=? AND source='auto'",
                           [&](Statement& s) { s.bind(1, id); });
    if (!sample.genre.empty())
        runIgnoringFailure(
            statements,
            "INSERT OR IGNORE INTO sample_genres(sample_id,genre,source) VALUES(?,?,'auto')",
            [&](Statement& s) { s.bind(1, id).bind(2, sample.genre); });
    if (!inserted)
        runIgnoringFailure(statements, kRecomputeGenreSql,
                           [&](Statement& s) { s.bind(1, id).bind(2, id); });
}

void Database::removeMissing(std::int64_t libraryId, const std::vector<std::string>& existingPaths,
                             std::size_t& removedCount) {
    const std::lock_guard lock(mutex_);
    const std::unordered_set<std::string> existing(existingPaths.begin(), existingPaths.end());
    removedCount = 0;

    Transaction transaction(db_.get());
    std::vector<std::int64_t> missing;
    {
        Statement query(db_.get(), "SELECT id,path FROM samples WHERE library_id=?");
        query.bind(1, libraryId);
        while (query.step()) {
            if (!existing.contains(query.text(1)))
                missing.push_back(query.int64(0));
        }
    }
    {
        Statement remove(db_.get(), "DELETE FROM samples WHERE id=?");
        for (const std::int64_t id : missing) {
            remove.bind(1, id);
            remove.run();
            remove.reset();
        }
    }
    transaction.commit();
    removedCount = missing.size();
}

bool Database::setLibraryAvailable(const std::string& libraryPath, bool available) {
    const std::lock_guard lock(mutex_);
    const std::string key = "offline_library:" + libraryPath;
    Statement statement(db_.get(), available
                                       ? "DELETE FROM app_metadata WHERE key=?"
                                       : "INSERT INTO app_metadata(key,value) VALUES(?,'1') ON "
                                         "CONFLICT(key) DO UPDATE SET value='1' WHERE value<>'1'");
    statement.bind(1, key);
    const sqlite3_int64 before = sqlite3_total_changes64(db_.get());
    statement.run();
    return sqlite3_total_changes64(db_.get()) != before;
}

}  // namespace sv
