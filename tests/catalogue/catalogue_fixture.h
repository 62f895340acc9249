#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "tests/support/temp_home.h"

struct sqlite3;

namespace sv::testing {

// A plain SQLite connection of its own, for building old catalogues and reading rows
// behind the catalogue's back.
class RawConnection {
  public:
    explicit RawConnection(const std::filesystem::path& file);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    void exec(const std::string& sql);
    // Every row of the result, each value as text ("NULL" for NULL).
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // The first column of the first row; "NULL" for NULL, "<none>" without a row.
    std::string value(const std::string& sql);
    std::int64_t number(const std::string& sql) { return std::stoll(value(sql)); }
    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

// Writes a catalogue at the given schema version by running the earlier migration texts on
// an empty file, the way an older release of the application left it.
void writeCatalogueAtVersion(const std::filesystem::path& file, int version);

// A readable dump of every table that holds user data, for comparing catalogue states.
std::vector<std::vector<std::string>> dumpUserTables(RawConnection& connection);

// A temporary home with a fresh catalogue in it.
class CatalogueTest : public ::testing::Test {
  protected:
    CatalogueTest();

    Database& db() { return *db_; }
    RawConnection& raw();
    std::filesystem::path file() const { return home_.catalogue(); }
    const TempHome& home() const { return home_; }

    std::int64_t addSample(std::int64_t libraryId, const std::string& path,
                           const std::string& genre = {}, SampleType type = SampleType::OneShot,
                           const std::string& instrument = {});
    // A sample record with plausible values for the given path.
    static Sample sampleAt(const std::string& path);
    std::int64_t idOf(const std::string& path);
    std::string column(const std::string& column, std::int64_t sampleId);

  private:
    TempHome home_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<RawConnection> raw_;
};

// Runs a check on another thread and fails instead of hanging when the catalogue's
// mutex was left locked.
void expectUsableFromAnotherThread(Database& db);

}  // namespace sv::testing
