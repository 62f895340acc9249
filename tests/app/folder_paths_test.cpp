// Folder paths as the sidebar compares them: by their text, never resolved on disk.
#include <gtest/gtest.h>

#include "app/sidebar/breadcrumb_entries.h"
#include "app/sidebar/folder_paths.h"

namespace svapp_test {
namespace {

using namespace SVFolderPaths;

TEST(FolderPaths, StandardisingIsTextual) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"/", "/"},
        {"/media/me/Ext/Packs", "/media/me/Ext/Packs"},
        {"/media/me/Ext/Packs/", "/media/me/Ext/Packs"},
        {"/media//me/./Ext/Packs//", "/media/me/Ext/Packs"},
        {"/media/me/Ext/Packs/Old/..", "/media/me/Ext/Packs"},
        {"/media/me/..Old Packs", "/media/me/..Old Packs"},
        {"/media/me/...", "/media/me/..."},
        {"/a/.hidden/b", "/a/.hidden/b"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(standardizedPath(path), expected) << path;
        EXPECT_EQ(standardizedPath(QString::fromStdString(path)).toStdString(), expected) << path;
    }
    EXPECT_EQ(withoutTrailingSeparator("/a/b//"), "/a/b");
    EXPECT_EQ(withoutTrailingSeparator("/"), "/");
}

TEST(FolderPaths, LyingBelowAFolder) {
    struct Case {
        std::string path;
        std::string folder;
        bool below;
        bool sameOrBelow;
    };
    const Case cases[] = {
        {"/Lib/Kicks", "/Lib", true, true},
        {"/Lib/..Old Packs/Kicks", "/Lib", true, true},
        {"/Lib/..Old Packs", "/Lib/..Old Packs", false, true},
        {"/Lib/..Old Packs/x", "/Lib/..Old Packs/", true, true},
        {"/Library/Kicks", "/Lib", false, false},
        {"/Lib", "/Lib/", false, true},
        {"/Lib/../Other", "/Lib", false, false},
        {"/Other/..Lib", "/Lib", false, false},
        {"/anything", "/", true, true},
        {"/Lib", "", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isBelow(c.path, c.folder), c.below) << c.path << " in " << c.folder;
        EXPECT_EQ(isSameOrBelow(c.path, c.folder), c.sameOrBelow) << c.path << " in " << c.folder;
    }
}

sv::FolderNode tree() {
    sv::FolderNode lib{"Lib", "/Lib/", {}};
    lib.children.push_back(
        {"..Old Packs", "/Lib/..Old Packs", {{"Kicks", "/Lib/..Old Packs/Kicks", {}}}});
    lib.children.push_back({"Old", "/Lib/Old", {{"Kicks", "/Lib/Old/Kicks", {}}}});
    sv::FolderNode other{"Other", "/Other", {{"Pads", "/Other/Pads", {}}}};
    return sv::FolderNode{"", "", {lib, other}};
}

std::vector<std::string> names(const std::vector<const sv::FolderNode*>& chain) {
    std::vector<std::string> result;
    for (const sv::FolderNode* node : chain)
        result.push_back(node->name);
    return result;
}

TEST(FolderPaths, FindingAFolderGivesItsChainFromTheRoot) {
    const sv::FolderNode root = tree();
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"/Lib/Old/Kicks", {"", "Lib", "Old", "Kicks"}},
        {"/Lib/..Old Packs/Kicks/", {"", "Lib", "..Old Packs", "Kicks"}},
        {"/Lib", {"", "Lib"}},
        {"/Other//Pads", {"", "Other", "Pads"}},
        {"/Lib/Old/Snares", {}},
        {"/Lib/Ol", {}},
        {"", {}},
    };
    for (const auto& [path, expected] : cases) {
        std::vector<const sv::FolderNode*> chain;
        EXPECT_EQ(findFolderPath(path, root, chain), !expected.empty()) << path;
        EXPECT_EQ(names(chain), expected) << path;
    }
}

TEST(FolderPaths, SnapshotsNameTheirPlace) {
    SVBrowseScope scope;
    EXPECT_EQ(SVLocationSnapshot::of(scope, 2).kind, QStringLiteral("all"));
    scope.folderScope = "/Lib/Old";
    scope.sectionType = "MIDI";
    const SVLocationSnapshot folder = SVLocationSnapshot::of(scope, 3);
    EXPECT_EQ(folder.kind, QStringLiteral("folder"));
    EXPECT_EQ(folder.value.toString(), QStringLiteral("/Lib/Old"));
    EXPECT_EQ(folder.section, "MIDI");
    EXPECT_EQ(folder.page, 3);
    scope.playlistId = 9;
    EXPECT_EQ(SVLocationSnapshot::of(scope, 0).kind, QStringLiteral("playlist"));
    EXPECT_EQ(SVLocationSnapshot::of(scope, 0).value.toLongLong(), 9);
    scope = {};
    scope.libraryMode = true;
    EXPECT_EQ(SVLocationSnapshot::of(scope, 0).kind, QStringLiteral("libraries"));
    scope.favoriteMode = true;
    EXPECT_EQ(SVLocationSnapshot::of(scope, 0).kind, QStringLiteral("favorites"));
}

}  // namespace
}  // namespace svapp_test
