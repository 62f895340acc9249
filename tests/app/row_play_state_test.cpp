// A result row's play button shows "■" while its sample plays and "▶" otherwise, on the rows
// already on screen, without waiting for them to be rebuilt.

#include <gtest/gtest.h>

#include <QPushButton>

#include <string>
#include <vector>

#include "app/player/player_bar.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/sample_cell.h"
#include "audio/playback/audio_output.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

class RowPlayState : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        // The first is long enough to be caught playing; the second ends on its own quickly.
        sv::testing::writeWav(libraryFolder / "A Long Pad.wav",
                              sv::testing::sine(3.0, 22050, 220.0), options);
        sv::testing::writeWav(libraryFolder / "B Short Hit.wav",
                              sv::testing::sine(0.3, 22050, 440.0), options);
        sv::testing::writeWav(libraryFolder / "C Long Pad.wav",
                              sv::testing::sine(3.0, 22050, 330.0), options);
        startApp();
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        browser()->refresh();
        ASSERT_EQ(browser()->rows().size(), 3u);
    }

    SVResultsBrowser* browser() const { return controller->browser(); }

    // The play button's symbol of each row, e.g. "▶■▶".
    std::string symbols() const {
        std::string shown;
        for (int row = 0; row < 3; ++row) {
            const SVSampleCell* cell = browser()->sampleCellForRow(row);
            shown += cell ? cell->playButton()->text().toStdString() : "?";
        }
        return shown;
    }

    bool shows(const std::string& expected) const {
        return waitFor([&] { return symbols() == expected; }, 5000);
    }

    void clickPlay(int row) { browser()->sampleCellForRow(row)->playButton()->click(); }
};

TEST_F(RowPlayState, ThePlayingRowShowsStopUntilItsSampleStopsOrEnds) {
    EXPECT_EQ(symbols(), "▶▶▶");

    clickPlay(0);
    ASSERT_TRUE(shows("■▶▶")) << symbols();
    EXPECT_EQ(browser()->sampleCellForRow(0)->playButton()->accessibleName(),
              QStringLiteral("Pause A Long Pad.wav"));

    // Another row's sample takes over: the first row goes back at once.
    clickPlay(2);
    ASSERT_TRUE(shows("▶▶■")) << symbols();
    EXPECT_EQ(browser()->sampleCellForRow(0)->playButton()->accessibleName(),
              QStringLiteral("Play A Long Pad.wav"));

    // Pausing with the player.
    controller->player()->playerPlayPause();
    ASSERT_TRUE(shows("▶▶▶")) << symbols();

    // A short sample that plays to its end.
    clickPlay(1);
    ASSERT_TRUE(shows("▶■▶")) << symbols();
    ASSERT_TRUE(waitFor(
        [this] { return controller->player()->playbackState() == SVPlayerController::Finished; }));
    EXPECT_TRUE(shows("▶▶▶")) << symbols();
}

}  // namespace
}  // namespace svapp_test
