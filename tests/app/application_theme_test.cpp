#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "app/theme/application_theme.h"
#include "app/window/main_menu.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

class ApplicationTheme : public AppTest {
  protected:
    void TearDown() override {
        SVTheme::applyApplicationTheme(QStringLiteral("Purple"));
        AppTest::TearDown();
    }
};

// Relative luminance contrast of two colours (1 to 21).
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Menus, alerts, input and file dialogs made anywhere in the application, before or after a
// theme is applied, take its palette: nothing is light on the dark window.
TEST_F(ApplicationTheme, MenusAlertsAndDialogsFollowTheTheme) {
    startApp();
    const auto* style = qobject_cast<const QProxyStyle*>(QApplication::style());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->baseStyle()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));

    QMenu menuMadeEarlier;
    for (const char* name : {"Classic", "Green", "Purple", "unknown"}) {
        SCOPED_TRACE(name);
        SVTheme::applyApplicationTheme(QString::fromLatin1(name));
        // Open windows take the change as events are processed.
        QCoreApplication::processEvents();
        const SVTheme::Palette colors = SVTheme::palette(QString::fromLatin1(name));
        QMenu menu;
        QMessageBox alert(QMessageBox::Warning, QStringLiteral("Remove"), QStringLiteral("Sure?"));
        QInputDialog input;
        QFileDialog chooser;
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 &menu, &menuMadeEarlier, &alert, &input, &chooser, controller->window()}) {
            SCOPED_TRACE(widget->metaObject()->className());
            const QPalette palette = widget->palette();
            EXPECT_EQ(palette.color(QPalette::Window), colors[SVTheme::kBackground]);
            EXPECT_EQ(palette.color(QPalette::Highlight), colors[SVTheme::kAccent]);
            EXPECT_GE(
                contrast(palette.color(QPalette::WindowText), palette.color(QPalette::Window)),
                7.0);
            EXPECT_GE(contrast(palette.color(QPalette::Text), palette.color(QPalette::Base)), 7.0);
            EXPECT_GE(
                contrast(palette.color(QPalette::ButtonText), palette.color(QPalette::Button)),
                7.0);
            EXPECT_LT(palette.color(QPalette::Disabled, QPalette::Text).lightness(),
                      palette.color(QPalette::Text).lightness());
        }
        // A menu's separator reads against the menu: its line is clearly lighter than the
        // menu around it.
        QMenu grouped;
        grouped.addAction(QStringLiteral("Open at Launch"));
        QAction* separator = grouped.addSeparator();
        grouped.addAction(QStringLiteral("Add to Featured"));
        grouped.adjustSize();
        const QImage shot = grouped.grab().toImage();
        const QRect line = grouped.actionGeometry(separator);
        const int x = line.center().x();
        int lightest = 0;
        for (int y = line.top(); y <= line.bottom(); ++y)
            lightest = std::max(lightest, qGray(shot.pixel(x, y)));
        EXPECT_GE(lightest - qGray(shot.pixel(x, line.bottom() + 3)), 25);
        EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase),
                  colors[SVTheme::kChipBackground]);
        EXPECT_GE(contrast(QToolTip::palette().color(QPalette::ToolTipText),
                           QToolTip::palette().color(QPalette::ToolTipBase)),
                  7.0);
    }
}

TEST_F(ApplicationTheme, LaunchUsesTheChosenTheme) {
    SVSettings::open().setValue(QStringLiteral("SVThemeSelection"), QStringLiteral("Green"));
    startApp();
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
              SVTheme::palette(QStringLiteral("Green"))[SVTheme::kAccent]);
}

// "Settings…" and Ctrl+, open the settings dialog; "About" and "Quit" answer as before.
TEST_F(ApplicationTheme, SettingsItemOpensTheSettings) {
    startApp();
    QAction* settings = controller->mainMenu()->settingsAction();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->text(), QStringLiteral("Settings…"));
    EXPECT_EQ(settings->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_TRUE(settings->isEnabled());
    QSignalSpy shown(controller->mainMenu(), &SVMainMenu::showFeaturedSettings);
    settings->trigger();
    EXPECT_EQ(shown.count(), 1);
    const auto* menu = controller->window()->findChild<QMenu*>(QStringLiteral("applicationMenu"));
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        }
    }
}

}  // namespace
}  // namespace svapp_test
