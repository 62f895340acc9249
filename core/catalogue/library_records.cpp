// Libraries with their labels, favourite marks, playlists and the indexed paths.
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/transaction.h"

namespace sv {
namespace {

constexpr int kUniqueConstraintFailed = 2067;

std::string trimmedPlaylistName(const std::string& name) {
    constexpr const char* kTrimmed = " \t\n\r";
    const auto first = name.find_first_not_of(kTrimmed);
    if (first == std::string::npos)
        return {};
    const auto last = name.find_last_not_of(kTrimmed);
    return name.substr(first, last - first + 1);
}

// Read-only lists return the rows read before any failure, preparing included.
template <typename Row, typename Read>
std::vector<Row> readRows(sqlite3* db, const char* sql, Read&& readRow) {
    std::vector<Row> rows;
    try {
        Statement query(db, sql);
        while (query.stepCode() == SQLITE_ROW)
            rows.push_back(readRow(query));
    } catch (const std::runtime_error&) {
    }
    return rows;
}

void runWithId(sqlite3* db, const char* sql, std::int64_t id) {
    Statement statement(db, sql);
    statement.bind(1, id);
    statement.run();
}

}  // namespace

std::int64_t Database::addLibrary(const std::string& path) {
    const std::lock_guard lock(mutex_);
    Statement insert(db_.get(),
                     "INSERT INTO libraries(path) VALUES(?) ON CONFLICT(path) DO UPDATE SET "
                     "last_scanned_at=unixepoch() RETURNING id");
    insert.bind(1, path);
    if (insert.stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    const std::int64_t id = insert.int64(0);
    if (insert.stepCode() != SQLITE_DONE)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return id;
}

namespace {

// A library's samples are counted off the library index, less its AppleDouble companions,
// which a partial index lists; a catalogue without that index counts name by name.
constexpr const char* kLibrariesCountedByIndex =
    "SELECT l.id,l.path,(SELECT count(*) FROM samples s WHERE s.library_id=l.id)-(SELECT "
    "count(*) FROM samples s INDEXED BY idx_samples_appledouble WHERE s.library_id=l.id AND "
    "substr(s.filename,1,2)='._'),coalesce((SELECT m.value FROM app_metadata m WHERE "
    "m.key='library_label:'||l.id),'') FROM libraries l ORDER BY l.path COLLATE NOCASE";
constexpr const char* kLibrariesCountedByName =
    "SELECT l.id,l.path,(SELECT count(*) FROM samples s WHERE s.library_id=l.id AND "
    "substr(s.filename,1,2)<>'._'),coalesce((SELECT m.value FROM app_metadata m WHERE "
    "m.key='library_label:'||l.id),'') FROM libraries l ORDER BY l.path COLLATE NOCASE";

Library libraryFromRow(const Statement& row) {
    return Library{row.int64(0), row.text(1), row.int64(2), row.text(3)};
}

}  // namespace

std::vector<Library> Database::libraries() {
    const std::lock_guard lock(mutex_);
    try {
        std::vector<Library> libraries;
        Statement query(db_.get(), kLibrariesCountedByIndex);
        while (query.step())
            libraries.push_back(libraryFromRow(query));
        return libraries;
    } catch (const std::runtime_error&) {
        return readRows<Library>(db_.get(), kLibrariesCountedByName, libraryFromRow);
    }
}

std::vector<Library> Database::libraryFolders() {
    const std::lock_guard lock(mutex_);
    return readRows<Library>(
        db_.get(),
        "SELECT l.id,l.path,0,coalesce((SELECT m.value FROM app_metadata m WHERE "
        "m.key='library_label:'||l.id),'') FROM libraries l ORDER BY l.path COLLATE NOCASE",
        libraryFromRow);
}

std::vector<std::string> Database::offlineLibraryPaths() {
    const std::lock_guard lock(mutex_);
    // The keys are "offline_library:" followed by the library path; ';' sorts right after ':'.
    return readRows<std::string>(db_.get(),
                                 "SELECT substr(key,17) FROM app_metadata WHERE "
                                 "key>='offline_library:' AND key<'offline_library;' AND "
                                 "value='1' ORDER BY key",
                                 [](const Statement& row) { return row.text(0); });
}

bool Database::libraryHoldsSamples(std::int64_t libraryId) {
    const std::lock_guard lock(mutex_);
    Statement query(db_.get(),
                    "SELECT EXISTS(SELECT 1 FROM samples WHERE library_id=? AND "
                    "substr(filename,1,2)<>'._')");
    query.bind(1, libraryId);
    return query.step() && query.int64(0) != 0;
}

bool Database::holdsSamplesUnder(const std::string& folder) {
    const std::lock_guard lock(mutex_);
    // Paths below the folder sort between "folder/" and "folder0", '0' following '/'.
    Statement query(db_.get(), "SELECT EXISTS(SELECT 1 FROM samples WHERE path>=? AND path<?)");
    query.bind(1, folder + "/").bind(2, folder + "0");
    return query.step() && query.int64(0) != 0;
}

void Database::setLibraryDisplayLabel(std::int64_t libraryId, const std::string& label) {
    const std::lock_guard lock(mutex_);
    if (label.empty()) {
        runWithId(db_.get(), "DELETE FROM app_metadata WHERE key='library_label:'||?", libraryId);
        return;
    }
    Statement upsertLabel(db_.get(),
                          "INSERT INTO app_metadata(key,value) VALUES('library_label:'||?,?) ON "
                          "CONFLICT(key) DO UPDATE SET value=excluded.value");
    upsertLabel.bind(1, libraryId).bind(2, label);
    upsertLabel.run();
}

// The label row goes with the library: row ids are reused, and a later library with the
// same id must not inherit the old label. The offline row is keyed by path and stays.
void Database::removeLibrary(std::int64_t libraryId) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_.get());
    runWithId(db_.get(), "DELETE FROM libraries WHERE id=?", libraryId);
    runWithId(db_.get(), "DELETE FROM app_metadata WHERE key='library_label:'||?", libraryId);
    transaction.commit();
}

void Database::setFavorite(std::int64_t sampleId, bool favorite) {
    const std::lock_guard lock(mutex_);
    Statement update(db_.get(), "UPDATE samples SET favorite=? WHERE id=?");
    update.bind(1, std::int64_t{favorite ? 1 : 0}).bind(2, sampleId);
    update.run();
}

bool Database::isFavorite(std::int64_t sampleId) {
    const std::lock_guard lock(mutex_);
    try {
        Statement query(db_.get(), "SELECT favorite FROM samples WHERE id=?");
        query.bind(1, sampleId);
        return query.stepCode() == SQLITE_ROW && query.int64(0) != 0;
    } catch (const std::runtime_error&) {
        return false;
    }
}

std::vector<Playlist> Database::playlists() {
    const std::lock_guard lock(mutex_);
    return readRows<Playlist>(
        db_.get(),
        "SELECT p.id,p.name,count(s.id) FROM playlists p LEFT JOIN playlist_items pi ON "
        "pi.playlist_id=p.id LEFT JOIN samples s ON s.id=pi.sample_id AND "
        "substr(s.filename,1,2)<>'._' GROUP BY p.id,p.name ORDER BY p.name COLLATE NOCASE",
        [](const Statement& row) {
            return Playlist{row.int64(0), row.text(1), row.int64(2)};
        });
}

std::int64_t Database::createPlaylist(const std::string& name) {
    const std::lock_guard lock(mutex_);
    const std::string trimmed = trimmedPlaylistName(name);
    if (trimmed.empty())
        throw std::runtime_error("Playlist name cannot be empty");

    Statement insert(db_.get(), "INSERT INTO playlists(name) VALUES(?) RETURNING id");
    insert.bind(1, trimmed);
    if (insert.stepCode() != SQLITE_ROW) {
        if (sqlite3_extended_errcode(db_.get()) == kUniqueConstraintFailed)
            throw std::runtime_error("A playlist with that name already exists");
        throw std::runtime_error(sqliteMessage(db_.get()));
    }
    const std::int64_t id = insert.int64(0);
    if (insert.stepCode() != SQLITE_DONE)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return id;
}

void Database::deletePlaylist(std::int64_t playlistId) {
    const std::lock_guard lock(mutex_);
    runWithId(db_.get(), "DELETE FROM playlists WHERE id=?", playlistId);
}

void Database::addToPlaylist(std::int64_t playlistId, std::int64_t sampleId) {
    const std::lock_guard lock(mutex_);
    Statement insert(db_.get(),
                     "INSERT OR IGNORE INTO playlist_items(playlist_id,sample_id,position) "
                     "VALUES(?,?,(SELECT coalesce(max(position),-1)+1 FROM playlist_items WHERE "
                     "playlist_id=?))");
    insert.bind(1, playlistId).bind(2, sampleId).bind(3, playlistId);
    insert.run();
}

void Database::removeFromPlaylist(std::int64_t playlistId, std::int64_t sampleId) {
    const std::lock_guard lock(mutex_);
    Statement remove(db_.get(), "DELETE FROM playlist_items WHERE playlist_id=? AND sample_id=?");
    remove.bind(1, playlistId).bind(2, sampleId);
    remove.run();
}

std::vector<IndexedPath> Database::indexedPaths() {
    const std::lock_guard lock(mutex_);
    return readRows<IndexedPath>(
        db_.get(),
        "SELECT l.path,s.path,coalesce(m.value,'') FROM samples s JOIN libraries l ON "
        "l.id=s.library_id LEFT JOIN app_metadata m ON m.key='library_label:'||l.id WHERE "
        "substr(s.filename,1,2)<>'._' ORDER BY s.path",
        [](const Statement& row) {
            return IndexedPath{row.text(0), row.text(1), row.text(2)};
        });
}

}  // namespace sv
