// Search at 100,000 samples (or SV_BENCH_SAMPLES): countMatching plus one page of search, for
// one- and two-word queries with and without filters and sorts, and one- and two-letter queries,
// against SQLite's bare full-text count of the same MATCH expression measured in the same
// iteration. Reported per case: median and 95th
// percentile of both, and the ratio of the medians. Also reported: the least SQLite work that a
// count and a ranked page can do, counting the matches and reading the file name of each, as
// a ratio to the same bare count. The generated catalogue is kept under the build folder
// (SV_BINARY_DIR, else the working folder) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/search/search_sql.h"

namespace {

constexpr int kDefaultSamples = 100'000;
constexpr int kRounds = 40;

int sampleCount() {
    const char* text = std::getenv("SV_BENCH_SAMPLES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : kDefaultSamples;
}

const std::vector<std::string> kInstruments = {"Kick", "Snare", "HiHat", "Clap",  "808", "Bass",
                                               "Pad",  "Lead",  "Keys",  "Vocal", "FX",  "Perc"};
const std::vector<std::string> kWords = {"Dark", "Hard",   "Soft",   "Deep", "Dirty", "Bright",
                                         "Warm", "Analog", "Punchy", "Wide", "Lofi",  "Vintage"};
const std::vector<std::string> kGenres = {"Trap", "House", "Techno", "Lofi", "Drill", "Ambient"};
const std::vector<std::string> kKeys = {"A min", "C", "C maj", "F# min",
                                        "D min", "G", "None",  "None"};
const std::vector<std::string> kTypes = {"Loop", "One Shot", "One Shot", "MIDI"};

struct RawConnection {
    sqlite3* db = nullptr;
    explicit RawConnection(const std::filesystem::path& file) {
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
            throw std::runtime_error("cannot open the catalogue");
    }
    ~RawConnection() { sqlite3_close(db); }
    void exec(const char* sql) const {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sv::sqliteMessage(db));
    }
};

template <typename T>
const T& pick(std::mt19937& random, const std::vector<T>& options) {
    return options[random() % options.size()];
}

// Names like "Dark Kick 140 A min 12.wav" in packs four folders deep.
void fillCatalogue(const RawConnection& raw, int samples) {
    std::mt19937 random(7);
    raw.exec("BEGIN");
    raw.exec("INSERT INTO libraries(path) VALUES('/music/Library')");
    sv::Statement sample(raw.db,
                         "INSERT INTO samples(path,filename,library_id,type,auto_type,genre,"
                         "instrument,auto_instrument,bpm,musical_key,duration,file_size,"
                         "modified_at) VALUES(?,?,1,?,?,?,?,?,?,?,?,?,?)");
    sv::Statement genre(raw.db, "INSERT INTO sample_genres(sample_id,genre) VALUES(?,?)");
    for (int i = 0; i < samples; ++i) {
        const std::string& instrument = pick(random, kInstruments);
        const std::string& type = pick(random, kTypes);
        const std::string& key = pick(random, kKeys);
        const std::string& genreName = pick(random, kGenres);
        const bool loop = type == "Loop";
        const int bpm = 70 + static_cast<int>(random() % 110);
        std::string name = pick(random, kWords) + " " + instrument;
        if (loop)
            name += " " + std::to_string(bpm);
        if (key != "None")
            name += " " + key;
        name += " " + std::to_string(i) + (type == "MIDI" ? ".mid" : ".wav");
        const std::string path = "/music/Library/" + genreName + " Pack " + std::to_string(i % 40) +
                                 "/" + instrument + "s/" + pick(random, kWords) + "/" + name;
        sample.reset();
        sample.bind(1, std::string_view(path)).bind(2, std::string_view(name));
        sample.bind(3, std::string_view(type)).bind(4, std::string_view(type));
        sample.bind(5, std::string_view(genreName));
        sample.bind(6, std::string_view(instrument)).bind(7, std::string_view(instrument));
        if (loop)
            sample.bind(8, std::int64_t{bpm});
        else
            sample.bindNull(8);
        sample.bind(9, std::string_view(key));
        if (type == "MIDI")
            sample.bindNull(10);
        else
            sample.bind(10, 0.1 + static_cast<double>(random() % 300) / 100.0);
        sample.bind(11, std::int64_t{20000 + i}).bind(12, std::int64_t{1700000000 + i});
        sample.run();
        genre.reset();
        genre.bind(1, static_cast<std::int64_t>(sqlite3_last_insert_rowid(raw.db)))
            .bind(2, std::string_view(genreName));
        genre.run();
    }
    raw.exec("COMMIT");
}

// Generated into a scratch name and renamed when complete, so that an interrupted run leaves
// nothing that a later one would take for a whole catalogue.
std::filesystem::path catalogueWith(int samples) {
    const char* binary = std::getenv("SV_BINARY_DIR");
    const auto folder = std::filesystem::path(binary ? binary : ".") / "bench-search-data";
    const auto file = folder / ("catalogue-" + std::to_string(samples) + ".db");
    if (std::filesystem::exists(file))
        return file;
    std::filesystem::create_directories(folder);
    const auto scratch = folder / "generating.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(scratch.string() + suffix);
    {
        const sv::Database schema(scratch);
        const RawConnection raw(scratch);
        fillCatalogue(raw, samples);
        raw.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    std::filesystem::rename(scratch, file);
    return file;
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The catalogue as the window's search worker uses it, with its in-memory search index
// prepared (SV_BENCH_PLAIN_SQL=1 leaves it out, for the SQL alone).
struct Fixture {
    std::filesystem::path file = catalogueWith(sampleCount());
    std::unique_ptr<sv::Database> database;
    std::unique_ptr<RawConnection> raw;
    double indexMilliseconds = 0;
    double indexMegabytes = 0;
    Fixture() {
        database = std::make_unique<sv::Database>(file);
        raw = std::make_unique<RawConnection>(file);
        raw->exec("PRAGMA cache_size=-32768");  // the catalogue's own page cache
        if (std::getenv("SV_BENCH_PLAIN_SQL"))
            return;
        const double before = residentMegabytes();
        const auto start = std::chrono::steady_clock::now();
        if (!database->prepareSearchIndex())
            throw std::runtime_error("the search index could not be prepared");
        indexMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        indexMegabytes = residentMegabytes() - before;
    }
};

Fixture& fixture() {
    static Fixture shared;
    return shared;
}

std::int64_t bareFullTextCount(sqlite3* db, const std::string& expression) {
    sv::Statement count(db, "SELECT count(*) FROM sample_search WHERE sample_search MATCH ?");
    count.bind(1, std::string_view(expression));
    count.step();
    return count.int64(0);
}

// The file name of every match, read through the full-text index's row ids.
std::int64_t matchedNameBytes(sqlite3* db, const std::string& expression) {
    sv::Statement names(db,
                        "SELECT total(length(s.filename)) FROM sample_search f JOIN samples s ON "
                        "s.id=f.rowid WHERE sample_search MATCH ?");
    names.bind(1, std::string_view(expression));
    names.step();
    return names.int64(0);
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// This thread's processor time: on a machine shared with other work, what the search itself
// cost, whatever share of the processor it was given.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void runCase(benchmark::State& state, const sv::SearchQuery& query) {
    Fixture& f = fixture();
    const std::string expression = sv::ftsQuery(query);
    std::vector<double> searchTimes, searchCpuTimes, bareTimes, floorTimes;
    sv::SearchQuery other;
    other.text = "zzzz";
    std::int64_t matches = 0, bare = 0;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            auto start = std::chrono::steady_clock::now();
            bare = bareFullTextCount(f.raw->db, expression);
            bareTimes.push_back(millisecondsSince(start));

            start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(bareFullTextCount(f.raw->db, expression));
            benchmark::DoNotOptimize(matchedNameBytes(f.raw->db, expression));
            floorTimes.push_back(millisecondsSince(start));

            // Another search first, so that nothing of this one is left from the last round:
            // each round is a search typed afresh.
            benchmark::DoNotOptimize(f.database->countMatching(other));
            start = std::chrono::steady_clock::now();
            const double cpuStart = threadMilliseconds();
            matches = f.database->countMatching(query);
            const auto page = f.database->search(query);
            benchmark::DoNotOptimize(page.data());
            searchTimes.push_back(millisecondsSince(start));
            searchCpuTimes.push_back(threadMilliseconds() - cpuStart);
        }
    }
    const double median = percentile(searchTimes, 0.5);
    const double bareMedian = percentile(bareTimes, 0.5);
    state.counters["median_ms"] = median;
    state.counters["p95_ms"] = percentile(searchTimes, 0.95);
    state.counters["cpu_median_ms"] = percentile(searchCpuTimes, 0.5);
    state.counters["cpu_p95_ms"] = percentile(searchCpuTimes, 0.95);
    state.counters["fts_median_ms"] = bareMedian;
    state.counters["fts_p95_ms"] = percentile(bareTimes, 0.95);
    state.counters["ratio_median"] = median / bareMedian;
    state.counters["ratio_p95"] = percentile(searchTimes, 0.95) / percentile(bareTimes, 0.95);
    state.counters["floor_ratio_median"] = percentile(floorTimes, 0.5) / bareMedian;
    state.counters["matches"] = static_cast<double>(matches);
    state.counters["index_build_ms"] = f.indexMilliseconds;
    state.counters["index_MB"] = f.indexMegabytes;
    state.counters["fts_matches"] = static_cast<double>(bare);
}

sv::SearchQuery page(std::function<void(sv::SearchQuery&)> fill) {
    sv::SearchQuery query;
    query.limit = 50;
    fill(query);
    return query;
}

void registerCases() {
    const std::vector<std::pair<const char*, sv::SearchQuery>> cases = {
        {"one_word", page([](auto& q) { q.text = "kick"; })},
        {"one_word_prefix", page([](auto& q) { q.text = "da"; })},
        {"one_letter", page([](auto& q) { q.text = "d"; })},
        {"one_letter_v", page([](auto& q) { q.text = "v"; })},
        {"two_letters", page([](auto& q) { q.text = "ki"; })},
        {"two_words", page([](auto& q) { q.text = "dark kick"; })},
        {"two_words_rare", page([](auto& q) { q.text = "vintage 808"; })},
        {"one_word_type_instrument", page([](auto& q) {
             q.text = "dark";
             q.type = "One Shot";
             q.instrument = "kick";
         })},
        {"one_word_genres_key", page([](auto& q) {
             q.text = "pad";
             q.genres = {"trap", "house"};
             q.key = "Am";
         })},
        {"two_words_folder_hide_midi", page([](auto& q) {
             q.text = "warm keys";
             q.folder = "/music/Library/Lofi Pack 3";
             q.hideMidi = true;
         })},
        {"one_word_bpm_window", page([](auto& q) {
             q.text = "loop";
             q.bpm = 120;
         })},
        {"one_word_sort_name", page([](auto& q) {
             q.text = "snare";
             q.sortByName = true;
         })},
        {"two_words_sort_bpm_desc", page([](auto& q) {
             q.text = "bass loop";
             q.sortByBpm = true;
             q.bpmDescending = true;
         })},
        {"one_word_sort_duration_offset", page([](auto& q) {
             q.text = "hihat";
             q.sortByDuration = true;
             q.offset = 500;
         })},
    };
    for (const auto& [name, query] : cases)
        benchmark::RegisterBenchmark(
            (std::string("Search/") + name).c_str(),
            [query = query](benchmark::State& state) { runCase(state, query); })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    registerCases();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
