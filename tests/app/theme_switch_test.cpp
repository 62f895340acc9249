// The settings dialog picks the theme and the featured grid's size; a theme applies to the
// whole open window at once, keeps the page of results it shows, and is there after a restart.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

#include <string>
#include <vector>

#include "app/featured/featured_grid_layout.h"
#include "app/filters/filter_bar.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_choices.h"
#include "app/inspector/inspector.h"
#include "app/player/player_bar.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/row_button.h"
#include "app/results/sample_cell.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_panel.h"
#include "app/theme/application_theme.h"
#include "app/theme/settings_dialog.h"
#include "app/theme/theme.h"
#include "app/window/main_menu.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

QRect wideScreen() {
    return QRect(0, 0, 1920, 1200);
}

class ThemeSwitch : public AppTest {
  protected:
    void TearDown() override {
        SVTheme::applyApplicationTheme(QStringLiteral("Purple"));
        AppTest::TearDown();
    }

    // Opens the dialog from "Settings…", as the menu does.
    SVSettingsDialog* openSettings() {
        controller->mainMenu()->settingsAction()->trigger();
        QCoreApplication::processEvents();
        auto* dialog = controller->window()->findChild<SVSettingsDialog*>();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    void chooseTheme(const QString& theme, const QString& columns = QStringLiteral("6")) {
        SVSettingsDialog* dialog = openSettings();
        ASSERT_NE(dialog, nullptr);
        dialog->themeChoice()->setCurrentText(theme);
        dialog->columnsChoice()->setCurrentText(columns);
        dialog->applyButton()->click();
        QCoreApplication::processEvents();
    }

    QColor pixel(QPoint at) const { return controller->window()->grab().toImage().pixelColor(at); }
};

QString hex(const QColor& color) {
    return color.name(QColor::HexRgb);
}

// Whether a style sheet names `color`, written with or without its alpha.
bool names(const QString& sheet, const QColor& color) {
    return sheet.contains(color.name(QColor::HexRgb)) ||
           sheet.contains(color.name(QColor::HexArgb));
}

TEST_F(ThemeSwitch, SettingsDialogShowsTheStoredChoicesAndWritesThemOnApply) {
    {
        QSettings settings = SVSettings::open();
        settings.setValue(QStringLiteral("SVThemeSelection"), QStringLiteral("Classic"));
        settings.setValue(QStringLiteral("SVFeaturedColumns"), 11);
    }
    startApp();
    SVSettingsDialog* dialog = openSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Sample Vorlan Settings"));
    const auto labels = dialog->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
        return label->text() ==
               QStringLiteral("Choose a color theme and the maximum Featured grid size.");
    }));
    struct Choice {
        QComboBox* box;
        const char* name;
        QStringList items;
        const char* shown;
    };
    const std::vector<Choice> choices{
        {dialog->themeChoice(), "Theme", {"Purple", "Classic", "Green"}, "Classic"},
        {dialog->columnsChoice(), "Columns", {"2", "3", "4", "5", "6", "7", "8"}, "8"},
        {dialog->rowsChoice(), "Rows", {"2"}, "2"},
    };
    for (const Choice& choice : choices) {
        SCOPED_TRACE(choice.name);
        EXPECT_EQ(choice.box->accessibleName(), QString::fromLatin1(choice.name));
        QStringList items;
        for (int i = 0; i < choice.box->count(); ++i)
            items << choice.box->itemText(i);
        EXPECT_EQ(items, choice.items);
        EXPECT_EQ(choice.box->currentText(), QString::fromLatin1(choice.shown));
    }
    EXPECT_EQ(dialog->applyButton()->text(), QStringLiteral("Apply"));
    EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("Cancel"));

    // Cancel changes nothing.
    dialog->themeChoice()->setCurrentText(QStringLiteral("Green"));
    dialog->cancelButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(SVSettings::open().value(QStringLiteral("SVThemeSelection")).toString(),
              QStringLiteral("Classic"));
    EXPECT_EQ(SVTheme::selectedName(), QStringLiteral("Classic"));

    chooseTheme(QStringLiteral("Green"), QStringLiteral("4"));
    const QSettings settings = SVSettings::open();
    EXPECT_EQ(settings.value(QStringLiteral("SVThemeSelection")).toString(),
              QStringLiteral("Green"));
    EXPECT_EQ(settings.value(QStringLiteral("SVFeaturedColumns")).toInt(), 4);
    EXPECT_EQ(settings.value(QStringLiteral("SVFeaturedRows")).toInt(), 2);
    EXPECT_EQ(SVFeaturedGrid::featuredColumns(), 4);
    EXPECT_EQ(SVTheme::selectedName(), QStringLiteral("Green"));
}

TEST_F(ThemeSwitch, StoredColumnsAreClampedAndZeroMeansSix) {
    startApp();
    const std::vector<std::pair<QVariant, int>> cases{
        {QVariant(), 6},   {QVariant(0), 6},
        {QVariant(1), 2},  {QVariant(5), 5},
        {QVariant(8), 8},  {QVariant(40), 8},
        {QVariant(-3), 2}, {QVariant(QStringLiteral("seven")), 6},
    };
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(stored.toString().toStdString());
        QSettings settings = SVSettings::open();
        if (stored.isValid())
            settings.setValue(QStringLiteral("SVFeaturedColumns"), stored);
        else
            settings.remove(QStringLiteral("SVFeaturedColumns"));
        settings.sync();
        EXPECT_EQ(SVFeaturedGrid::featuredColumns(), expected);
    }
}

// Every theme paints the window's background, the sidebar's and the gap beside the results in
// its colour 0; the chosen theme is the one the window opens with next time.
TEST_F(ThemeSwitch, ChosenThemePaintsTheBackgroundAndSurvivesARestart) {
    startApp(wideScreen);
    controller->window()->resize(1536, 770);
    QCoreApplication::processEvents();
    const QPoint sidebar(232, 8);
    const QPoint besideResults(258, 400);
    for (const char* name : {"Classic", "Green", "Purple", "Green"}) {
        SCOPED_TRACE(name);
        chooseTheme(QString::fromLatin1(name));
        const QColor background = SVTheme::palette(QString::fromLatin1(name))[SVTheme::kBackground];
        EXPECT_EQ(hex(pixel(sidebar)), hex(background));
        EXPECT_EQ(hex(pixel(besideResults)), hex(background));
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), background);
    }

    controller->applicationWillTerminate();
    controller.reset();
    SVTheme::applyApplicationTheme(QStringLiteral("Purple"));
    SVTheme::forgetShownTheme();
    startApp(wideScreen);
    controller->window()->resize(1536, 770);
    QCoreApplication::processEvents();
    const SVTheme::Palette green = SVTheme::palette(QStringLiteral("Green"));
    EXPECT_EQ(SVTheme::selectedName(), QStringLiteral("Green"));
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), green[SVTheme::kAccent]);
    EXPECT_EQ(hex(pixel(besideResults)), hex(green[SVTheme::kBackground]));
    EXPECT_EQ(hex(pixel(sidebar)), hex(green[SVTheme::kBackground]));
}

// A switch keeps the page's rows (no cell is made again) and reaches the parts that keep
// colours of their own: buttons with style sheets, the rows' play buttons, the crumbs, the
// chips, the player and the letter images.
TEST_F(ThemeSwitch, SwitchReachesEveryPartAndKeepsTheRows) {
    addSamples(60);
    startApp(wideScreen);
    controller->window()->resize(1536, 770);
    QCoreApplication::processEvents();
    SVResultsBrowser* browser = controller->browser();
    ASSERT_EQ(browser->rows().size(), 50u);
    // Only the rows on screen have cells: the switch keeps every one of them.
    std::vector<std::pair<int, QPointer<QWidget>>> cells;
    browser->table()->forEachCell(
        [&cells](int row, QWidget* cell) { cells.emplace_back(row, QPointer<QWidget>(cell)); });
    ASSERT_GT(cells.size(), 5u);
    const std::size_t cellCount = browser->table()->cellCount();
    const std::uint64_t generation = browser->queryGeneration();
    QSignalSpy decorations(controller->inspector(), &SVInspector::rowDecorationsChanged);

    chooseTheme(QStringLiteral("Classic"));
    const SVTheme::Palette classic = SVTheme::palette(QStringLiteral("Classic"));

    EXPECT_EQ(browser->table()->cellCount(), cellCount);
    for (const auto& [row, cell] : cells) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(cell);
        EXPECT_EQ(browser->sampleCellForRow(row), cell.data());
        const auto* play = static_cast<SVRowButton*>(browser->sampleCellForRow(row)->playButton());
        EXPECT_EQ(play->look().fill, classic[SVTheme::kAccent]);
    }
    EXPECT_EQ(browser->queryGeneration(), generation) << "no refresh of the results";

    const QColor accent = classic[SVTheme::kAccent];
    EXPECT_TRUE(names(controller->window()->sidebar()->addFolderButton()->styleSheet(), accent));
    EXPECT_TRUE(names(controller->window()->layoutSwitchButton(0)->styleSheet(), accent));
    EXPECT_TRUE(names(controller->playerBar()->playButton()->styleSheet(), accent));
    const std::vector<QPushButton*>& crumbs = controller->sidebar()->breadcrumbBar().crumbButtons();
    ASSERT_FALSE(crumbs.empty());
    EXPECT_TRUE(names(crumbs.back()->styleSheet(), accent));
    EXPECT_TRUE(waitFor([&] { return decorations.count() > 0; }));

    // A chip is filled with the new chip colour.
    SVFilterChip* chip = controller->filterBar()->filter(SVFilterChoices::kGenres);
    ASSERT_TRUE(chip && chip->isVisible());
    const QImage chipImage = chip->grab().toImage();
    EXPECT_EQ(hex(chipImage.pixelColor(6, chipImage.height() / 2)),
              hex(classic[SVTheme::kChipBackground]));
}

}  // namespace
}  // namespace svapp_test
