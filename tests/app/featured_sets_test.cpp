// Featured sets: the stored entries and their cleaning, the grid's geometry and which cards it
// shows, opening a card through the sidebar, renaming, removing, custom avatars kept inside
// their own folder, and folders followed after a Full Scan found them moved.

#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUuid>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/featured/featured_avatars.h"
#include "app/featured/featured_card.h"
#include "app/featured/featured_grid_layout.h"
#include "app/featured/featured_item_edits.h"
#include "app/featured/featured_items.h"
#include "app/featured/featured_name_dialog.h"
#include "app/featured/featured_panel.h"
#include "app/featured/featured_relink.h"
#include "app/featured/featured_sets.h"
#include "app/menus/location_actions.h"
#include "app/menus/menus.h"
#include "app/results/results_browser.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

QVariantMap folderEntry(const QString& path, const QString& title) {
    return {{QStringLiteral("kind"), QStringLiteral("folder")},
            {QStringLiteral("value"), path},
            {QStringLiteral("title"), title}};
}

void storeEntries(const QVariantList& entries) {
    QSettings settings = SVSettings::open();
    settings.setValue(QStringLiteral("SVFeaturedItems"), entries);
    settings.sync();
}

QVariantList storedEntries() {
    return SVSettings::open().value(QStringLiteral("SVFeaturedItems")).toList();
}

QStringList titles(const std::vector<SVFeaturedCard*>& cards) {
    QStringList names;
    for (const SVFeaturedCard* card : cards)
        names << card->text();
    return names;
}

void writeImage(const fs::path& path, QColor color) {
    fs::create_directories(path.parent_path());
    QImage image(64, 40, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class FeaturedSets : public AppTest {
  protected:
    void startWide() {
        startApp([] { return QRect(0, 0, 1920, 1200); });
        controller->window()->resize(1536, 770);
        QCoreApplication::processEvents();
    }
    SVFeaturedSets* sets() const { return controller->featuredSets(); }
    SVFeaturedPanel& panel() const { return sets()->panel(); }
    QString avatarFolder() const { return SVFeaturedAvatars::featuredAvatarDirectory(); }
};

TEST(FeaturedGrid, ColumnsCardWidthsAndHeights) {
    struct Case {
        int width;
        int featuredColumns;
        int count;
        int columns;
        int cardWidth;
        int shown;
        int height;
    };
    const std::vector<Case> cases{
        {600, 6, 12, 4, 144, 8, 104},    // four of 144 fit
        {600, 2, 12, 2, 220, 4, 104},    // a stored 1 reads as 2; widths held to 220
        {100, 6, 3, 1, 138, 2, 104},     // narrower than a card: one column, still 138
        {1200, 8, 3, 8, 143, 3, 50},     // one row
        {1200, 8, 0, 8, 143, 0, 0},      // no cards, no height
        {2000, 8, 40, 8, 220, 16, 104},  // at most columns × 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(SVFeaturedGrid::columnsForWidth(c.width, c.featuredColumns), c.columns);
        EXPECT_EQ(SVFeaturedGrid::cardWidth(c.width, c.columns), c.cardWidth);
        const std::vector<QRect> frames =
            SVFeaturedGrid::cardFrames(c.width, c.featuredColumns, c.count);
        ASSERT_EQ(static_cast<int>(frames.size()), c.shown);
        EXPECT_EQ(SVFeaturedGrid::featuredGridHeightForWidth(c.width, c.featuredColumns, c.count),
                  c.height);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].size(), QSize(c.cardWidth, 50));
            EXPECT_EQ(frames[i].top(), static_cast<int>(i) / c.columns * 54);
        }
    }
    // The row is centred: 4 × 144 + 3 × 8 = 600 leaves nothing either side.
    EXPECT_EQ(SVFeaturedGrid::cardFrames(600, 6, 4).front().left(), 0);
    EXPECT_EQ(SVFeaturedGrid::cardFrames(700, 2, 1).front().left(), (700 - 220) / 2);
}

TEST(FeaturedRelink, OneExistingCandidateRelinksAFolder) {
    sv::testing::TempHome home;
    const fs::path root = home.root();
    for (const char* folder : {"New/Drums", "Two/A", "Two/B", "Other/..drums/Kicks", "Deep/X/Y"})
        fs::create_directories(root / folder);
    const auto at = [&root](const char* path) { return (root / path).string(); };
    QVariantList entries{
        folderEntry(QString::fromStdString(at("Old/Drums")), QStringLiteral("moved")),
        folderEntry(QString::fromStdString(at("Gone")), QStringLiteral("two places")),
        folderEntry(QString::fromStdString(at("Old/..drums")), QStringLiteral("dots")),
        folderEntry(QString::fromStdString(at("New")), QStringLiteral("still there")),
        QVariantMap{{QStringLiteral("kind"), QStringLiteral("playlist")},
                    {QStringLiteral("value"), 4},
                    {QStringLiteral("title"), QStringLiteral("list")}},
    };
    const std::vector<std::pair<std::string, std::string>> moves{
        {at("Old/Drums/Kick.wav"), at("New/Drums/Kick.wav")},
        {at("Old/Drums/Snare.wav"), at("New/Drums/Snare.wav")},
        {at("Gone/a.wav"), at("Two/A/a.wav")},
        {at("Gone/b.wav"), at("Two/B/b.wav")},
        // A folder whose name starts with two dots is inside its parent.
        {at("Old/..drums/Kicks/k.wav"), at("Other/..drums/Kicks/k.wav")},
        // Outside every featured folder.
        {at("Elsewhere/x.wav"), at("Deep/X/Y/x.wav")},
    };
    ASSERT_TRUE(SVFeaturedRelink::relinkFeaturedItemsFromMoves(entries, moves));
    const auto value = [&entries](int i) {
        return entries[i].toMap().value(QStringLiteral("value")).toString().toStdString();
    };
    EXPECT_EQ(value(0), at("New/Drums"));
    EXPECT_EQ(value(1), at("Gone")) << "two candidates leave it alone";
    EXPECT_EQ(value(2), at("Other/..drums"));
    EXPECT_EQ(value(3), at("New"));
    EXPECT_EQ(entries[4].toMap().value(QStringLiteral("value")).toInt(), 4);
    EXPECT_FALSE(SVFeaturedRelink::relinkFeaturedItemsFromMoves(entries, moves));
}

TEST_F(FeaturedSets, LoadingCleansTheStoredEntries) {
    const QString goodUuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVariantMap kept = folderEntry(QStringLiteral("/a"), QStringLiteral("A"));
    kept.insert(QStringLiteral("uuid"), goodUuid);
    storeEntries({kept, QStringLiteral("not a map"),
                  QVariantMap{{QStringLiteral("kind"), QStringLiteral("folder")}},
                  QVariantMap{{QStringLiteral("title"), QStringLiteral("no kind")}},
                  folderEntry(QStringLiteral("/b"), QStringLiteral("B"))});
    startWide();
    const QVariantList entries = sets()->featuredItems();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].toMap().value(QStringLiteral("uuid")).toString(), goodUuid);
    EXPECT_FALSE(entries[1].toMap().value(QStringLiteral("uuid")).toString().isEmpty());
    EXPECT_EQ(storedEntries(), entries);
    EXPECT_EQ(titles(panel().cards()), QStringList({"A", "B"}));
}

TEST_F(FeaturedSets, AddingKeepsOneCardPerPlaceAndAtMost32) {
    startWide();
    const QString folder = QString::fromStdString((libraryFolder / "Drums").string());
    sets()->addFolderToFeatured(folder);
    sets()->addFolderToFeatured(folder);
    ASSERT_EQ(sets()->featuredItems().size(), 1);
    EXPECT_EQ(sets()->featuredItems()[0].toMap().value(QStringLiteral("title")).toString(),
              QStringLiteral("Drums"));
    for (int i = 1; i < 32; ++i)
        sets()->addPlaylistToFeatured(i, QStringLiteral("List %1").arg(i));
    ASSERT_EQ(sets()->featuredItems().size(), 32);
    sets()->addPlaylistToFeatured(99, QStringLiteral("Newest"));
    const QVariantList entries = sets()->featuredItems();
    ASSERT_EQ(entries.size(), 32);
    EXPECT_EQ(entries.front().toMap().value(QStringLiteral("title")).toString(),
              QStringLiteral("List 1"));
    EXPECT_EQ(entries.back().toMap().value(QStringLiteral("title")).toString(),
              QStringLiteral("Newest"));
    // The grid shows the most recently added that fit, in their order.
    const std::vector<SVFeaturedCard*>& cards = panel().cards();
    ASSERT_FALSE(cards.empty());
    EXPECT_LE(cards.size(), 12u);
    EXPECT_EQ(cards.back()->text(), QStringLiteral("Newest"));
    EXPECT_EQ(cards.back()->index(), 31);
    EXPECT_EQ(cards.front()->index(), 32 - static_cast<int>(cards.size()));
    // "Add to Featured" from a sidebar menu shows its card at once.
    controller->menus()->locations().addPlaylistToFeatured(120, QStringLiteral("From a menu"));
    ASSERT_FALSE(panel().cards().empty());
    EXPECT_EQ(panel().cards().back()->text(), QStringLiteral("From a menu"));
}

TEST_F(FeaturedSets, PanelShowsInDesktopOnlyAndCollapses) {
    storeEntries({folderEntry(QStringLiteral("/a"), QStringLiteral("A"))});
    startWide();
    controller->switchLayout(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel().isVisible());
    EXPECT_EQ(panel().cards().size(), 1u);
    EXPECT_GE(controller->browser()->y(), panel().geometry().bottom());
    const int grown = controller->browser()->y();

    panel().toggleButton()->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(SVSettings::open().value(QStringLiteral("SVFeaturedCollapsed")).toBool());
    EXPECT_TRUE(panel().cards().empty());
    EXPECT_LT(controller->browser()->y(), grown);
    EXPECT_EQ(panel().toggleButton()->accessibleName(), QStringLiteral("Show Featured"));
    panel().toggleButton()->click();
    EXPECT_FALSE(SVSettings::open().value(QStringLiteral("SVFeaturedCollapsed")).toBool());

    controller->switchLayout(0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel().isVisible());
}

TEST_F(FeaturedSets, CardsOpenTheirPlaceAndTheShownOneIsActive) {
    const fs::path kit = addSamples(4, "Kick");
    startWide();
    const std::int64_t playlist = controller->database().createPlaylist("Keepers");
    controller->sidebar()->reloadPlaylists();
    sets()->addFolderToFeatured(QString::fromStdString(kit.string()));
    sets()->addPlaylistToFeatured(playlist, QStringLiteral("Keepers"));
    ASSERT_EQ(panel().cards().size(), 2u);
    SVFeaturedCard* folderCard = panel().cards()[0];
    SVFeaturedCard* playlistCard = panel().cards()[1];
    EXPECT_EQ(folderCard->toolTip(),
              QStringLiteral("Open featured set • Drop an image here to change its avatar"));
    EXPECT_TRUE(folderCard->accessibleName().startsWith(folderCard->text()));
    EXPECT_FALSE(folderCard->accessibleDescription().isEmpty());

    folderCard->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(controller->browser()->scope().folderScope, kit.string());
    EXPECT_TRUE(panel().cards()[0]->active());
    EXPECT_FALSE(panel().cards()[1]->active());

    panel().cards()[1]->click();
    QCoreApplication::processEvents();
    ASSERT_TRUE(controller->browser()->scope().playlistId.has_value());
    EXPECT_EQ(*controller->browser()->scope().playlistId, playlist);
    EXPECT_TRUE(panel().cards()[1]->active());
    EXPECT_FALSE(panel().cards()[0]->active());
    (void)playlistCard;

    // A place that is gone says so instead of doing nothing.
    sets()->addFolderToFeatured(QStringLiteral("/nowhere/at/all"));
    panel().cards().back()->click();
    EXPECT_FALSE(controller->browser()->statusText().isEmpty());
}

TEST_F(FeaturedSets, RenameAndRemoveFromTheCardMenu) {
    startWide();
    sets()->addFolderToFeatured(QStringLiteral("/a/Drums"));
    sets()->addFolderToFeatured(QStringLiteral("/a/Keys"));
    QMenu* menu = panel().contextMenuForCard(panel().cards()[0]);
    QStringList items;
    for (QAction* action : menu->actions())
        items << action->text();
    EXPECT_EQ(items, QStringList({"Rename Featured Set…", "Remove from Featured"}));
    menu->actions()[0]->trigger();
    auto* dialog = controller->window()->findChild<SVFeaturedNameDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Name Featured Set"));
    EXPECT_EQ(dialog->nameField()->text(), QStringLiteral("Drums"));
    dialog->nameField()->setText(QStringLiteral("  Big Drums "));
    dialog->saveButton()->click();
    EXPECT_EQ(panel().cards()[0]->text(), QStringLiteral("Big Drums"));
    EXPECT_EQ(storedEntries()[0].toMap().value(QStringLiteral("title")).toString(),
              QStringLiteral("Big Drums"));
    delete menu;

    menu = panel().contextMenuForCard(panel().cards()[0]);
    menu->actions().last()->trigger();
    delete menu;
    ASSERT_EQ(panel().cards().size(), 1u);
    EXPECT_EQ(panel().cards()[0]->text(), QStringLiteral("Keys"));
    EXPECT_EQ(storedEntries().size(), 1);
}

TEST_F(FeaturedSets, DroppedImagesBecomeAvatarsInTheirOwnFolderOnly) {
    startWide();
    sets()->addFolderToFeatured(QStringLiteral("/a/Drums"));
    const fs::path picture = home->root() / "Pictures" / "cover.png";
    writeImage(picture, Qt::red);
    const fs::path notAnImage = home->root() / "Pictures" / "notes.png";
    writeText(notAnImage, "not a picture");

    // The drag is taken only for one image file.
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QString::fromStdString(picture.string()))});
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(QString::fromStdString(picture.string())),
                 QUrl::fromLocalFile(QString::fromStdString(picture.string()))});
    EXPECT_TRUE(SVFeaturedCard::acceptsDrag(&one));
    EXPECT_FALSE(SVFeaturedCard::acceptsDrag(&two));

    // An unreadable picture stores nothing.
    EXPECT_FALSE(sets()->setFeaturedAvatarAtIndex(
        0, QUrl::fromLocalFile(QString::fromStdString(notAnImage.string()))));
    EXPECT_FALSE(storedEntries()[0].toMap().contains(QStringLiteral("avatar")));

    ASSERT_TRUE(sets()->setFeaturedAvatarAtIndex(
        0, QUrl::fromLocalFile(QString::fromStdString(picture.string()))));
    const QVariantMap entry = storedEntries()[0].toMap();
    const QString uuid = entry.value(QStringLiteral("uuid")).toString();
    const QString avatar = avatarFolder() + QLatin1Char('/') + uuid + QStringLiteral(".png");
    EXPECT_EQ(entry.value(QStringLiteral("avatar")).toString(), avatar);
    EXPECT_EQ(QImage(avatar).pixelColor(10, 10), QColor(Qt::red));
    // With a custom avatar the card is no longer renamed.
    QMenu* menu = panel().contextMenuForCard(panel().cards()[0]);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Remove from Featured"));
    delete menu;
    sets()->removeFeatured(0);
    EXPECT_FALSE(QFileInfo::exists(avatar));
}

// Entries come from a settings file anyone can edit: their avatar paths and uuids never make
// the application write or delete a file outside the avatar folder.
TEST_F(FeaturedSets, AvatarPathsAndUuidsFromTheSettingsTouchNothingOutside) {
    const fs::path victim = home->root() / "Keep" / "victim.png";
    writeImage(victim, Qt::blue);
    const fs::path picture = home->root() / "Pictures" / "cover.png";
    writeImage(picture, Qt::green);
    const QString victimPath = QString::fromStdString(victim.string());
    const std::vector<QString> uuids{
        QStringLiteral("../../../Keep/victim"),
        QString::fromStdString((home->root() / "Keep" / "victim").string()),
        QStringLiteral("not-a-uuid"),
        QString(),
    };
    QVariantList entries;
    for (const QString& uuid : uuids) {
        QVariantMap entry = folderEntry(QStringLiteral("/a/%1").arg(entries.size()),
                                        QStringLiteral("E%1").arg(entries.size()));
        entry.insert(QStringLiteral("uuid"), uuid);
        entry.insert(QStringLiteral("avatar"), victimPath);
        entries.append(entry);
    }
    storeEntries(entries);
    startWide();
    // Drawing, dropping a picture on and removing each entry leave the victim alone.
    for (int i = 0; i < static_cast<int>(uuids.size()); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(sets()->setFeaturedAvatarAtIndex(
            0, QUrl::fromLocalFile(QString::fromStdString(picture.string()))));
        const QVariantMap entry = storedEntries()[0].toMap();
        const QString uuid = entry.value(QStringLiteral("uuid")).toString();
        EXPECT_TRUE(SVFeaturedAvatars::isWellFormedUuid(uuid)) << uuid.toStdString();
        EXPECT_EQ(QFileInfo(entry.value(QStringLiteral("avatar")).toString()).absolutePath(),
                  avatarFolder());
        EXPECT_EQ(QImage(victimPath).pixelColor(1, 1), QColor(Qt::blue));
        sets()->removeFeatured(0);
        EXPECT_TRUE(QFileInfo::exists(victimPath));
    }
    EXPECT_TRUE(storedEntries().isEmpty());
}

// A pack folder moved on disk: the Full Scan that finds its files relinks the card.
TEST_F(FeaturedSets, MovedPackFolderRelinksItsCardAfterAFullScan) {
    const auto audio = sv::testing::sine(0.05, 22050, 440.0);
    sv::testing::WavOptions options;
    options.sampleRate = 22050;
    const fs::path pack = libraryFolder / "Packs" / "Dusty Drums";
    for (const char* name : {"Kick 1.wav", "Snare 2.wav"})
        sv::testing::writeWav(pack / "Hits" / name, audio, options);
    startWide();
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 30000));
    sets()->addFolderToFeatured(QString::fromStdString(pack.string()));

    const fs::path moved = libraryFolder / "Archive" / "Dusty Drums";
    fs::create_directories(moved.parent_path());
    fs::rename(pack, moved);
    controller->scanRoots({libraryFolder}, true);
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 30000));
    ASSERT_TRUE(waitFor([&] {
        return storedEntries()[0].toMap().value(QStringLiteral("value")).toString() ==
               QString::fromStdString(moved.string());
    }));
    EXPECT_EQ(sets()->featuredItems()[0].toMap().value(QStringLiteral("value")).toString(),
              QString::fromStdString(moved.string()));
}

}  // namespace
}  // namespace svapp_test
