#pragma once

#include <QMenu>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/menus/alert.h"
#include "tests/app/app_fixture.h"

class SVContextMenus;

namespace svapp_test {

// A window on a catalogue of real files, with its alerts answered by the test and its menus
// kept instead of shown.
class MenusTest : public AppTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A short WAV file below the library folder.
    std::filesystem::path writeWav(const std::string& relative) const;
    // A MIDI file (scanned by name) below the library folder.
    std::filesystem::path writeMidi(const std::string& relative) const;
    // Scans the library folder from the window and waits for the end.
    void scanLibrary(const std::filesystem::path& root = {});
    // Starts the window, routes alerts to `alerts` and keeps built menus.
    void startWindow();

    SVContextMenus& menus() const;
    // Right-clicks a result row (through the table's viewport) and returns the menu.
    QMenu* rightClickRow(int row);
    // Entries in order: a separator as "-", a submenu as its title followed by "›", a ticked
    // entry with "✓ " before it, a disabled one with "(off) " before it.
    static QStringList describe(const QMenu* menu);
    static QAction* entry(const QMenu* menu, const QString& title);
    static QMenu* submenu(const QMenu* menu, const QString& title);
    // Triggers the entry and lets its queued work run.
    static void choose(const QMenu* menu, const QString& title);

    // Rows of the catalogue, each value as text ("NULL" for NULL).
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;
    std::int64_t number(const std::string& sql) const;
    std::int64_t idOf(const std::string& filename) const;

    // Alerts shown, in order, and the answers given to the next ones (default: the first
    // button, an empty field).
    std::vector<SVAlert> alerts;
    std::deque<SVAlertAnswer> answers;
};

}  // namespace svapp_test
