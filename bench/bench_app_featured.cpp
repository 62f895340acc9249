// Theme switching and the featured grid in a window showing 50 rows of results: the time to
// apply each theme (palette, style sheets, cached looks) with and without the repaint of the
// whole window that follows, and the time to rebuild the featured grid from 32 stored entries,
// half of them with an avatar, with its repaint.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/featured/featured_grid_layout.h"
#include "app/featured/featured_panel.h"
#include "app/featured/featured_sets.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/theme/theme.h"
#include "app/theme/theme_switch.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "app/window/sv_controller.h"
#include "bench/support/app_bench_support.h"
#include "bench/support/generated_catalogue.h"
#include "core/catalogue/database.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSamples = 5'000;
constexpr int kPacks = 40;
constexpr int kEntries = 32;
constexpr int kRounds = 60;

fs::path benchFolder() {
    return sv::bench::dataFolder("bench-featured-data");
}

fs::path packFolder(int pack) {
    return benchFolder() / "Samples" / ("Pack " + std::to_string(pack));
}

fs::path catalogue() {
    const fs::path file = benchFolder() / "catalogue.db";
    if (fs::exists(file))
        return file;
    for (int pack = 0; pack < kPacks; ++pack)
        fs::create_directories(packFolder(pack));
    sv::Database db(file);
    const std::int64_t libraryId = db.addLibrary((benchFolder() / "Samples").string());
    const char* instruments[] = {"Bass", "Piano", "Kick", "Snare", "Synth", "Guitar", "Vocal"};
    sv::bench::storeGeneratedSamples(db, libraryId, kSamples, [&](int i) {
        sv::Sample sample = sv::bench::generatedSample(
            packFolder(i % kPacks),
            std::string(instruments[i % 7]) + " Loop " + std::to_string(i) + ".wav", "Samples");
        sample.instrument = instruments[i % 7];
        sample.genre = "house";
        sample.bpm = 80 + i % 90;
        sample.duration = 2.0;
        return sample;
    });
    return file;
}

using sv::bench::Figures;

void print(const char* name, const Figures& f) {
    std::printf("%-48s median %6.2f ms  p95 %6.2f ms  least %6.2f ms\n", name, f.median, f.p95,
                f.low);
}

void storeEntries() {
    QVariantList entries;
    for (int i = 0; i < kEntries; ++i) {
        entries.append(
            QVariantMap{{QStringLiteral("kind"), QStringLiteral("folder")},
                        {QStringLiteral("value"), QString::fromStdString(packFolder(i).string())},
                        {QStringLiteral("title"), QStringLiteral("Pack %1").arg(i)}});
    }
    QSettings settings = SVSettings::open();
    settings.setValue(QStringLiteral("SVFeaturedItems"), entries);
    settings.setValue(QLatin1String(SVFeaturedGrid::kColumnsKey), SVFeaturedGrid::kMaximumColumns);
    settings.sync();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sv::bench::useFreshHome(benchFolder() / "home");
    QApplication application(argc, argv);
    const fs::path file = catalogue();
    const fs::path avatar = benchFolder() / "avatar.png";
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 60));
    image.save(QString::fromStdString(avatar.string()), "PNG");
    storeEntries();

    // Tall enough for 50 rows at once, wide enough for eight card columns.
    auto controller = sv::bench::launchWindow(file, QRect(0, 0, 2200, 4200));
    SVMainWindow* window = controller->window();
    window->resize(2000, 4000);
    QCoreApplication::processEvents();
    SVResultsBrowser* browser = controller->browser();
    browser->refresh();
    QCoreApplication::processEvents();
    SVFeaturedSets* featured = controller->featuredSets();
    for (int i = 0; i < kEntries; i += 2)
        featured->setFeaturedAvatarAtIndex(
            i, QUrl::fromLocalFile(QString::fromStdString(avatar.string())));
    QCoreApplication::processEvents();
    int withAvatar = 0;
    for (const QVariant& entry : featured->featuredItems())
        withAvatar += entry.toMap().value(QStringLiteral("avatar")).toString().isEmpty() ? 0 : 1;
    std::printf("rows shown: %zu cells, cards shown: %zu of %lld entries, %d with an avatar\n",
                browser->table()->cellCount(), featured->panel().cards().size(),
                static_cast<long long>(featured->featuredItems().size()), withAvatar);

    std::vector<double> apply, applyAndPaint;
    const QStringList& names = SVTheme::themeNames();
    for (int round = 0; round < kRounds; ++round) {
        QSettings settings = SVSettings::open();
        settings.setValue(QLatin1String(SVTheme::kThemeKey), names[round % names.size()]);
        settings.sync();
        if (round % 2 == 0) {
            apply.push_back(sv::bench::timedMilliseconds([] { SVTheme::applySelectedTheme(); }));
        } else {
            applyAndPaint.push_back(sv::bench::timedMilliseconds([window] {
                SVTheme::applySelectedTheme();
                window->repaint();
            }));
        }
        QCoreApplication::processEvents();
    }
    std::printf("theme switch, window with 50 rows, %d rounds over %lld themes\n", kRounds,
                static_cast<long long>(names.size()));
    print("apply the theme", sv::bench::figuresOf(apply));
    print("apply the theme and repaint the window", sv::bench::figuresOf(applyAndPaint));

    // Each round stores the entries turned by one place, so that every card shows another
    // entry than before, as after a removal near the front.
    std::vector<double> rebuild, rebuildAndPaint;
    QVariantList entries = featured->featuredItems();
    for (int round = 0; round < kRounds; ++round) {
        entries.append(entries.takeFirst());
        {
            QSettings settings = SVSettings::open();
            settings.setValue(QStringLiteral("SVFeaturedItems"), entries);
            settings.sync();
        }
        if (round % 2 == 0) {
            rebuild.push_back(
                sv::bench::timedMilliseconds([featured] { featured->reloadFeaturedItems(); }));
        } else {
            rebuildAndPaint.push_back(sv::bench::timedMilliseconds([featured] {
                featured->reloadFeaturedItems();
                featured->panel().repaint();
            }));
        }
        QCoreApplication::processEvents();
    }
    std::printf("\nfeatured grid from %d entries (half with avatars), %d rounds\n", kEntries,
                kRounds);
    print("rebuild the grid", sv::bench::figuresOf(rebuild));
    print("rebuild the grid and repaint it", sv::bench::figuresOf(rebuildAndPaint));
    controller->applicationWillTerminate();
    return 0;
}
