// The folder-tree input read one seek per folder against the same list read from every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/browse/folder_tree.h"
#include "core/catalogue/database.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace sv::testing {
namespace {

using Row = std::tuple<std::string, std::string, std::string>;

std::vector<Row> rowsOf(const std::vector<IndexedPath>& folders) {
    std::vector<Row> rows;
    for (const IndexedPath& folder : folders)
        rows.emplace_back(folder.libraryPath, folder.samplePath, folder.libraryLabel);
    return rows;
}

class IndexedFolders : public CatalogueTest {
  protected:
    // Libraries with nested folders, folders whose names sort around the separator ("Pack",
    // "Pack 2", "Pack-1", "Pack.x", "Pack/Sub"), samples in the library root, companion files
    // (alone in a folder, and stored before a folder's first real file), names beyond ASCII, a
    // library stored with a separator at its end, an offline library, and rows written in a
    // shuffled order so that storage order is not path order.
    void fillCatalogue(unsigned seed) {
        const std::vector<std::string> libraryPaths = {"/music/Drums", "/music/Keys/",
                                                       "/media/me/Ext", "/music/Drums Extra"};
        std::vector<std::int64_t> ids;
        for (const std::string& path : libraryPaths)
            ids.push_back(db().addLibrary(path));
        db().setLibraryDisplayLabel(ids[2], "Ext drive");
        db().setLibraryAvailable("/media/me/Ext", false);
        const std::vector<std::string> folders = {"",
                                                  "Pack",
                                                  "Pack 2",
                                                  "Pack-1",
                                                  "Pack.x",
                                                  "Pack/Sub",
                                                  "Pack/Sub/Deeper",
                                                  "Pack/Sub 2",
                                                  "..Old",
                                                  "Caf\xC3\xA9",
                                                  "Caf\xC3\xA9/\xC3\x89t\xC3\xA9",
                                                  "Zebra",
                                                  "apple",
                                                  "Only Companions"};
        // Rows whose name does not end their path, or whose bytes are not UTF-8, stored first.
        const auto insertOdd = [&](std::int64_t library, const std::string& path,
                                   const std::string& name) {
            raw().exec(
                "INSERT INTO samples(path,filename,library_id,file_size,modified_at) "
                "VALUES('" +
                path + "','" + name + "'," + std::to_string(library) + ",1,1)");
        };
        insertOdd(ids[0], "/music/Drums/Pack/odd.wav", "x.mid");
        insertOdd(ids[0], "/music/Drums/Strange/a.wav", "x.mid");
        insertOdd(ids[0], "/music/Drums/Strange/b\x80.wav", "b\x80.wav");
        insertOdd(ids[1], "/music/Keys/Caf\xC3/\xA9.wav", "\xA9.wav");
        struct Planned {
            std::int64_t library;
            std::string path;
        };
        std::vector<Planned> planned;
        for (std::size_t l = 0; l < libraryPaths.size(); ++l) {
            std::string base = libraryPaths[l];
            if (base.back() == '/')
                base.pop_back();
            for (std::size_t f = 0; f < folders.size(); ++f) {
                if ((l + f) % 5 == 4)
                    continue;  // not every library has every folder
                const std::string folder = folders[f].empty() ? base : base + "/" + folders[f];
                const bool companionsOnly = folders[f] == "Only Companions";
                std::string tail = folders[f];
                std::replace(tail.begin(), tail.end(), '/', ' ');
                for (int i = 0; i < 4; ++i) {
                    const std::string name = std::string(i == 0 || companionsOnly ? "._" : "") +
                                             "s" + std::to_string(i) + " " + tail + ".wav";
                    planned.push_back({ids[l], folder + "/" + name});
                }
            }
        }
        std::mt19937 random(seed);
        std::shuffle(planned.begin(), planned.end(), random);
        for (const Planned& sample : planned)
            addSample(sample.library, sample.path);
        // Gaps in the row ids, and a folder whose first stored file came back later.
        raw().exec("DELETE FROM samples WHERE path LIKE '%/s2 Pack 2.wav'");
        addSample(ids[0], "/music/Drums/Pack 2/s2 Pack 2.wav");
    }

    std::vector<IndexedPath> readByScan() {
        raw().exec("DROP INDEX IF EXISTS idx_samples_folder");
        std::vector<IndexedPath> folders = db().indexedFolders();
        raw().exec(
            "CREATE INDEX idx_samples_folder ON "
            "samples(library_id,rtrim(path,replace(filename,'/','')))");
        return folders;
    }
};

TEST_F(IndexedFolders, SeeksGiveExactlyTheListOfTheFullScan) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        raw().exec("DELETE FROM samples; DELETE FROM libraries;");
        fillCatalogue(seed);
        const std::vector<IndexedPath> bySeeks = db().indexedFolders();
        const std::vector<IndexedPath> byScan = readByScan();
        EXPECT_EQ(rowsOf(bySeeks), rowsOf(byScan));
        // 4 libraries x 14 folders, less the 11 left out and the 3 of companions only, and the
        // two folders of odd rows alone.
        EXPECT_EQ(bySeeks.size(), 44u);
        const auto companion = [](const IndexedPath& folder) {
            return folder.samplePath.find("/._") != std::string::npos;
        };
        EXPECT_TRUE(std::none_of(bySeeks.begin(), bySeeks.end(), companion));
        EXPECT_EQ(rowsOf(db().indexedFolders()), rowsOf(bySeeks));  // the seek path again
    }
}

TEST_F(IndexedFolders, TheTreeIsTheTreeOfEveryIndexedPath) {
    fillCatalogue(7);
    const FolderNode fromFolders = buildFolderTree(db().indexedFolders());
    const FolderNode fromPaths = buildFolderTree(db().indexedPaths());
    const std::function<void(const FolderNode&, const FolderNode&)> expectSame =
        [&](const FolderNode& a, const FolderNode& b) {
            EXPECT_EQ(a.name, b.name);
            EXPECT_EQ(a.path, b.path);
            ASSERT_EQ(a.children.size(), b.children.size()) << a.path;
            for (std::size_t i = 0; i < a.children.size(); ++i)
                expectSame(a.children[i], b.children[i]);
        };
    expectSame(fromFolders, fromPaths);
    ASSERT_EQ(fromFolders.children.size(), 4u);
}

// The list is kept between reloads only while nothing was written, by this connection or by
// another one.
TEST_F(IndexedFolders, AnyWriteIsSeenByTheNextRead) {
    const auto drums = db().addLibrary("/music/Drums");
    addSample(drums, "/music/Drums/Kicks/k.wav");
    EXPECT_EQ(db().indexedFolders().size(), 1u);

    addSample(drums, "/music/Drums/Snares/s.wav");
    EXPECT_EQ(db().indexedFolders().size(), 2u);

    raw().exec(
        "INSERT INTO samples(path,filename,library_id,file_size,modified_at) VALUES"
        "('/music/Drums/Hats/h.wav','h.wav'," +
        std::to_string(drums) + ",1,1)");
    const auto folders = db().indexedFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].samplePath, "/music/Drums/Hats/h.wav");

    db().setLibraryDisplayLabel(drums, "My drums");
    EXPECT_EQ(db().indexedFolders()[0].libraryLabel, "My drums");

    db().removeLibrary(drums);
    EXPECT_TRUE(db().indexedFolders().empty());
}

}  // namespace
}  // namespace sv::testing
