// The inspector's cost at 100,000 samples in 200 pack folders, half of which hold a cover
// image: refresh times of a page with the rows' artwork, avatars and pack links against the
// same refreshes without them (interleaved, over the same pages), once with the folder lookups
// remembered and once with every lookup made again; and the time from a row click to the
// details text shown for a local WAV, with the main thread's part of it.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QSettings>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/inspector/file_details.h"
#include "app/inspector/inspector.h"
#include "app/inspector/inspector_view.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/window/sv_controller.h"
#include "bench/support/app_bench_support.h"
#include "bench/support/generated_catalogue.h"
#include "core/catalogue/database.h"

namespace {

constexpr int kSamples = 100'000;
constexpr int kPacks = 200;
constexpr int kClickFiles = 20;
constexpr int kRounds = 120;

std::filesystem::path benchFolder() {
    return sv::bench::dataFolder("bench-inspector-data");
}

std::filesystem::path libraryFolder() {
    return benchFolder() / "Samples";
}

void writeTone(const std::filesystem::path& file) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    std::vector<float> samples(44100);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.3f * static_cast<float>(std::sin(0.03 * static_cast<double>(i / 2)));
    sf_writef_float(out, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
    sf_close(out);
}

std::filesystem::path packFolder(int pack) {
    return libraryFolder() / ("Pack " + std::to_string(pack));
}

std::filesystem::path catalogue() {
    const auto file = benchFolder() / "catalogue.db";
    if (std::filesystem::exists(file))
        return file;
    for (int pack = 0; pack < kPacks; ++pack) {
        std::filesystem::create_directories(packFolder(pack));
        if (pack % 2 == 0) {
            QImage cover(600, 600, QImage::Format_RGB32);
            cover.fill(QColor::fromHsv(pack * 7 % 360, 160, 200));
            cover.save(QString::fromStdString((packFolder(pack) / "cover.jpg").string()));
        }
    }
    for (int i = 0; i < kClickFiles; ++i)
        writeTone(packFolder(i % kPacks) / ("Click Tone " + std::to_string(i) + ".wav"));
    sv::Database db(file);
    const std::int64_t libraryId = db.addLibrary(libraryFolder().string());
    const char* instruments[] = {"Bass", "Piano", "Kick", "Snare", "Synth", "Guitar", "Vocal"};
    const char* words[] = {"Dark", "Bright", "Deep", "Warm", "Vintage", "Punchy", "Airy", "Lofi"};
    sv::bench::storeGeneratedSamples(db, libraryId, kSamples, [&](int i) {
        const bool real = i < kClickFiles;
        const std::string filename = real ? "Click Tone " + std::to_string(i) + ".wav"
                                          : std::string(words[i % 8]) + " " + instruments[i % 7] +
                                                " " + std::to_string(i) + ".wav";
        // Neighbouring rows come from different packs, as a search over many packs gives.
        sv::Sample sample = sv::bench::generatedSample(packFolder(i % kPacks), filename, "Samples");
        sample.instrument = instruments[i % 7];
        sample.genre = "house";
        sample.bpm = 80 + i % 90;
        return sample;
    });
    return file;
}

using sv::bench::Figures;
using sv::bench::waitFor;

void print(const char* name, const Figures& f) {
    std::printf("%-44s median %6.2f ms  p95 %6.2f ms\n", name, f.median, f.p95);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sv::bench::useFreshHome(benchFolder() / "home");
    QApplication application(argc, argv);
    auto controller = sv::bench::launchWindow(catalogue());
    SVResultsBrowser* browser = controller->browser();
    SVInspector* inspector = controller->inspector();
    // The rows' decorations, with the time spent making them added up.
    double decorationMs = 0;
    const SVRowDecorationProvider decorations = [inspector, &decorationMs](const sv::Sample& s) {
        QElapsedTimer timer;
        timer.start();
        SVRowDecoration decoration = inspector->rowDecorationForSample(s);
        decorationMs += static_cast<double>(timer.nsecsElapsed()) / 1e6;
        return decoration;
    };
    // The first pages, as paging from the top does; every row of a page is in another pack.
    const std::int64_t pages = 40;

    // Every page once with decorations, so that the covers are decoded (in the background, as
    // in the window) before the measured rounds.
    browser->setRowDecorationProvider(decorations);
    for (int round = 0; round < kRounds; ++round) {
        browser->setPage(round * 37 % pages);
        browser->refresh();
        QCoreApplication::processEvents();
    }
    inspector->artworkImages().waitForDecodes();
    QCoreApplication::processEvents();

    struct Run {
        Figures plain, decorated, decorationsAlone;
    };
    const auto measure = [&](bool forgetLookups) {
        std::vector<double> plain, decorated, alone;
        for (int round = 0; round < kRounds; ++round) {
            const std::int64_t page = round * 37 % pages;
            // Alternating which goes first, so neither profits from the other's warm caches.
            for (const bool on : {round % 2 == 1, round % 2 == 0}) {
                browser->setRowDecorationProvider(on ? decorations : SVRowDecorationProvider());
                browser->setPage(page);
                if (forgetLookups)
                    inspector->folderArtwork().invalidate();
                decorationMs = 0;
                const double ms = sv::bench::timedMilliseconds([&] { browser->refresh(); });
                (on ? decorated : plain).push_back(ms);
                if (on)
                    alone.push_back(decorationMs);
                QCoreApplication::processEvents();
            }
        }
        return Run{sv::bench::figuresOf(plain), sv::bench::figuresOf(decorated),
                   sv::bench::figuresOf(alone)};
    };
    const Run warm = measure(false);
    const Run cold = measure(true);
    const Figures& plainWarm = warm.plain;
    const Figures& decoratedWarm = warm.decorated;
    const Figures& plainCold = cold.plain;
    const Figures& decoratedCold = cold.decorated;
    std::printf("refresh of one page at %d samples, %d rounds each\n", kSamples, kRounds);
    print("without row artwork", plainWarm);
    print("with row artwork, lookups remembered", decoratedWarm);
    std::printf("%-44s median %+6.2f ms  p95 %+6.2f ms\n", "  difference",
                decoratedWarm.median - plainWarm.median, decoratedWarm.p95 - plainWarm.p95);
    print("  the 50 rows' decorations alone", warm.decorationsAlone);
    print("without row artwork (second run)", plainCold);
    print("with row artwork, every lookup made again", decoratedCold);
    std::printf("%-44s median %+6.2f ms  p95 %+6.2f ms\n", "  difference",
                decoratedCold.median - plainCold.median, decoratedCold.p95 - plainCold.p95);
    print("  the 50 rows' decorations alone", cold.decorationsAlone);

    // Row click to details text, on the rows of real WAV files.
    browser->setRowDecorationProvider(decorations);
    browser->searchField()->setText(QStringLiteral("click tone"));
    browser->setPage(0);
    browser->refresh();
    const int rows = static_cast<int>(browser->rows().size());
    if (rows == 0) {
        std::printf("no rows for the click measurement\n");
        return 1;
    }
    std::vector<double> clicks, mainThread;
    for (int i = 0; i < 60; ++i) {
        const std::uint64_t shown = inspector->detailsShownCount();
        QElapsedTimer timer;
        timer.start();
        controller->player()->preview(i % rows);
        mainThread.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        waitFor([&] { return inspector->detailsShownCount() > shown; });
        clicks.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        waitFor(
            [&] { return controller->player()->playbackState() != SVPlayerController::Loading; });
    }
    std::vector<double> reads;
    const SVVolumeLookup volumes;
    for (int i = 0; i < 60; ++i) {
        const QString path = QString::fromStdString(browser->rows()[i % rows].path);
        reads.push_back(
            sv::bench::timedMilliseconds([&] { SVFileDetailsReader::read(path, volumes); }));
    }
    std::printf("\nrow click on a local WAV, %d clicks\n", static_cast<int>(clicks.size()));
    print("click to details text shown", sv::bench::figuresOf(clicks));
    print("click handling on the main thread", sv::bench::figuresOf(mainThread));
    print("reading the details alone", sv::bench::figuresOf(reads));
    std::printf(
        "details: %s\n",
        inspector->view()->detailsLabel()->text().replace('\n', " | ").toUtf8().constData());
    controller->applicationWillTerminate();
    return 0;
}
