#include "tests/app/menus_fixture.h"

#include <sqlite3.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <fstream>

#include "app/menus/context_menus.h"
#include "app/menus/menu_entries.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/menus/playlist_actions.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "audio/playback/audio_output.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {

void MenusTest::SetUp() {
    SVAudioOutput::forceSilentOutput(true);
    AppTest::SetUp();
}

void MenusTest::TearDown() {
    AppTest::TearDown();
}

std::filesystem::path MenusTest::writeWav(const std::string& relative) const {
    static const auto audio = sv::testing::sine(0.05, 22050, 440.0);
    sv::testing::WavOptions options;
    options.sampleRate = 22050;
    const std::filesystem::path path = libraryFolder / relative;
    sv::testing::writeWav(path, audio, options);
    return path;
}

std::filesystem::path MenusTest::writeMidi(const std::string& relative) const {
    const std::filesystem::path path = libraryFolder / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    return path;
}

void MenusTest::scanLibrary(const std::filesystem::path& root) {
    controller->scanRoots({root.empty() ? libraryFolder : root}, true);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 30000));
    QCoreApplication::processEvents();
}

void MenusTest::startWindow() {
    startApp();
    const SVAlertRunner runner = [this](const SVAlert& alert) {
        alerts.push_back(alert);
        if (answers.empty())
            return SVAlertAnswer{0, {}};
        SVAlertAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    };
    controller->menus()->organising().setAlertRunner(runner);
    controller->menus()->playlists().setAlertRunner(runner);
    menus().setMenuPresenter([](QMenu*, QPoint) {});
}

SVContextMenus& MenusTest::menus() const {
    return controller->menus()->contextMenus();
}

QMenu* MenusTest::rightClickRow(int row) {
    SVResultsTable* table = controller->browser()->table();
    QWidget* viewport = table->viewport();
    const QPoint position(40, row * table->rowHeight() + table->rowHeight() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
    QCoreApplication::sendEvent(viewport, &event);
    return menus().openMenu();
}

QStringList MenusTest::describe(const QMenu* menu) {
    QStringList described;
    if (!menu)
        return described;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            described << QStringLiteral("-");
            continue;
        }
        QString text = SVMenuEntries::visibleTitle(action);
        if (action->menu())
            text += QStringLiteral(" ›");
        if (action->isChecked())
            text = QStringLiteral("✓ ") + text;
        if (!action->isEnabled())
            text = QStringLiteral("(off) ") + text;
        described << text;
    }
    return described;
}

QAction* MenusTest::entry(const QMenu* menu, const QString& title) {
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && SVMenuEntries::visibleTitle(action) == title)
            return action;
    }
    return nullptr;
}

QMenu* MenusTest::submenu(const QMenu* menu, const QString& title) {
    QAction* action = entry(menu, title);
    return action ? action->menu() : nullptr;
}

void MenusTest::choose(const QMenu* menu, const QString& title) {
    QAction* action = entry(menu, title);
    ASSERT_NE(action, nullptr) << title.toStdString();
    ASSERT_TRUE(action->isEnabled()) << title.toStdString();
    action->trigger();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

std::vector<std::vector<std::string>> MenusTest::rows(const std::string& sql) const {
    std::vector<std::vector<std::string>> result;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(home->catalogue().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return result;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = sqlite3_column_text(statement, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            result.push_back(std::move(row));
        }
    } else {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

std::int64_t MenusTest::number(const std::string& sql) const {
    const auto found = rows(sql);
    return found.empty() || found.front().empty() ? -1 : std::stoll(found.front().front());
}

std::int64_t MenusTest::idOf(const std::string& filename) const {
    return number("SELECT id FROM samples WHERE filename='" + filename + "'");
}

}  // namespace svapp_test
