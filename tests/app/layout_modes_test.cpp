#include <QSettings>
#include <QTest>

#include "app/window/layout_modes.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

const QRect kLaptop(0, 0, 1440, 875);

TEST(LayoutRules, ClampOnA1440By875Screen) {
    EXPECT_EQ(SVLayout::clampedContentSize(QSize(1536, 770), 1, kLaptop), QSize(1416, 770));
    EXPECT_EQ(SVLayout::clampedContentSize(QSize(704, 1536), 0, kLaptop), QSize(704, 851));
    // Unparsable sizes are zero and are raised to the minimums.
    EXPECT_EQ(SVLayout::sizeFromString(QStringLiteral("garbage")), QSize(0, 0));
    EXPECT_EQ(SVLayout::clampedContentSize(QSize(0, 0), 1, kLaptop), QSize(1100, 577));
    EXPECT_EQ(SVLayout::clampedContentSize(QSize(0, 0), 0, kLaptop), QSize(560, 700));
    EXPECT_EQ(SVLayout::sizeToString(QSize(1536, 770)), QStringLiteral("{1536, 770}"));
    EXPECT_EQ(SVLayout::sizeFromString(QStringLiteral("{1300, 600}")), QSize(1300, 600));
}

TEST(LayoutRules, ModeSwitchingWidths) {
    struct Case {
        int width;
        int from;
        int to;
    };
    const Case cases[] = {{760, 0, 0}, {810, 0, 0}, {820, 0, 1}, {701, 1, 1},
                          {700, 1, 0}, {819, 1, 1}, {600, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(SVLayout::modeAfterResize(c.width, c.from), c.to) << c.width;
        EXPECT_EQ(SVLayout::liveResizeMode(c.width, c.from), c.to) << c.width;
    }
    EXPECT_EQ(SVLayout::liveResizeSize(QSize(500, 500), 0, kLaptop), QSize(600, 560));
    EXPECT_EQ(SVLayout::liveResizeSize(QSize(900, 500), 1, kLaptop), QSize(900, 577));
    EXPECT_EQ(SVLayout::liveResizeSize(QSize(3000, 3000), 1, kLaptop), QSize(1416, 851));
}

TEST(LayoutRules, SnapsAtTheEndOfAResize) {
    EXPECT_EQ(SVLayout::snappedSize(QSize(1500, 790), 1), QSize(1536, 770));
    EXPECT_EQ(SVLayout::snappedSize(QSize(1300, 615), 1), QSize(1300, 600));
    EXPECT_EQ(SVLayout::snappedSize(QSize(1463, 700), 1), QSize(1463, 700));
    EXPECT_EQ(SVLayout::snappedSize(QSize(750, 1490), 0), QSize(704, 1536));
    EXPECT_EQ(SVLayout::snappedSize(QSize(761, 1479), 0), QSize(761, 1479));
}

TEST(LayoutRules, PlacementInTheVisibleFrame) {
    const QRect visible(0, 30, 1000, 800);
    EXPECT_EQ(SVLayout::placedFrameOrigin(QSize(600, 400), visible), QPoint(200, 230));
    // Wider but not taller: right edge on the right edge, bottom edge on the bottom edge.
    EXPECT_EQ(SVLayout::placedFrameOrigin(QSize(1200, 400), visible), QPoint(-200, 430));
}

TEST(LayoutRules, VisibilityTable) {
    const auto compact = SVLayout::visibility(0, 704, false, false, true);
    EXPECT_FALSE(compact.sidebar);
    EXPECT_FALSE(compact.paginationShown);
    EXPECT_EQ(compact.resultsX, 16);
    EXPECT_EQ(compact.resultsWidth, 672);
    const auto desktop = SVLayout::visibility(1, 1536, false, false, true);
    EXPECT_TRUE(desktop.sidebar);
    EXPECT_TRUE(desktop.sidePanel);
    EXPECT_EQ(desktop.sidePanelWidth, 300);
    EXPECT_EQ(desktop.resultsX, 270);
    EXPECT_EQ(desktop.resultsWidth, 1536 - 300 - 284);
    const auto libraries = SVLayout::visibility(1, 1400, true, true, true);
    EXPECT_FALSE(libraries.sidePanel);
    EXPECT_FALSE(libraries.paginationShown);
    EXPECT_TRUE(libraries.downloadLinkShown);
}

using Layout = AppTest;

TEST_F(Layout, LaunchModeAndSizeFromTheSettings) {
    struct Case {
        std::optional<int> stored;
        int mode;
        QSize size;
    };
    const Case cases[] = {
        {std::nullopt, 1, QSize(1416, 770)}, {5, 1, QSize(1416, 770)}, {0, 0, QSize(704, 851)}};
    for (const Case& c : cases) {
        {
            QSettings settings = SVSettings::open();
            settings.clear();
            if (c.stored)
                settings.setValue(SVLayout::kLayoutModeKey, *c.stored);
        }
        startApp();
        EXPECT_EQ(controller->currentLayoutMode(), c.mode);
        EXPECT_EQ(controller->window()->size(), c.size);
        controller->applicationWillTerminate();
        controller.reset();
    }
}

TEST_F(Layout, LiveResizeSwitchesAt820And700) {
    {
        QSettings settings = SVSettings::open();
        settings.setValue(SVLayout::kLayoutModeKey, 0);
    }
    startApp();
    SVMainWindow* window = controller->window();
    ASSERT_EQ(controller->currentLayoutMode(), 0);
    for (const auto& [width, mode] :
         std::vector<std::pair<int, int>>{{760, 0}, {810, 0}, {820, 1}, {701, 1}, {700, 0}}) {
        window->resize(width, 800);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->width(), width);
        EXPECT_EQ(controller->currentLayoutMode(), mode) << width;
    }
    EXPECT_EQ(SVSettings::open().value(SVLayout::kLayoutModeKey).toInt(), 0);
}

TEST_F(Layout, EndOfResizeSnapsAndRemembers) {
    startApp([] { return QRect(0, 0, 1920, 1080); });
    SVMainWindow* window = controller->window();
    SVLayoutModes* modes = controller->layoutModes();
    window->resize(1500, 790);
    QCoreApplication::processEvents();
    modes->windowDidEndLiveResize();
    EXPECT_EQ(window->size(), QSize(1536, 770));
    EXPECT_EQ(SVSettings::open().value(SVLayout::kDesktopSizeKey).toString(),
              QStringLiteral("{1536, 770}"));
    window->resize(1300, 615);
    QCoreApplication::processEvents();
    modes->windowDidEndLiveResize();
    EXPECT_EQ(window->size(), QSize(1300, 600));
    EXPECT_EQ(SVSettings::open().value(SVLayout::kDesktopSizeKey).toString(),
              QStringLiteral("{1300, 600}"));

    // Switching to the other mode uses its remembered size, then back.
    controller->switchLayout(0);
    EXPECT_EQ(controller->currentLayoutMode(), 0);
    EXPECT_EQ(window->size(), QSize(704, 1056));
    controller->switchLayout(1);
    EXPECT_EQ(window->size(), QSize(1300, 600));
}

}  // namespace
}  // namespace svapp_test
