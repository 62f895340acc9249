#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "app/results/library_cell.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/waveform_view.h"
#include "app/scans/scan_orchestration.h"
#include "app/window/main_window.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using Browser = AppTest;

TEST_F(Browser, EmptyCatalogueShowsTheEmptyView) {
    startApp();
    SVResultsBrowser* browser = controller->browser();
    EXPECT_TRUE(browser->emptyView()->isVisible());
    EXPECT_GT(browser->emptyView()->width(), browser->width() / 2);
    EXPECT_GT(browser->emptyView()->height(), browser->height() / 2);
    EXPECT_EQ(browser->statusText(), QStringLiteral("0 matching samples  •  showing 0–0"));
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 1 of 1"));
    EXPECT_FALSE(browser->previousButton()->isEnabled());
    EXPECT_FALSE(browser->nextButton()->isEnabled());
    EXPECT_TRUE(controller->window()->grab().save(pngPath("empty-catalogue.png")));
}

TEST_F(Browser, PagesOf120SamplesAndTheirTexts) {
    addSamples(120);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    EXPECT_FALSE(browser->emptyView()->isVisible());
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 1 of 3"));
    EXPECT_EQ(browser->statusText(), QStringLiteral("120 matching samples  •  showing 1–50"));
    EXPECT_FALSE(browser->previousButton()->isEnabled());
    EXPECT_TRUE(browser->nextButton()->isEnabled());

    browser->nextPage();
    ASSERT_TRUE(
        waitFor([&] { return browser->page() == 1 && !browser->pageTransitionScheduled(); }));
    EXPECT_EQ(browser->statusText(), QStringLiteral("120 matching samples  •  showing 51–100"));
    browser->nextPage();
    ASSERT_TRUE(
        waitFor([&] { return browser->page() == 2 && !browser->pageTransitionScheduled(); }));
    EXPECT_EQ(browser->statusText(), QStringLiteral("120 matching samples  •  showing 101–120"));
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 3 of 3"));
    EXPECT_FALSE(browser->nextButton()->isEnabled());
    EXPECT_TRUE(browser->previousButton()->isEnabled());
    EXPECT_EQ(browser->rows().size(), 20u);

    // Narrowing the search on the last page shows the new last page.
    browser->searchField()->setText(QStringLiteral("Sample 00"));
    browser->refresh();
    EXPECT_EQ(browser->page(), 0);
    EXPECT_EQ(browser->rows().size(), 9u);
}

TEST_F(Browser, CellsExistOnlyForDisplayedRows) {
    addSamples(50);
    startApp();
    SVResultsTable* table = controller->browser()->table();
    const auto [first, last] = table->visibleRows();
    ASSERT_GE(last, first);
    EXPECT_EQ(table->cellCount(), static_cast<std::size_t>(last - first + 1));
    EXPECT_LT(table->cellCount(), 50u);
    EXPECT_NE(table->cellForRow(first), nullptr);
    EXPECT_EQ(table->cellForRow(49), nullptr);
}

TEST_F(Browser, MidiRowsOnlyInTheMidiCategory) {
    addSamples(5, "Loop", "Loop", ".wav");
    addSamples(3, "Melody", "MIDI", ".mid");
    startApp();
    SVResultsBrowser* browser = controller->browser();
    EXPECT_EQ(browser->rows().size(), 5u);
    browser->searchField()->setText(QStringLiteral("Melody"));
    browser->refresh();
    EXPECT_TRUE(browser->rows().empty());
    SVBrowseScope scope;
    scope.sectionType = "MIDI";
    browser->setScope(scope);
    browser->refresh();
    ASSERT_EQ(browser->rows().size(), 3u);
    SVSampleCell* cell = browser->sampleCellForRow(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->playButton()->isEnabled());
    EXPECT_FALSE(cell->nameButton()->isEnabled());
}

TEST_F(Browser, TypingABurstRefreshesOnceAfterTheDebounce) {
    addSamples(60);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    int refreshes = 0;
    QObject::connect(browser, &SVResultsBrowser::refreshed, [&] { ++refreshes; });
    QTest::keyClicks(browser->searchField(), QStringLiteral("Sampl"));
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(browser->clearButton()->isVisibleTo(browser));
    ASSERT_TRUE(waitFor([&] { return refreshes > 0; }, 2000));
    QTest::qWait(150);
    EXPECT_EQ(refreshes, 1);

    browser->clearSearch();
    EXPECT_TRUE(browser->searchField()->text().isEmpty());
    EXPECT_FALSE(browser->clearButton()->isVisibleTo(browser));
}

TEST_F(Browser, FilenameSortAlternatesAndTitlesShowTheDirection) {
    addSamples(60);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    QPushButton* filename = browser->header()->filenameButton();
    const std::vector<QString> titles = {QStringLiteral("Filename  ▲"),
                                         QStringLiteral("Filename  ▼"),
                                         QStringLiteral("Filename  ▲")};
    const std::vector<std::string> firstRows = {"Sample 001.wav", "Sample 060.wav",
                                                "Sample 001.wav"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        browser->filenameSortPressed();
        const std::uint64_t before = browser->queryGeneration();
        ASSERT_TRUE(waitFor([&] { return browser->queryGeneration() > before; }));
        ASSERT_FALSE(browser->rows().empty());
        EXPECT_EQ(browser->rows().front().filename, firstRows[i]);
        EXPECT_EQ(filename->text(), titles[i]);
        EXPECT_TRUE(browser->hasActiveSort());
        EXPECT_EQ(browser->sortedNavigationTotal(), 60);
    }
    EXPECT_EQ(browser->header()->timeButton()->text(), QStringLiteral("Time"));
}

TEST_F(Browser, FavouriteButtonStoresAndShowsTheMark) {
    addSamples(3);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    SVSampleCell* cell = browser->sampleCellForRow(1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->favoriteButton()->text(), QStringLiteral("♡"));
    EXPECT_EQ(cell->favoriteButton()->toolTip(), QStringLiteral("Add to Favorites"));
    cell->favoriteButton()->click();
    EXPECT_TRUE(controller->database().isFavorite(browser->rows()[1].id));
    EXPECT_EQ(cell->favoriteButton()->text(), QStringLiteral("♥"));
    EXPECT_EQ(cell->favoriteButton()->toolTip(), QStringLiteral("Remove from Favorites"));

    // In the Favorites view, taking the mark away removes the row.
    SVBrowseScope favourites;
    favourites.favoriteMode = true;
    browser->setScope(favourites);
    browser->refresh();
    ASSERT_EQ(browser->rows().size(), 1u);
    browser->toggleFavorite(0);
    EXPECT_TRUE(browser->rows().empty());
}

TEST_F(Browser, PlayButtonAndNameClickAreHarmlessWithoutAPlayer) {
    addSamples(3);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    int previews = 0;
    QObject::connect(browser, &SVResultsBrowser::previewRequested, [&](int row) {
        EXPECT_EQ(row, 0);
        ++previews;
    });
    SVSampleCell* cell = browser->sampleCellForRow(0);
    ASSERT_NE(cell, nullptr);
    cell->playButton()->click();
    cell->nameButton()->click();
    EXPECT_EQ(previews, 2);
    EXPECT_EQ(browser->rows().size(), 3u);
}

TEST_F(Browser, MetadataLinksFollowTheirRules) {
    sv::Sample sample;
    sample.type = sv::SampleType::Unknown;
    sample.instrument = "unknown";
    sample.genre = "trap";
    sample.library = " Samples ";
    const auto parts = metadataParts(sample, {}, {});
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].text, QStringLiteral("Unknown"));
    EXPECT_TRUE(parts[0].role.isEmpty());
    EXPECT_EQ(parts[1].text, QStringLiteral("unknown"));
    EXPECT_TRUE(parts[1].role.isEmpty());
    EXPECT_EQ(parts[2].role, QStringLiteral("genre"));

    sample.type = sv::SampleType::OneShot;
    sample.library = "Drum Kit";
    const auto withPack = metadataParts(sample, {}, {});
    ASSERT_EQ(withPack.size(), 4u);
    EXPECT_EQ(withPack[0].role, QStringLiteral("type"));
    EXPECT_EQ(withPack[3].text, QStringLiteral("Drum Kit"));
    EXPECT_TRUE(withPack[3].role.isEmpty());

    EXPECT_EQ(clockText(-1), QStringLiteral("0:00"));
    EXPECT_EQ(clockText(65.9), QStringLiteral("1:05"));
    EXPECT_EQ(clockText(4500), QStringLiteral("75:00"));
}

TEST_F(Browser, ColumnsOfTheFullPresentation) {
    const SVSampleColumns wide = sampleColumns(1200);
    EXPECT_EQ(wide.nameX, 148);
    EXPECT_EQ(wide.durationWidth, 70);
    EXPECT_EQ(wide.keyWidth, 70);
    const int m = 1200 - 166 - 210;
    EXPECT_EQ(wide.nameWidth, static_cast<int>(0.46 * m));
    EXPECT_EQ(wide.waveformWidth, m - wide.nameWidth);
    const SVSampleColumns narrow = sampleColumns(700);
    EXPECT_EQ(narrow.durationWidth, 64);
    EXPECT_EQ(narrow.keyWidth, 0);
    EXPECT_EQ(narrow.tempoWidth, 0);
    EXPECT_EQ(narrow.nameWidth, 235);
}

TEST_F(Browser, LibraryRowsShowDetailsOfflineStateAndRemove) {
    addSamples(4);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    SVBrowseScope libraries;
    libraries.libraryMode = true;
    browser->setScope(libraries);
    browser->refresh();
    EXPECT_EQ(browser->statusText(),
              QStringLiteral("1 imported root folders  •  Double-click a library name to rename "
                             "it."));
    SVLibraryCell* cell = browser->libraryCellForRow(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->nameLabel()->text(), QStringLiteral("Samples"));
    EXPECT_EQ(cell->detailsLabel()->text(),
              QString::fromStdString(libraryFolder.string()) + QStringLiteral("  •  4 samples"));
    EXPECT_TRUE(cell->rescanButton()->isEnabled());
    EXPECT_EQ(cell->rescanButton()->text(), QStringLiteral("Full Scan"));
    EXPECT_EQ(cell->removeButton()->text(), QStringLiteral("Remove"));
    EXPECT_EQ(cell->rescanButton()->accessibleName(), QStringLiteral("Full Scan Samples"));
    EXPECT_EQ(cell->removeButton()->accessibleName(), QStringLiteral("Remove Samples"));

    // An unplugged drive's mount point left behind as an empty folder reads as offline, as
    // soon as the drive watcher has looked (the rows are redrawn then).
    std::filesystem::remove_all(libraryFolder);
    std::filesystem::create_directories(libraryFolder);
    ASSERT_TRUE(waitFor([&] {
        cell = browser->libraryCellForRow(0);
        return cell && cell->detailsLabel()->text().startsWith(QStringLiteral("Offline"));
    }));
    EXPECT_EQ(cell->detailsLabel()->text(), QStringLiteral("Offline • 4 cached samples • ") +
                                                QString::fromStdString(libraryFolder.string()));
    EXPECT_FALSE(cell->detailsLabel()->toolTip().isEmpty());

    controller->scans()->setConfirmRemoval([] { return false; });
    cell->removeButton()->click();
    EXPECT_EQ(controller->database().libraries().size(), 1u);
    controller->scans()->setConfirmRemoval([] { return true; });
    browser->libraryCellForRow(0)->removeButton()->click();
    EXPECT_TRUE(controller->database().libraries().empty());
    EXPECT_TRUE(browser->libraries().empty());
}

TEST_F(Browser, ScreenshotsOfBothLayoutModes) {
    for (int i = 0; i < 60; ++i) {
        const double seconds = 0.3 + 0.05 * (i % 9);
        const auto audio = i % 3 == 0 ? sv::testing::hits(seconds, 22050, {0.0, 0.1, 0.2, 0.25})
                                      : sv::testing::sine(seconds, 22050, 110.0 * (1 + i % 4),
                                                          0.2f + 0.08f * static_cast<float>(i % 9));
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        const char* names[] = {"Trap Kick", "Dark Piano Loop 90bpm Amin", "Snare Clap",
                               "808 Bass C#m 140bpm", "House Hats 124bpm"};
        sv::testing::writeWav(libraryFolder / (i < 30 ? "Drums" : "Melodic") /
                                  (std::string(names[i % 5]) + " " + std::to_string(i) + ".wav"),
                              audio, options);
    }
    startApp([] { return QRect(0, 0, 1920, 1080); });
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 30000));
    SVWaveformView::waitUntilIdleWithTimeout(10);
    QTest::qWait(400);
    EXPECT_EQ(controller->browser()->table()->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(controller->window()->grab().save(pngPath("desktop-populated.png")));
    controller->switchLayout(0);
    QTest::qWait(50);
    EXPECT_EQ(controller->currentLayoutMode(), 0);
    EXPECT_TRUE(controller->window()->grab().save(pngPath("compact-populated.png")));
}

}  // namespace
}  // namespace svapp_test

namespace svapp_test {
namespace {

TEST_F(Browser, EditMenuFindSamplesFocusesTheSearchField) {
    startApp();
    ASSERT_TRUE(waitFor(
        [&] {
            return controller->window()->findChild<QAction*>(QStringLiteral("findSamples")) !=
                   nullptr;
        },
        2000));
    QStringList menus;
    for (QAction* action : controller->window()->menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("Sample Vorlan"), QStringLiteral("Edit"),
                                  QStringLiteral("Help")}));
    auto* find = controller->window()->findChild<QAction*>(QStringLiteral("findSamples"));
    EXPECT_EQ(find->text(), QStringLiteral("Find Samples"));
    EXPECT_EQ(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    controller->window()->activateWindow();
    find->trigger();
    EXPECT_TRUE(controller->browser()->searchField()->hasFocus() ||
                QApplication::focusWidget() == controller->browser()->searchField());
}

// Keyboard navigation hides the hover look until the mouse moves again.
TEST_F(Browser, KeyboardNavigationSuppressesHoverUntilTheMouseMoves) {
    addSamples(5);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    SVSampleCell* first = browser->sampleCellForRow(0);
    SVSampleCell* second = browser->sampleCellForRow(1);
    ASSERT_TRUE(first && second);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(first, &enter);
    EXPECT_TRUE(first->hovered());
    EXPECT_EQ(browser->hoveredSampleCell(), first);

    browser->suppressSampleHoverForKeyboardNavigation();
    EXPECT_FALSE(first->hovered());
    QApplication::sendEvent(second, &enter);
    EXPECT_FALSE(second->hovered());
    EXPECT_EQ(browser->hoveredSampleCell(), nullptr);

    QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), QPointF(6, 6), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(second, &move);
    EXPECT_FALSE(browser->sampleHoverSuppressed());
    EXPECT_TRUE(second->hovered());
}

}  // namespace
}  // namespace svapp_test
