// Tab walks the window's controls area by area, in the order a person reads it: the sidebar,
// the search field, the filter chips, the results, the player, the side panel; then around.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/featured/featured_panel.h"
#include "app/featured/featured_sets.h"
#include "app/filters/filter_bar.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_panel.h"
#include "app/window/main_window.h"
#include "audio/playback/audio_output.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

class TabOrder : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        for (const char* pack : {"Bass", "Keys"}) {
            std::filesystem::create_directories(libraryFolder / pack);
            sv::testing::writeWav(libraryFolder / pack / (std::string(pack) + " Loop.wav"),
                                  sv::testing::sine(0.5, 22050, 220.0), options);
        }
        startApp();
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        controller->browser()->refresh();
        controller->player()->loadSampleAtIndex(0, false);
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }

    SVMainWindow* window() const { return static_cast<SVMainWindow*>(controller->window()); }

    // The area of the window a control belongs to.
    std::string areaOf(const QWidget* control) const {
        const auto within = [control](const QWidget* area) {
            return area && (area == control || area->isAncestorOf(control));
        };
        if (within(window()->sidebar()))
            return "sidebar";
        if (within(&controller->featuredSets()->panel()))
            return "featured";
        if (within(controller->browser()->searchField()->parentWidget()) ||
            within(window()->layoutSwitch()))
            return "search";
        if (within(controller->filterBar()))
            return "filters";
        if (within(&controller->sidebar()->breadcrumbBar()))
            return "crumbs";
        if (within(controller->browser()))
            return "results";
        if (within(window()->playerView()))
            return "player";
        if (within(window()->sidePanel()))
            return "side panel";
        return "window";
    }

    // The areas met by pressing Tab from the results until the focus comes back to them, each
    // area named once per visit, and every control met.
    std::vector<std::string> walk(std::vector<std::string>& controls) {
        playerLefts.clear();
        QWidget* results = controller->browser()->table();
        results->setFocus(Qt::OtherFocusReason);
        std::vector<std::string> areas;
        for (int step = 0; step < 300; ++step) {
            QTest::keyClick(window()->windowHandle(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            if (!focus || focus == results)
                break;
            const std::string area = areaOf(focus);
            controls.push_back(area + ": " + focus->accessibleName().toStdString() + " (" +
                               focus->metaObject()->className() + ")");
            if (areas.empty() || areas.back() != area)
                areas.push_back(area);
            if (area == "player")
                playerLefts.push_back(focus->mapTo(window(), QPoint(0, 0)).x());
        }
        return areas;
    }

    std::vector<int> playerLefts;  // where each player control met lies, in Tab order

    static std::string joined(const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts)
            text += part + "\n";
        return text;
    }
};

TEST_F(TabOrder, EachAreaIsVisitedOnceInReadingOrderInBothLayouts) {
    // From the results on: the player and the side panel, then around to the places, the
    // featured cards, the search field with the layout switch, the filter chips, the crumbs and the
    // column headers back to the results.
    const std::vector<std::string> reading = {"player", "side panel", "sidebar", "featured",
                                              "search", "filters",    "crumbs",  "results"};
    for (const int mode : {1, 0}) {
        SCOPED_TRACE(mode == 1 ? "Desktop" : "Compact Vertical");
        controller->switchLayout(mode);
        ASSERT_TRUE(waitFor([&] { return controller->currentLayoutMode() == mode; }));
        QCoreApplication::processEvents();
        std::vector<std::string> controls;
        const std::vector<std::string> areas = walk(controls);
        std::vector<std::string> inOrder;
        for (const std::string& area : reading) {
            if (std::find(areas.begin(), areas.end(), area) != areas.end())
                inOrder.push_back(area);
        }
        EXPECT_EQ(areas, inOrder) << joined(controls);
        // The player's controls from left to right, as each layout places them.
        EXPECT_TRUE(std::is_sorted(playerLefts.begin(), playerLefts.end())) << joined(controls);
        std::vector<std::string> required = {"player", "search", "filters"};
        if (mode == 1)
            required.push_back("sidebar");
        for (const std::string& area : required) {
            EXPECT_NE(std::find(areas.begin(), areas.end(), area), areas.end()) << area << "\n"
                                                                                << joined(controls);
        }
    }
}

}  // namespace
}  // namespace svapp_test
