// Playlists from the menus: adding chosen rows (playback goes on), a new playlist, deleting
// one and removing rows from the one viewed.
#include <sqlite3.h>

#include <QTest>

#include "app/featured/featured_items.h"
#include "app/menus/context_menus.h"
#include "app/menus/menus.h"
#include "app/menus/playlist_actions.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/sidebar/playlist_list.h"
#include "app/window/settings.h"
#include "audio/playback/audio_file_player.h"
#include "core/catalogue/database.h"
#include "tests/app/menus_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class PlaylistMenus : public MenusTest {
  protected:
    void startWithTones(int count, double seconds = 0.2) {
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        const auto audio = sv::testing::sine(seconds, 22050, 330.0);
        for (int i = 0; i < count; ++i)
            sv::testing::writeWav(libraryFolder / ("Tone " + std::to_string(i) + ".wav"), audio,
                                  options);
        startWindow();
        scanLibrary();
        browser()->refresh();
        ASSERT_EQ(static_cast<int>(browser()->rows().size()), count);
    }
    SVResultsBrowser* browser() const { return controller->browser(); }
    std::int64_t rowId(int row) const {
        return browser()->rows()[static_cast<std::size_t>(row)].id;
    }
    Rows members(std::int64_t playlist) const {
        return rows(
            "SELECT s.filename,pi.position FROM playlist_items pi JOIN samples s ON "
            "s.id=pi.sample_id WHERE pi.playlist_id=" +
            std::to_string(playlist) + " ORDER BY pi.position");
    }
    QStringList listedPlaylists() const {
        QStringList names;
        for (const sv::Playlist& playlist : controller->playlists()->playlists())
            names << QString::fromStdString(playlist.name);
        return names;
    }
    void viewPlaylist(std::int64_t id) {
        SVBrowseScope scope;
        scope.playlistId = id;
        browser()->setScope(scope);
        browser()->refresh();
    }
};

TEST_F(PlaylistMenus, AddingChosenRowsLeavesPlaybackRunningWhereItWas) {
    startWithTones(4, 3.0);
    const std::int64_t beats = controller->database().createPlaylist("Beats");
    controller->reloadSidebars();
    SVPlayerController* player = controller->player();
    player->loadSampleAtIndex(3, true);
    ASSERT_TRUE(waitFor([&] { return player->playbackState() == SVPlayerController::Playing; }));
    QTest::qWait(150);
    const double before = player->sound()->currentTime();
    ASSERT_GT(before, 0.0);

    browser()->table()->selectRows({0, 2});
    choose(rightClickRow(2), "Beats");
    EXPECT_EQ(members(beats), (Rows{{"Tone 0.wav", "0"}, {"Tone 2.wav", "1"}}));
    EXPECT_EQ(player->playbackState(), SVPlayerController::Playing);
    ASSERT_NE(player->sound(), nullptr);
    EXPECT_TRUE(player->sound()->isPlaying());
    EXPECT_GE(player->sound()->currentTime(), before);
    EXPECT_EQ(controller->playlists()->playlists()[0].sampleCount, 2);
    // Adding again changes nothing, positions included.
    choose(rightClickRow(2), "Beats");
    EXPECT_EQ(members(beats), (Rows{{"Tone 0.wav", "0"}, {"Tone 2.wav", "1"}}));
}

TEST_F(PlaylistMenus, NewPlaylistAsksItsNameAndReportsFailures) {
    startWithTones(3);
    browser()->table()->selectRows({0, 1});
    answers.push_back({0, QStringLiteral("  Drums \n")});
    choose(rightClickRow(1), "New Playlist…");
    ASSERT_EQ(alerts.size(), 1u);
    const SVAlert& asked = alerts[0];
    EXPECT_EQ(asked.message, QStringLiteral("New Playlist"));
    EXPECT_EQ(asked.informativeText, QStringLiteral("Enter a unique playlist name."));
    EXPECT_TRUE(asked.hasField);
    EXPECT_EQ(asked.fieldPlaceholder, QStringLiteral("Playlist name"));
    EXPECT_EQ(asked.fieldSize, QSize(280, 24));
    EXPECT_EQ(asked.buttons, (QStringList{"Create", "Cancel"}));
    EXPECT_EQ(listedPlaylists(), QStringList{"Drums"});
    EXPECT_EQ(members(controller->playlists()->playlists()[0].id),
              (Rows{{"Tone 0.wav", "0"}, {"Tone 1.wav", "1"}}));

    struct Case {
        QString typed;
        int button;
        QString error;
    };
    const std::vector<Case> cases = {
        {"Drums", 0, "A playlist with that name already exists"},
        {" \t ", 0, "Playlist name cannot be empty"},
        {"Never", 1, ""},
    };
    for (const Case& c : cases) {
        alerts.clear();
        answers.push_back({c.button, c.typed});
        choose(rightClickRow(0), "New Playlist…");
        ASSERT_EQ(alerts.size(), c.error.isEmpty() ? 1u : 2u) << c.typed.toStdString();
        if (!c.error.isEmpty()) {
            EXPECT_EQ(alerts[1].message, QStringLiteral("Couldn’t create playlist"));
            EXPECT_EQ(alerts[1].informativeText, c.error);
        }
    }
    EXPECT_EQ(listedPlaylists(), QStringList{"Drums"});
}

TEST_F(PlaylistMenus, ACreatedPlaylistWhoseRowsFailSaysWhatFailed) {
    startWithTones(2);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(home->catalogue().c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "CREATE TRIGGER refuse BEFORE INSERT ON playlist_items BEGIN "
                               "SELECT RAISE(ABORT,'disk is full'); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    answers.push_back({0, QStringLiteral("Keepers")});
    choose(rightClickRow(0), "New Playlist…");
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1].message, QStringLiteral("Couldn’t add samples to playlist"));
    EXPECT_TRUE(alerts[1].informativeText.contains("“Keepers” was created"));
    EXPECT_TRUE(alerts[1].informativeText.contains("disk is full"));
    EXPECT_EQ(listedPlaylists(), QStringList{"Keepers"});
}

TEST_F(PlaylistMenus, DeletingTheViewedPlaylistForgetsEverythingPointingAtIt) {
    startWithTones(3);
    sv::Database& db = controller->database();
    const std::int64_t doomed = db.createPlaylist("Doomed");
    const std::int64_t kept = db.createPlaylist("Kept");
    db.addToPlaylist(doomed, rowId(0));
    controller->reloadSidebars();
    SVFeaturedItems::addPlaylist(doomed, "Doomed");
    SVFeaturedItems::addPlaylist(kept, "Kept");
    SVFeaturedItems::addFolder(QString::fromStdString(libraryFolder.string()));
    {
        QSettings settings = SVSettings::open();
        settings.setValue("SVLaunchLocationKind", "playlist");
        settings.setValue("SVLaunchPlaylistID", QVariant::fromValue<qint64>(doomed));
    }
    viewPlaylist(doomed);
    browser()->setPage(0);

    const int doomedRow = 0;
    ASSERT_EQ(controller->playlists()->playlistIdAt(doomedRow), doomed);
    QMenu* menu = menus().openPlaylistMenu(doomedRow, QPoint(5, 5));
    EXPECT_EQ(describe(menu), (QStringList{"✓ Open at Launch", "Add to Featured",
                                           "Clear Launch Location", "-", "Delete Playlist…"}));
    answers.push_back({1, {}});
    choose(menu, "Delete Playlist…");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Delete this playlist?"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("The playlist will be removed. Your original sample files will not "
                             "be changed."));
    EXPECT_EQ(alerts[0].buttons, (QStringList{"Delete Playlist", "Cancel"}));
    EXPECT_EQ(listedPlaylists(), (QStringList{"Doomed", "Kept"}));

    choose(menus().openPlaylistMenu(doomedRow, QPoint(5, 5)), "Delete Playlist…");
    EXPECT_EQ(listedPlaylists(), QStringList{"Kept"});
    EXPECT_EQ(number("SELECT count(*) FROM playlist_items"), 0);
    EXPECT_EQ(number("SELECT count(*) FROM samples"), 3);
    EXPECT_FALSE(browser()->scope().playlistId.has_value());
    EXPECT_TRUE(browser()->scope().sectionType.empty());
    EXPECT_EQ(browser()->page(), 0);
    EXPECT_EQ(browser()->rows().size(), 3u);
    const QSettings settings = SVSettings::open();
    EXPECT_FALSE(settings.contains("SVLaunchLocationKind"));
    QStringList featured;
    for (const QVariant& item : SVFeaturedItems::load())
        featured << item.toMap().value("title").toString();
    EXPECT_EQ(featured, (QStringList{"Kept", "Samples"}));
}

TEST_F(PlaylistMenus, RemoveFromPlaylistTakesTheChosenRows) {
    startWithTones(4);
    sv::Database& db = controller->database();
    const std::int64_t set = db.createPlaylist("Set");
    for (int row = 0; row < 4; ++row)
        db.addToPlaylist(set, rowId(row));
    controller->reloadSidebars();
    viewPlaylist(set);
    ASSERT_EQ(browser()->rows().size(), 4u);
    browser()->table()->selectRows({1, 3});
    QMenu* menu = rightClickRow(3);
    EXPECT_EQ(describe(menu).mid(7), (QStringList{"Set", "New Playlist…", "Remove from Playlist"}));
    choose(menu, "Remove from Playlist");
    EXPECT_EQ(members(set), (Rows{{"Tone 0.wav", "0"}, {"Tone 2.wav", "2"}}));
    EXPECT_EQ(browser()->rows().size(), 2u);
    EXPECT_EQ(controller->playlists()->playlists()[0].sampleCount, 2);
    // Outside a playlist the entry is not offered.
    browser()->setScope({});
    browser()->refresh();
    EXPECT_FALSE(describe(rightClickRow(0)).contains("Remove from Playlist"));
}

TEST_F(PlaylistMenus, FavoriteButtonInTheFavoritesViewLetsTheRowGo) {
    startWithTones(3);
    for (int row = 0; row < 3; ++row)
        browser()->toggleFavorite(row);
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE favorite=1"), 3);
    SVBrowseScope favorites;
    favorites.favoriteMode = true;
    browser()->setScope(favorites);
    browser()->refresh();
    ASSERT_EQ(browser()->rows().size(), 3u);
    browser()->toggleFavorite(1);
    EXPECT_EQ(browser()->rows().size(), 2u);
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE favorite=1"), 2);
}

}  // namespace
}  // namespace svapp_test
