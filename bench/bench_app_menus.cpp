// The folder menu at 100,000 samples: the time from the right click to the menu shown on a
// folder of 20,000 samples, with its 14 genre entries ticked from the catalogue, against the
// ticks worked out the plain way (one count per genre) in the same run; and the time to mark
// that folder's type, one transaction each.

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/menus/context_menus.h"
#include "app/menus/mark_choices.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/window/sv_controller.h"
#include "bench/support/app_bench_support.h"
#include "bench/support/generated_catalogue.h"
#include "core/catalogue/database.h"

namespace {

constexpr int kSamples = 100'000;
constexpr int kFolderSamples = 20'000;
constexpr int kRounds = 60;
constexpr int kMarkRounds = 10;

std::filesystem::path benchFolder() {
    return sv::bench::dataFolder("bench-menus-data");
}

std::filesystem::path libraryFolder() {
    return benchFolder() / "Samples";
}

std::filesystem::path bigFolder() {
    return libraryFolder() / "Big Pack";
}

std::filesystem::path catalogue() {
    const auto file = benchFolder() / "catalogue.db";
    if (std::filesystem::exists(file))
        return file;
    std::filesystem::create_directories(libraryFolder());
    sv::Database db(file);
    const std::int64_t libraryId = db.addLibrary(libraryFolder().string());
    const char* genres[] = {"trap", "house", "hip hop", "soul", "funk", "jazz", "Trap", "lofi"};
    const char* instruments[] = {"Bass", "Piano", "Kick", "Snare", "Synth", "Guitar", "Vocal"};
    sv::bench::storeGeneratedSamples(db, libraryId, kSamples, [&](int i) {
        const bool big = i < kFolderSamples;
        const std::filesystem::path folder =
            big ? bigFolder() / ("Part " + std::to_string(i % 40))
                : libraryFolder() / ("Pack " + std::to_string(i % 300));
        sv::Sample sample = sv::bench::generatedSample(
            folder, std::string(instruments[i % 7]) + " " + std::to_string(i) + ".wav", "Samples",
            i % 3 == 0 ? sv::SampleType::OneShot : sv::SampleType::Loop);
        sample.instrument = instruments[i % 7];
        sample.genre = genres[i % 8];
        sample.bpm = 80 + i % 90;
        return sample;
    });
    return file;
}

using sv::bench::Figures;

void print(const char* name, const Figures& f) {
    std::printf("%-48s median %8.2f ms  (%.2f – %.2f)\n", name, f.median, f.low, f.high);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sv::bench::useFreshHome(benchFolder() / "home");
    QApplication application(argc, argv);
    auto controller = sv::bench::launchWindow(catalogue());
    QCoreApplication::processEvents();
    sv::Database& db = controller->database();
    SVContextMenus& menus = controller->menus()->contextMenus();
    const std::string folder = bigFolder().string();

    // Right click to menu shown: the menu built (with its ticks) and popped up.
    std::vector<double> shown;
    for (int round = 0; round < kRounds; ++round) {
        QMenu* menu = nullptr;
        shown.push_back(sv::bench::timedMilliseconds([&] {
            menu = menus.openFolderMenu(folder, QPoint(200, 200));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }));
        if (!menu || !menu->isVisible()) {
            std::printf("the folder menu was not shown\n");
            return 1;
        }
        menu->close();
        QCoreApplication::processEvents();
    }

    // The ticks alone, as the menu reads them, and as one count per genre entry.
    std::vector<double> ticks, counts;
    for (int round = 0; round < kRounds; ++round) {
        ticks.push_back(sv::bench::timedMilliseconds([&] { (void)db.folderGenres(folder); }));
        counts.push_back(sv::bench::timedMilliseconds([&] {
            for (const QString& genre : SVMarkChoices::genres()) {
                sv::SearchQuery query;
                query.folder = folder;
                query.genres = {genre.toStdString()};
                (void)db.countMatching(query);
            }
        }));
    }

    // Marking the folder's type, confirmed at once; alternating so every round changes rows.
    controller->menus()->organising().setAlertRunner([](const SVAlert&) {
        return SVAlertAnswer{0, {}};
    });
    std::vector<double> marks;
    for (int round = 0; round < kMarkRounds; ++round) {
        const auto type = round % 2 == 0 ? sv::SampleType::OneShot : sv::SampleType::Loop;
        marks.push_back(sv::bench::timedMilliseconds(
            [&] { controller->menus()->organising().applyFolderType(folder, type); }));
        QCoreApplication::processEvents();
    }
    const std::int64_t touched = db.countFolderUpdateRows(folder, false);

    std::printf("folder of %d samples in a catalogue of %d, %d rounds\n", kFolderSamples, kSamples,
                kRounds);
    const Figures menu = sv::bench::figuresOf(shown);
    const Figures tick = sv::bench::figuresOf(ticks);
    const Figures count = sv::bench::figuresOf(counts);
    print("right click to folder menu shown", menu);
    print("  genre ticks read at once", tick);
    print("  genre ticks as 14 counts (baseline)", count);
    std::printf("%-48s %.2f\n", "  ticks read at once / 14 counts", tick.median / count.median);
    std::printf("marking the folder's type (%lld rows, %d rounds, refresh included)\n",
                static_cast<long long>(touched), kMarkRounds);
    print("  mark folder as", sv::bench::figuresOf(marks));
    controller->applicationWillTerminate();
    return 0;
}
