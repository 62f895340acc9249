// The filter bar over a large catalogue: pressing the Genres and Instruments chips (values read
// and the suggestion list shown), the quick filters' update inside a refresh, and the refresh
// of a page flip and of a search with the quick filter rows hidden and shown.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/filters/filter_bar.h"
#include "app/filters/filter_choices.h"
#include "app/filters/filter_suggestions.h"
#include "app/filters/quick_filters.h"
#include "app/results/results_browser.h"
#include "app/window/sv_controller.h"
#include "bench/support/app_bench_support.h"
#include "bench/support/generated_catalogue.h"
#include "core/catalogue/database.h"

namespace {

constexpr int kLargeCatalogue = 100'000;

std::filesystem::path benchFolder() {
    return sv::bench::dataFolder("bench-app-data");
}

// 100,000 samples over 200 packs with the spread of a real collection: 24 instruments,
// 18 genres (a quarter of the samples carry a second one from their pack folder), 30 keys.
std::filesystem::path filterCatalogue() {
    const auto file = benchFolder() / ("filters-" + std::to_string(kLargeCatalogue) + ".db");
    if (std::filesystem::exists(file))
        return file;
    const auto library = benchFolder() / "FilterLibrary";
    std::filesystem::create_directories(library);
    std::ofstream(library / "Readme.txt") << "bench";
    sv::Database db(file);
    const std::int64_t libraryId = db.addLibrary(library.string());
    const char* instruments[] = {"Bass",    "Piano", "Keys",   "Guitar",     "Pluck", "Synth",
                                 "Strings", "Brass", "Flute",  "Vocal",      "Kick",  "Snare",
                                 "Clap",    "HiHat", "Cymbal", "Percussion", "Tom",   "FX",
                                 "808",     "Pad",   "Bell",   "Open Hat",   "Lead",  "Unknown"};
    const char* genres[] = {"trap", "house", "pop",    "rnb",   "jazz", "hip hop",
                            "soul", "afro",  "funk",   "latin", "rock", "cinematic",
                            "lofi", "drill", "techno", "Trap",  "None", "reggaeton"};
    const char* keys[] = {"A min", "C",    "D min",  "E", "F# min",
                          "G",     "None", "A# min", "B", "C# min"};
    const char* words[] = {"Dark", "Bright", "Deep", "Warm", "Vintage", "Punchy", "Airy", "Lofi"};
    sv::bench::storeGeneratedSamples(db, libraryId, kLargeCatalogue, [&](int i) {
        const int pack = i / 500;
        const sv::SampleType type = i % 3 == 0    ? sv::SampleType::OneShot
                                    : i % 41 == 0 ? sv::SampleType::Midi
                                                  : sv::SampleType::Loop;
        sv::Sample sample = sv::bench::generatedSample(
            library / ("Pack " + std::to_string(pack)),
            std::string(words[i % 8]) + " " + instruments[i % 24] + " " +
                std::to_string(80 + i % 90) + "bpm " + std::to_string(i) + ".wav",
            "FilterLibrary", type);
        sample.instrument = instruments[(i * 7) % 24];
        sample.genre = genres[(i / 3 + pack) % 18];
        sample.musicalKey = keys[(i * 3) % 10];
        if (type != sv::SampleType::OneShot)
            sample.bpm = 70 + i % 110;
        sample.duration = 1.0 + i % 13;
        sample.fileSize = 1000 + static_cast<std::uint64_t>(i);
        sample.modifiedAt = 1'700'000'000 + i;
        return sample;
    });
    for (int pack = 0; pack < kLargeCatalogue / 500; pack += 4)
        db.setFolderGenreOverride((library / ("Pack " + std::to_string(pack))).string(),
                                  genres[(pack * 5) % 16], true);
    return file;
}

std::unique_ptr<SVController> launch() {
    auto controller = sv::bench::launchWindow(filterCatalogue());
    QCoreApplication::processEvents();
    return controller;
}

// The main thread's processor time of the last measured work: on a machine shared with other
// jobs it stays close to what an idle machine's wall time would be.
double lastCpuMilliseconds = 0.0;

double millisecondsOf(const std::function<void()>& work) {
    const sv::bench::Timing timing = sv::bench::timed(work);
    lastCpuMilliseconds = timing.cpuMs;
    return timing.ms;
}

void report(benchmark::State& state, const std::vector<double>& samples,
            const std::string& prefix = "") {
    sv::bench::reportPercentiles(state, samples, prefix);
}

// A write that changes the catalogue's change stamp and nothing the filters read.
void touchCatalogue(sv::Database& db) {
    static bool favourite = false;
    favourite = !favourite;
    db.setFavorite(1, favourite);
}

void setRowsShown(SVQuickFilters* quick, bool shown) {
    QApplication::setEffectEnabled(Qt::UI_General, false);
    if (quick->quickFiltersRevealed() != shown)
        quick->toggleQuickFilters();
    QApplication::setEffectEnabled(Qt::UI_General, true);
    QCoreApplication::processEvents();
}

// Range 0: the values read afresh, as after a scan wrote to the catalogue (a favourite is
// flipped before each press); 1: read before (a press after another one in the same place and
// catalogue).
void pressChip(benchmark::State& state, int chip) {
    auto controller = launch();
    SVFilterBar* bar = controller->filterBar();
    const bool cold = state.range(0) == 0;
    std::vector<double> samples;
    std::vector<double> cpu;
    for (auto _ : state) {
        if (cold)
            touchCatalogue(controller->database());
        const double ms = millisecondsOf([&] {
            bar->filterPressed(chip);
            QCoreApplication::processEvents();
        });
        samples.push_back(ms);
        cpu.push_back(lastCpuMilliseconds);
        state.SetIterationTime(ms / 1000.0);
        if (SVFilterSuggestions* list = bar->filterPopover())
            list->close();
        if (QMenu* menu = bar->filterMenu())
            menu->close();
        QCoreApplication::processEvents();
    }
    report(state, samples);
    report(state, cpu, "cpu_");
    controller->applicationWillTerminate();
}

void BM_FilterPressedGenres(benchmark::State& state) {
    pressChip(state, SVFilterChoices::kGenres);
}
BENCHMARK(BM_FilterPressedGenres)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

void BM_FilterPressedInstruments(benchmark::State& state) {
    pressChip(state, SVFilterChoices::kInstruments);
}
BENCHMARK(BM_FilterPressedInstruments)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

// The tempo menu asks, for each of its sixteen tempos, whether the place holds a sample near it.
void BM_FilterPressedBpm(benchmark::State& state) {
    pressChip(state, SVFilterChoices::kBpm);
}
BENCHMARK(BM_FilterPressedBpm)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

void BM_FilterPressedKey(benchmark::State& state) {
    pressChip(state, SVFilterChoices::kKey);
}
BENCHMARK(BM_FilterPressedKey)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

// The quick filters' share of a refresh. Range 0: after a change of the catalogue (values read
// again); 1: a page flip (nothing changed).
void BM_UpdateQuickFilters(benchmark::State& state) {
    auto controller = launch();
    SVQuickFilters* quick = controller->filterBar()->quickFilters();
    setRowsShown(quick, true);
    const bool changed = state.range(0) == 0;
    std::vector<double> samples;
    std::vector<double> cpu;
    for (auto _ : state) {
        if (changed)
            touchCatalogue(controller->database());
        const double ms = millisecondsOf([&] { quick->updateQuickFilters(); });
        samples.push_back(ms);
        cpu.push_back(lastCpuMilliseconds);
        state.SetIterationTime(ms / 1000.0);
        QCoreApplication::processEvents();
    }
    report(state, samples);
    report(state, cpu, "cpu_");
    controller->applicationWillTerminate();
}
BENCHMARK(BM_UpdateQuickFilters)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// Refreshes with the rows hidden and shown, alternating so that both meet the same load of the
// machine; reported apart and as the difference of their medians.
void refreshes(benchmark::State& state, const std::function<void(SVResultsBrowser*, int)>& step) {
    auto controller = launch();
    SVResultsBrowser* browser = controller->browser();
    SVQuickFilters* quick = controller->filterBar()->quickFilters();
    std::vector<double> hidden;
    std::vector<double> shown;
    std::vector<double> hiddenCpu;
    std::vector<double> shownCpu;
    int i = 0;
    for (auto _ : state) {
        const bool rows = i % 2 == 1;
        setRowsShown(quick, rows);
        step(browser, i);
        const double ms = millisecondsOf([&] { browser->refresh(); });
        (rows ? shown : hidden).push_back(ms);
        (rows ? shownCpu : hiddenCpu).push_back(lastCpuMilliseconds);
        state.SetIterationTime(ms / 1000.0);
        // As between two presses in the window: the old rows' cells go, the new ones paint.
        QCoreApplication::processEvents();
        ++i;
    }
    report(state, hidden, "hidden_");
    report(state, shown, "shown_");
    report(state, hiddenCpu, "hidden_cpu_");
    report(state, shownCpu, "shown_cpu_");
    std::sort(hidden.begin(), hidden.end());
    std::sort(shown.begin(), shown.end());
    if (!hidden.empty() && !shown.empty())
        state.counters["shown_minus_hidden_median_ms"] =
            shown[shown.size() / 2] - hidden[hidden.size() / 2];
    controller->applicationWillTerminate();
}

void BM_RefreshPageFlip(benchmark::State& state) {
    refreshes(state, [](SVResultsBrowser* browser, int i) { browser->setPage((i / 2) % 40); });
}
BENCHMARK(BM_RefreshPageFlip)->UseManualTime()->Iterations(120)->Unit(benchmark::kMillisecond);

void BM_RefreshSearch(benchmark::State& state) {
    const char* texts[] = {"dark", "bass loop", "punchy kick 120", "vintage", "airy synth", "lofi"};
    refreshes(state, [&texts](SVResultsBrowser* browser, int i) {
        browser->searchField()->setText(QString::fromLatin1(texts[(i / 2) % 6]));
        browser->setPage(0);
    });
}
BENCHMARK(BM_RefreshSearch)->UseManualTime()->Iterations(120)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return sv::bench::runWindowBenchmarks(argc, argv, benchFolder() / "config");
}
