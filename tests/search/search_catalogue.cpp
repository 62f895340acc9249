#include "tests/search/search_catalogue.h"

#include <stdexcept>

#include "core/catalogue/statement.h"

namespace sv::testing {

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::int64_t> idsOf(const std::vector<Sample>& samples) {
    std::vector<std::int64_t> ids;
    for (const auto& sample : samples)
        ids.push_back(sample.id);
    return ids;
}

SearchCatalogue::SearchCatalogue() : database_(std::make_unique<Database>(home_.catalogue())) {
    if (sqlite3_open(home_.catalogue().c_str(), &raw_) != SQLITE_OK)
        throw std::runtime_error(sqliteMessage(raw_));
    sqlite3_busy_timeout(raw_, 5000);
    exec("PRAGMA foreign_keys=ON; PRAGMA synchronous=OFF");
}

SearchCatalogue::~SearchCatalogue() {
    sqlite3_close(raw_);
}

void SearchCatalogue::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(raw_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::int64_t SearchCatalogue::addLibrary(const std::string& path) {
    Statement insert(raw_, "INSERT INTO libraries(path) VALUES(?)");
    insert.bind(1, std::string_view(path));
    insert.run();
    const std::int64_t id = sqlite3_last_insert_rowid(raw_);
    if (firstLibrary_ == 0)
        firstLibrary_ = id;
    return id;
}

void SearchCatalogue::setOffline(const std::string& libraryPath, bool offline) {
    const std::string key = "offline_library:" + libraryPath;
    if (offline) {
        Statement insert(raw_, "INSERT OR REPLACE INTO app_metadata(key,value) VALUES(?,'1')");
        insert.bind(1, std::string_view(key));
        insert.run();
    } else {
        Statement remove(raw_, "DELETE FROM app_metadata WHERE key=?");
        remove.bind(1, std::string_view(key));
        remove.run();
    }
}

std::int64_t SearchCatalogue::addSample(SampleRow row) {
    if (row.libraryId == 0)
        row.libraryId = firstLibrary_ != 0 ? firstLibrary_ : addLibrary("/lib");
    std::string joinedGenres;
    for (const auto& genre : row.genres)
        joinedGenres += (joinedGenres.empty() ? "" : ", ") + genre;

    Statement insert(raw_,
                     "INSERT INTO samples(path,filename,library_id,type,auto_type,genre,"
                     "instrument,auto_instrument,bpm,musical_key,duration,file_size,modified_at,"
                     "favorite) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    const std::string filename = fileNameOf(row.path);
    insert.bind(1, std::string_view(row.path)).bind(2, std::string_view(filename));
    insert.bind(3, row.libraryId).bind(4, std::string_view(row.type));
    insert.bind(5, std::string_view(row.type));
    if (joinedGenres.empty())
        insert.bindNull(6);
    else
        insert.bind(6, std::string_view(joinedGenres));
    if (row.instrument.empty())
        insert.bindNull(7).bindNull(8);
    else
        insert.bind(7, std::string_view(row.instrument)).bind(8, std::string_view(row.instrument));
    if (row.bpm)
        insert.bind(9, static_cast<std::int64_t>(*row.bpm));
    else
        insert.bindNull(9);
    insert.bind(10, std::string_view(row.key)).bind(11, row.duration);
    insert.bind(12, static_cast<std::int64_t>(1000 + row.path.size()));
    insert.bind(13, std::int64_t{1700000000}).bind(14, std::int64_t{row.favorite ? 1 : 0});
    insert.run();
    const std::int64_t id = sqlite3_last_insert_rowid(raw_);

    for (const auto& genre : row.genres) {
        Statement genreRow(raw_,
                           "INSERT INTO sample_genres(sample_id,genre,source) VALUES(?,?,'auto')");
        genreRow.bind(1, id).bind(2, std::string_view(genre));
        genreRow.run();
    }
    return id;
}

std::int64_t SearchCatalogue::addPlaylist(const std::string& name) {
    Statement insert(raw_, "INSERT INTO playlists(name) VALUES(?)");
    insert.bind(1, std::string_view(name));
    insert.run();
    return sqlite3_last_insert_rowid(raw_);
}

void SearchCatalogue::addToPlaylist(std::int64_t playlistId, std::int64_t sampleId, int position) {
    Statement insert(raw_,
                     "INSERT INTO playlist_items(playlist_id,sample_id,position) VALUES(?,?,?)");
    insert.bind(1, playlistId).bind(2, sampleId).bind(3, static_cast<std::int64_t>(position));
    insert.run();
}

}  // namespace sv::testing
