// Revealing files and folders, the featured sets, the Favorites menu and library labels.
#include <sqlite3.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUuid>

#include "app/dragdrop/drag_and_drop.h"
#include "app/featured/featured_items.h"
#include "app/menus/context_menus.h"
#include "app/menus/library_label_editor.h"
#include "app/menus/location_actions.h"
#include "app/menus/menus.h"
#include "app/results/library_cell.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/window/settings.h"
#include "core/catalogue/database.h"
#include "tests/app/menus_fixture.h"

namespace svapp_test {
namespace {

class PlacesMenus : public MenusTest {
  protected:
    struct Call {
        QStringList uris;
    };
    // Records every ShowItems call; the file manager answers as `answers`.
    void recordFileManager(bool answers) {
        controller->menus()->locations().setFileManager(
            [this, answers](const QStringList& uris, std::function<void(bool)> done) {
                calls.push_back({uris});
                done(answers);
            },
            [this](const QString& folder) {
                opened << folder;
                return true;
            });
    }
    SVResultsBrowser* browser() const { return controller->browser(); }

    std::vector<Call> calls;
    QStringList opened;
};

TEST_F(PlacesMenus, OddFileNamesRevealInOneCallAndDragAsThemselves) {
    const std::vector<std::string> names = {"Kick #1.wav", "100% Snare.wav", "Why?.wav",
                                            "Café Ωmega.wav"};
    for (const std::string& name : names)
        writeWav("Odd/" + name);
    startWindow();
    scanLibrary();
    browser()->refresh();
    ASSERT_EQ(browser()->rows().size(), names.size());
    recordFileManager(true);

    browser()->table()->selectRows({0, 1, 2, 3});
    choose(rightClickRow(0), "Show in File Manager");
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].uris.size(), 4);
    std::vector<std::string> paths;
    for (const sv::Sample& sample : browser()->rows())
        paths.push_back(sample.path);
    for (int i = 0; i < 4; ++i) {
        const QString& uri = calls[0].uris[i];
        EXPECT_TRUE(uri.startsWith("file:///")) << uri.toStdString();
        for (const QChar c : uri.mid(7))
            EXPECT_TRUE(c.unicode() < 128 && c != '#' && c != '?') << uri.toStdString();
        EXPECT_EQ(QUrl(uri).toLocalFile().toStdString(), paths[static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(opened.isEmpty());

    // Dragging the same rows carries the same files.
    const auto data = SVDragAndDrop::mimeDataForPaths(paths);
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(data->urls()[i].toLocalFile().toStdString(), paths[static_cast<std::size_t>(i)]);

    // No file manager answers: the first file's folder opens instead.
    recordFileManager(false);
    choose(rightClickRow(2), "Show in File Manager");
    EXPECT_EQ(opened, QStringList{QString::fromStdString((libraryFolder / "Odd").string())});
    choose(menus().openFolderMenu((libraryFolder / "Odd").string(), {}), "Show in File Manager");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].uris, QStringList{SVFileManager::fileUri(
                                 QString::fromStdString((libraryFolder / "Odd").string()))});
}

TEST_F(PlacesMenus, EmptyPathsAreNotRevealed) {
    QStringList sent;
    int opens = 0;
    const auto call = [&sent](const QStringList& uris, std::function<void(bool)> done) {
        sent = uris;
        done(false);
    };
    const auto open = [&opens](const QString&) { return ++opens > 0; };
    SVFileManager::showItems({QString(), QStringLiteral("/a/b c.wav"), QString()}, call, open);
    EXPECT_EQ(sent, QStringList{"file:///a/b%20c.wav"});
    EXPECT_EQ(opens, 1);
    sent.clear();
    SVFileManager::showItems({QString()}, call, open);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(opens, 1);
}

TEST_F(PlacesMenus, FeaturedEntriesAreUniqueFreshAndAtMostThirtyTwo) {
    startWindow();
    const QString folder = QString::fromStdString((libraryFolder / "Drums").string());
    choose(menus().openFolderMenu(folder.toStdString(), {}), "Add to Featured");
    choose(menus().openFolderMenu(folder.toStdString(), {}), "Add to Featured");
    QVariantList entries = SVFeaturedItems::load();
    ASSERT_EQ(entries.size(), 1);
    QVariantMap entry = entries[0].toMap();
    EXPECT_EQ(entry.value("kind").toString(), QStringLiteral("folder"));
    EXPECT_EQ(entry.value("value").toString(), folder);
    EXPECT_EQ(entry.value("title").toString(), QStringLiteral("Drums"));
    EXPECT_FALSE(QUuid::fromString(entry.value("uuid").toString()).isNull());
    EXPECT_FALSE(SVFeaturedItems::addFolder(QString()));
    EXPECT_TRUE(SVFeaturedItems::addFolder(QStringLiteral("/")));
    EXPECT_EQ(SVFeaturedItems::load().last().toMap().value("title").toString(),
              QStringLiteral("Folder"));

    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(SVFeaturedItems::addPlaylist(100 + i, QStringLiteral("P%1").arg(i)));
    entries = SVFeaturedItems::load();
    ASSERT_EQ(entries.size(), 32);
    EXPECT_EQ(entries.first().toMap().value("title").toString(), QStringLiteral("P0"));
    EXPECT_EQ(entries.last().toMap().value("title").toString(), QStringLiteral("P31"));
    EXPECT_FALSE(SVFeaturedItems::addPlaylist(131, QStringLiteral("again")));

    // Broken stored entries are dropped; one without a uuid gets one.
    QSettings settings = SVSettings::open();
    settings.setValue(
        "SVFeaturedItems",
        QVariantList{QStringLiteral("junk"), QVariantMap{{"kind", "folder"}, {"value", "/x"}},
                     QVariantMap{{"kind", "folder"}, {"title", "X"}}});
    settings.sync();
    entries = SVFeaturedItems::load();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_FALSE(entries[0].toMap().value("uuid").toString().isEmpty());
}

TEST_F(PlacesMenus, LibraryLabelsEditInPlace) {
    writeWav("Kit/Kick.wav");
    startWindow();
    scanLibrary();
    SVBrowseScope libraries;
    libraries.libraryMode = true;
    browser()->setScope(libraries);
    browser()->refresh();
    SVLibraryLabelEditor& editor = controller->menus()->labelEditor();
    const std::int64_t id = browser()->libraries()[0].id;
    const std::string key =
        "SELECT coalesce((SELECT value FROM app_metadata WHERE key="
        "'library_label:" +
        std::to_string(id) + "'),'<none>')";
    const auto label = [&] { return rows(key)[0][0]; };

    SVResultsTable* table = browser()->table();
    const QPoint onRow(60, table->rowHeight() / 2);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, onRow);
    QLineEdit* field = editor.field();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->objectName(), QStringLiteral("libraryDisplayLabel"));
    EXPECT_EQ(field->text(), QStringLiteral("Samples"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("Samples"));

    // Escape stores nothing.
    field->setText(QStringLiteral("Never"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(editor.field(), nullptr);
    QTest::qWait(10);
    EXPECT_EQ(label(), "<none>");

    // Return stores the trimmed text; the sidebars and the rows show it.
    ASSERT_TRUE(editor.editLibraryLabel(0));
    editor.field()->setText(QStringLiteral("  Studio Drums \n"));
    QTest::keyClick(editor.field(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] {
        return label() == "Studio Drums" && browser()->libraries()[0].label == "Studio Drums";
    }));
    // Return ends there: it presses no row button (no rescan starts) and the rows keep the keys.
    EXPECT_FALSE(controller->maintenanceScanning());
    EXPECT_EQ(QApplication::focusWidget(), table);

    // F2 edits the selected row's label from the keyboard, and that of the row whose button
    // has the focus; Escape hands the keys back.
    table->selectRows({0});
    QTest::keyClick(table, Qt::Key_F2);
    ASSERT_NE(editor.field(), nullptr);
    EXPECT_EQ(editor.field()->text(), QStringLiteral("Studio Drums"));
    EXPECT_EQ(QApplication::focusWidget(), editor.field());
    QTest::keyClick(editor.field(), Qt::Key_Escape);
    ASSERT_EQ(editor.field(), nullptr);
    table->selectRows({});
    auto* rescan = browser()->libraryCellForRow(0)->findChild<QPushButton*>();
    ASSERT_NE(rescan, nullptr);
    rescan->setFocus();
    QTest::keyClick(rescan, Qt::Key_F2);
    ASSERT_NE(editor.field(), nullptr);
    QTest::keyClick(editor.field(), Qt::Key_Escape);
    EXPECT_FALSE(controller->maintenanceScanning());

    // Leaving the field stores; an empty text gives the folder name back.
    ASSERT_TRUE(editor.editLibraryLabel(0));
    editor.field()->setText(QStringLiteral("   "));
    QFocusEvent focusOut(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(editor.field(), &focusOut);
    ASSERT_TRUE(
        waitFor([&] { return label() == "<none>" && browser()->libraries()[0].label.empty(); }));

    // A failing store shows its text on the status line after the refresh.
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(home->catalogue().c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "CREATE TRIGGER refuse BEFORE INSERT ON app_metadata BEGIN "
                               "SELECT RAISE(ABORT,'labels are locked'); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    ASSERT_TRUE(editor.editLibraryLabel(0));
    editor.field()->setText(QStringLiteral("Blocked"));
    QTest::keyClick(editor.field(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return browser()->statusText() == "labels are locked"; }))
        << browser()->statusText().toStdString();
    EXPECT_EQ(label(), "<none>");
}

}  // namespace
}  // namespace svapp_test
