// Drives coming and going while the window is open, and scans showing their progress: real
// folders renamed away and back under a fake mount table, real scans of real WAV files.
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "app/results/library_cell.h"
#include "app/results/results_browser.h"
#include "app/scans/drive_watcher.h"
#include "app/scans/scan_orchestration.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_outline_model.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_navigation.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

#include <algorithm>
#include <fstream>

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

class Drives : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        // Only the system disk is mounted: a library in the test's home lives on it.
        mountInfo = home->root() / "mountinfo";
        std::ofstream(mountInfo) << "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n";
    }

    static void writeLibrary(const fs::path& folder, int count, double seconds = 0.05) {
        const auto audio = sv::testing::sine(seconds, 22050, 440.0);
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        for (int i = 0; i < count; ++i)
            sv::testing::writeWav(
                folder / ("Kit" + std::to_string(i / 100)) / ("Kick " + std::to_string(i) + ".wav"),
                audio, options);
    }

    void showLibraries() {
        SVBrowseScope libraries;
        libraries.libraryMode = true;
        controller->browser()->setScope(libraries);
        controller->browser()->refresh();
    }

    void showAllSamples() {
        controller->browser()->setScope(SVBrowseScope{});
        controller->browser()->refresh();
    }

    QString libraryDetails() const {
        SVLibraryCell* cell = controller->browser()->libraryCellForRow(0);
        return cell ? cell->detailsLabel()->text() : QString();
    }

    std::size_t visibleRows() const { return controller->browser()->rows().size(); }

    // Whether the library's row in the folder outline looks offline.
    bool outlineShowsOffline() const {
        const SVFolderOutline& outline = controller->sidebar()->navigation().outline();
        const QModelIndex library = outline.model()->index(0, 0);
        return library.data(SVFolderOutlineModel::OfflineRole).toBool();
    }
};

TEST_F(Drives, FolderRenamedAwayAndBackFollowsInResultsAndLibraryList) {
    addSamples(30);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    ASSERT_EQ(visibleRows(), 30u);
    ASSERT_FALSE(outlineShowsOffline());
    QSignalSpy changes(controller->driveWatcher(), &SVDriveWatcher::libraryAvailabilityChanged);

    const fs::path away = home->root() / "Renamed Away";
    fs::rename(libraryFolder, away);
    ASSERT_TRUE(waitFor([&] { return visibleRows() == 0; }));
    EXPECT_EQ(browser->statusText(), QStringLiteral("0 matching samples  •  showing 0–0"));
    EXPECT_TRUE(controller->driveWatcher()->isOffline(libraryFolder.string()));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(outlineShowsOffline());
    showLibraries();
    EXPECT_EQ(libraryDetails(), QStringLiteral("Offline • 30 cached samples • ") +
                                    QString::fromStdString(libraryFolder.string()));

    fs::rename(away, libraryFolder);
    ASSERT_TRUE(waitFor([&] { return libraryDetails().endsWith(QStringLiteral("30 samples")); }));
    EXPECT_FALSE(libraryDetails().startsWith(QStringLiteral("Offline")));
    EXPECT_FALSE(outlineShowsOffline());
    showAllSamples();
    EXPECT_EQ(visibleRows(), 30u);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(controller->database().countSamples(), 30);  // nothing was scanned or deleted
}

TEST_F(Drives, ActivatingTheWindowLooksAtTheFoldersAgain) {
    addSamples(5);
    driveCheckInterval = std::chrono::hours(1);  // only the activation looks
    startApp();
    ASSERT_EQ(visibleRows(), 5u);
    fs::rename(libraryFolder, home->root() / "Elsewhere");
    controller->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return visibleRows() == 0; }));
}

TEST_F(Drives, ScanOfALibraryThatGoesAwayEndsWithTheScannersMessageAndLosesNothing) {
    constexpr int kFiles = 1500;
    writeLibrary(libraryFolder, kFiles, 0.3);
    startApp();
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 60000));
    showAllSamples();
    ASSERT_EQ(controller->browser()->pageLabelText(), QStringLiteral("Page 1 of 30"));

    // A Full Scan re-analyses every file; the folder goes as soon as the status line shows the
    // scan's progress. On a busy machine the scan may be over by then: it is tried again.
    const fs::path away = home->root() / "Unplugged";
    QString ended;
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool gone = false;
        const QMetaObject::Connection pull = QObject::connect(
            controller->scans(), &SVScanOrchestration::statusText, [&](const QString& text) {
                if (!gone && text.endsWith(QStringLiteral(" files"))) {
                    fs::rename(libraryFolder, away);
                    gone = true;
                }
            });
        controller->scanRoots({libraryFolder}, true);
        ASSERT_TRUE(controller->maintenanceScanning());
        ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 60000));
        QObject::disconnect(pull);
        ended = controller->browser()->statusText();
        if (!ended.startsWith(QStringLiteral("Full Scan complete")))
            break;
        if (gone)
            fs::rename(away, libraryFolder);
    }
    ASSERT_TRUE(fs::exists(away)) << ended.toStdString();
    // Whichever of the scanner's checks meets the missing folder first gives the message.
    const QRegularExpression scannerMessage(
        QStringLiteral("^Scan needs attention: (Cannot read sample (size|timestamp): |Cannot "
                       "inspect |Scan incomplete; old entries preserved: |Library disconnected "
                       "during scan; old entries preserved\\.$)"));
    EXPECT_TRUE(scannerMessage.match(ended).hasMatch()) << ended.toStdString();
    ASSERT_TRUE(waitFor([&] { return visibleRows() == 0; }));

    fs::rename(away, libraryFolder);
    ASSERT_TRUE(waitFor([&] { return visibleRows() == 50; }));
    EXPECT_EQ(controller->browser()->pageLabelText(), QStringLiteral("Page 1 of 30"));
    EXPECT_EQ(controller->database().countSamples(), kFiles);
    // No record was rewritten without its audio analysis while its file was away.
    // Sorted by duration, samples without one come last.
    sv::SearchQuery last;
    last.sortByDuration = true;
    last.offset = kFiles - 1;
    last.limit = 1;
    const std::vector<sv::Sample> rows = controller->database().search(last);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows.front().duration.has_value());
}

TEST_F(Drives, StatusLineFollowsAScanAtMostFourTimesASecond) {
    constexpr int kFiles = 2500;
    writeLibrary(libraryFolder, kFiles, 0.2);
    startApp();
    QSignalSpy status(controller->scans(), &SVScanOrchestration::statusText);
    QElapsedTimer clock;
    clock.start();
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 60000));
    const qint64 elapsed = clock.elapsed();

    const QRegularExpression progress(QStringLiteral("^Scanning (Kit\\d+)…  •  ([\\d,]+) files?$"));
    std::vector<long> counts;
    for (const QList<QVariant>& signal : status) {
        const QRegularExpressionMatch match = progress.match(signal.at(0).toString());
        if (match.hasMatch())
            counts.push_back(match.captured(2).remove(QLatin1Char(',')).toLong());
    }
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_LE(counts.back(), kFiles);
    EXPECT_LE(static_cast<qint64>(counts.size()), elapsed / 250 + 2);
    EXPECT_EQ(status.first().at(0).toString(),
              QStringLiteral("Scanning 1 root folder… You can keep browsing."));
    EXPECT_EQ(status.last().at(0).toString(),
              QStringLiteral("Scan complete  •  2500 new  •  0 updated  •  0 unchanged  •  0 "
                             "missing"));
    EXPECT_EQ(controller->database().countSamples(), kFiles);
}

}  // namespace
}  // namespace svapp_test
