// Storing 100,000 new samples through Database::upsert, against a bare INSERT of the same
// 14 columns into the same kind of catalogue. Both run in autocommit mode (no enclosing
// transaction), as the scanner's writes do, on connections with the catalogue's pragmas.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/catalogue/database.h"

namespace {

constexpr int kRows = 100'000;

const char* const kInstruments[] = {"Kick", "Snare", "HiHat", "Bass", "Pad", "Lead", "Vocal", ""};
const char* const kGenres[] = {"Trap", "House", "", "Lofi", "Techno", ""};
const char* const kKeys[] = {"A min", "C maj", "F#", "None", "D min"};

std::vector<sv::Sample> makeSamples() {
    std::vector<sv::Sample> samples;
    samples.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        sv::Sample s;
        s.filename = std::string(kInstruments[i % 8]) + " " + std::to_string(80 + i % 90) +
                     " bpm take " + std::to_string(i) + ".wav";
        s.path = "/music/Library/Pack " + std::to_string(i % 250) + "/Folder " +
                 std::to_string(i % 17) + "/" + s.filename;
        s.type = i % 3 == 0 ? sv::SampleType::Loop : sv::SampleType::OneShot;
        s.genre = kGenres[i % 6];
        s.instrument = kInstruments[i % 8];
        s.musicalKey = kKeys[i % 5];
        if (i % 3 == 0)
            s.bpm = 80 + i % 90;
        s.duration = 0.25 + (i % 40) * 0.1;
        s.fileSize = 10'000 + static_cast<std::uint64_t>(i);
        s.modifiedAt = 1'700'000'000 + i;
        samples.push_back(std::move(s));
    }
    return samples;
}

const std::vector<sv::Sample>& samples() {
    static const std::vector<sv::Sample> all = makeSamples();
    return all;
}

struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "svbench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder");
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::map<std::string, double> rowsPerSecond;

void BM_upsertNewSamples(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder folder;
        auto db = std::make_unique<sv::Database>(folder.path / "catalogue.db");
        const auto library = db->addLibrary("/music/Library");
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        for (const auto& sample : samples())
            db->upsert(sample, library);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        rowsPerSecond["upsert"] = kRows / took.count();
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.counters["rows_per_second"] = rowsPerSecond["upsert"];
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void BM_bareInsert(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder folder;
        const auto file = folder.path / "catalogue.db";
        std::int64_t library = 0;
        {
            sv::Database created(file);  // the same schema, triggers and full-text index
            library = created.addLibrary("/music/Library");
        }
        sqlite3* db = nullptr;
        check(sqlite3_open(file.c_str(), &db), db);
        check(sqlite3_exec(db,
                           "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON; PRAGMA "
                           "synchronous=NORMAL;",
                           nullptr, nullptr, nullptr),
              db);
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(
                  db,
                  "INSERT INTO samples(path,filename,library_id,type,auto_type,genre,auto_genre,"
                  "instrument,auto_instrument,bpm,musical_key,duration,file_size,modified_at) "
                  "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                  -1, &insert, nullptr),
              db);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        for (const auto& s : samples()) {
            const std::string type = sv::toString(s.type);
            sqlite3_bind_text(insert, 1, s.path.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, s.filename.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 3, library);
            sqlite3_bind_text(insert, 4, type.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 5, type.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 6, s.genre.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 7, s.genre.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 8, s.instrument.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 9, s.instrument.c_str(), -1, SQLITE_TRANSIENT);
            if (s.bpm)
                sqlite3_bind_int(insert, 10, *s.bpm);
            else
                sqlite3_bind_null(insert, 10);
            sqlite3_bind_text(insert, 11, s.musicalKey.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 12, *s.duration);
            sqlite3_bind_int64(insert, 13, static_cast<sqlite3_int64>(s.fileSize));
            sqlite3_bind_int64(insert, 14, s.modifiedAt);
            check(sqlite3_step(insert), db);
            sqlite3_reset(insert);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        rowsPerSecond["bare insert"] = kRows / took.count();

        state.PauseTiming();
        sqlite3_finalize(insert);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.counters["rows_per_second"] = rowsPerSecond["bare insert"];
}

BENCHMARK(BM_bareInsert)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_upsertNewSamples)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    samples();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (rowsPerSecond.count("upsert") && rowsPerSecond.count("bare insert"))
        std::printf(
            "upsert: %.0f rows/s, bare INSERT: %.0f rows/s, upsert time / bare INSERT time: "
            "%.2f\n",
            rowsPerSecond["upsert"], rowsPerSecond["bare insert"],
            rowsPerSecond["bare insert"] / rowsPerSecond["upsert"]);
    return 0;
}
