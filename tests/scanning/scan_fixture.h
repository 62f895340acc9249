#pragma once

// A temporary home with a catalogue, a library folder and helpers to fill it with real
// audio files and to read the catalogue back with plain SQL.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "core/scanning/library_scanner.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace sv::testing {

namespace fs = std::filesystem;

// Reads the catalogue file through its own connection, as a second process would.
class CatalogueReader {
  public:
    explicit CatalogueReader(const fs::path& file) {
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~CatalogueReader() { sqlite3_close(db_); }
    CatalogueReader(const CatalogueReader&) = delete;
    CatalogueReader& operator=(const CatalogueReader&) = delete;

    // First column of each row as text (NULL as "NULL").
    std::vector<std::string> column(const std::string& sql, const std::string& parameter = {}) {
        std::vector<std::string> values;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return values;
        }
        if (!parameter.empty())
            sqlite3_bind_text(statement, 1, parameter.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            values.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(statement);
        return values;
    }

    std::string value(const std::string& sql, const std::string& parameter = {}) {
        const auto values = column(sql, parameter);
        return values.empty() ? std::string() : values.front();
    }

    std::int64_t count(const std::string& sql, const std::string& parameter = {}) {
        const std::string text = value(sql, parameter);
        return text.empty() ? -1 : std::stoll(text);
    }

  private:
    sqlite3* db_ = nullptr;
};

inline fs::path writeTone(const fs::path& path, double seconds = 0.25);

class ScanFixture : public ::testing::Test {
  protected:
    ScanFixture()
        : library_(home_.root() / "Library"),
          db_(std::make_unique<Database>(home_.catalogue())),
          scanner_(std::make_unique<LibraryScanner>(*db_, home_.root() / "no-mountinfo")) {
        fs::create_directories(library_);
    }

    // A short real WAV file of `seconds` of a tone; a different length changes the size.
    fs::path addWav(const fs::path& relative, double seconds = 0.25) {
        return writeTone(library_ / relative, seconds);
    }

    std::int64_t sampleCount(const std::string& where = "1") {
        return reader().count("SELECT count(*) FROM samples WHERE " + where);
    }
    std::int64_t idOf(const fs::path& path) {
        return reader().count("SELECT id FROM samples WHERE path=?", path.string());
    }
    bool offline(const std::string& path) {
        return reader().value("SELECT value FROM app_metadata WHERE key=?",
                              "offline_library:" + path) == "1";
    }
    std::vector<std::string> storedPaths() {
        return reader().column("SELECT path FROM samples ORDER BY path");
    }

    // The scan's failure message; empty when it succeeded.
    std::string scanError(const fs::path& root, bool force = false,
                          const LibraryScanner::Progress& progress = {}) {
        try {
            scanner_->scan(root, progress, force);
        } catch (const std::exception& error) {
            return error.what();
        }
        return {};
    }

    CatalogueReader& reader() {
        if (!reader_)
            reader_ = std::make_unique<CatalogueReader>(home_.catalogue());
        return *reader_;
    }

    TempHome home_;
    fs::path library_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<LibraryScanner> scanner_;
    std::unique_ptr<CatalogueReader> reader_;
};

// A short mono 22.05 kHz tone.
inline fs::path writeTone(const fs::path& path, double seconds) {
    WavOptions options;
    options.sampleRate = 22050;
    return writeWav(path, sine(seconds, options.sampleRate, 440.0), options);
}

inline std::string offlineText(const fs::path& root) {
    return "Library offline: " + root.string() +
           ". Reconnect the drive or restore this folder, then Rescan. Cached samples are "
           "hidden; Favorites and playlists are preserved.";
}

// Sets a file's modification time to whole seconds since the epoch.
inline void setModifiedSeconds(const fs::path& path, std::int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                      {static_cast<time_t>(seconds), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace sv::testing
