// A keyboard user Tabs to a control and works it with its own keys, while every other shortcut
// keeps working there; a click never leaves a control holding the keys that play.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <string>

#include "app/player/player_bar.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/waveform_view.h"
#include "app/sidebar/sidebar_button.h"
#include "app/window/main_window.h"
#include "audio/playback/audio_output.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

class KeyboardControls : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
        const auto audio = sv::testing::sine(2.0, 22050, 330.0);
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        // Two packs, so that the folder outline has rows to move between.
        for (int i = 0; i < 4; ++i) {
            const char* pack = i % 2 == 0 ? "Bass" : "Keys";
            std::filesystem::create_directories(libraryFolder / pack);
            sv::testing::writeWav(
                libraryFolder / pack / ("Bass Loop " + std::to_string(i) + ".wav"), audio, options);
        }
        startApp();
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        controller->browser()->refresh();
        ASSERT_EQ(controller->browser()->rows().size(), 4u);
        controller->player()->loadSampleAtIndex(0, false);
        ASSERT_TRUE(waitFor([this] {
            return controller->player()->currentSample().has_value() &&
                   bar()->waveform()->duration() > 0.0;
        }));
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }

    QWidget* window() const { return controller->window(); }
    SVPlayerBar* bar() const { return controller->playerBar(); }
    SVResultsTable* results() const { return controller->browser()->table(); }
    bool playing() const { return bar()->playShowsPause(); }
    bool repeating() const { return bar()->repeatButton()->toolTip() == "Repeat on"; }

    SVSidebarButton* sidebarButton(const QString& title) const {
        for (auto* button : window()->findChildren<SVSidebarButton*>()) {
            if (button->accessibleName() == title)
                return button;
        }
        return nullptr;
    }

    // A key from the window system: it reaches the window, then the focused control.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(window()->windowHandle(), key, modifiers);
        QCoreApplication::processEvents();
    }

    // A click from the window system in the middle of the control.
    void click(QWidget* control) {
        const QPoint centre = control->mapTo(window(), control->rect().center());
        QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
        QCoreApplication::processEvents();
    }

    void stopPlaying() {
        if (playing())
            controller->player()->playerPlayPause();
        ASSERT_TRUE(waitFor([this] { return !playing(); }));
    }
};

enum class Effect { Plays, Presses, TogglesRepeat, Deselects, MovesSlider, MovesRow };

const char* effectName(Effect effect) {
    switch (effect) {
        case Effect::Plays:
            return "plays";
        case Effect::Presses:
            return "presses the control";
        case Effect::TogglesRepeat:
            return "toggles repeat";
        case Effect::Deselects:
            return "deselects rows";
        case Effect::MovesSlider:
            return "moves the slider";
        case Effect::MovesRow:
            return "moves to another row";
    }
    return "";
}

TEST_F(KeyboardControls, AFocusedControlTakesItsOwnKeysAndLeavesTheOthersToShortcuts) {
    QWidget* loops = sidebarButton("Loops");
    ASSERT_TRUE(loops);
    QWidget* repeat = bar()->repeatButton();
    QSlider* volume = bar()->volumeSlider();
    auto* outline = window()->findChild<QTreeView*>();
    ASSERT_TRUE(outline);
    QWidget* sort = controller->browser()->header()->filenameButton();
    QWidget* layout = static_cast<SVMainWindow*>(window())->layoutSwitchButton(0);

    struct Case {
        const char* name;
        QWidget* control;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Effect effect;
    };
    const Case cases[] = {
        {"results", results(), Qt::Key_Space, Qt::NoModifier, Effect::Plays},
        {"sidebar button", loops, Qt::Key_Space, Qt::NoModifier, Effect::Presses},
        {"sidebar button", loops, Qt::Key_Return, Qt::NoModifier, Effect::Presses},
        {"sidebar button", loops, Qt::Key_Enter, Qt::KeypadModifier, Effect::Presses},
        {"sidebar button", loops, Qt::Key_R, Qt::ControlModifier, Effect::TogglesRepeat},
        {"sidebar button", loops, Qt::Key_Escape, Qt::NoModifier, Effect::Deselects},
        {"repeat button", repeat, Qt::Key_Space, Qt::NoModifier, Effect::Presses},
        {"repeat button", repeat, Qt::Key_Return, Qt::NoModifier, Effect::Presses},
        {"sort button", sort, Qt::Key_Space, Qt::NoModifier, Effect::Presses},
        {"sort button", sort, Qt::Key_Space, Qt::ShiftModifier, Effect::Plays},
        {"volume", volume, Qt::Key_Left, Qt::NoModifier, Effect::MovesSlider},
        {"volume", volume, Qt::Key_PageDown, Qt::NoModifier, Effect::MovesSlider},
        {"volume", volume, Qt::Key_Home, Qt::NoModifier, Effect::MovesSlider},
        {"volume", volume, Qt::Key_End, Qt::NoModifier, Effect::MovesSlider},
        {"volume", volume, Qt::Key_Space, Qt::NoModifier, Effect::Plays},
        {"volume", volume, Qt::Key_Escape, Qt::NoModifier, Effect::Deselects},
        {"outline", outline, Qt::Key_Down, Qt::NoModifier, Effect::MovesRow},
        {"outline", outline, Qt::Key_Space, Qt::NoModifier, Effect::Plays},
        // Last: it switches to the compact layout.
        {"layout button", layout, Qt::Key_Return, Qt::NoModifier, Effect::Presses},
    };
    volume->setValue(500);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + QTest::toString(c.key) + ": " +
                     effectName(c.effect));
        stopPlaying();
        controller->browser()->table()->selectRows({1});
        if (c.control == outline)
            outline->setCurrentIndex(outline->model()->index(0, 0));
        if (c.control == outline)
            outline->expand(outline->model()->index(0, 0));
        c.control->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), c.control);
        QSignalSpy clicks(c.control, SIGNAL(clicked()));
        const bool repeatBefore = repeating();
        const int volumeBefore = volume->value();
        const QModelIndex rowBefore = outline->currentIndex();

        press(c.key, c.modifiers);

        const bool played =
            waitFor([this] { return playing(); }, c.effect == Effect::Plays ? 3000 : 100);
        EXPECT_EQ(played, c.effect == Effect::Plays);
        EXPECT_EQ(clicks.count(), c.effect == Effect::Presses ? 1 : 0);
        if (c.control != repeat) {
            EXPECT_EQ(repeating() != repeatBefore, c.effect == Effect::TogglesRepeat);
        }
        EXPECT_EQ(volume->value() != volumeBefore, c.effect == Effect::MovesSlider);
        EXPECT_EQ(outline->currentIndex() != rowBefore, c.effect == Effect::MovesRow);
        // A press may change the place, and with it the rows; only Esc is checked here.
        if (c.effect == Effect::Deselects) {
            EXPECT_TRUE(results()->selectedRows().empty());
        }
        if (c.effect == Effect::MovesSlider)
            volume->setValue(500);
    }
}

TEST_F(KeyboardControls, AClickOnAnyControlGivesTheKeyboardBackToTheResults) {
    QWidget* loops = sidebarButton("Loops");
    QWidget* all = sidebarButton("All Samples");
    ASSERT_TRUE(loops && all);
    const QList<QWidget*> controls = {loops,
                                      all,
                                      bar()->repeatButton(),
                                      bar()->volumeSlider(),
                                      controller->browser()->header()->filenameButton(),
                                      bar()->repeatButton()};
    for (QWidget* control : controls) {
        SCOPED_TRACE(control->accessibleName().toStdString());
        stopPlaying();
        // Even a control the keyboard had reached hands it over when clicked, and the click
        // still does what it says.
        control->setFocus(Qt::TabFocusReason);
        auto* button = qobject_cast<QAbstractButton*>(control);
        int clicks = 0;
        QMetaObject::Connection counting;
        if (button)
            counting = QObject::connect(button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        click(control);
        EXPECT_EQ(QApplication::focusWidget(), results());
        if (button) {
            EXPECT_EQ(clicks, 1);
            QObject::disconnect(counting);
        }
        press(Qt::Key_Space, Qt::NoModifier);
        EXPECT_TRUE(waitFor([this] { return playing(); }, 3000));
    }
    // A click into the search field keeps the keys there for typing.
    stopPlaying();
    QWidget* search = controller->browser()->searchField();
    click(search);
    EXPECT_EQ(QApplication::focusWidget(), search);
    press(Qt::Key_Space, Qt::NoModifier);
    EXPECT_FALSE(playing());
}

}  // namespace
}  // namespace svapp_test
