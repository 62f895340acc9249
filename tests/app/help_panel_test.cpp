// The guide in the side panel: the quick guide and the current keys of every shortcut, the
// collapse that narrows the panel to a strip, and the CPU and memory figures sampled only while
// they are on screen.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>

#include "app/featured/help_panel.h"
#include "app/inspector/side_panel.h"
#include "app/shortcuts/customize_shortcuts_dialog.h"
#include "app/shortcuts/shortcut_recorder_button.h"
#include "app/window/main_menu.h"
#include "app/window/main_window.h"
#include "app/window/resource_monitor.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

class HelpPanel : public AppTest {
  protected:
    void startWide() {
        startApp([] { return QRect(0, 0, 1920, 1200); });
        controller->window()->resize(1536, 770);
        controller->applicationDidBecomeActive();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    SVSidePanel* side() const {
        return qobject_cast<SVSidePanel*>(controller->window()->sidePanel());
    }
};

TEST_F(HelpPanel, GuideListsEveryShortcutWithItsCurrentKey) {
    startWide();
    SVHelpPanel* help = controller->helpPanel();
    ASSERT_NE(help, nullptr);
    ASSERT_NE(side(), nullptr);
    EXPECT_EQ(side()->guideContent(), help);
    EXPECT_EQ(side()->titleLabel()->text(), QStringLiteral("Guide & Shortcuts"));
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->helpTextLabel()->text(),
              QStringLiteral("QUICK GUIDE\n\nClick a row to preview\nDrag samples into your DAW\n"
                             "Right-click folders and playlists for options\n\nKEYBOARD\n\n"
                             "Space   Play / Pause\n"
                             "Ctrl+← / 0   Restart from Beginning\n"
                             "1   Seek Backward 7%\n"
                             "2   Seek Forward 7%\n"
                             "↑   Previous Sample\n"
                             "↓   Next Sample\n"
                             "←   Previous Page\n"
                             "→   Next Page\n"
                             "+   Love / Unlove\n"
                             "−   Remove Love\n"
                             "Ctrl+R   Repeat / Unrepeat\n"
                             "Ctrl+F   Focus Search\n"));
    // The text is read as it stands: a description captions it, no name replaces it.
    EXPECT_TRUE(help->helpTextLabel()->accessibleName().isEmpty());
    EXPECT_FALSE(help->helpTextLabel()->accessibleDescription().isEmpty());
}

// Saving new keys in "Customize Shortcuts" changes the guide at once.
TEST_F(HelpPanel, GuideFollowsKeysSavedInCustomizeShortcuts) {
    startWide();
    controller->applicationDidBecomeActive();
    QCoreApplication::processEvents();
    auto* help = controller->window()->menuBar()->findChild<QMenu*>(QStringLiteral("helpMenu"));
    ASSERT_NE(help, nullptr);
    help->actions().first()->trigger();
    QCoreApplication::processEvents();
    auto* dialog = controller->window()->findChild<SVCustomizeShortcutsDialog*>();
    ASSERT_NE(dialog, nullptr);
    QStringList bindings = dialog->workingBindings();
    bindings[0] = QStringLiteral("K49;M262144;DSuper+Space");
    dialog->setWorkingBindings(bindings);
    dialog->save();
    QCoreApplication::processEvents();
    const QString text = controller->helpPanel()->helpTextLabel()->text();
    EXPECT_TRUE(text.contains(QStringLiteral("\nSuper+Space   Play / Pause\n")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("\nSpace   Play / Pause\n")));
}

TEST_F(HelpPanel, ToggleNarrowsThePanelAndTheFiguresFollowWhatIsOnScreen) {
    startWide();
    SVResourceMonitor* monitor = controller->resourceMonitor();
    SVHelpPanel* help = controller->helpPanel();
    ASSERT_TRUE(help->figuresShown());
    EXPECT_TRUE(monitor->running());
    EXPECT_EQ(side()->width(), 300);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(--|\\d+\\.\\d%)$"))
                    .match(help->cpuLabel()->text())
                    .hasMatch())
        << help->cpuLabel()->text().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(\\d+ MB|\\d+\\.\\d GB)$"))
                    .match(help->memoryLabel()->text())
                    .hasMatch())
        << help->memoryLabel()->text().toStdString();
    monitor->sample();
    EXPECT_EQ(help->cpuLabel()->text(), monitor->cpuText());
    EXPECT_EQ(help->memoryLabel()->text(), monitor->memoryText());

    side()->toggleHelp();
    QCoreApplication::processEvents();
    EXPECT_TRUE(SVSettings::open().value(QStringLiteral("SVHelpCollapsed")).toBool());
    EXPECT_EQ(side()->width(), 55);
    EXPECT_FALSE(help->figuresShown());
    EXPECT_FALSE(monitor->running());

    side()->collapseButton()->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(SVSettings::open().value(QStringLiteral("SVHelpCollapsed")).toBool());
    EXPECT_EQ(side()->width(), 300);
    EXPECT_TRUE(monitor->running());
    // The first figure after a restart has nothing to compare with.
    EXPECT_EQ(help->cpuLabel()->text(), QStringLiteral("--"));

    // A layout without the side panel stops the sampling.
    controller->switchLayout(0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(help->figuresShown());
    EXPECT_FALSE(monitor->running());
}

TEST_F(HelpPanel, CollapsedAtLaunchWhenTheSettingSaysSo) {
    SVSettings::open().setValue(QStringLiteral("SVHelpCollapsed"), true);
    startWide();
    EXPECT_EQ(side()->width(), 55);
    EXPECT_FALSE(controller->helpPanel()->figuresShown());
    EXPECT_FALSE(controller->resourceMonitor()->running());
}

}  // namespace
}  // namespace svapp_test
