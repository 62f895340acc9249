// The menu of the result rows: what it offers for the chosen rows, the type marks it applies,
// and that it acts on the rows chosen when it opened.
#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTest>

#include "app/menus/context_menus.h"
#include "app/menus/location_actions.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "core/catalogue/database.h"
#include "tests/app/menus_fixture.h"

namespace svapp_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class RowMenu : public MenusTest {
  protected:
    // Three loops and two MIDI files, scanned; two playlists.
    void startWithKit() {
        writeWav("Drums/Kick A.wav");
        writeWav("Drums/Kick B.wav");
        writeWav("Drums/Kick C.wav");
        writeMidi("Keys/Chords.mid");
        writeMidi("Keys/Stabs.MIDI");
        startWindow();
        scanLibrary();
        controller->database().createPlaylist("Beats");
        controller->database().createPlaylist("R&B Vocals");
        controller->reloadSidebars();
        browser()->refresh();
        ASSERT_EQ(browser()->rows().size(), 3u);
    }
    SVResultsBrowser* browser() const { return controller->browser(); }
    Rows typeColumns() const {
        return rows(
            "SELECT filename,type,coalesce(user_type_override,'-'),"
            "coalesce(type_override_source,'-') FROM samples ORDER BY filename");
    }
};

TEST_F(RowMenu, RightClickOnAnUnselectedRowChoosesItAlone) {
    startWithKit();
    browser()->table()->selectRows({0, 1});
    QMenu* menu = rightClickRow(2);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(browser()->table()->selectedRows(), (std::set<int>{2}));
    EXPECT_EQ(describe(menu),
              (QStringList{"Show in File Manager", "-", "Mark as Loop", "Mark as One Shot",
                           "(off) Mark as MIDI", "Use Auto Classification", "-", "Beats",
                           "R&B Vocals", "New Playlist…"}));
    EXPECT_EQ(entry(menu, "Mark as One Shot")->data().toString(), QStringLiteral("One Shot"));
    EXPECT_EQ(entry(menu, "R&B Vocals")->data().toLongLong(),
              controller->database().playlists()[1].id);

    // Every entry is named by its visible text, "&" included.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(accessible, nullptr);
    QStringList names;
    for (int i = 0; i < accessible->childCount(); ++i) {
        if (accessible->child(i)->role() != QAccessible::Separator)
            names << accessible->child(i)->text(QAccessible::Name);
    }
    QStringList titles = describe(menu).filter(QRegularExpression("^[^-]"));
    titles.replaceInStrings("(off) ", "");
    EXPECT_EQ(names, titles);

    choose(menu, "Mark as One Shot");
    const std::string chosen = browser()->rows()[2].filename;
    for (const auto& row : typeColumns()) {
        if (row[0] == chosen)
            EXPECT_EQ(row, (std::vector<std::string>{chosen, "One Shot", "One Shot", "sample"}));
        else
            EXPECT_EQ(row[2], "-") << row[0];
    }
    EXPECT_TRUE(alerts.empty());
}

TEST_F(RowMenu, RightClickInsideTheSelectionKeepsItAndMidiNeedsMidiFilesOnly) {
    startWithKit();
    browser()->table()->selectRows({0, 2});
    QMenu* menu = rightClickRow(2);
    EXPECT_EQ(browser()->table()->selectedRows(), (std::set<int>{0, 2}));
    choose(menu, "Mark as Loop");
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type_override_source='sample'"), 2);

    // The MIDI category: .mid and .MIDI files may be marked as MIDI.
    SVBrowseScope midi;
    midi.sectionType = "MIDI";
    browser()->setScope(midi);
    browser()->refresh();
    ASSERT_EQ(browser()->rows().size(), 2u);
    browser()->table()->selectRows({0, 1});
    menu = rightClickRow(0);
    EXPECT_TRUE(entry(menu, "Mark as MIDI")->isEnabled());
    choose(menu, "Mark as Loop");
    browser()->setScope({});
    browser()->refresh();
    ASSERT_EQ(browser()->rows().size(), 5u);

    // A .wav and a .mid chosen together: MIDI is off.
    std::set<int> mixed;
    for (int row = 0; row < 5; ++row) {
        const std::string& name = browser()->rows()[static_cast<std::size_t>(row)].filename;
        if (name == "Chords.mid" || name == "Kick A.wav")
            mixed.insert(row);
    }
    browser()->table()->selectRows(mixed);
    menu = rightClickRow(*mixed.begin());
    EXPECT_FALSE(entry(menu, "Mark as MIDI")->isEnabled());
}

TEST_F(RowMenu, TypeMarksSurviveARescanAndAutoClassificationReturns) {
    startWithKit();
    const Rows before = typeColumns();
    browser()->table()->selectRows({0, 1});
    choose(rightClickRow(0), "Mark as One Shot");
    scanLibrary();
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type='One Shot' AND "
                     "user_type_override='One Shot' AND type_override_source='sample'"),
              2);
    browser()->table()->selectRows({0, 1, 2});
    choose(rightClickRow(0), "Use Auto Classification");
    EXPECT_EQ(typeColumns(), before);
}

TEST_F(RowMenu, AudioMarkedAsMidiRollsBackAndSaysSo) {
    startWithKit();
    const Rows before = typeColumns();
    const std::vector<std::int64_t> ids{idOf("Chords.mid"), idOf("Kick A.wav")};
    EXPECT_FALSE(controller->menus()->organising().applyTypeOverride(ids, sv::SampleType::Midi));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Couldn’t change sample type"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("Only .mid and .midi files can be marked as MIDI"));
    EXPECT_EQ(typeColumns(), before);
}

TEST_F(RowMenu, TheMenuActsOnTheRowsChosenWhenItOpenedThoughAScanReplacesThem) {
    startWithKit();
    QMenu* menu = rightClickRow(1);
    const std::int64_t chosen = browser()->rows()[1].id;
    const QPointer<QMenu> open(menu);

    // New files sort first; the scan's end refreshes the page under the open menu.
    writeWav("Drums/A First.wav");
    writeWav("Drums/A Second.wav");
    scanLibrary();
    ASSERT_NE(browser()->rows()[1].id, chosen);
    ASSERT_TRUE(open);
    choose(menu, "Mark as One Shot");
    EXPECT_EQ(rows("SELECT id FROM samples WHERE user_type_override IS NOT NULL"),
              (Rows{{std::to_string(chosen)}}));

    // A chosen sample whose file went away is skipped without an alert.
    menu = rightClickRow(0);
    const std::int64_t gone = browser()->rows()[0].id;
    std::filesystem::remove(browser()->rows()[0].path);
    scanLibrary();
    choose(menu, "Mark as Loop");
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE id=" + std::to_string(gone)), 0);
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE user_type_override='Loop'"), 0);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(RowMenu, MenuKeyAndShiftF10OpenTheMenuOnTheSelectedRows) {
    startWithKit();
    SVResultsTable* table = browser()->table();
    table->selectRows({1, 2});
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QCoreApplication::sendEvent(table, &menuKey);
    QMenu* menu = menus().openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(describe(menu).first(), QStringLiteral("Show in File Manager"));
    EXPECT_EQ(table->selectedRows(), (std::set<int>{1, 2}));

    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QCoreApplication::sendEvent(table, &shiftF10);
    ASSERT_NE(menus().openMenu(), menu);
    choose(menus().openMenu(), "Mark as Loop");
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE user_type_override='Loop'"), 2);

    // Nothing chosen: no menu.
    table->selectRows({});
    QKeyEvent again(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QCoreApplication::sendEvent(table, &again);
    EXPECT_EQ(menus().openMenu(), nullptr);
}

TEST_F(RowMenu, LibraryRowsOfferOnlyTheirFolder) {
    startWithKit();
    QStringList shown;
    controller->menus()->locations().setFileManager(
        [&shown](const QStringList& uris, std::function<void(bool)> done) {
            shown = uris;
            done(true);
        },
        [](const QString&) { return true; });
    SVBrowseScope libraries;
    libraries.libraryMode = true;
    browser()->setScope(libraries);
    browser()->refresh();
    QMenu* menu = rightClickRow(0);
    EXPECT_EQ(describe(menu), (QStringList{"Show in File Manager", "-"}));
    choose(menu, "Show in File Manager");
    EXPECT_EQ(shown, QStringList{QUrl::fromLocalFile(QString::fromStdString(libraryFolder.string()))
                                     .toString(QUrl::FullyEncoded)});
}

}  // namespace
}  // namespace svapp_test
