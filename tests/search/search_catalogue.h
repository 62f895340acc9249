#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "tests/support/temp_home.h"

namespace sv::testing {

// One row of table samples as the search tests describe it.
struct SampleRow {
    std::string path{};
    std::string type = "Loop";
    std::string instrument{};
    std::optional<std::int32_t> bpm{};
    std::string key = "None";
    std::optional<double> duration{};
    bool favorite = false;
    std::vector<std::string> genres{};  // sample_genres rows; samples.genre is their join
    std::int64_t libraryId = 0;
};

// A real catalogue opened by sv::Database, filled through a second, raw connection so
// that the search can be tested on rows written exactly as the scanner would store them.
class SearchCatalogue {
  public:
    SearchCatalogue();
    ~SearchCatalogue();
    SearchCatalogue(const SearchCatalogue&) = delete;
    SearchCatalogue& operator=(const SearchCatalogue&) = delete;

    Database& database() { return *database_; }
    sqlite3* raw() { return raw_; }
    std::filesystem::path file() const { return home_.catalogue(); }

    std::int64_t addLibrary(const std::string& path);
    void setOffline(const std::string& libraryPath, bool offline);
    // Inserts the row (into the first library when none is named) and returns its id.
    std::int64_t addSample(SampleRow row);
    std::int64_t addPlaylist(const std::string& name);
    void addToPlaylist(std::int64_t playlistId, std::int64_t sampleId, int position);
    void exec(const std::string& sql);

  private:
    TempHome home_;
    std::unique_ptr<Database> database_;
    sqlite3* raw_ = nullptr;
    std::int64_t firstLibrary_ = 0;
};

// File name of a path: what the scanner stores in samples.filename.
std::string fileNameOf(const std::string& path);

// Ids of the samples, in order.
std::vector<std::int64_t> idsOf(const std::vector<Sample>& samples);

}  // namespace sv::testing
