// The sidebar's places: type and navigation buttons, the folder outline, the playlists, the
// launch location, and what every change of place does to the results and the player.
#include <QAbstractItemModel>
#include <QImage>
#include <QSettings>
#include <QTest>

#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/sidebar/breadcrumbs.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_outline_model.h"
#include "app/sidebar/launch_location.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_button.h"
#include "app/sidebar/sidebar_navigation.h"
#include "app/window/layout_modes.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/sidebar_fixture.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

class Sidebar : public SidebarTest {
  protected:
    // Kicks: 3 loops and 2 one-shots; Snares: 2 favourite loops; Keys: 2 MIDI files.
    void addDrums(const fs::path& root) {
        addLibrary(root, {{"Drums/Kicks", 3, "Loop"},
                          {"Drums/Kicks/Shots", 2, "One Shot"},
                          {"Drums/Snares", 2, "Loop", true},
                          {"Keys", 2, "MIDI"}});
    }
};

QStringList topLevelNames(const QAbstractItemModel& model) {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, 0).data().toString();
    return names;
}

TEST_F(Sidebar, TypeButtonsToggleAndNarrowTheCurrentPlace) {
    addDrums(libraryFolder);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    EXPECT_EQ(litButtons(), std::vector<int>{0});
    EXPECT_EQ(matches(), 7);  // MIDI files stay out of All Samples

    // Loops twice: the type comes and goes, and "All Samples" lights again.
    navigation().sidebar(1);
    settle();
    EXPECT_EQ(browser->scope().sectionType, "Loop");
    EXPECT_EQ(litButtons(), std::vector<int>{1});
    EXPECT_EQ(matches(), 5);
    navigation().sidebar(1);
    settle();
    EXPECT_EQ(browser->scope().sectionType, "");
    EXPECT_EQ(litButtons(), std::vector<int>{0});

    // A type chosen in a folder keeps the folder; toggled off, "All Samples" stays dark.
    const std::string kicks = (libraryFolder / "Drums/Kicks").string();
    ASSERT_TRUE(navigation().selectFolderPath(kicks));
    settle();
    EXPECT_EQ(browser->scope().folderScope, kicks);
    EXPECT_EQ(browser->resultsTitle(), QStringLiteral("Kicks"));
    EXPECT_EQ(litButtons(), std::vector<int>{});
    EXPECT_EQ(matches(), 5);
    navigation().sidebar(2);
    settle();
    EXPECT_EQ(browser->scope().folderScope, kicks);
    EXPECT_EQ(browser->scope().sectionType, "One Shot");
    EXPECT_EQ(matches(), 2);
    navigation().sidebar(2);
    settle();
    EXPECT_EQ(litButtons(), std::vector<int>{});
    EXPECT_EQ(matches(), 5);

    // Favorites clears both the folder and the type.
    navigation().sidebar(3);
    navigation().sidebar(SVCategoryButtons::kFavorites);
    settle();
    EXPECT_TRUE(browser->scope().favoriteMode);
    EXPECT_EQ(browser->scope().folderScope, "");
    EXPECT_EQ(browser->scope().sectionType, "");
    EXPECT_EQ(outline().selectedFolder(), nullptr);
    EXPECT_EQ(litButtons(), std::vector<int>{4});
    EXPECT_EQ(browser->resultsTitle(), QStringLiteral("Favorites"));
    EXPECT_EQ(matches(), 2);
    // In Favorites a type narrows the favourites, and toggled off it leaves Favorites lit.
    navigation().sidebar(1);
    navigation().sidebar(1);
    settle();
    EXPECT_EQ(litButtons(), std::vector<int>{4});

    navigation().sidebar(SVCategoryButtons::kLibraries);
    settle();
    EXPECT_TRUE(browser->scope().libraryMode);
    EXPECT_EQ(browser->libraries().size(), 1u);
    navigation().sidebar(SVCategoryButtons::kAllSamples);
    settle();
    EXPECT_EQ(litButtons(), std::vector<int>{0});
    EXPECT_EQ(matches(), 7);
}

TEST_F(Sidebar, OneLibraryIsTheTopRowSeveralAreEachATopRow) {
    addDrums(libraryFolder);
    startApp();
    const QAbstractItemModel& model = *outline().model();
    EXPECT_EQ(topLevelNames(model), QStringList{QStringLiteral("Samples")});
    controller->applicationWillTerminate();
    controller.reset();

    addLibrary(home->root() / "Other", {{"Pads", 1}}, "My Pads");
    startApp();
    EXPECT_EQ(topLevelNames(*outline().model()),
              (QStringList{QStringLiteral("My Pads"), QStringLiteral("Samples")}));
}

TEST_F(Sidebar, EmptyCatalogueShowsTheSampleRoot) {
    startApp();
    EXPECT_EQ(topLevelNames(*outline().model()), QStringList{QStringLiteral("SAMPLE")});
    EXPECT_FALSE(outline().model()->hasChildren(outline().model()->index(0, 0)));
}

// 5,000 folders: the outline makes rows only for what has been opened.
TEST_F(Sidebar, OutlineMakesRowsOnlyWhenOpened) {
    startApp();
    sv::FolderNode root{"Big", "/big", {}};
    for (int library = 0; library < 10; ++library) {
        sv::FolderNode pack{
            "Pack " + std::to_string(library), "/big/p" + std::to_string(library), {}};
        for (int folder = 0; folder < 500; ++folder)
            pack.children.push_back(
                {"F" + std::to_string(folder), pack.path + "/F" + std::to_string(folder), {}});
        root.children.push_back(std::move(pack));
    }
    outline().reloadTree(std::make_shared<const sv::FolderNode>(std::move(root)));
    auto* model = outline().outlineModel();
    EXPECT_EQ(model->rowsMade(), 1u);
    const QModelIndex top = model->index(0, 0);
    outline().expand(top);
    EXPECT_EQ(model->rowCount(top), 10);
    const QModelIndex pack = model->index(3, 0, top);
    outline().expand(pack);
    EXPECT_EQ(model->rowCount(pack), 500);
    EXPECT_EQ(model->rowsMade(), 511u);
    EXPECT_EQ(model->index(499, 0, pack).data(SVFolderOutlineModel::PathRole).toString(),
              QStringLiteral("/big/p3/F499"));
    EXPECT_EQ(model->parent(model->index(499, 0, pack)), pack);
}

TEST_F(Sidebar, RescanRebuildsTheOutlineCollapsedAndKeepsTheFolderScope) {
    addDrums(libraryFolder);
    startApp();
    const std::string snares = (libraryFolder / "Drums/Snares").string();
    ASSERT_TRUE(navigation().selectFolderPath(snares));
    settle();
    EXPECT_TRUE(outline().isExpanded(outline().model()->index(0, 0)));
    ASSERT_NE(outline().selectedFolder(), nullptr);

    int rebuilt = 0;
    QObject::connect(&sidebar(), &SVSidebar::folderTreeRebuilt, [&] { ++rebuilt; });
    controller->reloadSidebars();
    controller->refresh();
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(outline().selectedFolder(), nullptr);
    EXPECT_FALSE(outline().isExpanded(outline().model()->index(0, 0)));
    EXPECT_EQ(controller->browser()->scope().folderScope, snares);
    EXPECT_EQ(matches(), 2);
    EXPECT_EQ(&sidebar().folderRoot(), &outline().folderRoot());
}

TEST_F(Sidebar, SelectingTheSelectedFolderAppliesItAgain) {
    addDrums(libraryFolder);
    startApp();
    const std::string kicks = (libraryFolder / "Drums/Kicks").string();
    ASSERT_TRUE(navigation().selectFolderPath(kicks));
    settle();
    navigation().sidebar(1);
    settle();
    EXPECT_EQ(matches(), 3);
    const std::uint64_t before = controller->browser()->queryGeneration();
    ASSERT_TRUE(navigation().selectFolderPath(kicks + "/"));
    settle();
    EXPECT_GT(controller->browser()->queryGeneration(), before);
    EXPECT_EQ(controller->browser()->scope().sectionType, "");
    EXPECT_EQ(matches(), 5);

    // The selected folder keeps the arrow of its subfolders on its band.
    const QModelIndexList selected = outline().selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    const QRect band = outline().visualRect(selected.front());
    const QImage shot = outline().viewport()->grab().toImage();
    int arrowPixels = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = 0; x < band.left(); ++x)
            arrowPixels += qGray(shot.pixel(x, y)) > 120 ? 1 : 0;
    }
    EXPECT_GT(arrowPixels, 3);

    EXPECT_FALSE(navigation().selectFolderPath((libraryFolder / "Nowhere").string()));
    EXPECT_EQ(controller->browser()->scope().folderScope, kicks);
}

// A library stored with a separator at its end still shows its samples when its row is chosen:
// the folder filter compares the path without that separator.
TEST_F(Sidebar, LibraryStoredWithATrailingSeparatorShowsItsSamples) {
    const fs::path root = home->root() / "Slashed";
    addLibrary(root.string() + "/", {{"Pads", 3}, {"", 1}});
    startApp();
    ASSERT_EQ(outline().folderRoot().path, root.string() + "/");
    ASSERT_TRUE(navigation().selectFolderPath(root.string()));
    settle();
    EXPECT_EQ(controller->browser()->scope().folderScope, root.string());
    EXPECT_EQ(matches(), 4);
    EXPECT_EQ(crumbTitles(),
              (std::vector<QString>{QStringLiteral("Folders"), QStringLiteral("Slashed")}));
}

TEST_F(Sidebar, PlaylistSelectionScopesTheResults) {
    addDrums(libraryFolder);
    const std::int64_t kicks =
        addPlaylist("Kick picks", (libraryFolder / "Drums/Kicks").string(), 2);
    addPlaylist("Alpha", (libraryFolder / "Drums/Snares").string(), 1);
    startApp();
    SVPlaylistList& list = sidebar().playlistList();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("Kick picks"));
    EXPECT_EQ(list.item(1)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Kick picks"));

    ASSERT_TRUE(navigation().selectFolderPath((libraryFolder / "Keys").string()));
    settle();
    list.setCurrentRow(1);
    settle();
    SVResultsBrowser* browser = controller->browser();
    EXPECT_EQ(browser->scope().playlistId, kicks);
    EXPECT_EQ(browser->scope().folderScope, "");
    EXPECT_EQ(outline().selectedFolder(), nullptr);
    EXPECT_EQ(browser->resultsTitle(), QStringLiteral("Kick picks"));
    EXPECT_EQ(litButtons(), std::vector<int>{});
    EXPECT_EQ(matches(), 2);

    // A reload keeps the scoped playlist's row marked; "All Samples" clears it.
    sidebar().reloadPlaylists();
    EXPECT_TRUE(list.item(1)->isSelected());
    navigation().sidebar(SVCategoryButtons::kAllSamples);
    settle();
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_FALSE(browser->scope().playlistId.has_value());
    EXPECT_FALSE(navigation().selectPlaylist(9999));
}

TEST_F(Sidebar, EveryChangeOfPlaceStartsANewContextAndDropsPendingLoads) {
    addDrums(libraryFolder);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    SVPlayerController* player = controller->player();
    const std::string kicks = (libraryFolder / "Drums/Kicks").string();
    const std::vector<std::function<void()>> moves = {
        [&] { navigation().sidebar(1); },
        [&] { navigation().selectFolderPath(kicks); },
        [&] { navigation().sidebar(SVCategoryButtons::kFavorites); },
        [&] { navigation().sidebar(SVCategoryButtons::kLibraries); },
        [&] { navigation().sidebar(SVCategoryButtons::kAllSamples); },
    };
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const std::uint64_t context = browser->browseContextGeneration();
        const std::uint64_t playback = player->playbackGeneration();
        browser->setPage(3);
        moves[i]();
        settle();
        EXPECT_GT(browser->browseContextGeneration(), context) << i;
        EXPECT_GT(player->playbackGeneration(), playback) << i;
        EXPECT_EQ(browser->page(), 0) << i;
    }
}

TEST_F(Sidebar, OfflineLibrariesLookOfflineInTheOutline) {
    addDrums(libraryFolder);
    const fs::path drive = home->root() / "media" / "Ext";
    addLibrary(drive, {{"Packs/Old", 1}});
    {
        sv::Database db(sv::Database::defaultPath());
        db.setLibraryAvailable(drive.string(), false);
    }
    startApp();
    // The launch check decided by the folders: the drive's folder exists, so mark it again.
    sidebar().navigation().setOfflineLibraries({drive.string()});
    auto* model = outline().outlineModel();
    const QModelIndex ext = model->index(1, 0);  // libraries in path order: "Samples", "media"
    ASSERT_EQ(ext.data().toString(), QStringLiteral("Ext"));
    outline().expand(ext);
    const QModelIndex packs = model->index(0, 0, ext);
    for (const QModelIndex& index : {ext, packs}) {
        EXPECT_TRUE(index.data(SVFolderOutlineModel::OfflineRole).toBool());
        EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Offline"));
        EXPECT_EQ(index.data(Qt::AccessibleTextRole), index.data(Qt::DisplayRole));
    }
    EXPECT_FALSE(model->index(0, 0).data(SVFolderOutlineModel::OfflineRole).toBool());
    // Back online: the look follows the library list.
    sidebar().navigation().setOfflineLibraries({});
    EXPECT_FALSE(packs.data(SVFolderOutlineModel::OfflineRole).toBool());
}

TEST_F(Sidebar, OfflineMarksComeFromTheCatalogueOnReload) {
    addDrums(libraryFolder);
    startApp();
    EXPECT_FALSE(outline().outlineModel()->isOffline(outline().model()->index(0, 0)));
    controller->database().setLibraryAvailable(libraryFolder.string(), false);
    controller->reloadSidebars();
    EXPECT_TRUE(outline().outlineModel()->isOffline(outline().model()->index(0, 0)));
}

TEST_F(Sidebar, TypeLinksAndPackLinksOfRows) {
    addDrums(libraryFolder);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    navigation().sidebar(1);
    settle();
    // A type link chooses the type even when it is the current one.
    emit browser->metadataLinkActivated(QStringLiteral("type"), QStringLiteral("Loop"), {});
    settle();
    EXPECT_EQ(browser->scope().sectionType, "Loop");
    emit browser->metadataLinkActivated(QStringLiteral("type"), QStringLiteral("One Shot"), {});
    settle();
    EXPECT_EQ(litButtons(), std::vector<int>{2});

    const QString snares = QString::fromStdString((libraryFolder / "Drums/Snares").string());
    emit browser->metadataLinkActivated(QStringLiteral("pack"), QStringLiteral("Snares"), snares);
    settle();
    EXPECT_EQ(browser->scope().folderScope, snares.toStdString());
    EXPECT_EQ(breadcrumbs().history().size(), 1u);
    emit browser->metadataLinkActivated(QStringLiteral("pack"), QStringLiteral("Gone"),
                                        snares + QStringLiteral("/Gone"));
    EXPECT_EQ(browser->statusText(), QStringLiteral("Pack is no longer available"));
    EXPECT_EQ(browser->scope().folderScope, snares.toStdString());
}

TEST_F(Sidebar, KeyboardReachesAndUsesTheOutlineAndThePlaylists) {
    addDrums(libraryFolder);
    addPlaylist("Alpha", (libraryFolder / "Drums/Snares").string(), 1);
    addPlaylist("Beta", (libraryFolder / "Drums/Kicks").string(), 1);
    startApp();
    controller->window()->activateWindow();
    SVResultsBrowser* browser = controller->browser();

    // Tab from the last place button reaches the outline, then the playlists.
    buttons().button(SVCategoryButtons::kLibraries)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() != nullptr; }, 1000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &outline());

    // Return selects the library row the focus rests on (selecting applies it); Right opens it.
    QTest::keyClick(&outline(), Qt::Key_Return);
    settle();
    EXPECT_EQ(browser->scope().folderScope, libraryFolder.string());
    QTest::keyClick(&outline(), Qt::Key_Right);
    EXPECT_TRUE(outline().isExpanded(outline().model()->index(0, 0)));
    QTest::keyClick(&outline(), Qt::Key_Down);
    settle();
    EXPECT_EQ(browser->scope().folderScope, (libraryFolder / "Drums").string());
    // Return on the selected row opens it; the arrows keep moving through the rows.
    QTest::keyClick(&outline(), Qt::Key_Return);
    EXPECT_TRUE(outline().isExpanded(outline().currentIndex()));
    QTest::keyClick(&outline(), Qt::Key_Down);
    settle();
    EXPECT_EQ(browser->scope().folderScope, (libraryFolder / "Drums/Kicks").string());

    QTest::keyClick(&outline(), Qt::Key_Tab);
    SVPlaylistList& list = sidebar().playlistList();
    ASSERT_EQ(QApplication::focusWidget(), &list);
    QTest::keyClick(&list, Qt::Key_Down);
    settle();
    ASSERT_TRUE(browser->scope().playlistId.has_value());
    QTest::keyClick(&list, Qt::Key_Down);
    settle();
    EXPECT_EQ(*browser->scope().playlistId, sidebar().playlistList().playlists()[1].id);
    // Return on a row whose selection was cleared elsewhere selects it again.
    navigation().sidebar(SVCategoryButtons::kAllSamples);
    settle();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    settle();
    EXPECT_EQ(*browser->scope().playlistId, sidebar().playlistList().playlists()[1].id);
}

TEST_F(Sidebar, SidebarControlsAreNamedAsTheyRead) {
    addDrums(libraryFolder);
    startApp();
    for (const int tag : {0, 1, 2, 3, 4, 6}) {
        const SVSidebarButton* button = buttons().button(tag);
        EXPECT_EQ(button->accessibleName(), button->title());
        EXPECT_EQ(button->text().trimmed(), button->title());
    }
    EXPECT_EQ(buttons().button(4)->text(), QString(QChar(0x2009)) + QStringLiteral("Favorites"));
    EXPECT_EQ(buttons().button(6)->text(), QString(QChar(0x2009)) + QStringLiteral("Libraries"));
    EXPECT_EQ(outline().model()->index(0, 0).data(Qt::AccessibleTextRole).toString(),
              QStringLiteral("Samples"));
    EXPECT_EQ(buttons().button(5), nullptr);
}

TEST_F(Sidebar, LaunchLocationSettersWriteTheirKeys) {
    startApp();
    SVLaunchLocation& launch = sidebar().launchLocation();
    const auto keys = [] {
        const QSettings settings = SVSettings::open();
        QStringList found;
        for (const char* key : {SVLaunchLocation::kKindKey, SVLaunchLocation::kFolderKey,
                                SVLaunchLocation::kPlaylistKey}) {
            if (settings.contains(key))
                found << settings.value(key).toString();
        }
        return found;
    };
    launch.setFolderOpenAtLaunch("/media/me/Ext//Packs/");
    EXPECT_EQ(keys(),
              (QStringList{QStringLiteral("folder"), QStringLiteral("/media/me/Ext/Packs")}));
    launch.setPlaylistOpenAtLaunch(42);
    EXPECT_EQ(keys(), (QStringList{QStringLiteral("playlist"), QStringLiteral("42")}));
    launch.setFolderOpenAtLaunch("");
    EXPECT_EQ(keys(), (QStringList{QStringLiteral("playlist"), QStringLiteral("42")}));
    launch.setFavoritesOpenAtLaunch();
    EXPECT_EQ(keys(), QStringList{QStringLiteral("favorites")});
    launch.clearLaunchLocation();
    EXPECT_TRUE(keys().isEmpty());
}

// Each case: what is stored, what the window opens at, and whether the keys survive.
TEST_F(Sidebar, LaunchLocationRestoresOrDropsItsKeys) {
    addDrums(libraryFolder);
    const std::int64_t playlist =
        addPlaylist("Keepers", (libraryFolder / "Drums/Kicks").string(), 2);
    const std::string snares = (libraryFolder / "Drums/Snares").string();
    struct Case {
        QVariantMap stored;
        std::string folder;
        std::optional<std::int64_t> playlist;
        bool favorites;
        bool keysKept;
    };
    const auto map = [](std::initializer_list<std::pair<const char*, QVariant>> entries) {
        QVariantMap result;
        for (const auto& [key, value] : entries)
            result.insert(QString::fromLatin1(key), value);
        return result;
    };
    const Case cases[] = {
        {map({{"SVLaunchLocationKind", "favorites"}}), "", std::nullopt, true, true},
        {map({{"SVLaunchLocationKind", "folder"},
              {"SVLaunchFolderPath", QString::fromStdString(snares)}}),
         snares, std::nullopt, false, true},
        {map({{"SVLaunchLocationKind", "playlist"},
              {"SVLaunchPlaylistID", QVariant::fromValue<qint64>(playlist)}}),
         "", playlist, false, true},
        {map({{"SVLaunchLocationKind", "folder"},
              {"SVLaunchFolderPath", QString::fromStdString(snares + "/Gone")},
              {"SVLaunchPlaylistID", QVariant::fromValue<qint64>(playlist)}}),
         "", std::nullopt, false, false},
        {map({{"SVLaunchLocationKind", "playlist"}, {"SVLaunchPlaylistID", 777}}), "", std::nullopt,
         false, false},
        {map({{"SVLaunchLocationKind", "playlist"}, {"SVLaunchPlaylistID", "many"}}), "",
         std::nullopt, false, false},
        {map({{"SVLaunchLocationKind", "garden"}}), "", std::nullopt, false, false},
        {map({{"SVLaunchFolderPath", QString::fromStdString(snares)}}), "", std::nullopt, false,
         true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        {
            QSettings settings = SVSettings::open();
            settings.clear();
            for (auto it = c.stored.begin(); it != c.stored.end(); ++it)
                settings.setValue(it.key(), it.value());
        }
        startApp();
        settle();
        const SVBrowseScope& scope = controller->browser()->scope();
        EXPECT_EQ(scope.folderScope, c.folder) << i;
        EXPECT_EQ(scope.playlistId, c.playlist) << i;
        EXPECT_EQ(scope.favoriteMode, c.favorites) << i;
        const QSettings settings = SVSettings::open();
        for (auto it = c.stored.begin(); it != c.stored.end(); ++it)
            EXPECT_EQ(settings.contains(it.key()), c.keysKept) << i << it.key().toStdString();
        controller->applicationWillTerminate();
        controller.reset();
    }
}

TEST_F(Sidebar, LaunchLocationWaitsForTheDesktopLayout) {
    addDrums(libraryFolder);
    {
        QSettings settings = SVSettings::open();
        settings.setValue(SVLayout::kLayoutModeKey, 0);
        settings.setValue(SVLaunchLocation::kKindKey, QStringLiteral("favorites"));
    }
    startApp();
    settle();
    EXPECT_FALSE(controller->browser()->scope().favoriteMode);
    EXPECT_TRUE(SVSettings::open().contains(SVLaunchLocation::kKindKey));
}

// The setting is written by one window and read by the next one on the same settings file.
TEST_F(Sidebar, LaunchLocationSurvivesARestart) {
    addDrums(libraryFolder);
    const std::string shots = (libraryFolder / "Drums/Kicks/Shots").string();
    startApp();
    sidebar().launchLocation().setFolderOpenAtLaunch(shots);
    controller->window()->close();
    controller->applicationWillTerminate();
    controller.reset();

    startApp();
    settle();
    EXPECT_EQ(controller->browser()->scope().folderScope, shots);
    EXPECT_EQ(matches(), 2);
    ASSERT_NE(outline().selectedFolder(), nullptr);
    EXPECT_EQ(outline().selectedFolder()->name, "Shots");
    // Its parents are open so that the row is in view.
    EXPECT_TRUE(outline().isExpanded(outline().model()->index(0, 0)));
}

}  // namespace
}  // namespace svapp_test
