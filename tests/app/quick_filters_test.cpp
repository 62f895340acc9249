#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "app/filters/filter_bar.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_choices.h"
#include "app/filters/quick_filters.h"
#include "app/results/results_browser.h"
#include "tests/app/filter_fixture.h"

namespace svapp_test {
namespace {

using namespace SVFilterChoices;

class QuickFilterTest : public FilterTest {
  protected:
    void TearDown() override {
        QApplication::setEffectEnabled(Qt::UI_General, true);
        FilterTest::TearDown();
    }

    SVQuickFilters* quick() const { return bar()->quickFilters(); }

    // Shows the rows at once, without their motion.
    void reveal() {
        QApplication::setEffectEnabled(Qt::UI_General, false);
        if (!quick()->quickFiltersRevealed())
            quick()->toggleQuickFilters();
        QApplication::setEffectEnabled(Qt::UI_General, true);
    }

    QStringList titles(int chip) const {
        QStringList result;
        for (SVFilterChip* button : quick()->buttons(chip))
            result << button->title();
        return result;
    }

    static QStringList sorted(QStringList list) {
        list.sort(Qt::CaseSensitive);
        return list;
    }

    SVFilterChip* button(int chip, const QString& value) const {
        for (SVFilterChip* candidate : quick()->buttons(chip)) {
            if (candidate->selectedValue() == value)
                return candidate;
        }
        return nullptr;
    }
};

TEST(QuickFilterValues, PreferredValuesFirstThenCatalogueOrder) {
    struct Case {
        int chip;
        std::vector<std::string> catalogue;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {kGenres, {"House", "trap", "Trap"}, {"trap", "Trap", "House"}},
        {kGenres, {"Trap", "House", "trap"}, {"Trap", "trap", "House"}},
        {kGenres,
         {"afro", "Hip Hop", "hoodtrap", "None", "RnB", "trap", "Unknown"},
         {"trap", "RnB", "Hip Hop", "hoodtrap", "afro"}},
        {kInstruments,
         {"Bass", "ep", "Guitar", "piano", "saxophone", "Unknown"},
         {"saxophone", "piano", "ep", "Guitar", "Bass"}},
        {kInstruments, {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quickFilterValues(c.chip, c.catalogue), c.expected);
    EXPECT_EQ(quickFilterTitle(QStringLiteral("rnb")), QStringLiteral("R&B"));
    EXPECT_EQ(quickFilterTitle(QStringLiteral("hip hop")), QStringLiteral("Hip Hop"));
    EXPECT_EQ(quickFilterTitle(QStringLiteral("Trap")), QStringLiteral("Trap"));
}

TEST(FilterChoicesRules, ChipValuesFromTheCatalogue) {
    EXPECT_EQ(chipChoices(kKey, {"A min", "A minor", "Am", "C", "C major", "major", "None",
                                 "Unknown", " "}),
              (QStringList{"All", "AMIN", "Am", "C"}));
    EXPECT_EQ(chipChoices(kGenres, {"house", "None", "Trap", "trap", "Unknown"}),
              (QStringList{"All", "house", "Trap", "trap"}));
    EXPECT_EQ(chipChoices(kInstruments, {"Bass", "hats", "HiHat", "perc", "Unknown"}),
              (QStringList{"All", "Bass", "hats", "HiHat"}))
        << "perc would look for Percussion, which this place lacks";
    for (const char* refused : {"19", "301", "abc", "", " ", "12.5", "-20", "1e2", "0300"})
        EXPECT_FALSE(customBpm(QString::fromLatin1(refused))) << refused;
    EXPECT_EQ(customBpm(QStringLiteral("20")), 20);
    EXPECT_EQ(customBpm(QStringLiteral("300")), 300);
    EXPECT_EQ(customBpm(QStringLiteral(" 128 ")), 128);
}

TEST_F(QuickFilterTest, RowsListThePlacesValuesWithTheirTitles) {
    addCatalogue({{"A/One.wav", "Loop", "Piano", "House"},
                  {"A/Two.wav", "Loop", "Guitar", "trap"},
                  {"A/Three.wav", "Loop", "Bass", "Trap"},
                  {"B/Four.wav", "One Shot", "Kick", "rnb"},
                  {"B/Five.wav", "One Shot", "Unknown", "hip hop"},
                  {"C/Six.mid", "MIDI", "Piano", "soul"}});
    startApp();
    EXPECT_FALSE(quick()->rowsBuilt()) << "built when first shown";
    EXPECT_TRUE(quick()->isHidden());
    reveal();
    EXPECT_TRUE(quick()->rowsBuilt());
    EXPECT_TRUE(quick()->isVisible());
    EXPECT_EQ(quick()->rowLabel(kGenres)->text(), QStringLiteral("Genres:"));
    EXPECT_EQ(quick()->rowLabel(kInstruments)->text(), QStringLiteral("Instruments:"));
    // The two spellings of trap come first, in the catalogue's order (equal ignoring case).
    QStringList genres = titles(kGenres);
    ASSERT_EQ(genres.size(), 5);
    EXPECT_EQ((QSet<QString>{genres[0], genres[1]}), (QSet<QString>{"Trap", "trap"}));
    EXPECT_EQ(genres.mid(2), (QStringList{"R&B", "Hip Hop", "House"}));
    EXPECT_EQ(titles(kInstruments), (QStringList{"Piano", "Guitar", "Bass", "Kick"}));
    for (SVFilterChip* chip : quick()->buttons(kGenres)) {
        EXPECT_EQ(chip->tag(), kGenres);
        EXPECT_EQ(chip->filterName(), chip->selectedValue());
        EXPECT_EQ(chip->toolTip(), QStringLiteral("Filter by ") + chip->selectedValue());
        EXPECT_TRUE(chip->preservesTitle());
        EXPECT_EQ(chip->resetButton(), nullptr);
    }
    EXPECT_FALSE(quick()->emptyLabel(kGenres)->isVisibleTo(quick()));

    // A place without values says so.
    SVBrowseScope empty;
    empty.favoriteMode = true;
    refreshAfter([&] {
        browser()->setScope(empty);
        bar()->updateFilterContext();
        browser()->resetPageAndRefresh();
    });
    EXPECT_TRUE(quick()->buttons(kGenres).empty());
    EXPECT_TRUE(quick()->emptyLabel(kGenres)->isVisibleTo(quick()));
    EXPECT_EQ(quick()->emptyLabel(kInstruments)->text(),
              QStringLiteral("No suggestions in this selection"));
}

TEST_F(QuickFilterTest, ClickingChoosesAndClickingTheChosenOneClears) {
    addCatalogue({{"One.wav", "Loop", "Piano", "House"},
                  {"Two.wav", "Loop", "piano", "trap"},
                  {"Three.wav", "Loop", "Bass", "Trap"}});
    startApp();
    reveal();
    refreshAfter([&] { button(kGenres, QStringLiteral("Trap"))->click(); });
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("Trap"));
    EXPECT_EQ(sorted(titles(kGenres)), (QStringList{"House", "Trap ×", "trap"}));
    EXPECT_TRUE(button(kGenres, QStringLiteral("Trap"))->appearanceSelected());
    EXPECT_FALSE(button(kGenres, QStringLiteral("trap"))->appearanceSelected());
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Three.wav", "Two.wav"}));
    refreshAfter([&] { button(kGenres, QStringLiteral("Trap"))->click(); });
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("All"));
    EXPECT_EQ(sorted(titles(kGenres)), (QStringList{"House", "Trap", "trap"}));

    // Instruments compare ignoring case: both spellings show the chosen look.
    refreshAfter([&] { button(kInstruments, QStringLiteral("piano"))->click(); });
    EXPECT_EQ(sorted(titles(kInstruments)), (QStringList{"Bass", "Piano ×", "piano ×"}));
    refreshAfter([&] { button(kInstruments, QStringLiteral("Piano"))->click(); });
    EXPECT_EQ(bar()->filter(kInstruments)->selectedValue(), QStringLiteral("All"));

    refreshAfter([&] { bar()->filterChosen(kInstruments, QStringLiteral("Bass")); });
    refreshAfter([&] { quick()->clearFiltersButton()->click(); });
    EXPECT_EQ(bar()->filter(kInstruments)->selectedValue(), QStringLiteral("All"));
    EXPECT_EQ(sorted(titles(kInstruments)), (QStringList{"Bass", "Piano", "piano"}));
}

TEST_F(QuickFilterTest, RowsFollowTheCatalogueAndStayPutWhilePaging) {
    addSamples(120, "Sample");
    startApp();
    reveal();
    EXPECT_EQ(titles(kGenres), QStringList{"trap"});
    SVFilterChip* first = quick()->buttons(kGenres).front();
    browser()->nextPage();
    ASSERT_TRUE(waitFor([&] { return browser()->page() == 1; }));
    EXPECT_EQ(quick()->buttons(kGenres).front(), first) << "the same values keep their buttons";

    {
        sv::Database db(sv::Database::defaultPath());
        db.setFolderGenreOverride(libraryFolder.string(), "rnb", true);
    }
    browser()->refresh();
    EXPECT_EQ(titles(kGenres), (QStringList{"trap", "R&B"}));

    // Hidden rows wait and catch up when shown again.
    reveal();
    QApplication::setEffectEnabled(Qt::UI_General, false);
    quick()->toggleQuickFilters();
    EXPECT_TRUE(quick()->isHidden());
    {
        sv::Database db(sv::Database::defaultPath());
        db.setFolderGenreOverride(libraryFolder.string(), "rnb", false);
    }
    browser()->refresh();
    EXPECT_EQ(titles(kGenres), (QStringList{"trap", "R&B"}));
    quick()->toggleQuickFilters();
    EXPECT_EQ(titles(kGenres), QStringList{"trap"});
}

TEST_F(QuickFilterTest, ToggleSlidesAndFadesOrSwitchesAtOnceWithoutAnimations) {
    addSamples(3);
    startApp();
    QPushButton* toggle = quick()->quickFilterButton();
    EXPECT_EQ(toggle->text(), QStringLiteral("Quick Filter  ▼"));
    EXPECT_EQ(toggle->toolTip(), QStringLiteral("Show the Genres and Instruments quick filters"));
    EXPECT_EQ(quick()->clearFiltersButton()->text(), QStringLiteral("Clear Filters"));

    QApplication::setEffectEnabled(Qt::UI_General, true);
    toggle->click();
    EXPECT_TRUE(quick()->quickFiltersRevealed());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(quick()->quickFilterMotionGeneration(), 1u);
    EXPECT_TRUE(quick()->moving());
    EXPECT_NE(quick()->graphicsEffect(), nullptr);
    EXPECT_LT(quick()->maximumHeight(), 30);
    ASSERT_TRUE(waitFor([&] { return !quick()->moving(); }, 2000));
    EXPECT_EQ(quick()->graphicsEffect(), nullptr) << "no effect once the rows stand still";
    EXPECT_TRUE(quick()->isVisible());
    EXPECT_GT(quick()->height(), 40);

    // Turned back halfway: the newer motion wins and the rows end hidden.
    toggle->click();
    QTest::qWait(40);
    toggle->click();
    QTest::qWait(20);
    toggle->click();
    EXPECT_EQ(quick()->quickFilterMotionGeneration(), 4u);
    ASSERT_TRUE(waitFor([&] { return !quick()->moving(); }, 2000));
    EXPECT_FALSE(quick()->quickFiltersRevealed());
    EXPECT_TRUE(quick()->isHidden());
    EXPECT_FALSE(toggle->isChecked());

    QApplication::setEffectEnabled(Qt::UI_General, false);
    toggle->click();
    EXPECT_FALSE(quick()->moving());
    EXPECT_TRUE(quick()->isVisible());
    EXPECT_EQ(quick()->graphicsEffect(), nullptr);
}

}  // namespace
}  // namespace svapp_test
