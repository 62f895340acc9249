// The window with a large catalogue (100,000 samples, or SV_BENCH_SAMPLES): time from the start
// of the launch to the first page shown (against an empty catalogue), refresh times for a page
// flip and a search, resident memory, and how long the main thread is busy at once while words
// are typed into the search field. Catalogues are generated once under the build folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <time.h>

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
#include "bench/support/app_bench_support.h"
#include "bench/support/generated_catalogue.h"
#include "core/catalogue/database.h"

namespace {

int largeCatalogueSize() {
    const char* text = std::getenv("SV_BENCH_SAMPLES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : 100'000;
}

const int kLargeCatalogue = largeCatalogueSize();

std::filesystem::path benchFolder() {
    return sv::bench::dataFolder("bench-app-data");
}

void fillCatalogue(const std::filesystem::path& file, const std::filesystem::path& library,
                   int count) {
    sv::Database db(file);
    if (count == 0)
        return;
    const std::int64_t libraryId = db.addLibrary(library.string());
    const char* instruments[] = {"Bass", "Piano", "Kick", "Snare", "Synth", "Guitar", "Vocal"};
    const char* genres[] = {"trap", "house", "pop", "rnb", "jazz"};
    const char* words[] = {"Dark", "Bright", "Deep", "Warm", "Vintage", "Punchy", "Airy", "Lofi"};
    sv::bench::storeGeneratedSamples(db, libraryId, count, [&](int i) {
        sv::Sample sample = sv::bench::generatedSample(
            library / ("Pack " + std::to_string(i / 500)),
            std::string(words[i % 8]) + " " + instruments[i % 7] + " Loop " +
                std::to_string(80 + i % 90) + "bpm " + std::to_string(i) + ".wav",
            "Library", i % 3 == 0 ? sv::SampleType::OneShot : sv::SampleType::Loop);
        sample.instrument = instruments[i % 7];
        sample.genre = genres[i % 5];
        sample.bpm = 80 + i % 90;
        sample.duration = 1.0 + i % 13;
        sample.fileSize = 1000 + static_cast<std::uint64_t>(i);
        sample.modifiedAt = 1'700'000'000 + i;
        return sample;
    });
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
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
    // Written under a scratch name and renamed when complete, so that an interrupted run leaves
    // nothing a later one would take for a whole catalogue.
    const auto scratch = benchFolder() / "generating.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(scratch.string() + suffix);
    fillCatalogue(scratch, library, count);
    std::filesystem::rename(scratch, file);
    return file;
}

using sv::bench::launchWindow;
using sv::bench::reportPercentiles;
using sv::bench::runEventLoop;
using sv::bench::threadCpuMilliseconds;
using sv::bench::Timing;

Timing launchTiming(const std::filesystem::path& catalogue) {
    std::unique_ptr<SVController> controller;
    const Timing timing = sv::bench::timed([&] {
        controller = launchWindow(catalogue);
        QCoreApplication::processEvents();
    });
    controller->applicationWillTerminate();
    return timing;
}

void BM_LaunchToFirstPage(benchmark::State& state) {
    const auto file = catalogueWith(static_cast<int>(state.range(0)));
    std::vector<double> samples, cpuSamples;
    for (auto _ : state) {
        const Timing timing = launchTiming(file);
        samples.push_back(timing.ms);
        cpuSamples.push_back(timing.cpuMs);
        state.SetIterationTime(timing.ms / 1000.0);
    }
    reportPercentiles(state, samples);
    reportPercentiles(state, cpuSamples, "cpu_");
}
BENCHMARK(BM_LaunchToFirstPage)
    ->Arg(0)
    ->Arg(kLargeCatalogue)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_RefreshPageFlip(benchmark::State& state) {
    auto controller = launchWindow(catalogueWith(kLargeCatalogue));
    SVResultsBrowser* browser = controller->browser();
    std::vector<double> samples, cpuSamples;
    std::int64_t page = 0;
    for (auto _ : state) {
        page = (page + 1) % 40;
        browser->setPage(page);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMilliseconds();
        browser->refresh();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        cpuSamples.push_back(threadCpuMilliseconds() - cpuStart);
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        // As between two presses in the window: the old rows' cells are deleted and the new
        // ones painted before the next refresh.
        QCoreApplication::processEvents();
    }
    reportPercentiles(state, samples);
    reportPercentiles(state, cpuSamples, "cpu_");
    if (const auto bytes = SVResourceMonitor::residentBytes())
        state.counters["resident_MB"] = static_cast<double>(*bytes) / 1048576.0;
    controller->applicationWillTerminate();
}
BENCHMARK(BM_RefreshPageFlip)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

void BM_RefreshSearch(benchmark::State& state) {
    auto controller = launchWindow(catalogueWith(kLargeCatalogue));
    SVResultsBrowser* browser = controller->browser();
    const char* texts[] = {"dark", "bass loop", "punchy kick 120", "vintage", "airy synth", "lofi"};
    std::vector<double> samples, cpuSamples;
    std::size_t i = 0;
    for (auto _ : state) {
        browser->searchField()->setText(QString::fromLatin1(texts[i++ % 6]));
        browser->setPage(0);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMilliseconds();
        browser->refresh();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        cpuSamples.push_back(threadCpuMilliseconds() - cpuStart);
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        // As between two presses in the window: the old rows' cells are deleted and the new
        // ones painted before the next refresh.
        QCoreApplication::processEvents();
    }
    reportPercentiles(state, samples);
    reportPercentiles(state, cpuSamples, "cpu_");
    if (const auto bytes = SVResourceMonitor::residentBytes())
        state.counters["resident_MB"] = static_cast<double>(*bytes) / 1048576.0;
    controller->applicationWillTerminate();
}
BENCHMARK(BM_RefreshSearch)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

// The stretches during which the main thread does not get back to its events: a watchdog timer
// that should fire every millisecond records how late it fires. Every event handled, every
// timer and every refresh on the main thread delays it by as long as it keeps the thread. Each
// stretch is kept twice: as wall-clock time, and as the processor time the main thread spent in
// it, which leaves out the time it waited for a processor that other programs of a shared
// machine held.
class BusyStretches {
  public:
    BusyStretches() {
        _watchdog.setTimerType(Qt::PreciseTimer);
        _watchdog.setInterval(1);
        QObject::connect(&_watchdog, &QTimer::timeout, [this] {
            const qint64 now = _clock.nsecsElapsed();
            const double cpu = threadCpuMilliseconds();
            if (_last >= 0) {
                _milliseconds.push_back(static_cast<double>(now - _last) / 1e6);
                _cpuMilliseconds.push_back(cpu - _lastCpu);
            }
            _last = now;
            _lastCpu = cpu;
        });
        _clock.start();
        _watchdog.start();
    }
    const std::vector<double>& milliseconds() const { return _milliseconds; }
    const std::vector<double>& cpuMilliseconds() const { return _cpuMilliseconds; }

  private:
    QTimer _watchdog;
    QElapsedTimer _clock;
    qint64 _last = -1;
    double _lastCpu = 0;
    std::vector<double> _milliseconds;
    std::vector<double> _cpuMilliseconds;
};

// Types `text` into the field one key every `keyMs` milliseconds from the event loop, as a
// keyboard would, then lets the loop run for `afterMs`. Returns when the last key went in, on
// `clock`.
qint64 typeInto(QLineEdit* field, const std::string& text, int keyMs, int afterMs,
                const QElapsedTimer& clock) {
    QEventLoop loop;
    QTimer keys;
    keys.setInterval(keyMs);
    std::size_t typed = 0;
    qint64 lastKey = 0;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        QTest::keyClick(field, text[typed++]);
        if (typed < text.size())
            return;
        lastKey = clock.nsecsElapsed();
        keys.stop();
        QTimer::singleShot(afterMs, &loop, &QEventLoop::quit);
    });
    keys.start();
    loop.exec();
    return lastKey;
}

double longestOf(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// Words typed letter by letter into the real search field of a real window, each letter a
// little after the search's pause so that every one of them refreshes the results; the field is
// emptied with Ctrl+A and Backspace between words. Reports the longest time the main thread was
// busy at once, and the time from the last letter of a word to its results on screen.
void BM_TypeIntoSearchField(benchmark::State& state) {
    auto controller = launchWindow(catalogueWith(kLargeCatalogue));
    SVResultsBrowser* browser = controller->browser();
    QLineEdit* field = browser->searchField();
    runEventLoop(1500);  // the launch's own delayed work
    // The field has the keyboard, as after a click into it: Space types a blank instead of
    // playing the selected sample.
    controller->focusSearch();
    runEventLoop(50);
    const std::vector<std::string> words = {"dark bass", "punchy kick", "vintage synth loop",
                                            "airy piano 12"};
    std::vector<double> longest;
    std::vector<double> longestCpu;
    std::vector<double> lastLetterToResults;
    for (auto _ : state) {
        for (const std::string& word : words) {
            QElapsedTimer clock;
            clock.start();
            qint64 shown = -1;
            const auto refreshed = QObject::connect(browser, &SVResultsBrowser::refreshed, [&] {
                if (field->text() == QString::fromStdString(word))
                    shown = clock.nsecsElapsed();
            });
            const BusyStretches stretches;
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Backspace);
            const qint64 lastKey = typeInto(field, word, 150, 1500, clock);
            QObject::disconnect(refreshed);
            longest.push_back(longestOf(stretches.milliseconds()));
            longestCpu.push_back(longestOf(stretches.cpuMilliseconds()));
            if (shown >= 0)
                lastLetterToResults.push_back(static_cast<double>(shown - lastKey) / 1e6);
            state.SetIterationTime(longest.back() / 1000.0);
        }
    }
    std::sort(longest.begin(), longest.end());
    std::sort(lastLetterToResults.begin(), lastLetterToResults.end());
    state.counters["longest_busy_ms"] = longestOf(longest);
    state.counters["longest_busy_cpu_ms"] = longestOf(longestCpu);
    state.counters["median_word_longest_busy_ms"] = longest[longest.size() / 2];
    if (!lastLetterToResults.empty())
        state.counters["median_last_letter_to_results_ms"] =
            lastLetterToResults[lastLetterToResults.size() / 2];
    if (const auto bytes = SVResourceMonitor::residentBytes())
        state.counters["resident_MB"] = static_cast<double>(*bytes) / 1048576.0;
    controller->applicationWillTerminate();
}
BENCHMARK(BM_TypeIntoSearchField)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return sv::bench::runWindowBenchmarks(argc, argv, benchFolder() / "config");
}
