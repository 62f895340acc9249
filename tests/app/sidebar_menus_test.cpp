// The menus of the sidebar's own rows: folders of the outline, playlists and Favorites, opened
// by the pointer, the menu key and Shift+F10, and what they leave in the settings.
#include <sqlite3.h>

#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTest>

#include <fstream>

#include "app/menus/context_menus.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/results/results_browser.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_outline_model.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar_button.h"
#include "app/sidebar/sidebar_panel.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "core/catalogue/database.h"
#include "tests/app/menus_fixture.h"

namespace svapp_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class SidebarMenus : public MenusTest {
  protected:
    SVFolderOutline* outline() const { return controller->window()->sidebar()->folderOutline(); }
    QWidget* favoritesButton() const {
        return controller->window()->sidebar()->categoryButtons()->button(
            SVCategoryButtons::kFavorites);
    }
    // The outline row of a folder directly below the library's row, expanded first.
    QModelIndex folderRow(const QString& name) {
        SVFolderOutlineModel* model = outline()->outlineModel();
        const QModelIndex library = model->index(0, 0);
        outline()->expand(library);
        for (int row = 0; row < model->rowCount(library); ++row) {
            const QModelIndex index = model->index(row, 0, library);
            if (index.data().toString() == name)
                return index;
        }
        ADD_FAILURE() << "no folder row " << name.toStdString();
        return {};
    }
    QMenu* rightClick(QAbstractItemView* view, const QModelIndex& index) {
        const QPoint position = view->visualRect(index).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                                view->viewport()->mapToGlobal(position));
        QCoreApplication::sendEvent(view->viewport(), &event);
        return menus().openMenu();
    }
    static void pressShiftF10(QWidget* widget) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
        QCoreApplication::sendEvent(widget, &press);
    }
    static void pressMenuKey(QWidget* widget) {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
        QCoreApplication::sendEvent(widget, &event);
    }
    static QString launchKey(const char* key) {
        return SVSettings::open().value(QLatin1String(key)).toString();
    }
    // Every entry of the menu and of its submenus is named by its visible text.
    static void expectNamedByTheirTitles(QMenu* menu) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
        ASSERT_NE(accessible, nullptr);
        QStringList names;
        for (int i = 0; i < accessible->childCount(); ++i) {
            if (accessible->child(i)->role() != QAccessible::Separator)
                names << accessible->child(i)->text(QAccessible::Name);
        }
        QStringList titles;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            titles << QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
            if (action->menu())
                expectNamedByTheirTitles(action->menu());
        }
        EXPECT_EQ(names, titles);
    }
};

TEST_F(SidebarMenus, OutlineRowsOpenTheFolderMenuByPointerAndKeyboard) {
    writeWav("Kicks/Kick A.wav");
    writeWav("Kicks/Kick B.wav");
    writeWav("Snares/Snare A.wav");
    startWindow();
    scanLibrary();
    controller->reloadSidebars();
    const QString kicks = QString::fromStdString((libraryFolder / "Kicks").string());

    QMenu* menu = rightClick(outline(), folderRow("Kicks"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(describe(menu).mid(0, 2), (QStringList{"Open at Launch", "Add to Featured"}));
    expectNamedByTheirTitles(menu);
    choose(menu, "Open at Launch");
    EXPECT_EQ(launchKey("SVLaunchLocationKind"), QStringLiteral("folder"));
    EXPECT_EQ(launchKey("SVLaunchFolderPath"), kicks);

    menu = rightClick(outline(), folderRow("Kicks"));
    EXPECT_EQ(describe(menu).mid(0, 3),
              (QStringList{"✓ Open at Launch", "Add to Featured", "Clear Launch Location"}));

    // Shift+F10 and the menu key act on the current row, not the one clicked before.
    const QModelIndex snares = folderRow("Snares");
    outline()->setCurrentIndex(snares);
    QMenu* before = menus().openMenu();
    pressShiftF10(outline());
    menu = menus().openMenu();
    ASSERT_NE(menu, before);
    EXPECT_EQ(describe(menu).first(), QStringLiteral("Open at Launch"));
    choose(submenu(menu, "Mark Folder As"), "One Shot");
    EXPECT_EQ(rows("SELECT filename FROM samples WHERE type_override_source='folder'"),
              (Rows{{"Snare A.wav"}}));
    pressMenuKey(outline());
    ASSERT_NE(menus().openMenu(), nullptr);
    choose(submenu(menus().openMenu(), "Mark Instrument"), "Clap");
    EXPECT_EQ(rows("SELECT filename,instrument FROM samples WHERE "
                   "instrument_override_source='folder'"),
              (Rows{{"Snare A.wav", "Clap"}}));

    // Empty space below the rows opens nothing.
    before = menus().openMenu();
    const QPoint empty(5, outline()->viewport()->height() - 2);
    QContextMenuEvent nowhere(QContextMenuEvent::Mouse, empty,
                              outline()->viewport()->mapToGlobal(empty));
    QCoreApplication::sendEvent(outline()->viewport(), &nowhere);
    EXPECT_EQ(menus().openMenu(), before);
}

TEST_F(SidebarMenus, PlaylistRowsAndFavoritesOpenTheirMenusFromTheKeyboard) {
    writeWav("Loops/Loop A.wav");
    startWindow();
    scanLibrary();
    sv::Database& db = controller->database();
    db.createPlaylist("One");
    const std::int64_t two = db.createPlaylist("Two & Three");
    controller->reloadSidebars();
    SVPlaylistList* list = controller->playlists();
    ASSERT_EQ(list->count(), 2);

    list->setCurrentRow(1);
    pressMenuKey(list);
    QMenu* menu = menus().openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(describe(menu),
              (QStringList{"Open at Launch", "Add to Featured", "-", "Delete Playlist…"}));
    EXPECT_EQ(entry(menu, "Delete Playlist…")->data().toLongLong(), two);
    expectNamedByTheirTitles(menu);
    choose(menu, "Open at Launch");
    EXPECT_EQ(launchKey("SVLaunchLocationKind"), QStringLiteral("playlist"));
    EXPECT_EQ(launchKey("SVLaunchPlaylistID").toLongLong(), two);
    pressShiftF10(list);
    EXPECT_EQ(describe(menus().openMenu()).first(), QStringLiteral("✓ Open at Launch"));

    // Favorites: by the pointer, then Shift+F10 once a launch place is stored.
    QWidget* favorites = favoritesButton();
    const QPoint centre = favorites->rect().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, centre, favorites->mapToGlobal(centre));
    QCoreApplication::sendEvent(favorites, &click);
    menu = menus().openMenu();
    EXPECT_EQ(describe(menu), (QStringList{"Open at Launch", "Clear Launch Location"}));
    expectNamedByTheirTitles(menu);
    choose(menu, "Open at Launch");
    EXPECT_EQ(launchKey("SVLaunchLocationKind"), QStringLiteral("favorites"));
    EXPECT_FALSE(SVSettings::open().contains("SVLaunchPlaylistID"));
    pressShiftF10(favorites);
    menu = menus().openMenu();
    EXPECT_EQ(describe(menu), (QStringList{"✓ Open at Launch", "Clear Launch Location"}));
    choose(menu, "Clear Launch Location");
    const QSettings settings = SVSettings::open();
    for (const char* key : {"SVLaunchLocationKind", "SVLaunchFolderPath", "SVLaunchPlaylistID"})
        EXPECT_FALSE(settings.contains(QLatin1String(key))) << key;
    pressMenuKey(favorites);
    EXPECT_EQ(describe(menus().openMenu()), QStringList{"Open at Launch"});
}

TEST_F(SidebarMenus, AScanThatEndsDuringTheConfirmationChangesOnlyTheFolderChosen) {
    writeWav("Loose/Loose A.wav");
    startWindow();
    scanLibrary();
    // 500 catalogued rows in a pack of a second library.
    const std::filesystem::path drive = home->root() / "Drive";
    const std::filesystem::path pack = drive / "Pack";
    std::filesystem::create_directories(pack);
    sv::Database& db = controller->database();
    const std::int64_t library = db.addLibrary(drive.string());
    std::vector<sv::Sample> samples;
    for (int i = 0; i < 500; ++i) {
        sv::Sample sample;
        sample.filename = "Hit " + std::to_string(i) + ".wav";
        sample.path = (pack / sample.filename).string();
        sample.type = sv::SampleType::Loop;
        sample.autoDetectedType = sample.type;
        samples.push_back(sample);
    }
    db.upsert(samples, library);
    controller->reloadSidebars();

    QMenu* menu = menus().openFolderMenu(pack.string(), QPoint(5, 5));
    controller->menus()->organising().setAlertRunner([&](const SVAlert& alert) {
        alerts.push_back(alert);
        writeWav("Loose/Loose B.wav");
        scanLibrary();
        return SVAlertAnswer{0, {}};
    });
    choose(submenu(menu, "Mark Folder As"), "One Shot");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Update 500 samples?"));
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE path LIKE '%/Loose/%'"), 2);
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type_override_source='folder'"), 500);
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE path LIKE '%/Loose/%' AND "
                     "type_override_source IS NOT NULL"),
              0);
}

TEST_F(SidebarMenus, ACatalogueFailureWhileTheMenuIsBuiltOrChosenIsShownNotThrown) {
    writeWav("Kicks/Kick A.wav");
    startWindow();
    scanLibrary();
    const std::string kicks = (libraryFolder / "Kicks").string();
    {
        // The genre rows vanish behind the window's back: reading them fails from now on.
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(home->catalogue().c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE sample_genres RENAME TO sample_genres_gone",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    QMenu* menu = menus().openFolderMenu(kicks, QPoint(5, 5));
    ASSERT_NE(menu, nullptr);
    const QStringList genres = describe(submenu(menu, "Mark Genres"));
    EXPECT_EQ(genres.size(), 14);
    EXPECT_TRUE(genres.filter(QStringLiteral("✓")).isEmpty());
    choose(submenu(menu, "Mark Genres"), "trap");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Couldn’t update folder genres"));
    EXPECT_FALSE(alerts[0].informativeText.isEmpty());
}

}  // namespace
}  // namespace svapp_test
