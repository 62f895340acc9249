#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <utility>

#include "app/shortcuts/customize_shortcuts_dialog.h"
#include "app/shortcuts/keyboard_shortcuts.h"
#include "app/shortcuts/mac_key_codes.h"
#include "app/shortcuts/shortcut_bindings.h"
#include "app/shortcuts/shortcut_recorder_button.h"
#include "app/window/main_menu.h"
#include "app/window/settings.h"
#include "tests/support/temp_home.h"

namespace svapp_test {
namespace {

using namespace SVShortcuts;

class ShortcutsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((home.root() / "config").string()));
        auto* central = new QWidget(&window);
        auto* layout = new QVBoxLayout(central);
        search = new QLineEdit(central);
        results = new QWidget(central);
        results->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(search);
        layout->addWidget(results);
        window.setCentralWidget(central);
        shortcuts = new SVKeyboardShortcuts(
            &window, [this](const QString& action) { performed << action; },
            [this] { ++deselections; });
        shortcuts->installTransportShortcuts();
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        results->setFocus();
    }

    // The actions one click of the key performs, joined with ",".
    std::string click(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        performed.clear();
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return performed.join(QLatin1Char(',')).toStdString();
    }

    sv::testing::TempHome home;
    QMainWindow window;
    QLineEdit* search = nullptr;
    QWidget* results = nullptr;
    SVKeyboardShortcuts* shortcuts = nullptr;
    QStringList performed;
    int deselections = 0;
};

TEST_F(ShortcutsTest, DefaultKeysPerformTheirActions) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::string action;
    };
    const Case cases[] = {
        {Qt::Key_Space, Qt::NoModifier, "play"},
        {Qt::Key_Left, Qt::ControlModifier, "restart"},
        {Qt::Key_0, Qt::NoModifier, "restart"},
        {Qt::Key_1, Qt::NoModifier, "seekBack"},
        {Qt::Key_1, Qt::KeypadModifier, "seekBack"},
        {Qt::Key_2, Qt::KeypadModifier, "seekForward"},
        {Qt::Key_Down, Qt::NoModifier, "nextSample"},
        {Qt::Key_Left, Qt::ShiftModifier, "previousPage"},
        {Qt::Key_Left, Qt::AltModifier, ""},
        {Qt::Key_Right, Qt::MetaModifier, ""},
        {Qt::Key_Plus, Qt::ShiftModifier, "love"},
        {Qt::Key_Plus, Qt::KeypadModifier, "love"},
        {Qt::Key_Minus, Qt::KeypadModifier, "unlove"},
        {Qt::Key_R, Qt::ControlModifier, "repeat"},
        {Qt::Key_Less, Qt::ShiftModifier, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(click(c.key, c.modifiers), c.action) << c.key << " " << c.modifiers;
    }
    EXPECT_EQ(click(Qt::Key_Escape), "");
    EXPECT_EQ(deselections, 1);
    // From the window system a key reaches the window before the focused widget: one action.
    performed.clear();
    QTest::keyClick(window.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(performed, QStringList{QStringLiteral("play")});
}

TEST_F(ShortcutsTest, ClaimedKeysWinOverMenuShortcutsAndOthersReachThem) {
    int finds = 0;
    int quits = 0;
    auto* find = window.addAction(QStringLiteral("Find Samples"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(find, &QAction::triggered, [&] { ++finds; });
    auto* quit = window.addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(quit, &QAction::triggered, [&] { ++quits; });

    EXPECT_EQ(click(Qt::Key_F, Qt::ControlModifier), "search");
    EXPECT_EQ(finds, 0);
    EXPECT_EQ(click(Qt::Key_Q, Qt::ControlModifier), "");
    EXPECT_EQ(quits, 1);
    // In the search field Ctrl+F is the menu's again.
    search->setFocus();
    EXPECT_EQ(click(Qt::Key_F, Qt::ControlModifier), "");
    EXPECT_EQ(finds, 1);
}

TEST_F(ShortcutsTest, RepeatsAreConsumedWithoutAction) {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(results, &repeat);
    EXPECT_TRUE(performed.isEmpty());
    EXPECT_EQ(click(Qt::Key_Down), "nextSample");
}

TEST_F(ShortcutsTest, SearchFieldKeepsItsKeysButEscStillDeselects) {
    search->setFocus();
    EXPECT_EQ(click(Qt::Key_Space), "");
    EXPECT_EQ(search->text(), QStringLiteral(" "));
    EXPECT_EQ(click(Qt::Key_Escape), "");
    EXPECT_EQ(deselections, 1);
}

TEST_F(ShortcutsTest, OldAndInvalidStoredBindingsAreRemoved) {
    {
        QSettings settings = SVSettings::open();
        settings.setValue(QStringLiteral("SVShortcut.previousPage"), QStringLiteral("Less"));
        settings.setValue(QStringLiteral("SVShortcut.play"), QStringLiteral("K49;Mx;DSpace"));
        settings.setValue(QStringLiteral("SVShortcut.restart"), QStringLiteral("K15;M0;DR"));
        settings.setValue(QStringLiteral("SVShortcut.restartAlt"), QStringLiteral("Up"));
    }
    EXPECT_EQ(click(Qt::Key_Less, Qt::ShiftModifier), "");
    EXPECT_EQ(click(Qt::Key_Left), "previousPage");
    EXPECT_EQ(click(Qt::Key_Space), "play");
    QSettings settings = SVSettings::open();
    EXPECT_FALSE(settings.contains(QStringLiteral("SVShortcut.previousPage")));
    EXPECT_FALSE(settings.contains(QStringLiteral("SVShortcut.play")));
    // A stored single part of a two-part default takes its second part from the "Alt" key.
    EXPECT_EQ(bindingForAction(QStringLiteral("restart")), QStringLiteral("K15;M0;DR|Up"));
}

TEST_F(ShortcutsTest, RecordedControlSpaceIsSavedAndOnlyItPlays) {
    QList<std::pair<QString, QString>> alerts;
    SVCustomizeShortcutsDialog dialog(&window);
    dialog.setAlertFunction([&](QWidget*, const QString& title, const QString& text) {
        alerts << std::pair(title, text);
    });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    SVShortcutRecorderButton* play = dialog.recorder(0, 0);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(dialog.recorder(1, 1)->recordedBinding(), QStringLiteral("0"));

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), QStringLiteral("Press shortcut…"));
    QTest::keyClick(play, Qt::Key_1);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], std::pair(QStringLiteral("Shortcut Already In Use"),
                                   QStringLiteral("1 is already assigned to another function.")));
    EXPECT_EQ(play->recordedBinding(), QStringLiteral("Space"));

    QTest::mouseClick(play, Qt::LeftButton);
    QTest::keyClick(play, Qt::Key_Space, Qt::MetaModifier);
    EXPECT_EQ(play->recordedBinding(), QStringLiteral("K49;M262144;DSuper+Space"));
    EXPECT_EQ(play->text(), QStringLiteral("Super+Space"));
    EXPECT_FALSE(play->hasFocus());
    dialog.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(SVSettings::open().value(QStringLiteral("SVShortcut.play")).toString(),
              QStringLiteral("K49;M262144;DSuper+Space"));

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    results->setFocus();
    EXPECT_EQ(click(Qt::Key_Space), "");
    EXPECT_EQ(click(Qt::Key_Space, Qt::ShiftModifier | Qt::MetaModifier), "");
    EXPECT_EQ(click(Qt::Key_Space, Qt::MetaModifier), "play");
}

TEST_F(ShortcutsTest, DuplicateKeysOnSaveAreAConflictAndTheDialogStays) {
    SVSettings::open().setValue(QStringLiteral("SVShortcut.love"), QStringLiteral("Space"));
    QStringList titles;
    SVCustomizeShortcutsDialog dialog(&window);
    dialog.setAlertFunction([&](QWidget*, const QString& title, const QString& text) {
        titles << title + ": " + text;
    });
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    EXPECT_EQ(titles, QStringList{"Shortcut Conflict: Each key combination can only be assigned "
                                  "once."});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.recorder(8, 0)->recordedBinding(), QStringLiteral("Space"));
    EXPECT_FALSE(SVSettings::open().contains(QStringLiteral("SVShortcut.play")));

    dialog.findChild<QPushButton*>(QStringLiteral("restoreDefaultsButton"))->click();
    EXPECT_EQ(dialog.recorder(8, 0)->recordedBinding(), QStringLiteral("Plus"));
    dialog.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    EXPECT_EQ(titles.size(), 1);
    EXPECT_EQ(SVSettings::open().value(QStringLiteral("SVShortcut.restart")).toString(),
              QStringLiteral("CommandLeft|0"));
}

TEST_F(ShortcutsTest, RecordedSeparatorCharactersKeepTheBindingValid) {
    const SVKeyPress bar{42, kShift, QStringLiteral("|"), QStringLiteral("|"), false};
    const SVKeyPress semicolon{41, 0, QStringLiteral(";"), QStringLiteral(";"), false};
    for (const SVKeyPress& press : {bar, semicolon}) {
        const QString token = bindingTokenForEvent(press);
        EXPECT_TRUE(isValidShortcutBinding(token)) << token.toStdString();
        SVSettings::open().setValue(QStringLiteral("SVShortcut.love"), token);
        EXPECT_EQ(bindingForAction(QStringLiteral("love")), token);
        EXPECT_TRUE(eventMatchesBinding(press, bindingForAction(QStringLiteral("love"))));
    }
    EXPECT_EQ(displayForBinding(bindingTokenForEvent(bar)), QStringLiteral("Shift+Key 42"));
}

TEST_F(ShortcutsTest, HelpMenuOffersCustomizeShortcutsOnce) {
    SVMainMenu menu(&window);
    int requests = 0;
    QObject::connect(&menu, &SVMainMenu::customizeShortcuts, [&] { ++requests; });
    menu.installShortcutMenu();
    menu.installShortcutMenu();
    const QList<QMenu*> helpMenus = window.menuBar()->findChildren<QMenu*>("helpMenu");
    ASSERT_EQ(helpMenus.size(), 1);
    ASSERT_EQ(helpMenus[0]->actions().size(), 2);
    EXPECT_EQ(helpMenus[0]->actions()[0]->text(), QStringLiteral("Customize Shortcuts…"));
    EXPECT_EQ(helpMenus[0]->actions()[1]->text(), QStringLiteral("Quick Tour"));
    helpMenus[0]->actions()[0]->trigger();
    EXPECT_EQ(requests, 1);
}

TEST(MacKeyCodes, QtKeysBecomeTheSamePhysicalMacKeys) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        quint16 code;
        QString unmodified;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::ShiftModifier, 0, "a"},
        {Qt::Key_1, Qt::NoModifier, 18, "1"},
        {Qt::Key_0, Qt::NoModifier, 29, "0"},
        {Qt::Key_0, Qt::KeypadModifier, 82, "0"},
        {Qt::Key_9, Qt::KeypadModifier, 92, "9"},
        {Qt::Key_Less, Qt::ShiftModifier, 43, ","},
        {Qt::Key_Greater, Qt::ShiftModifier, 47, "."},
        {Qt::Key_Underscore, Qt::ShiftModifier, 27, "-"},
        {Qt::Key_Plus, Qt::ShiftModifier, 24, "="},
        {Qt::Key_Plus, Qt::KeypadModifier, 69, "+"},
        {Qt::Key_Minus, Qt::KeypadModifier, 78, "-"},
        {Qt::Key_Up, Qt::KeypadModifier, 126, ""},
        {Qt::Key_Escape, Qt::NoModifier, 53, ""},
        {Qt::Key_PageDown, Qt::NoModifier, 121, ""},
    };
    for (const Case& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        const std::optional<SVKeyPress> press = SVMacKeys::keyPressFromEvent(event);
        ASSERT_TRUE(press) << c.key;
        EXPECT_EQ(press->keyCode, c.code) << c.key;
        EXPECT_EQ(press->charactersIgnoringModifiers, c.unmodified) << c.key;
    }
    EXPECT_FALSE(SVMacKeys::keyPressFromEvent(
        QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier)));
    EXPECT_EQ(SVMacKeys::macModifiers(Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier |
                                      Qt::ShiftModifier | Qt::KeypadModifier),
              kShortcutModifierMask);
}

}  // namespace
}  // namespace svapp_test
