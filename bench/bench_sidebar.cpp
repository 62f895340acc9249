// The sidebar at 100,000 samples in 5,000 folders (ten libraries of 500 packs): rebuilding the
// folder outline from the catalogue (target: under 60 ms), selecting a folder until its first
// page is shown (target: under 30 ms) and opening a library of 500 folders (under 10 ms).
// Reported as medians in milliseconds; the machine's load shows in the context lines.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/results/results_browser.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_navigation.h"
#include "app/window/sv_controller.h"
#include "bench/support/app_bench_support.h"
#include "core/catalogue/database.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLibraries = 10;
constexpr int kPacksPerLibrary = 500;
constexpr int kSamplesPerPack = 20;

fs::path benchFolder() {
    return sv::bench::dataFolder("bench-sidebar-data");
}

fs::path libraryPath(int library) {
    return benchFolder() / "Drive" / ("Library " + std::to_string(library));
}

fs::path packPath(int library, int pack) {
    return libraryPath(library) / ("Pack " + std::to_string(pack));
}

fs::path catalogue() {
    const fs::path file = benchFolder() / "catalogue.db";
    if (fs::exists(file))
        return file;
    sv::Database db(file);
    db.exec("BEGIN");
    for (int library = 0; library < kLibraries; ++library) {
        const std::int64_t libraryId = db.addLibrary(libraryPath(library).string());
        for (int pack = 0; pack < kPacksPerLibrary; ++pack) {
            const fs::path folder = packPath(library, pack);
            fs::create_directories(folder);
            for (int i = 0; i < kSamplesPerPack; ++i) {
                sv::Sample sample;
                sample.filename = "Dark Bass Loop " + std::to_string(i) + ".wav";
                sample.path = (folder / sample.filename).string();
                sample.library = "Library " + std::to_string(library);
                sample.instrument = "Bass";
                sample.genre = "trap";
                sample.musicalKey = "A min";
                sample.type = i % 3 == 0 ? sv::SampleType::OneShot : sv::SampleType::Loop;
                sample.autoDetectedType = sample.type;
                sample.bpm = 80 + i;
                sample.duration = 2.0;
                sample.fileSize = 1000;
                sample.modifiedAt = 1'700'000'000;
                db.upsert(sample, libraryId);
            }
        }
        db.exec("COMMIT");
        db.exec("BEGIN");
    }
    db.exec("COMMIT");
    return file;
}

std::unique_ptr<SVController> launch() {
    auto controller = sv::bench::launchWindow(catalogue());
    QCoreApplication::processEvents();
    return controller;
}

using sv::bench::elapsedMilliseconds;
using sv::bench::reportPercentiles;

// The parts of a rebuild: reading the catalogue (every indexed path, as the tree was first
// built from, or one per folder) and building the tree from every path.
void BM_ReadIndexedPaths(benchmark::State& state) {
    sv::Database db(catalogue());
    for (auto _ : state)
        benchmark::DoNotOptimize(db.indexedPaths());
}
BENCHMARK(BM_ReadIndexedPaths)->Iterations(10)->Unit(benchmark::kMillisecond);

// A write that changes the catalogue's change stamp and none of its folders.
void touchCatalogue(sv::Database& db) {
    static bool favourite = false;
    favourite = !favourite;
    db.setFavorite(1, favourite);
}

// Range 0: read afresh, as after a scan wrote to the catalogue; 1: nothing changed since the
// last read.
void BM_ReadIndexedFolders(benchmark::State& state) {
    sv::Database db(catalogue());
    const bool changed = state.range(0) == 0;
    (void)db.indexedFolders();
    for (auto _ : state) {
        if (changed) {
            state.PauseTiming();
            touchCatalogue(db);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(db.indexedFolders());
    }
}
BENCHMARK(BM_ReadIndexedFolders)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

// The folders read afresh by their seeks and, alternating with them so that both meet the same
// load of the machine, from every row, on a copy of the catalogue without the folder index.
void BM_ReadIndexedFoldersAgainstEveryRow(benchmark::State& state) {
    sv::Database db(catalogue());
    const fs::path copy = benchFolder() / "without-folder-index.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(copy.string() + suffix);
    db.exec("VACUUM INTO '" + copy.string() + "'");
    sv::Database plain(copy);
    sqlite3* raw = nullptr;
    sqlite3_open(copy.c_str(), &raw);
    sqlite3_exec(raw, "DROP INDEX idx_samples_folder", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    std::vector<double> seeks, rows;
    for (auto _ : state) {
        touchCatalogue(db);
        touchCatalogue(plain);
        seeks.push_back(sv::bench::timedMilliseconds([&] { (void)db.indexedFolders(); }));
        rows.push_back(sv::bench::timedMilliseconds([&] { (void)plain.indexedFolders(); }));
        state.SetIterationTime(seeks.back() / 1000.0);
    }
    reportPercentiles(state, seeks, "seeks_");
    reportPercentiles(state, rows, "every_row_");
    const double seekMedian = sv::bench::figuresOf(seeks).median;
    state.counters["every_row_over_seeks"] =
        seekMedian > 0 ? sv::bench::figuresOf(rows).median / seekMedian : 0.0;
}
BENCHMARK(BM_ReadIndexedFoldersAgainstEveryRow)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

void BM_BuildTreeOfTheFolders(benchmark::State& state) {
    sv::Database db(catalogue());
    const std::vector<sv::IndexedPath> folders = db.indexedFolders();
    for (auto _ : state)
        benchmark::DoNotOptimize(sv::buildFolderTree(folders));
}
BENCHMARK(BM_BuildTreeOfTheFolders)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_BuildTreeOfTheCatalogue(benchmark::State& state) {
    sv::Database db(catalogue());
    const std::vector<sv::IndexedPath> paths = db.indexedPaths();
    for (auto _ : state)
        benchmark::DoNotOptimize(sv::buildFolderTree(paths));
}
BENCHMARK(BM_BuildTreeOfTheCatalogue)->Iterations(10)->Unit(benchmark::kMillisecond);

// Range 0: after a write to the catalogue, as at the end of a scan; 1: nothing changed.
void BM_ReloadSidebars(benchmark::State& state) {
    auto controller = launch();
    const bool changed = state.range(0) == 0;
    std::vector<double> samples, cpuSamples;
    for (auto _ : state) {
        if (changed)
            touchCatalogue(controller->database());
        const sv::bench::Timing timing = sv::bench::timed([&] { controller->reloadSidebars(); });
        samples.push_back(timing.ms);
        cpuSamples.push_back(timing.cpuMs);
        state.SetIterationTime(timing.ms / 1000.0);
        QCoreApplication::processEvents();
    }
    reportPercentiles(state, samples);
    reportPercentiles(state, cpuSamples, "cpu_");
    controller->applicationWillTerminate();
}
BENCHMARK(BM_ReloadSidebars)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

// From the selection to the first page laid out and painted.
void BM_SelectFolderToFirstPage(benchmark::State& state) {
    auto controller = launch();
    SVSidebarNavigation& navigation = controller->sidebar()->navigation();
    std::vector<double> samples;
    int pack = 0;
    for (auto _ : state) {
        pack = (pack + 37) % kPacksPerLibrary;
        const std::string folder = packPath(pack % kLibraries, pack).string();
        QElapsedTimer timer;
        timer.start();
        navigation.selectFolderPath(folder);
        QCoreApplication::processEvents();
        const double ms = elapsedMilliseconds(timer);
        if (controller->browser()->rows().size() != kSamplesPerPack)
            state.SkipWithError("the folder's page was not shown");
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    reportPercentiles(state, samples);
    controller->applicationWillTerminate();
}
BENCHMARK(BM_SelectFolderToFirstPage)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// Opening a library makes, lays out and paints the rows of its 500 packs.
void BM_ExpandLibraryOf500Folders(benchmark::State& state) {
    auto controller = launch();
    SVFolderOutline& outline = controller->sidebar()->navigation().outline();
    std::vector<double> samples;
    for (auto _ : state) {
        controller->reloadSidebars();
        QCoreApplication::processEvents();
        const QModelIndex library = outline.model()->index(3, 0);
        QElapsedTimer timer;
        timer.start();
        outline.expand(library);
        QCoreApplication::processEvents();
        if (outline.model()->rowCount(library) != kPacksPerLibrary)
            state.SkipWithError("the library did not open");
        const double ms = elapsedMilliseconds(timer);
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    reportPercentiles(state, samples);
    controller->applicationWillTerminate();
}
BENCHMARK(BM_ExpandLibraryOf500Folders)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return sv::bench::runWindowBenchmarks(argc, argv, benchFolder() / "config");
}
