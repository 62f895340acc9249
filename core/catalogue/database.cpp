#include "core/catalogue/database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "core/catalogue/migrations.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/statement_cache.h"
#include "core/catalogue/transaction.h"
#include "core/search/search_index.h"
#include "core/search/search_tokens.h"

namespace sv {
namespace {

// The application and the companion tool share one catalogue: whichever is not writing
// waits for the other instead of failing at once with "database is locked".
constexpr int kBusyTimeoutMs = 5000;

// Indexes the program relies on for speed but older programs can do without; created after
// migrating, so a catalogue keeps opening in the versions before them.
// - Looking for a moved file's old row filters by library, name, size and time. Without an
//   index on the name every new file of a scan reads every row of its library, which is
//   quadratic in the library's size.
// - The default order is by name: a page of it is read off the name index instead of sorting
//   every sample.
// - AppleDouble companions are rare; a partial index tells at once whether there are any.
// - The folder outline is rebuilt at every launch from the folders that hold samples: ordering
//   each library's rows by the text up to their last separator finds every folder with one seek
//   instead of reading every row. It makes storing a new row about a fifth dearer.
constexpr const char* kAdditiveIndexes =
    "CREATE INDEX IF NOT EXISTS idx_samples_relink ON "
    "samples(library_id,filename,file_size,modified_at); CREATE INDEX IF NOT EXISTS "
    "idx_samples_name ON samples(filename COLLATE NOCASE); CREATE INDEX IF NOT EXISTS "
    "idx_samples_appledouble ON samples(filename) WHERE substr(filename,1,2)='._'; CREATE INDEX "
    "IF NOT EXISTS idx_samples_folder ON samples(library_id,rtrim(path,replace(filename,'/','')));";

// A page of results reads samples rows scattered over the whole file; with SQLite's default
// 2 MB page cache every refresh of a large catalogue re-reads them from the operating system.
// Memory-mapped reads stay off: the first touch of each mapped page is a page fault, which made
// the first count after opening several times slower, and the mapped file adds to the resident
// memory.
// Statement journals and sorts stay in memory: every upsert of a scan (a row, its index
// entries and its full-text terms in one statement) wrote its journal to a temporary file,
// page by page, which was a third of the first scan's time.
constexpr const char* kCacheSettings = "PRAGMA cache_size=-32768; PRAGMA temp_store=MEMORY;";

std::filesystem::path userDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".local" / "share";
}

// SQLite counts every allocation under a global lock unless told not to, which has to happen
// before its first use; when something else in the process used it first, it keeps counting.
void disableSqliteMemoryStatistics() {
    static const bool once = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)once;
}

struct BackupHandle {
    sqlite3* db = nullptr;
    ~BackupHandle() { sqlite3_close(db); }
};

}  // namespace

void Database::ConnectionCloser::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

std::filesystem::path Database::defaultPath() {
    return userDataFolder() / "Orvane Producer" / "SampleVorlan" / "samplevorlan.db";
}

Database::Database(const std::filesystem::path& file) {
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());

    disableSqliteMemoryStatistics();
    sqlite3* raw = nullptr;
    // Every use of the connection holds mutex_, so SQLite's own per-call locking is left out:
    // taking and releasing it around each call was a twentieth of a first scan.
    const int openResult =
        sqlite3_open_v2(file.string().c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.reset(raw);
    if (openResult != SQLITE_OK)
        throw std::runtime_error(sqliteMessage(raw));
    statements_ = std::make_unique<StatementCache>(db_.get());

    if (sqlite3_create_function_v2(db_.get(), "sv_filename_search_rank", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &searchRankSql,
                                   nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqliteMessage(db_.get()));

    sqlite3_busy_timeout(db_.get(), kBusyTimeoutMs);
    exec("PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON; PRAGMA synchronous=NORMAL;");
    exec(kCacheSettings);
    migrate();
}

Database::~Database() = default;

void Database::exec(const std::string& sql) {
    execSql(db_.get(), sql.c_str());
}

void Database::migrate() {
    const std::lock_guard lock(mutex_);
    exec(
        "CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL); INSERT INTO "
        "schema_version SELECT 0 WHERE NOT EXISTS(SELECT 1 FROM schema_version);");

    std::int64_t version = 0;
    {
        Statement query(db_.get(), "SELECT version FROM schema_version");
        if (query.step())
            version = query.int64(0);
    }

    if (version >= 1 && version < kCurrentSchemaVersion)
        takeMigrationBackup();

    for (std::int64_t step = std::max<std::int64_t>(version, 0); step < kCurrentSchemaVersion;
         ++step)
        exec(kMigrations[static_cast<std::size_t>(step)]);
    // A catalogue written by a later program is left exactly as it is.
    if (version <= kCurrentSchemaVersion)
        exec(kAdditiveIndexes);
}

void Database::takeMigrationBackup() {
    const char* mainFile = sqlite3_db_filename(db_.get(), "main");
    const std::string backupPath = std::string(mainFile ? mainFile : "") + ".pre-v5-backup";
    std::error_code ignored;
    if (std::filesystem::symlink_status(backupPath, ignored).type() !=
        std::filesystem::file_type::not_found)
        return;

    BackupHandle copy;
    if (sqlite3_open(backupPath.c_str(), &copy.db) != SQLITE_OK)
        throw std::runtime_error("Could not create migration backup");

    sqlite3_backup* backup = sqlite3_backup_init(copy.db, "main", db_.get(), "main");
    bool complete = backup != nullptr;
    if (backup) {
        complete = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
        sqlite3_backup_finish(backup);
    }
    complete = complete && sqlite3_errcode(copy.db) == SQLITE_OK;
    if (!complete) {
        sqlite3_close(copy.db);
        copy.db = nullptr;
        std::filesystem::remove(backupPath, ignored);
        throw std::runtime_error("Could not complete migration backup");
    }
}

}  // namespace sv
