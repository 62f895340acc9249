#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <set>

#include "app/filters/custom_bpm_alert.h"
#include "app/filters/filter_bar.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_choices.h"
#include "app/filters/filter_suggestions.h"
#include "app/filters/quick_filters.h"
#include "app/results/results_browser.h"
#include "app/window/main_window.h"
#include "tests/app/filter_fixture.h"

namespace svapp_test {
namespace {

using namespace SVFilterChoices;

// One sample per situation the chips must tell apart.
const std::vector<FilterSample> kCatalogue = {
    {"Drums/Kick 808.wav", "One Shot", "Kick", "Trap", "None", std::nullopt},
    {"Drums/Snare Tight.wav", "One Shot", "Snare", "house", "Unknown", std::nullopt},
    {"Drums/HiHat Closed.wav", "One Shot", "HiHat", "trap", "", std::nullopt, true},
    {"Loops/Bass 90 Am.wav", "Loop", "Bass", "Hip Hop", "A minor", 90},
    {"Loops/Keys 92 Am.wav", "Loop", "Keys", "rnb", "Am", 92},
    {"Loops/Pad 130 C.wav", "Loop", "Pad", "Unknown", "C maj", 130},
    {"Loops/Lead 140 F#m.wav", "Loop", "Unknown", "None", "F# minor", 140, true},
    {"Loops/Odd Key 100.wav", "Loop", "Synth", "pop", "major", 100},
    {"Loops/Hats 170.wav", "Loop", "Hats", "trap", "D", 170},
    {"MIDI/Chords Am.mid", "MIDI", "Piano", "soul", "A min", 120},
};

class FilterBarTest : public FilterTest {
  protected:
    void startWithCatalogue() {
        addCatalogue(kCatalogue);
        startApp();
    }

    // Moves the browser to a place as the sidebar does.
    void goTo(const SVBrowseScope& scope) {
        refreshAfter([&] {
            browser()->setScope(scope);
            bar()->updateFilterContext();
            browser()->resetPageAndRefresh();
        });
    }

    // The values a chip offers when pressed: its list or the enabled items of its menu.
    QStringList offered(int chip) {
        bar()->filterPressed(chip);
        QStringList values;
        if (SVFilterSuggestions* list = bar()->filterPopover()) {
            values = list->choices();
            list->close();
        } else if (QMenu* menu = bar()->filterMenu()) {
            for (QAction* item : menu->actions()) {
                if (item->isEnabled())
                    values << item->text();
            }
            menu->close();
        }
        QCoreApplication::processEvents();
        values.removeAll(QStringLiteral("All"));
        values.removeAll(QString::fromUtf8(kCustomBpm));
        return values;
    }

    std::int64_t countWith(int chip, const QString& value) {
        sv::SearchQuery query = bar()->contextQuery();
        if (chip == kInstruments)
            query.instrument = value.toStdString();
        else if (chip == kBpm)
            query.bpm = value.toInt();
        else if (chip == kKey)
            query.key = value.toStdString();
        else if (chip == kGenres)
            query.genres = {value.toStdString()};
        return controller->database().countMatching(query);
    }

    bool visible(int chip) { return !bar()->filter(chip)->isHidden(); }
};

TEST_F(FilterBarTest, ChipsStartAtAllWithTheirNamesAndResetButtons) {
    startWithCatalogue();
    const char* names[] = {"Type", "Instruments", "BPM", "Key", "Genres"};
    for (int chip = 0; chip < kChipCount; ++chip) {
        SCOPED_TRACE(chip);
        SVFilterChip* filter = bar()->filter(chip);
        EXPECT_EQ(filter->filterName(), QString::fromLatin1(names[chip]));
        EXPECT_EQ(filter->selectedValue(), QStringLiteral("All"));
        EXPECT_EQ(filter->title(), filter->filterName());
        EXPECT_EQ(filter->accessibleName(), filter->filterName());
        EXPECT_FALSE(filter->appearanceSelected());
        EXPECT_EQ(filter->choices().first(), QStringLiteral("All"));
        EXPECT_EQ(filter->tag(), chip);
        ASSERT_NE(filter->resetButton(), nullptr);
        EXPECT_TRUE(filter->resetButton()->isHidden());
        EXPECT_EQ(filter->resetButton()->toolTip(), QStringLiteral("Clear ") + names[chip]);
        EXPECT_EQ(filter->resetButton()->accessibleName(), filter->resetButton()->toolTip());
    }
    EXPECT_EQ(bar()->filter(kBpm)->choices().size(), 18);
    EXPECT_EQ(bar()->filter(kBpm)->choices().last(), QString::fromUtf8(kCustomBpm));
    EXPECT_EQ(bar()->filter(kKey)->choices().size(), 25);
    EXPECT_EQ(bar()->filter(kInstruments)->choices().size(), 21);
    EXPECT_EQ(bar()->filter(kGenres)->choices().size(), 15);
}

TEST_F(FilterBarTest, ChipsShownByCategoryAndTheTypeChipNever) {
    startWithCatalogue();
    struct Case {
        const char* section;
        bool instruments, bpm, key;
    };
    for (const Case& c : {Case{"", true, true, true}, Case{"Loop", true, true, true},
                          Case{"One Shot", true, false, false}, Case{"MIDI", false, true, true}}) {
        SCOPED_TRACE(c.section);
        SVBrowseScope scope;
        scope.sectionType = c.section;
        goTo(scope);
        EXPECT_FALSE(visible(kType));
        EXPECT_EQ(visible(kInstruments), c.instruments);
        EXPECT_EQ(visible(kBpm), c.bpm);
        EXPECT_EQ(visible(kKey), c.key);
        EXPECT_TRUE(visible(kGenres));
    }
    SVBrowseScope libraries;
    libraries.libraryMode = true;
    goTo(libraries);
    EXPECT_TRUE(bar()->isHidden()) << "the library list has nothing to narrow";
    goTo({});
    EXPECT_TRUE(bar()->isVisible());
}

TEST_F(FilterBarTest, ChosenValueShowsOnTheChipAndNarrowsTheResults) {
    startWithCatalogue();
    SVFilterChip* instruments = bar()->filter(kInstruments);
    refreshAfter([&] { bar()->filterChosen(kInstruments, QStringLiteral("Bass")); });
    EXPECT_EQ(instruments->selectedValue(), QStringLiteral("Bass"));
    EXPECT_EQ(instruments->title(), QStringLiteral("Bass    "));
    EXPECT_EQ(instruments->accessibleName(), QStringLiteral("Bass"));
    EXPECT_TRUE(instruments->appearanceSelected());
    EXPECT_FALSE(instruments->resetButton()->isHidden());
    EXPECT_EQ(browser()->query().instrument, "Bass");
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Bass 90 Am.wav"});

    refreshAfter([&] { instruments->resetButton()->click(); });
    EXPECT_EQ(instruments->selectedValue(), QStringLiteral("All"));
    EXPECT_EQ(instruments->title(), QStringLiteral("Instruments"));
    EXPECT_TRUE(instruments->resetButton()->isHidden());
    EXPECT_TRUE(browser()->query().instrument.empty());
    EXPECT_EQ(browser()->rows().size(), 9u);
}

TEST_F(FilterBarTest, SuggestionListNarrowsChecksTheValueAndChooses) {
    startWithCatalogue();
    bar()->filterPressed(kGenres);
    SVFilterSuggestions* list = bar()->filterPopover();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->size(), QSize(270, 310));
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Genres suggestions"));
    EXPECT_EQ(list->searchField()->placeholderText(), QStringLiteral("Search genres…"));
    // MIDI is hidden in All Samples, so "soul" is not offered; "Unknown" and "None" never are.
    EXPECT_EQ(list->choices(),
              (QStringList{"All", "Hip Hop", "house", "pop", "rnb", "Trap", "trap"}));
    EXPECT_EQ(list->table()->count(), 7);
    EXPECT_EQ(list->table()->item(0)->text(), QStringLiteral("All"));
    EXPECT_FALSE(list->table()->item(0)->icon().isNull()) << "checkmark on the current value";
    EXPECT_EQ(list->table()->item(0)->data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Current value"));

    QTest::keyClicks(list->searchField(), QStringLiteral("TR"));
    EXPECT_EQ(list->visibleChoices(), (QStringList{"Trap", "trap"}));
    EXPECT_EQ(list->table()->count(), 2);
    list->searchField()->clear();
    EXPECT_EQ(list->table()->count(), 7);
    QTest::keyClicks(list->searchField(), QStringLiteral("hop"));
    refreshAfter([&] { QTest::keyClick(list->searchField(), Qt::Key_Return); });
    EXPECT_EQ(bar()->filterPopover(), nullptr);
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("Hip Hop"));
    EXPECT_EQ(bar()->selectedGenres(), (std::set<std::string>{"Hip Hop"}));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Bass 90 Am.wav"});

    // Opened again, the list marks the chosen value; a click on a row chooses it.
    bar()->filterPressed(kGenres);
    list = bar()->filterPopover();
    ASSERT_NE(list, nullptr);
    const int chosen = static_cast<int>(list->choices().indexOf(QStringLiteral("Hip Hop")));
    EXPECT_FALSE(list->table()->item(chosen)->icon().isNull());
    EXPECT_TRUE(list->table()->item(chosen + 1)->data(Qt::AccessibleDescriptionRole).isNull());
    const int pop = static_cast<int>(list->choices().indexOf(QStringLiteral("pop")));
    const QRect row = list->table()->visualItemRect(list->table()->item(pop));
    refreshAfter(
        [&] { QTest::mouseClick(list->table()->viewport(), Qt::LeftButton, {}, row.center()); });
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("pop"));
}

TEST_F(FilterBarTest, SuggestionListWorksFromTheKeyboard) {
    startWithCatalogue();
    bar()->filterPressed(kInstruments);
    SVFilterSuggestions* list = bar()->filterPopover();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->searchField()->placeholderText(), QStringLiteral("Search instruments…"));
    EXPECT_TRUE(list->searchField()->hasFocus());
    QTest::keyClick(list->searchField(), Qt::Key_Down);
    EXPECT_TRUE(list->table()->hasFocus());
    QTest::keyClick(list->table(), Qt::Key_Down);
    QTest::keyClick(list->table(), Qt::Key_Down);
    const QString third = list->visibleChoices().at(2);
    refreshAfter([&] { QTest::keyClick(list->table(), Qt::Key_Return); });
    EXPECT_EQ(bar()->filter(kInstruments)->selectedValue(), third);

    bar()->filterPressed(kInstruments);
    list = bar()->filterPopover();
    ASSERT_NE(list, nullptr);
    QTest::keyClick(list->searchField(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar()->filterPopover(), nullptr);
    EXPECT_EQ(bar()->filter(kInstruments)->selectedValue(), third);
}

TEST_F(FilterBarTest, KeyMenuOffersEachCompactKeyOnceAndChecksTheValue) {
    startWithCatalogue();
    bar()->filterPressed(kKey);
    QMenu* menu = bar()->filterMenu();
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* item : menu->actions())
        items << item->text();
    // 'A minor' and 'Am' share 'Am'; 'major' has no compact form; blanks, None, Unknown left out.
    EXPECT_EQ(items, (QStringList{"All", "Am", "CMAJ", "D", "F#m"}));
    EXPECT_TRUE(menu->actions().first()->isChecked());
    const QPoint chipBottom =
        bar()->filter(kKey)->mapToGlobal(QPoint(0, bar()->filter(kKey)->height()));
    EXPECT_EQ(menu->pos(), chipBottom + QPoint(0, 4)) << "4 points below the chip";

    refreshAfter([&] { menu->actions().at(1)->trigger(); });
    EXPECT_EQ(bar()->filter(kKey)->selectedValue(), QStringLiteral("Am"));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Bass 90 Am.wav", "Keys 92 Am.wav"}));
    bar()->filterPressed(kKey);
    menu = bar()->filterMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions().first()->isChecked());
    EXPECT_TRUE(menu->actions().at(1)->isChecked());
    menu->close();
}

TEST_F(FilterBarTest, CustomTempoAcceptsWholeNumbersFrom20To300AndBeepsOtherwise) {
    startWithCatalogue();
    int beeps = 0;
    bar()->setBeep([&] { ++beeps; });
    std::optional<QString> entry;
    bar()->setCustomBpmPrompt([&] { return entry; });
    struct Case {
        std::optional<QString> text;
        QString shown;  // the chip afterwards
        int beeps;
    };
    const Case cases[] = {
        {QStringLiteral("19"), QStringLiteral("All"), 1},
        {QStringLiteral("abc"), QStringLiteral("All"), 1},
        {QStringLiteral("301"), QStringLiteral("All"), 1},
        {QStringLiteral("12.5"), QStringLiteral("All"), 1},
        {QString(), QStringLiteral("All"), 1},
        {std::nullopt, QStringLiteral("All"), 0},  // Cancel
        {QStringLiteral("300"), QStringLiteral("300"), 0},
        {QStringLiteral(" 20 "), QStringLiteral("20"), 0},
        {QStringLiteral("87"), QStringLiteral("87"), 0},
        {QStringLiteral("-5"), QStringLiteral("87"), 1},  // a refused entry keeps the tempo
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.value_or(QStringLiteral("<cancel>")).toStdString());
        beeps = 0;
        entry = c.text;
        const std::uint64_t before = browser()->queryGeneration();
        bar()->filterChosen(kBpm, QString::fromUtf8(kCustomBpm));
        QTest::qWait(20);
        EXPECT_EQ(beeps, c.beeps);
        EXPECT_EQ(bar()->filter(kBpm)->selectedValue(), c.shown);
        const bool accepted = c.beeps == 0 && c.text;
        EXPECT_EQ(browser()->queryGeneration() > before, accepted);
    }
    // 87 ± 10 BPM: the 90 and 92 loops.
    EXPECT_EQ(browser()->query().bpm, 87);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Bass 90 Am.wav", "Keys 92 Am.wav"}));
}

TEST_F(FilterBarTest, CustomTempoAlertAppliesWhatIsTyped) {
    startWithCatalogue();
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* alert = qobject_cast<SVCustomBpmAlert*>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        seen = alert->windowTitle();
        EXPECT_EQ(alert->field()->text(), QStringLiteral("120"));
        EXPECT_EQ(alert->applyButton()->text(), QStringLiteral("Apply"));
        EXPECT_EQ(alert->cancelButton()->text(), QStringLiteral("Cancel"));
        alert->field()->setText(QStringLiteral("140"));
        alert->applyButton()->click();
    });
    refreshAfter([&] { bar()->filterChosen(kBpm, QString::fromUtf8(kCustomBpm)); });
    EXPECT_EQ(seen, QStringLiteral("Custom BPM"));
    EXPECT_EQ(bar()->filter(kBpm)->selectedValue(), QStringLiteral("140"));
    EXPECT_EQ(bar()->filter(kBpm)->title(), QStringLiteral("140    "));
}

TEST_F(FilterBarTest, TempoChosenEarlierStillNarrowsOneShotsWhileHidden) {
    addCatalogue({{"Loops/Loop 120.wav", "Loop", "Bass", "trap", "A min", 120},
                  {"Shots/Shot 118.wav", "One Shot", "Kick", "trap", "None", 118},
                  {"Shots/Shot 60.wav", "One Shot", "Kick", "trap", "None", 60},
                  {"Shots/Shot none.wav", "One Shot", "Kick", "trap", "None", std::nullopt}});
    startApp();
    refreshAfter([&] { bar()->filterChosen(kBpm, QStringLiteral("120")); });
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Loop 120.wav", "Shot 118.wav"}));
    SVBrowseScope oneShots;
    oneShots.sectionType = "One Shot";
    goTo(oneShots);
    EXPECT_FALSE(visible(kBpm));
    EXPECT_EQ(bar()->filter(kBpm)->selectedValue(), QStringLiteral("120"));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Shot 118.wav"});
    // Only the user resets a chip: places come and go, the values stay.
    goTo({});
    EXPECT_TRUE(visible(kBpm));
    EXPECT_EQ(bar()->filter(kBpm)->selectedValue(), QStringLiteral("120"));
}

TEST_F(FilterBarTest, ChipsNeverOfferAValueThatFindsNothingInThePlace) {
    startWithCatalogue();
    SVBrowseScope drums;
    drums.folderScope = folderPath("Drums");
    SVBrowseScope loops;
    loops.sectionType = "Loop";
    SVBrowseScope favourites;
    favourites.favoriteMode = true;
    SVBrowseScope midi;
    midi.sectionType = "MIDI";
    int checked = 0;
    for (const SVBrowseScope& place : {SVBrowseScope{}, drums, loops, favourites, midi}) {
        SCOPED_TRACE(place.folderScope + "|" + place.sectionType +
                     (place.favoriteMode ? "|favourites" : ""));
        goTo(place);
        for (int chip = kInstruments; chip < kChipCount; ++chip) {
            if (!visible(chip))
                continue;
            for (const QString& value : offered(chip)) {
                SCOPED_TRACE(chip);
                EXPECT_GT(countWith(chip, value), 0) << value.toStdString();
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 30);
    // Spot checks of what is left out: tempos without samples near them, an instrument whose
    // normalised name is absent from the place.
    goTo({});
    EXPECT_FALSE(offered(kBpm).contains(QStringLiteral("50")));
    EXPECT_TRUE(offered(kBpm).contains(QStringLiteral("180")));
    EXPECT_TRUE(offered(kInstruments).contains(QStringLiteral("Hats")));
    goTo(loops);
    EXPECT_FALSE(offered(kInstruments).contains(QStringLiteral("Hats")));
    EXPECT_TRUE(offered(kInstruments).contains(QStringLiteral("Bass")));
}

TEST_F(FilterBarTest, GenreChipFindsEveryCaseSpellingOfItsValue) {
    startWithCatalogue();
    for (const char* spelling : {"Trap", "trap", "TRAP"}) {
        SCOPED_TRACE(spelling);
        refreshAfter([&] { bar()->filterChosen(kGenres, QString::fromLatin1(spelling)); });
        EXPECT_EQ(shownNames(),
                  (std::vector<std::string>{"Hats 170.wav", "HiHat Closed.wav", "Kick 808.wav"}));
    }
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("TRAP"));
}

TEST_F(FilterBarTest, ClearFiltersKeepsSortSearchTextAndPlace) {
    startWithCatalogue();
    SVBrowseScope loops;
    loops.sectionType = "Loop";
    goTo(loops);
    browser()->filenameSortPressed();
    browser()->searchField()->setText(QStringLiteral("a"));
    refreshAfter([&] { bar()->filterChosen(kInstruments, QStringLiteral("Keys")); });
    refreshAfter([&] { bar()->filterChosen(kGenres, QStringLiteral("rnb")); });
    refreshAfter([&] { bar()->filterChosen(kKey, QStringLiteral("Am")); });
    refreshAfter([&] { bar()->filterChosen(kBpm, QStringLiteral("90")); });
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Keys 92 Am.wav"});
    refreshAfter([&] { bar()->clearFilters(); });
    for (SVFilterChip* chip : bar()->filters())
        EXPECT_EQ(chip->selectedValue(), QStringLiteral("All"));
    EXPECT_TRUE(bar()->selectedGenres().empty());
    const sv::SearchQuery query = browser()->query();
    EXPECT_TRUE(query.sortByName);
    EXPECT_EQ(query.text, "a");
    EXPECT_EQ(query.type, "Loop");
    EXPECT_TRUE(query.instrument.empty() && query.key.empty() && query.genres.empty());
    EXPECT_FALSE(query.bpm);
}

TEST_F(FilterBarTest, CatalogueErrorsInTheSlotsReachTheStatusLine) {
    startWithCatalogue();
    QApplication::setEffectEnabled(Qt::UI_General, false);
    bar()->quickFilters()->toggleQuickFilters();
    QApplication::setEffectEnabled(Qt::UI_General, true);
    {
        sv::Database other(sv::Database::defaultPath());
        other.exec("ALTER TABLE sample_genres RENAME TO genres_elsewhere");
    }
    bar()->filterPressed(kGenres);
    EXPECT_EQ(bar()->filterPopover(), nullptr);
    EXPECT_TRUE(browser()->statusText().contains(QStringLiteral("sample_genres")))
        << browser()->statusText().toStdString();

    // A refresh whose quick filters fail shows the error and keeps the rows it had.
    browser()->setStatusText({});
    const std::size_t rows = browser()->rows().size();
    browser()->refresh();
    EXPECT_TRUE(browser()->statusText().contains(QStringLiteral("sample_genres")));
    EXPECT_EQ(browser()->rows().size(), rows);

    browser()->setStatusText({});
    bar()->quickFilters()->toggleQuickFilters();
    bar()->quickFilters()->toggleQuickFilters();
    EXPECT_TRUE(browser()->statusText().contains(QStringLiteral("sample_genres")));
}

TEST_F(FilterBarTest, ChipsWrapOverLinesWhenNarrowInBothLayouts) {
    startWithCatalogue();
    refreshAfter([&] { bar()->filterChosen(kGenres, QStringLiteral("Hip Hop")); });
    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        controller->switchLayout(mode);
        QCoreApplication::processEvents();
        EXPECT_EQ(bar()->chipLineCount(), 1);
        for (int width : {1400, 420, 260}) {
            SCOPED_TRACE(width);
            bar()->chipRow()->resize(width, bar()->chipRow()->height());
            bar()->chipRow()->layout()->setGeometry(QRect(0, 0, width, 400));
            std::vector<QRect> placed;
            for (QWidget* child :
                 bar()->chipRow()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (child->isHidden())
                    continue;
                const QRect box = child->geometry();
                EXPECT_GE(box.left(), 0);
                EXPECT_LE(box.right(), std::max(width - 1, box.width() - 1));
                for (const QRect& other : placed)
                    EXPECT_FALSE(box.intersects(other));
                placed.push_back(box);
            }
            EXPECT_EQ(placed.size(), 5u) << "four chips and the quick filter button";
            if (width == 1400)
                EXPECT_EQ(bar()->chipRow()->layout()->heightForWidth(width), 30);
            else
                EXPECT_GT(bar()->chipRow()->layout()->heightForWidth(width), 60);
        }
    }
}

TEST_F(FilterBarTest, ControlsAreNamedByTheirVisibleText) {
    startWithCatalogue();
    refreshAfter([&] { bar()->filterChosen(kInstruments, QStringLiteral("Keys")); });
    bar()->quickFilters()->toggleQuickFilters();
    for (SVFilterChip* chip : bar()->filters()) {
        EXPECT_EQ(chip->accessibleName(), chip->title().trimmed());
        EXPECT_FALSE(chip->accessibleDescription().isEmpty());
        EXPECT_EQ(chip->resetButton()->accessibleName(), chip->resetButton()->toolTip());
    }
    for (int chip : {kGenres, kInstruments}) {
        for (SVFilterChip* button : bar()->quickFilters()->buttons(chip)) {
            EXPECT_FALSE(button->accessibleName().isEmpty());
            EXPECT_EQ(button->accessibleName(), button->title());
        }
    }
    EXPECT_EQ(bar()->quickFilters()->quickFilterButton()->accessibleName().isEmpty() &&
                  bar()->quickFilters()->quickFilterButton()->text().isEmpty(),
              false);
    bar()->filterPressed(kGenres);
    SVFilterSuggestions* list = bar()->filterPopover();
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->searchField()->accessibleName().isEmpty());
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Genres suggestions"));
    list->close();
}

}  // namespace
}  // namespace svapp_test
