// The window with a large catalogue: time from the start of the launch to the first page shown
// (against an empty catalogue), refresh times for a page flip and a search, resident memory.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/results/results_browser.h"
#include "app/window/resource_monitor.h"
#include "app/window/sv_controller.h"
#include "core/catalogue/database.h"

namespace {

constexpr int kLargeCatalogue = 100'000;

std::filesystem::path benchFolder() {
    const char* binary = std::getenv("SV_BINARY_DIR");
    return std::filesystem::path(binary ? binary : ".") / "bench-app-data";
}

std::filesystem::path catalogueWith(int count) {
    const auto file = benchFolder() / ("catalogue-" + std::to_string(count) + ".db");
    if (std::filesystem::exists(file))
        return file;
    const auto library = benchFolder() / "Library";
    std::filesystem::create_directories(library);
    // A library folder with something in it is online; an empty one that the catalogue holds
    // samples of is taken for an unplugged drive and its samples are hidden.
    std::ofstream(library / "Readme.txt") << "bench";
    sv::Database db(file);
    if (count == 0)
        return file;
    const std::int64_t libraryId = db.addLibrary(library.string());
    const char* instruments[] = {"Bass", "Piano", "Kick", "Snare", "Synth", "Guitar", "Vocal"};
    const char* genres[] = {"trap", "house", "pop", "rnb", "jazz"};
    const char* words[] = {"Dark", "Bright", "Deep", "Warm", "Vintage", "Punchy", "Airy", "Lofi"};
    db.exec("BEGIN");
    for (int i = 0; i < count; ++i) {
        sv::Sample sample;
        sample.filename = std::string(words[i % 8]) + " " + instruments[i % 7] + " Loop " +
                          std::to_string(80 + i % 90) + "bpm " + std::to_string(i) + ".wav";
        sample.path = (library / ("Pack " + std::to_string(i / 500)) / sample.filename).string();
        sample.library = "Library";
        sample.instrument = instruments[i % 7];
        sample.genre = genres[i % 5];
        sample.musicalKey = "A min";
        sample.type = i % 3 == 0 ? sv::SampleType::OneShot : sv::SampleType::Loop;
        sample.autoDetectedType = sample.type;
        sample.bpm = 80 + i % 90;
        sample.duration = 1.0 + i % 13;
        sample.fileSize = 1000 + static_cast<std::uint64_t>(i);
        sample.modifiedAt = 1'700'000'000 + i;
        db.upsert(sample, libraryId);
        if (i % 5000 == 4999) {
            db.exec("COMMIT");
            db.exec("BEGIN");
        }
    }
    db.exec("COMMIT");
    return file;
}

std::unique_ptr<SVController> launch(const std::filesystem::path& catalogue) {
    SVControllerOptions options;
    options.catalogue = catalogue;
    options.warmUpAudio = false;
    options.stopWaveformWorkersOnQuit = false;
    options.visibleFrame = [] { return QRect(0, 0, 1920, 1080); };
    auto controller = std::make_unique<SVController>(options);
    controller->applicationDidFinishLaunching();
    return controller;
}

double launchMilliseconds(const std::filesystem::path& catalogue) {
    QElapsedTimer timer;
    timer.start();
    auto controller = launch(catalogue);
    QCoreApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    controller->applicationWillTerminate();
    return ms;
}

void reportPercentiles(benchmark::State& state, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    if (samples.empty())
        return;
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
}

void BM_LaunchToFirstPage(benchmark::State& state) {
    const auto file = catalogueWith(static_cast<int>(state.range(0)));
    std::vector<double> samples;
    for (auto _ : state) {
        const double ms = launchMilliseconds(file);
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    reportPercentiles(state, samples);
}
BENCHMARK(BM_LaunchToFirstPage)
    ->Arg(0)
    ->Arg(kLargeCatalogue)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_RefreshPageFlip(benchmark::State& state) {
    auto controller = launch(catalogueWith(kLargeCatalogue));
    SVResultsBrowser* browser = controller->browser();
    std::vector<double> samples;
    std::int64_t page = 0;
    for (auto _ : state) {
        page = (page + 1) % 40;
        browser->setPage(page);
        QElapsedTimer timer;
        timer.start();
        browser->refresh();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        // As between two presses in the window: the old rows' cells are deleted and the new
        // ones painted before the next refresh.
        QCoreApplication::processEvents();
    }
    reportPercentiles(state, samples);
    if (const auto bytes = SVResourceMonitor::residentBytes())
        state.counters["resident_MB"] = static_cast<double>(*bytes) / 1048576.0;
    controller->applicationWillTerminate();
}
BENCHMARK(BM_RefreshPageFlip)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

void BM_RefreshSearch(benchmark::State& state) {
    auto controller = launch(catalogueWith(kLargeCatalogue));
    SVResultsBrowser* browser = controller->browser();
    const char* texts[] = {"dark", "bass loop", "punchy kick 120", "vintage", "airy synth", "lofi"};
    std::vector<double> samples;
    std::size_t i = 0;
    for (auto _ : state) {
        browser->searchField()->setText(QString::fromLatin1(texts[i++ % 6]));
        browser->setPage(0);
        QElapsedTimer timer;
        timer.start();
        browser->refresh();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        // As between two presses in the window: the old rows' cells are deleted and the new
        // ones painted before the next refresh.
        QCoreApplication::processEvents();
    }
    reportPercentiles(state, samples);
    if (const auto bytes = SVResourceMonitor::residentBytes())
        state.counters["resident_MB"] = static_cast<double>(*bytes) / 1048576.0;
    controller->applicationWillTerminate();
}
BENCHMARK(BM_RefreshSearch)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto settings = benchFolder() / "config";
    std::filesystem::create_directories(settings);
    QApplication application(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings.string()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
