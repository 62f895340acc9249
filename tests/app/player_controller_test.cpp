#include <QTest>

#include <filesystem>

#include "app/dragdrop/file_drag_view.h"
#include "app/player/player_bar.h"
#include "app/player/player_controller.h"
#include "app/player/playhead_checks.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "audio/playback/audio_file_player.h"
#include "audio/playback/audio_output.h"
#include "audio/playback/playhead_diagnostics.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using State = SVPlayerController::PlaybackState;

class Player : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
    }

    // `count` short sine files "Tone NN.wav" scanned into the catalogue, then the window.
    void startWithTones(int count, double seconds = 0.25) {
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        const auto audio = sv::testing::sine(seconds, 22050, 330.0);
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Tone %02d.wav", i);
            sv::testing::writeWav(libraryFolder / name, audio, options);
        }
        startApp();
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        browser()->refresh();
        ASSERT_EQ(static_cast<int>(browser()->rows().size()), std::min(count, 50));
    }

    SVPlayerController* player() const { return controller->player(); }
    SVResultsBrowser* browser() const { return controller->browser(); }
    std::string rowName(int row) const {
        return browser()->rows()[static_cast<std::size_t>(row)].filename;
    }
    std::string loadedName() const {
        return player()->currentSample() ? player()->currentSample()->filename : std::string();
    }
    bool waitForState(int state, int ms = 5000) const {
        return waitFor([this, state] { return player()->playbackState() == state; }, ms);
    }
    void removeRowFile(int row) const {
        std::filesystem::remove(browser()->rows()[static_cast<std::size_t>(row)].path);
    }
};

TEST_F(Player, LoadPlayPauseFinishAndRepeat) {
    startWithTones(3);
    EXPECT_EQ(controller->playerBar()->keyLabel()->text(), QStringLiteral("Key  --"));
    player()->loadSampleAtIndex(0, true);
    EXPECT_EQ(player()->playbackState(), State::Loading);
    EXPECT_EQ(player()->sound(), nullptr);
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_EQ(loadedName(), rowName(0));
    EXPECT_EQ(browser()->table()->selectedRow(), 0);
    EXPECT_EQ(controller->playerBar()->durationLabel()->text(), QStringLiteral("0:00"));

    player()->playerPlayPause();
    EXPECT_EQ(player()->playbackState(), State::Paused);
    player()->playerPlayPause();
    EXPECT_EQ(player()->playbackState(), State::Playing);
    ASSERT_TRUE(waitForState(State::Finished));

    // Play/pause after the end starts again from 0; with repeat on the end loops.
    player()->repeatPressed();
    EXPECT_TRUE(SVSettings::open().value("SVPlayerRepeat").toBool());
    player()->playerPlayPause();
    EXPECT_EQ(player()->playbackState(), State::Playing);
    const double start = SVPlayheadDiagnostics::uptime();
    QTest::qWait(600);
    EXPECT_EQ(player()->playbackState(), State::Playing) << SVPlayheadDiagnostics::uptime() - start;
    player()->stopPlaybackAction();
    EXPECT_EQ(player()->playbackState(), State::Idle);
    EXPECT_DOUBLE_EQ(player()->sound()->currentTime(), 0.0);
}

TEST_F(Player, MissingAndUndecodableFilesFail) {
    startWithTones(3);
    removeRowFile(1);
    player()->loadSampleAtIndex(1, true);
    EXPECT_EQ(player()->playbackState(), State::Failed);
    EXPECT_EQ(browser()->statusText(),
              QStringLiteral("Sample unavailable: %1 — open Libraries and run Full Scan to find "
                             "its new path")
                  .arg(QString::fromStdString(rowName(1))));

    sv::testing::writeBytes(browser()->rows()[2].path, std::string(4000, 'z'));
    player()->loadSampleAtIndex(2, true);
    ASSERT_TRUE(waitForState(State::Failed));
    EXPECT_TRUE(browser()->statusText().startsWith(
        QStringLiteral("Cannot preview %1: ").arg(QString::fromStdString(rowName(2)))))
        << browser()->statusText().toStdString();
    EXPECT_EQ(player()->sound(), nullptr);
    // Every control keeps working without a player.
    player()->seekByFraction(0.07);
    player()->seekWaveform(1.0);
    player()->restartCurrentSample();
    player()->updatePlayer(true);
}

TEST_F(Player, NextSkipsUnavailableRowsAndCrossesPages) {
    startWithTones(60);
    for (int row : {1, 2, 3})
        removeRowFile(row);
    player()->loadSampleAtIndex(0, false);
    ASSERT_TRUE(waitForState(State::Idle));
    player()->nextSample();
    EXPECT_EQ(browser()->statusText(), QStringLiteral("Skipped unavailable sample"));
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_EQ(loadedName(), rowName(4));

    player()->loadSampleAtIndex(49, false);
    ASSERT_TRUE(waitForState(State::Idle));
    const std::string lastOfFirstPage = rowName(49);
    player()->nextSample();
    ASSERT_TRUE(waitFor([this] { return browser()->page() == 1; }));
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_EQ(loadedName(), rowName(0));
    EXPECT_NE(loadedName(), lastOfFirstPage);
    EXPECT_EQ(player()->currentIndex(), 0);

    // Previous from the first row goes back to the last row of page 1.
    player()->previousSample();
    ASSERT_TRUE(waitFor([&] { return browser()->page() == 0 && loadedName() == lastOfFirstPage; }));
}

TEST_F(Player, StaleDecodesAreDropped) {
    startWithTones(3);
    player()->loadSampleAtIndex(0, true);
    player()->loadSampleAtIndex(1, true);
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_EQ(loadedName(), rowName(1));
    player()->waitForDecodes();
    QCoreApplication::processEvents();
    EXPECT_EQ(loadedName(), rowName(1));

    // A new browsing location while decoding discards the decode.
    player()->loadSampleAtIndex(2, true);
    SVBrowseScope favorites;
    favorites.favoriteMode = true;
    browser()->setScope(favorites);
    player()->waitForDecodes();
    QTest::qWait(50);
    EXPECT_EQ(player()->sound(), nullptr);
    EXPECT_EQ(player()->playbackState(), State::Loading);
}

TEST_F(Player, SeekingStaysInsideTheSample) {
    startWithTones(1, 1.0);
    player()->loadSampleAtIndex(0, false);
    ASSERT_TRUE(waitForState(State::Idle));
    SVAudioFilePlayer* sound = player()->sound();
    ASSERT_NE(sound, nullptr);
    const double duration = sound->duration();
    sound->setCurrentTime(duration * 0.98);
    player()->seekByFraction(0.07);
    EXPECT_DOUBLE_EQ(sound->currentTime(), duration);
    sound->setCurrentTime(duration * 0.03);
    player()->seekByFraction(-0.07);
    EXPECT_DOUBLE_EQ(sound->currentTime(), 0.0);
}

// A producer auditions with the keyboard alone, right after the window opens.
TEST_F(Player, AuditionByKeyboard) {
    startWithTones(60, 2.0);
    QWidget* window = controller->window();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(waitFor([] { return QApplication::focusWidget() != nullptr; }));
    EXPECT_EQ(QApplication::focusWidget(), browser()->table());
    const auto press = [](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QCoreApplication::processEvents();
    };
    // Nothing loaded and nothing selected: the arrows have no row to move from.
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(player()->currentSample(), std::nullopt);
    // Space starts the first row of the page.
    press(Qt::Key_Space);
    ASSERT_TRUE(waitForState(State::Playing));
    const std::string first = rowName(0);
    EXPECT_EQ(loadedName(), first);
    press(Qt::Key_Down);
    ASSERT_TRUE(waitFor([&] { return loadedName() == rowName(1); }));
    ASSERT_TRUE(waitForState(State::Playing));
    // Right shows the next page; the sample keeps playing and the page's first row is the anchor.
    press(Qt::Key_Right);
    ASSERT_TRUE(waitFor([this] { return browser()->page() == 1; }));
    EXPECT_EQ(player()->playbackState(), State::Playing);
    EXPECT_EQ(browser()->table()->selectedRow(), 0);
    // Up from that anchor crosses back and plays the last row of the first page.
    press(Qt::Key_Up);
    ASSERT_TRUE(waitFor([this] { return browser()->page() == 0; }));
    ASSERT_TRUE(waitFor([this] { return player()->currentIndex() == 49; }));
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_EQ(loadedName(), rowName(49));
}

TEST_F(Player, FavouritesPlaylistsAndTheBarFromThePlayer) {
    startWithTones(2, 1.0);
    SVPlayerBar* bar = controller->playerBar();
    auto* handle = qobject_cast<SVFileDragView*>(bar->dragHandle());
    ASSERT_NE(handle, nullptr);
    player()->updatePlayer();
    EXPECT_TRUE(handle->isDimmed());
    EXPECT_FALSE(bar->favoriteButton()->isEnabled());

    player()->loadSampleAtIndex(0, true);
    ASSERT_TRUE(waitForState(State::Playing));
    EXPECT_FALSE(handle->isDimmed());
    EXPECT_EQ(handle->fileURL(),
              QUrl::fromLocalFile(QString::fromStdString(browser()->rows()[0].path)));

    sv::Database& db = controller->database();
    player()->playerToggleFavorite();
    EXPECT_TRUE(db.isFavorite(player()->playingSampleId()));
    EXPECT_TRUE(browser()->rows()[0].favorite);
    EXPECT_EQ(bar->favoriteButton()->text(), QStringLiteral("♥"));
    player()->removeLoveFromCurrentSample();
    EXPECT_FALSE(db.isFavorite(player()->playingSampleId()));
    EXPECT_EQ(player()->playbackState(), State::Playing);

    int prompts = 0;
    player()->setPlaylistNamePrompt([&prompts] {
        ++prompts;
        return std::optional<QString>(QStringLiteral("Keepers"));
    });
    QString alert;
    player()->setAlertPresenter([&alert](const QString& title, const QString& text) {
        alert = title + QStringLiteral(": ") + text;
    });
    player()->newPlaylistForLoadedSample();
    ASSERT_EQ(db.playlists().size(), 1u);
    SVBrowseScope keepers;
    keepers.playlistId = db.playlists()[0].id;
    sv::SearchQuery inPlaylist;
    inPlaylist.playlistId = keepers.playlistId;
    EXPECT_EQ(db.countMatching(inPlaylist), 1);
    player()->newPlaylistForLoadedSample();
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(alert, QStringLiteral("Couldn’t create playlist: A playlist with that name already "
                                    "exists"));
    EXPECT_EQ(player()->playbackState(), State::Playing);

    // Desktop shows repeat and volume, Compact Vertical the stop button and the handle.
    EXPECT_FALSE(bar->stopButton()->isVisibleTo(bar));
    EXPECT_TRUE(bar->repeatButton()->isVisibleTo(bar));
    EXPECT_FALSE(handle->isVisibleTo(bar));
    EXPECT_TRUE(controller->window()->grab().save(pngPath("desktop-playing.png")));
    controller->switchLayout(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller->window()->grab().save(pngPath("compact-playing.png")));
    EXPECT_TRUE(bar->stopButton()->isVisibleTo(bar));
    EXPECT_FALSE(bar->volumeSlider()->isVisibleTo(bar));
    EXPECT_TRUE(handle->isVisibleTo(bar));
    EXPECT_EQ(bar->width(), controller->window()->centralWidget()->width());
}

TEST(PlayerClock, Texts) {
    EXPECT_EQ(SVPlayerController::clock(-1), QStringLiteral("0:00"));
    EXPECT_EQ(SVPlayerController::clock(std::nan("")), QStringLiteral("0:00"));
    EXPECT_EQ(SVPlayerController::clock(65.9), QStringLiteral("1:05"));
    EXPECT_EQ(SVPlayerController::clock(4500), QStringLiteral("75:00"));
}

TEST(PlayheadChecks, StallOnlyWhilePlayingWithoutProgress) {
    sv::testing::TempHome home;
    SVPlayheadDiagnostics recorder(true, QString::fromStdString((home.root() / "d.log").string()));
    SVPlayheadChecks checks(recorder);
    SVPlayheadInputs in;
    in.hasSample = in.hasSound = true;
    in.state = 3;  // paused: never a stall
    in.duration = 2.0;
    for (double t = 10.0; t < 16.0; t += 0.12) {
        in.now = t;
        in.fromTimer = true;
        checks.beforeUpdate(in);
        checks.afterUpdate(in);
    }
    EXPECT_FALSE(recorder.lines().join('\n').contains(QStringLiteral("PLAYHEAD_STALL_DETECTED")));
    in.state = 2;
    in.audioPlaying = true;
    for (double t = 16.0; t < 19.0; t += 0.12) {
        in.now = t;
        checks.beforeUpdate(in);
        checks.afterUpdate(in);
    }
    const QString text = recorder.lines().join('\n');
    EXPECT_EQ(text.count(QStringLiteral("PLAYHEAD_STALL_DETECTED")), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("snapshot timer=")));
    // A timer tick arriving 0.8 s late is a gap.
    in.now += 0.8;
    checks.beforeUpdate(in);
    EXPECT_TRUE(recorder.lines().last().startsWith(QStringLiteral("timer-gap seconds=0.8")) ||
                recorder.lines().join('\n').contains(QStringLiteral("timer-gap seconds=0.8")));
}

}  // namespace
}  // namespace svapp_test
