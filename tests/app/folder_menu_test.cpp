// The menu of a folder: its entries, the type, instrument and genre marks below the folder,
// and the confirmation before large changes.
#include <fstream>

#include "app/inspector/inspector.h"
#include "app/menus/context_menus.h"
#include "app/menus/folder_menu.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/results/results_browser.h"
#include "app/window/settings.h"
#include "core/catalogue/database.h"
#include "tests/app/menus_fixture.h"

namespace svapp_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class FolderMenu : public MenusTest {
  protected:
    // `count` catalogued files of `type` in `folder` below `root`, with the genre "trap".
    std::string addRows(const std::filesystem::path& root, const std::string& folder, int count,
                        sv::SampleType type = sv::SampleType::Loop) {
        sv::Database& db = controller->database();
        const std::int64_t library = db.addLibrary(root.string());
        const std::filesystem::path directory = root / folder;
        std::filesystem::create_directories(directory);
        std::vector<sv::Sample> samples;
        for (int i = 0; i < count; ++i) {
            sv::Sample sample;
            sample.filename =
                "Hit " + std::to_string(i) + (type == sv::SampleType::Midi ? ".mid" : ".wav");
            sample.path = (directory / sample.filename).string();
            std::ofstream(sample.path) << "x";
            sample.type = type;
            sample.autoDetectedType = type;
            sample.genre = "trap";
            sample.instrument = "Kick";
            sample.fileSize = 1;
            samples.push_back(sample);
        }
        db.upsert(samples, library);
        return directory.string();
    }
    QMenu* openFolder(const std::string& path) {
        return menus().openFolderMenu(path, QPoint(10, 10));
    }
};

TEST_F(FolderMenu, EntriesInOrderWithTheirTicksAndConditions) {
    startWindow();
    const std::string folder = addRows(libraryFolder, "Kicks", 3);
    EXPECT_EQ(describe(openFolder(folder)),
              (QStringList{"Open at Launch", "Add to Featured", "-", "Show in File Manager", "-",
                           "Mark Folder As ›", "Mark Instrument ›", "Mark Genres ›", "-",
                           "Set Pack Artwork…"}));
    QMenu* menu = openFolder(folder);
    EXPECT_EQ(describe(submenu(menu, "Mark Folder As")),
              (QStringList{"Loop", "One Shot", "Use Auto Classification"}));
    const QStringList instruments = describe(submenu(menu, "Mark Instrument"));
    EXPECT_EQ(instruments.size(), 21);
    EXPECT_EQ(instruments.first(), QStringLiteral("Bass"));
    EXPECT_EQ(instruments.last(), QStringLiteral("Use Auto Detection"));
    EXPECT_EQ(describe(submenu(menu, "Mark Genres")),
              (QStringList{"✓ trap", "hip hop", "house", "rnb", "pop", "cinematic", "acoustic",
                           "soul", "latin", "reggaeton", "afro", "funk", "rock", "jazz"}));

    // A stored launch folder ticks its own entry and offers clearing; a folder with artwork
    // offers its removal.
    QSettings settings = SVSettings::open();
    settings.setValue("SVLaunchLocationKind", "folder");
    settings.setValue("SVLaunchFolderPath", QString::fromStdString(folder));
    settings.sync();
    const std::filesystem::path image = home->root() / "cover.png";
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(image.string()));
    ASSERT_TRUE(controller->inspector()->storeArtworkURL(
        QUrl::fromLocalFile(QString::fromStdString(image.string())),
        QString::fromStdString(folder)));
    EXPECT_EQ(describe(openFolder(folder)),
              (QStringList{"✓ Open at Launch", "Add to Featured", "Clear Launch Location", "-",
                           "Show in File Manager", "-", "Mark Folder As ›", "Mark Instrument ›",
                           "Mark Genres ›", "-", "Set Pack Artwork…", "Remove Pack Artwork"}));
    choose(openFolder(folder), "Remove Pack Artwork");
    EXPECT_FALSE(controller->inspector()->hasFolderArtwork(QString::fromStdString(folder)));

    // Another folder is not ticked; a row without a path offers no marks and no featuring.
    EXPECT_EQ(describe(openFolder(libraryFolder.string())).first(),
              QStringLiteral("Open at Launch"));
    EXPECT_EQ(describe(openFolder("")), (QStringList{"Open at Launch", "Clear Launch Location", "-",
                                                     "Show in File Manager", "-"}));
}

TEST_F(FolderMenu, FiveHundredSamplesAskFirstAndCancelChangesNothing) {
    startWindow();
    const std::string small = addRows(libraryFolder, "Small", 499);
    const std::string large = addRows(libraryFolder, "Large", 500);
    const std::filesystem::path drive = home->root() / "Drive";
    const std::string offline = addRows(drive, "Pack", 500);
    controller->database().setLibraryAvailable(drive.string(), false);
    ASSERT_EQ(controller->database().countFolderSamples(offline, true), 0);

    choose(submenu(openFolder(small), "Mark Folder As"), "One Shot");
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type='One Shot'"), 499);

    answers.push_back({1, {}});
    choose(submenu(openFolder(large), "Mark Folder As"), "One Shot");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Update 500 samples?"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("This recursively updates every indexed sample in the selected "
                             "folder in one database transaction."));
    EXPECT_EQ(alerts[0].buttons, (QStringList{"Continue", "Cancel"}));
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type='One Shot'"), 499);

    choose(submenu(openFolder(large), "Mark Folder As"), "One Shot");
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE type='One Shot'"), 999);

    // The unplugged drive's folder is counted as the update counts it.
    answers.push_back({1, {}});
    choose(submenu(openFolder(offline), "Mark Instrument"), "Keys");
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_EQ(alerts[2].message, QStringLiteral("Update 500 samples?"));
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE instrument='Keys'"), 0);
}

TEST_F(FolderMenu, FolderTypesSpareMidiAndAFailureRollsBack) {
    startWindow();
    const std::string folder = addRows(libraryFolder, "Mixed", 3);
    addRows(libraryFolder, "Mixed/Midi", 2, sv::SampleType::Midi);
    choose(submenu(openFolder(folder), "Mark Folder As"), "One Shot");
    EXPECT_EQ(rows("SELECT type,coalesce(type_override_source,'-'),count(*) FROM samples GROUP "
                   "BY 1,2 ORDER BY 1"),
              (Rows{{"MIDI", "-", "2"}, {"One Shot", "folder", "3"}}));
    choose(submenu(openFolder(folder), "Mark Folder As"), "Use Auto Classification");
    EXPECT_EQ(number("SELECT count(*) FROM samples WHERE user_type_override IS NOT NULL"), 0);

    const Rows before = rows("SELECT id,type,user_type_override FROM samples ORDER BY id");
    EXPECT_FALSE(controller->menus()->organising().applyFolderType(folder, sv::SampleType::Midi));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Couldn’t update folder type"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("Folder type override cannot mark audio as MIDI"));
    EXPECT_EQ(rows("SELECT id,type,user_type_override FROM samples ORDER BY id"), before);
}

TEST_F(FolderMenu, InstrumentMarksAndAutoDetection) {
    startWindow();
    const std::string folder = addRows(libraryFolder, "Hits", 2);
    addRows(libraryFolder, "Hits/Midi", 1, sv::SampleType::Midi);
    choose(submenu(openFolder(folder), "Mark Instrument"), "HiHat");
    EXPECT_EQ(rows("SELECT DISTINCT instrument,user_instrument_override,"
                   "instrument_override_source FROM samples"),
              (Rows{{"HiHat", "HiHat", "folder"}}));
    choose(submenu(openFolder(folder), "Mark Instrument"), "Use Auto Detection");
    EXPECT_EQ(rows("SELECT DISTINCT instrument,coalesce(user_instrument_override,'-'),"
                   "coalesce(instrument_override_source,'-') FROM samples"),
              (Rows{{"Kick", "-", "-"}}));
}

TEST_F(FolderMenu, GenreTicksAddAndRemoveOnlyFolderGenres) {
    startWindow();
    const std::string folder = addRows(libraryFolder, "Pack", 2);
    const std::string sub = addRows(libraryFolder, "Pack/Sub", 1);
    auto genres = [&](const std::string& path) {
        return describe(submenu(openFolder(path), "Mark Genres"));
    };
    // "trap" is only inferred: ticked, and choosing it sets it on the folder.
    EXPECT_TRUE(genres(folder).contains("✓ trap"));
    answers.clear();
    choose(submenu(openFolder(folder), "Mark Genres"), "trap");
    EXPECT_EQ(number("SELECT count(*) FROM sample_genres WHERE source='folder' AND genre='trap'"),
              3);
    // Now it has folder rows: choosing it again removes those, never the inferred ones.
    choose(submenu(openFolder(folder), "Mark Genres"), "trap");
    EXPECT_EQ(number("SELECT count(*) FROM sample_genres WHERE source='folder'"), 0);
    EXPECT_EQ(number("SELECT count(*) FROM sample_genres WHERE source='auto' AND genre='trap'"), 3);

    // An unticked genre is added below the folder only.
    EXPECT_TRUE(genres(folder).contains("house"));
    choose(submenu(openFolder(sub), "Mark Genres"), "house");
    EXPECT_EQ(number("SELECT count(*) FROM sample_genres WHERE genre='house' AND "
                     "source='folder'"),
              1);
    EXPECT_TRUE(genres(folder).contains("✓ house"));
    EXPECT_EQ(rows("SELECT genre FROM samples WHERE path LIKE '" + sub + "/%'"),
              (Rows{{"house, trap"}}));
    // From the parent folder the ticked "house" has folder rows below it: it is removed.
    choose(submenu(openFolder(folder), "Mark Genres"), "house");
    EXPECT_EQ(number("SELECT count(*) FROM sample_genres WHERE genre='house'"), 0);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(FolderMenu, GenreEntriesFollowTheCatalogueComparison) {
    const std::vector<sv::FolderGenre> found = {
        {"TRAP", false}, {"Trap", true}, {"Hip Hop", false}, {"ſoul", true}};
    const auto entries = SVFolderMenu::genreEntries(found);
    ASSERT_EQ(entries.size(), 14u);
    EXPECT_TRUE(entries[0].ticked && entries[0].removes);   // trap
    EXPECT_TRUE(entries[1].ticked && !entries[1].removes);  // hip hop
    EXPECT_FALSE(entries[7].ticked);                        // soul: not the same letters
}

}  // namespace
}  // namespace svapp_test
