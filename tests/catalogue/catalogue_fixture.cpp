#include "tests/catalogue/catalogue_fixture.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>

#include "core/catalogue/migrations.h"

namespace sv::testing {

RawConnection::RawConnection(const std::filesystem::path& file) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        throw std::runtime_error(message);
    }
    sqlite3_busy_timeout(db_, 5000);
}

RawConnection::~RawConnection() {
    sqlite3_close(db_);
}

void RawConnection::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message + " in: " + sql);
    }
}

std::vector<std::vector<std::string>> RawConnection::rows(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    std::vector<std::vector<std::string>> result;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            row.emplace_back(text ? text : "NULL");
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    return result;
}

std::string RawConnection::value(const std::string& sql) {
    const auto result = rows(sql);
    if (result.empty() || result.front().empty())
        return "<none>";
    return result.front().front();
}

void writeCatalogueAtVersion(const std::filesystem::path& file, int version) {
    std::filesystem::create_directories(file.parent_path());
    RawConnection connection(file);
    connection.exec(
        "CREATE TABLE schema_version(version INTEGER NOT NULL); INSERT INTO schema_version "
        "VALUES(0);");
    for (int step = 0; step < version; ++step)
        connection.exec(kMigrations[static_cast<std::size_t>(step)]);
}

std::vector<std::vector<std::string>> dumpUserTables(RawConnection& connection) {
    std::vector<std::vector<std::string>> dump;
    for (const auto& table : connection.rows(
             "SELECT name FROM sqlite_schema WHERE type='table' AND name NOT LIKE 'sample_search%' "
             "ORDER BY name")) {
        dump.push_back({"table", table[0]});
        for (auto& row : connection.rows("SELECT * FROM " + table[0] + " ORDER BY rowid")) {
            row.insert(row.begin(), table[0]);
            dump.push_back(std::move(row));
        }
    }
    return dump;
}

CatalogueTest::CatalogueTest() : db_(std::make_unique<Database>(home_.catalogue())) {}

RawConnection& CatalogueTest::raw() {
    if (!raw_)
        raw_ = std::make_unique<RawConnection>(file());
    return *raw_;
}

Sample CatalogueTest::sampleAt(const std::string& path) {
    Sample sample;
    sample.path = path;
    sample.filename = std::filesystem::path(path).filename().string();
    sample.type = SampleType::OneShot;
    sample.musicalKey = "None";
    sample.fileSize = 1000;
    sample.modifiedAt = 1700000000;
    return sample;
}

std::int64_t CatalogueTest::addSample(std::int64_t libraryId, const std::string& path,
                                      const std::string& genre, SampleType type,
                                      const std::string& instrument) {
    Sample sample = sampleAt(path);
    sample.genre = genre;
    sample.type = type;
    sample.instrument = instrument;
    db().upsert(sample, libraryId);
    return idOf(path);
}

std::int64_t CatalogueTest::idOf(const std::string& path) {
    const auto found = db().findByPath(path);
    return found ? found->id : 0;
}

std::string CatalogueTest::column(const std::string& name, std::int64_t sampleId) {
    return raw().value("SELECT " + name + " FROM samples WHERE id=" + std::to_string(sampleId));
}

void expectUsableFromAnotherThread(Database& db) {
    auto check = std::async(std::launch::async, [&db] {
        static int round = 0;
        const auto id = db.createPlaylist("after failure " + std::to_string(++round));
        db.deletePlaylist(id);
        return db.libraries().size();
    });
    if (check.wait_for(std::chrono::seconds(8)) != std::future_status::ready) {
        std::fprintf(stderr, "the catalogue mutex was left locked\n");
        std::abort();
    }
    EXPECT_NO_THROW(check.get());
}

}  // namespace sv::testing
