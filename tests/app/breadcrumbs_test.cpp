// The breadcrumb trail, Back and going to a folder by its path.
#include <QPushButton>
#include <QTest>

#include "app/results/results_browser.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/breadcrumbs.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_navigation.h"
#include "app/theme/theme.h"
#include "app/window/main_window.h"
#include "tests/app/sidebar_fixture.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

using Breadcrumbs = SidebarTest;

std::vector<QString> kinds(const std::vector<SVBreadcrumbEntry>& entries) {
    std::vector<QString> result;
    for (const SVBreadcrumbEntry& entry : entries)
        result.push_back(entry.kind);
    return result;
}

using Titles = std::vector<QString>;

QString q(const char* text) {
    return QString::fromUtf8(text);
}

TEST_F(Breadcrumbs, TrailsOfEachPlace) {
    addLibrary(libraryFolder, {{"A/B/C/D/E", 2}, {"A", 1, "One Shot"}});
    const std::int64_t list = addPlaylist("Picks", (libraryFolder / "A").string(), 1);
    startApp();
    EXPECT_EQ(crumbTitles(), Titles{q("All Samples")});
    navigation().sidebar(SVCategoryButtons::kFavorites);
    EXPECT_EQ(crumbTitles(), Titles{q("Favorites")});
    navigation().sidebar(SVCategoryButtons::kLibraries);
    EXPECT_EQ(crumbTitles(), Titles{q("Libraries")});
    ASSERT_TRUE(navigation().selectPlaylist(list));
    navigation().sidebar(2);
    EXPECT_EQ(crumbTitles(), (Titles{q("Playlists"), q("Picks"), q("One Shot")}));
    EXPECT_EQ(kinds(breadcrumbs().breadcrumbEntries()),
              (Titles{q("all"), q("playlist"), q("section")}));
    EXPECT_EQ(breadcrumbs().breadcrumbEntries()[1].value.toLongLong(), list);

    // Five levels deep: "Folders" and only the three deepest folders.
    ASSERT_TRUE(navigation().selectFolderPath((libraryFolder / "A/B/C/D/E").string()));
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("C"), q("D"), q("E")}));
    EXPECT_EQ(breadcrumbs().breadcrumbEntries()[1].value.toString().toStdString(),
              (libraryFolder / "A/B/C").string());
    // With one library, the library itself is the chain's first element and is shown.
    ASSERT_TRUE(navigation().selectFolderPath((libraryFolder / "A").string()));
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("Samples"), q("A")}));
}

TEST_F(Breadcrumbs, SeveralLibrariesShowNoEntryForTheHiddenRoot) {
    addLibrary(libraryFolder, {{"Kicks", 1}});
    addLibrary(home->root() / "Second", {{"Pads", 1}}, "Pad Library");
    startApp();
    ASSERT_TRUE(navigation().selectFolderPath((home->root() / "Second/Pads").string()));
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("Pad Library"), q("Pads")}));
    ASSERT_TRUE(navigation().selectFolderPath((home->root() / "Second").string()));
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("Pad Library")}));
}

TEST_F(Breadcrumbs, TheBarDrawsCrumbsSeparatorsAndTheAccentOnTheLast) {
    addLibrary(libraryFolder, {{"A/B", 2}});
    startApp();
    ASSERT_TRUE(navigation().selectFolderPath((libraryFolder / "A/B").string()));
    navigation().sidebar(1);
    settle();
    SVBreadcrumbBar& bar = sidebar().breadcrumbBar();
    const auto& crumbs = bar.crumbButtons();
    ASSERT_EQ(crumbs.size(), 5u);
    const Titles titles = {q("Folders"), q("Samples"), q("A"), q("B"), q("Loop")};
    for (std::size_t i = 0; i < crumbs.size(); ++i) {
        EXPECT_EQ(crumbs[i]->text(), titles[i]);
        EXPECT_EQ(crumbs[i]->accessibleName(), titles[i]);
        EXPECT_EQ(crumbs[i]->property("tag").toInt(), static_cast<int>(i));
    }
    const QString accent = SVTheme::selectedColor(SVTheme::kAccent).name(QColor::HexArgb);
    EXPECT_TRUE(crumbs.back()->styleSheet().contains(accent));
    EXPECT_TRUE(crumbs.back()->styleSheet().contains(q("font-weight: 600")));
    EXPECT_FALSE(crumbs.front()->styleSheet().contains(accent));
    const QList<QLabel*> separators = bar.findChildren<QLabel*>();
    EXPECT_EQ(std::count_if(separators.begin(), separators.end(),
                            [](QLabel* label) { return label->text() == q("›"); }),
              4);
    EXPECT_FALSE(bar.backButton()->isVisibleTo(&bar));
    EXPECT_TRUE(bar.isVisibleTo(controller->window()));

    crumbs[2]->click();
    settle();
    EXPECT_EQ(controller->browser()->scope().folderScope, (libraryFolder / "A").string());
    QPushButton* back = bar.backButton();
    EXPECT_TRUE(back->isVisibleTo(&bar));
    EXPECT_EQ(back->toolTip(), q("Return to the location used before clicking the breadcrumb"));
    EXPECT_EQ(back->accessibleName(), back->toolTip());
}

TEST_F(Breadcrumbs, ClickingTheCurrentCrumbAddsHistoryUpToTwenty) {
    addLibrary(libraryFolder, {{"A", 1}});
    startApp();
    for (int i = 0; i < 25; ++i) {
        breadcrumbs().breadcrumbPressed(0);
        EXPECT_EQ(breadcrumbs().history().size(), std::min<std::size_t>(i + 1, 20));
    }
    breadcrumbs().breadcrumbPressed(7);
    breadcrumbs().breadcrumbPressed(-1);
    EXPECT_EQ(breadcrumbs().history().size(), 20u);
}

TEST_F(Breadcrumbs, PlaylistsAndFoldersCrumbsShowAllSamples) {
    addLibrary(libraryFolder, {{"A", 2}});
    const std::int64_t list = addPlaylist("Picks", (libraryFolder / "A").string(), 1);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    ASSERT_TRUE(navigation().selectPlaylist(list));
    breadcrumbs().breadcrumbPressed(0);
    settle();
    EXPECT_FALSE(browser->scope().playlistId.has_value());
    EXPECT_EQ(litButtons(), std::vector<int>{0});
    EXPECT_EQ(matches(), 2);

    ASSERT_TRUE(navigation().selectFolderPath((libraryFolder / "A").string()));
    breadcrumbs().breadcrumbPressed(0);
    settle();
    EXPECT_EQ(browser->scope().folderScope, "");
    EXPECT_EQ(crumbTitles(), Titles{q("All Samples")});
}

// Pressing the crumb of the current type keeps the type (a type button would toggle it off).
TEST_F(Breadcrumbs, TheSectionCrumbKeepsItsType) {
    addLibrary(libraryFolder, {{"A", 2}, {"B", 1, "MIDI"}});
    startApp();
    for (const int tag : {1, 2, 3}) {
        navigation().sidebar(tag);
        settle();
        const std::string type = SVCategoryButtons::typeForTag(tag);
        breadcrumbs().breadcrumbPressed(1);
        settle();
        EXPECT_EQ(controller->browser()->scope().sectionType, type);
        EXPECT_EQ(litButtons(), std::vector<int>{tag});
        EXPECT_EQ(crumbTitles().back(), QString::fromStdString(type));
        navigation().sidebar(tag);
    }
}

TEST_F(Breadcrumbs, BackReturnsToTheFolderWithItsTypeAndPage) {
    addLibrary(libraryFolder, {{"Big", 130}, {"Other", 1}});
    const std::int64_t list = addPlaylist("Picks", (libraryFolder / "Other").string(), 1);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    const std::string big = (libraryFolder / "Big").string();
    ASSERT_TRUE(navigation().selectFolderPath(big));
    navigation().sidebar(1);
    settle();
    browser->nextPage();
    ASSERT_TRUE(
        waitFor([&] { return browser->page() == 1 && !browser->pageTransitionScheduled(); }));

    // From the folder view to a playlist through a crumb-recorded move, then Back.
    ASSERT_TRUE(breadcrumbs().navigateToFolderPath((libraryFolder / "Other").string(), true));
    ASSERT_TRUE(navigation().selectPlaylist(list));
    settle();
    EXPECT_EQ(browser->scope().playlistId, list);
    const std::uint64_t before = browser->queryGeneration();
    breadcrumbs().breadcrumbBack();
    settle();
    EXPECT_EQ(browser->queryGeneration(), before + 1);  // one refresh for the restored place
    EXPECT_EQ(browser->scope().folderScope, big);
    EXPECT_EQ(browser->scope().sectionType, "Loop");
    EXPECT_FALSE(browser->scope().playlistId.has_value());
    EXPECT_EQ(browser->page(), 1);
    EXPECT_EQ(browser->statusText(), q("130 matching samples  •  showing 51–100"));
    EXPECT_EQ(litButtons(), std::vector<int>{1});
    EXPECT_EQ(outline().selectedFolder()->name, "Big");
    EXPECT_TRUE(breadcrumbs().history().snapshots().empty());
    breadcrumbs().breadcrumbBack();  // nothing left: nothing happens
    EXPECT_EQ(browser->scope().folderScope, big);
}

TEST_F(Breadcrumbs, BackRestoresEachKindOfPlace) {
    addLibrary(libraryFolder, {{"A", 60, "Loop", true}});
    startApp();
    SVResultsBrowser* browser = controller->browser();
    navigation().sidebar(SVCategoryButtons::kLibraries);
    settle();
    breadcrumbs().breadcrumbPressed(0);  // records Libraries
    navigation().sidebar(SVCategoryButtons::kFavorites);
    navigation().sidebar(2);
    settle();
    breadcrumbs().breadcrumbPressed(0);  // records Favorites with One Shot; shows Favorites
    settle();
    EXPECT_EQ(browser->scope().sectionType, "");
    breadcrumbs().breadcrumbBack();
    settle();
    EXPECT_TRUE(browser->scope().favoriteMode);
    EXPECT_EQ(browser->scope().sectionType, "One Shot");
    EXPECT_EQ(litButtons(), (std::vector<int>{2, 4}));
    breadcrumbs().breadcrumbBack();
    settle();
    EXPECT_TRUE(browser->scope().libraryMode);
    EXPECT_EQ(litButtons(), std::vector<int>{6});
    EXPECT_EQ(browser->libraries().size(), 1u);
}

TEST_F(Breadcrumbs, NavigateToFolderPath) {
    addLibrary(libraryFolder, {{"..Old Packs/Kicks", 2}, {"Old", 1}});
    startApp();
    SVResultsBrowser* browser = controller->browser();
    const std::string old = (libraryFolder / "..Old Packs").string();
    struct Case {
        std::string path;
        bool found;
        std::string scope;
    };
    const Case cases[] = {
        {"", false, ""},
        {(libraryFolder / "Nowhere").string(), false, ""},
        {old + "/Kicks", true, old + "/Kicks"},
        {old + "//Kicks/", true, old + "/Kicks"},  // standardised, so the same place
        {old + "/Kicks/../../Old", true, (libraryFolder / "Old").string()},
        {old, true, old},
    };
    std::size_t recorded = 0;
    for (const Case& c : cases) {
        const std::string before = browser->scope().folderScope;
        const bool moves = c.found && c.scope != before;
        EXPECT_EQ(breadcrumbs().navigateToFolderPath(c.path, true), c.found) << c.path;
        settle();
        EXPECT_EQ(browser->scope().folderScope, c.found ? c.scope : before) << c.path;
        recorded += moves ? 1 : 0;
        EXPECT_EQ(breadcrumbs().history().size(), recorded) << c.path;
    }
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("Samples"), q("..Old Packs")}));
    EXPECT_EQ(matches(), 2);
    EXPECT_TRUE(breadcrumbs().navigateToFolderPath((libraryFolder / "Old").string(), false));
    EXPECT_EQ(breadcrumbs().history().size(), recorded);
}

// A library on an unplugged drive: nothing of it exists on disk, yet its folders are found,
// shown in crumbs, gone back to and opened at launch.
TEST_F(Breadcrumbs, FoldersOfAnUnpluggedDriveKeepWorking) {
    const fs::path drive = home->root() / "media" / "Ext";
    addLibrary(drive, {{"Packs/Deep/Kicks", 2}});
    addLibrary(libraryFolder, {{"Local", 1}});
    fs::remove_all(drive);
    startApp();
    const std::string kicks = (drive / "Packs/Deep/Kicks").string();
    ASSERT_TRUE(breadcrumbs().navigateToFolderPath(kicks + "/", true));
    EXPECT_EQ(crumbTitles(), (Titles{q("Folders"), q("Packs"), q("Deep"), q("Kicks")}));
    breadcrumbs().breadcrumbPressed(2);
    settle();
    EXPECT_EQ(controller->browser()->scope().folderScope, (drive / "Packs/Deep").string());
    breadcrumbs().breadcrumbBack();
    settle();
    EXPECT_EQ(controller->browser()->scope().folderScope, kicks);
}

TEST_F(Breadcrumbs, CompactLayoutShowsTheBarOnlyWithHistory) {
    addLibrary(libraryFolder, {{"A", 1}});
    startApp();
    SVBreadcrumbBar& bar = sidebar().breadcrumbBar();
    controller->switchLayout(0);
    settle();
    EXPECT_FALSE(bar.isVisibleTo(controller->window()));
    breadcrumbs().breadcrumbPressed(0);
    settle();
    EXPECT_TRUE(bar.isVisibleTo(controller->window()));
    breadcrumbs().breadcrumbBack();
    settle();
    EXPECT_FALSE(bar.isVisibleTo(controller->window()));
    controller->switchLayout(1);
    settle();
    EXPECT_TRUE(bar.isVisibleTo(controller->window()));
}

// Pictures of the sidebar for a person to look at: an open outline with a deep folder's
// trail, and a playlist, in both layouts.
TEST_F(Breadcrumbs, Screenshots) {
    addLibrary(libraryFolder, {{"Drums/Acoustic/Kits/Vintage/Kicks", 12},
                               {"Drums/Snares", 3},
                               {"Keys/Rhodes", 4, "MIDI"},
                               {"..Old Packs/Bass", 2}});
    const std::int64_t list =
        addPlaylist("Late night picks", (libraryFolder / "Drums").string(), 5);
    addPlaylist("Kick shortlist", (libraryFolder / "Drums/Snares").string(), 2);
    startApp();
    const std::string deep = (libraryFolder / "Drums/Acoustic/Kits/Vintage/Kicks").string();
    ASSERT_TRUE(breadcrumbs().navigateToFolderPath(deep, true));
    navigation().sidebar(1);
    settle();
    EXPECT_TRUE(controller->window()->grab().save(pngPath("sidebar-deep-folder-desktop.png")));
    ASSERT_TRUE(navigation().selectPlaylist(list));
    settle();
    EXPECT_TRUE(controller->window()->grab().save(pngPath("sidebar-playlist-desktop.png")));
    ASSERT_TRUE(breadcrumbs().navigateToFolderPath(deep, true));
    settle();
    controller->switchLayout(0);
    settle();
    EXPECT_TRUE(controller->window()->grab().save(pngPath("sidebar-deep-folder-compact.png")));
}

}  // namespace
}  // namespace svapp_test
