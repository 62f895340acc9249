#include <sqlite3.h>

#include <QTest>

#include "app/results/results_browser.h"
#include "app/scans/scan_orchestration.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using Scans = AppTest;

void writeLibrary(const std::filesystem::path& folder, int count) {
    const auto audio = sv::testing::sine(0.05, 22050, 440.0);
    sv::testing::WavOptions options;
    options.sampleRate = 22050;
    for (int i = 0; i < count; ++i)
        sv::testing::writeWav(
            folder / ("Kit" + std::to_string(i / 50)) / ("Kick " + std::to_string(i) + ".wav"),
            audio, options);
}

std::string integrityCheck(const std::filesystem::path& file) {
    sqlite3* raw = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(raw);
    return result;
}

TEST_F(Scans, ScanFromTheWindowWhileSearchingRefusesASecondScan) {
    writeLibrary(libraryFolder, 120);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    controller->scanRoots({libraryFolder}, false);
    EXPECT_TRUE(controller->maintenanceScanning());
    EXPECT_EQ(browser->statusText(),
              QStringLiteral("Scanning 1 root folder… You can keep browsing."));
    controller->scanRoots({libraryFolder}, true);
    EXPECT_EQ(browser->statusText(),
              QStringLiteral("A library scan is already running. Please wait for it to finish."));
    int searches = 0;
    while (controller->maintenanceScanning()) {
        browser->searchField()->setText(searches % 2 ? QStringLiteral("Kick") : QString());
        browser->refresh();
        ++searches;
        QCoreApplication::processEvents();
        ASSERT_LT(searches, 100000);
    }
    EXPECT_GT(searches, 0);
    ASSERT_TRUE(waitFor([&] { return browser->statusText().startsWith(QStringLiteral("Scan")); }));
    EXPECT_EQ(
        browser->statusText(),
        QStringLiteral("Scan complete  •  120 new  •  0 updated  •  0 unchanged  •  0 missing"));
    browser->searchField()->clear();
    browser->refresh();
    EXPECT_EQ(browser->rows().size(), 50u);
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 1 of 3"));

    // "Full Scan" from the library row.
    SVBrowseScope libraries;
    libraries.libraryMode = true;
    browser->setScope(libraries);
    browser->refresh();
    controller->rescan(0);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 30000));
    EXPECT_EQ(browser->statusText(),
              QStringLiteral("Full Scan complete  •  0 new  •  120 updated  •  0 unchanged  •  0 "
                             "missing"));
    controller->rescan(7);
    EXPECT_FALSE(controller->maintenanceScanning());
}

TEST_F(Scans, DuplicateRootsAreScannedOnceAndFailuresNeedAttention) {
    writeLibrary(libraryFolder, 3);
    startApp();
    const auto link = home->root() / "Link";
    std::filesystem::create_directory_symlink(libraryFolder, link);
    controller->handleDroppedURLs(
        {QString::fromStdString(libraryFolder.string()), QString::fromStdString(link.string())});
    EXPECT_EQ(controller->browser()->statusText(),
              QStringLiteral("Scanning 1 root folder… You can keep browsing."));
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }));
    controller->scanRoots({home->root() / "Missing"}, false);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }));
    EXPECT_TRUE(
        controller->browser()->statusText().startsWith(QStringLiteral("Scan needs attention: ")));
}

TEST_F(Scans, QuittingHalfwayThroughAScanLeavesAnIntactCatalogue) {
    writeLibrary(libraryFolder, 1500);
    startApp();
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([&] { return controller->database().countSamples() > 20; }, 60000));
    controller->applicationWillTerminate();
    EXPECT_FALSE(controller->scans()->maintenanceScanning() &&
                 controller->database().countSamples() == 1500);
    const std::int64_t written = controller->database().countSamples();
    controller.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(integrityCheck(sv::Database::defaultPath()), "ok");
    sv::Database reopened(sv::Database::defaultPath());
    EXPECT_EQ(reopened.countSamples(), written);
    EXPECT_LT(written, 1500);
}

}  // namespace
}  // namespace svapp_test
