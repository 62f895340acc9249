#include "core/browse/folder_tree.h"

#include "core/browse/folder_resolver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_home.h"

namespace sv {
namespace {

namespace fs = std::filesystem;

// Names of the children of a node, in order.
std::vector<std::string> childNames(const FolderNode& node) {
    std::vector<std::string> names;
    for (const FolderNode& child : node.children)
        names.push_back(child.name);
    return names;
}

IndexedPath entry(const std::string& library, const std::string& sample,
                  const std::string& label = {}) {
    return IndexedPath{library, sample, label};
}

TEST(FolderTree, EmptyInputGivesSampleRoot) {
    const FolderNode root = buildFolderTree({});
    EXPECT_EQ(root.name, "SAMPLE");
    EXPECT_EQ(root.path, "");
    EXPECT_TRUE(root.children.empty());
}

TEST(FolderTree, SamplesOnlyInRootGiveNoChildren) {
    const FolderNode root = buildFolderTree({entry("/Lib/Drums", "/Lib/Drums/Kick.wav", "My Drums"),
                                             entry("/Lib/Drums", "/Lib/Drums/Snare.wav")});
    EXPECT_EQ(root.name, "My Drums");
    EXPECT_EQ(root.path, "/Lib/Drums");
    EXPECT_TRUE(root.children.empty());
}

TEST(FolderTree, NestedFoldersInByteOrder) {
    const FolderNode root = buildFolderTree({
        entry("/Lib", "/Lib/Drums/Snares/s.wav"),
        entry("/Lib", "/Lib/Drums/Kicks/k.wav"),
        entry("/Lib", "/Lib/drums/x.wav"),
        entry("/Lib", "/Lib/apple/a.wav"),
        entry("/Lib", "/Lib/Zebra/z.wav"),
        entry("/Lib", "/Lib/\xc3\x89t\xc3\xa9/e.wav"),
        entry("/Lib", "/Lib/Drum/d.wav"),
    });
    EXPECT_EQ(root.name, "Lib");
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"Drum", "Drums", "Zebra", "apple",
                                                          "drums", "\xc3\x89t\xc3\xa9"}));
    const FolderNode& drums = root.children[1];
    EXPECT_EQ(drums.path, "/Lib/Drums");
    EXPECT_EQ(childNames(drums), (std::vector<std::string>{"Kicks", "Snares"}));
    EXPECT_EQ(drums.children[0].path, "/Lib/Drums/Kicks");
    EXPECT_TRUE(drums.children[0].children.empty());
}

TEST(FolderTree, FolderWithOnlySubfolderIsItsOwnNode) {
    const FolderNode root = buildFolderTree({entry("/Lib", "/Lib/A/B/C/x.wav")});
    ASSERT_EQ(childNames(root), std::vector<std::string>{"A"});
    ASSERT_EQ(childNames(root.children[0]), std::vector<std::string>{"B"});
    ASSERT_EQ(childNames(root.children[0].children[0]), std::vector<std::string>{"C"});
    EXPECT_EQ(root.children[0].children[0].children[0].path, "/Lib/A/B/C");
}

TEST(FolderTree, SeveralLibrariesUnderUnnamedRootInPathOrder) {
    const FolderNode root = buildFolderTree({
        entry("/Volumes/B/Samples", "/Volumes/B/Samples/Pads/p.wav"),
        entry("/Users/me/Samples", "/Users/me/Samples/Keys/k.wav"),
        entry("/Users/me/Samples", "/Users/me/Samples/Bass/b.wav", "Mine"),
        entry("/Users/me", "/Users/me/top.wav"),
    });
    EXPECT_EQ(root.name, "");
    EXPECT_EQ(root.path, "");
    ASSERT_EQ(root.children.size(), 3u);
    // A path that is a prefix of another sorts first.
    EXPECT_EQ(root.children[0].path, "/Users/me");
    EXPECT_EQ(root.children[1].path, "/Users/me/Samples");
    EXPECT_EQ(root.children[1].name, "Mine");
    EXPECT_EQ(childNames(root.children[1]), (std::vector<std::string>{"Bass", "Keys"}));
    EXPECT_EQ(root.children[2].name, "Samples");
    EXPECT_EQ(childNames(root.children[2]), std::vector<std::string>{"Pads"});
}

TEST(FolderTree, LabelIsFirstNonEmptyOneOfThatLibrary) {
    const FolderNode root = buildFolderTree({
        entry("/L/One", "/L/One/a.wav"),
        entry("/L/Two", "/L/Two/b.wav", "Other"),
        entry("/L/One", "/L/One/c.wav", ""),
        entry("/L/One", "/L/One/d.wav", "First Label"),
        entry("/L/One", "/L/One/e.wav", "Second Label"),
    });
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].name, "First Label");
    EXPECT_EQ(root.children[1].name, "Other");
}

TEST(FolderTree, BuildLibraryTreeIgnoresOtherLibraries) {
    const FolderNode tree = buildLibraryTree(
        "/A", {entry("/A", "/A/x/1.wav"), entry("/B", "/B/y/2.wav"), entry("/A", "/A/z/3.wav")},
        "Label A");
    EXPECT_EQ(tree.name, "Label A");
    EXPECT_EQ(childNames(tree), (std::vector<std::string>{"x", "z"}));
}

TEST(FolderTree, TrailingSeparatorOfLibraryGivesSingleSeparatorPaths) {
    const FolderNode root = buildFolderTree({entry("/Lib/", "/Lib/Kicks/k.wav")});
    EXPECT_EQ(root.name, "Lib");  // named by its folder, not by the empty text after the '/'
    EXPECT_EQ(root.path, "/Lib/");
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0].path, "/Lib/Kicks");
}

// Only a first step of ".." leaves the library; names that merely begin with two dots stay.
TEST(FolderTree, FoldersNamedWithLeadingDotsAreOrdinary) {
    const FolderNode root = buildFolderTree({
        entry("/Lib", "/Lib/..Old Packs/Kicks/k.wav"),
        entry("/Lib", "/Lib/..Old Packs/s.wav"),
        entry("/Lib", "/Lib/.../x.wav"),
        entry("/Lib", "/Lib/../Outside/o.wav"),
        entry("/Lib", "/Other/..Lib/p.wav"),
    });
    ASSERT_EQ(childNames(root), (std::vector<std::string>{"...", "..Old Packs"}));
    EXPECT_EQ(root.children[1].path, "/Lib/..Old Packs");
    EXPECT_EQ(childNames(root.children[1]), std::vector<std::string>{"Kicks"});
    EXPECT_EQ(root.children[1].children[0].path, "/Lib/..Old Packs/Kicks");
}

TEST(FolderTree, SymlinkedFolderOutsideLibraryAddsNothing) {
    testing::TempHome home;
    const fs::path library = home.root() / "Lib";
    const fs::path elsewhere = home.root() / "Elsewhere";
    fs::create_directories(library / "Real");
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, library / "Escape");
    fs::create_directory_symlink(library / "Real", library / "Inside");

    const std::string lib = library.string();
    const FolderNode root = buildFolderTree({
        entry(lib, lib + "/Escape/a.wav"),
        entry(lib, lib + "/Real/b.wav"),
        entry(lib, lib + "/Inside/c.wav"),
        entry(lib, home.root().string() + "/Outside/d.wav"),
    });
    // The link inside the library resolves to Real, so both samples land in one node.
    EXPECT_EQ(childNames(root), std::vector<std::string>{"Real"});
}

TEST(FolderTree, LibraryGivenThroughSymlinkResolvesBothSides) {
    testing::TempHome home;
    fs::create_directories(home.root() / "Real" / "Kicks");
    fs::create_directory_symlink(home.root() / "Real", home.root() / "Link");
    const std::string link = (home.root() / "Link").string();
    const std::string real = (home.root() / "Real").string();
    const FolderNode root =
        buildFolderTree({entry(link, real + "/Kicks/k.wav"), entry(link, link + "/Kicks/j.wav")});
    ASSERT_EQ(childNames(root), std::vector<std::string>{"Kicks"});
    EXPECT_EQ(root.children[0].path, link + "/Kicks");
}

TEST(FolderTree, CachedFoldersGiveSameTreeInAnyInputOrder) {
    std::vector<IndexedPath> sorted;
    for (int folder = 0; folder < 30; ++folder) {
        for (int file = 0; file < 5; ++file) {
            sorted.push_back(entry("/L", "/L/G" + std::to_string(folder % 4) + "/F" +
                                             std::to_string(folder) + "/s" + std::to_string(file) +
                                             ".wav"));
        }
    }
    std::vector<IndexedPath> interleaved;
    for (int file = 0; file < 5; ++file) {
        for (int folder = 29; folder >= 0; --folder)
            interleaved.push_back(sorted[static_cast<std::size_t>(folder * 5 + file)]);
    }
    const FolderNode a = buildFolderTree(sorted);
    const FolderNode b = buildFolderTree(interleaved);
    ASSERT_EQ(childNames(a), (std::vector<std::string>{"G0", "G1", "G2", "G3"}));
    ASSERT_EQ(childNames(a), childNames(b));
    for (std::size_t i = 0; i < a.children.size(); ++i)
        EXPECT_EQ(childNames(a.children[i]), childNames(b.children[i]));
    // F0 F12 F16 ... byte order, not numeric.
    EXPECT_EQ(childNames(a.children[0]).front(), "F0");
    EXPECT_EQ(childNames(a.children[0])[1], "F12");
}

// Every node of a tree as one line, "path|name" indented by depth, in order.
void flatten(const FolderNode& node, int depth, std::vector<std::string>& lines) {
    lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + node.path + "|" +
                    node.name);
    for (const FolderNode& child : node.children)
        flatten(child, depth + 1, lines);
}

std::vector<std::string> flattened(const FolderNode& node) {
    std::vector<std::string> lines;
    flatten(node, 0, lines);
    return lines;
}

// One library's tree by the plain definition: each sample's folder and the library resolved
// on their own to their weakly canonical forms, the folder placed by its lexically relative
// path. The builder, which shares resolutions between folders, must give exactly this.
FolderNode referenceLibraryTree(const std::string& libraryPath,
                                const std::vector<std::string>& samples, const std::string& label) {
    struct Node {
        std::string path;
        std::map<std::string, Node> children;
    };
    Node root{libraryPath, {}};
    std::error_code error;
    const fs::path library = fs::weakly_canonical(libraryPath, error);
    if (!error) {
        for (const std::string& sample : samples) {
            const fs::path folder = fs::weakly_canonical(fs::path(sample).parent_path(), error);
            if (error)
                continue;
            const fs::path relative = folder.lexically_relative(library);
            if (relative.empty() || *relative.begin() == "..")
                continue;
            Node* current = &root;
            for (const fs::path& part : relative) {
                const std::string name = part.string();
                if (name.empty() || name == ".")
                    continue;
                auto [child, inserted] = current->children.try_emplace(name);
                if (inserted) {
                    child->second.path = current->path.back() == '/' ? current->path + name
                                                                     : current->path + "/" + name;
                }
                current = &child->second;
            }
        }
    }
    std::function<FolderNode(const std::string&, const Node&)> freeze = [&](const std::string& name,
                                                                            const Node& node) {
        FolderNode frozen{name, node.path, {}};
        for (const auto& [childName, child] : node.children)
            frozen.children.push_back(freeze(childName, child));
        return frozen;
    };
    return freeze(label, root);
}

// One drive with a library of many packs and every kind of entry a folder can meet: links
// to folders inside and outside the library, relative and dangling links, a file where a
// folder is expected, folders gone from disk, a library reached through a link and one on a
// drive that is not plugged in. Each library's tree must be the one the plain definition
// gives, whichever spelling of a folder the catalogue holds.
TEST(FolderTree, SharedResolutionsGiveTheTreeOfEachFolderResolvedAlone) {
    testing::TempHome home;
    const fs::path root = home.root();
    const fs::path lib = root / "Drive" / "Lib";
    for (int pack = 0; pack < 6; ++pack)
        fs::create_directories(lib / ("Pack " + std::to_string(pack)) / "Sub");
    fs::create_directories(root / "Elsewhere" / "Deep");
    fs::create_directory_symlink(lib / "Pack 1", lib / "Linked");
    fs::create_directory_symlink("Pack 2", lib / "Relative");
    fs::create_directory_symlink(root / "Elsewhere", lib / "Escape");
    fs::create_directory_symlink(root / "Nowhere", lib / "Dangling");
    fs::create_directory_symlink(lib / "Pack 3", lib / "Pack 4" / "Sub" / "Back");
    fs::create_directory_symlink(lib, root / "LinkLib");
    home.writeFile("Drive/Lib/file.wav", "x");
    ASSERT_EQ(::mkfifo((lib / "Pipe").c_str(), 0600), 0);

    const std::vector<std::string> folders = {
        "Pack 0",
        "Pack 0/Sub",
        "Pack 1",
        "Pack 2/Sub",
        "Pack 3",
        "Pack 4/Sub/Back",
        "Pack 5",
        "Linked",
        "Linked/Sub",
        "Relative/Sub",
        "Escape/Deep",
        "Dangling/x",
        "file.wav",
        "Pipe",
        "Missing/Deeper",
        "Pack 5/Gone/Again",
        "",
        "Pack 0/../Pack 5",
        "Pack 1/./Sub",
        "..Odd",
    };
    struct Library {
        std::string path;
        std::vector<std::string> spellings;  // roots under which the catalogue names samples
    };
    const std::string real = lib.string();
    const std::string link = (root / "LinkLib").string();
    const std::string unplugged = (root / "Unplugged" / "Lib").string();
    const std::vector<Library> libraries = {
        {real, {real}}, {real + "/", {real}},     {link, {link, real}},
        {real, {link}}, {unplugged, {unplugged}},
    };
    for (const Library& library : libraries) {
        std::vector<IndexedPath> entries;
        std::vector<std::string> samples;
        for (const std::string& spelling : library.spellings) {
            for (const std::string& folder : folders) {
                for (const char* file : {"a.wav", "b.wav"}) {
                    const std::string sample = folder.empty()
                                                   ? spelling + "/" + file
                                                   : spelling + "/" + folder + "/" + file;
                    samples.push_back(sample);
                    entries.push_back(entry(library.path, sample, "Label"));
                }
            }
        }
        samples.push_back(root.string() + "/Elsewhere/Deep/c.wav");
        entries.push_back(entry(library.path, samples.back(), "Label"));
        const std::vector<std::string> expected =
            flattened(referenceLibraryTree(library.path, samples, "Label"));
        EXPECT_EQ(flattened(buildLibraryTree(library.path, entries, "Label")), expected)
            << library.path << " through " << library.spellings.front();
        EXPECT_EQ(flattened(buildFolderTree(entries)), expected) << library.path;
    }

    // All of them at once share one resolver: each library's tree stays its own.
    std::vector<IndexedPath> all;
    for (const std::string& path : {real, link, unplugged}) {
        for (const std::string& folder : folders)
            all.push_back(entry(path, path + "/" + folder + "/a.wav"));
    }
    const FolderNode combined = buildFolderTree(all);
    ASSERT_EQ(combined.children.size(), 3u);
    for (const FolderNode& child : combined.children) {
        EXPECT_EQ(flattened(child), flattened(buildLibraryTree(child.path, all, child.name)))
            << child.path;
    }
    EXPECT_FALSE(combined.children.front().children.empty());
}
}  // namespace
}  // namespace sv

namespace sv {
namespace {

// The resolver must agree with the library's own weakly canonical form for every shape of
// folder: plain, linked (inside and out), missing tails, files in the way, dots.
TEST(FolderResolver, AgreesWithWeaklyCanonical) {
    testing::TempHome home;
    const fs::path root = home.root();
    fs::create_directories(root / "Lib" / "Drums" / "Kicks");
    fs::create_directories(root / "Elsewhere" / "Deep");
    fs::create_directory_symlink(root / "Elsewhere", root / "Lib" / "Out");
    fs::create_directory_symlink("Drums", root / "Lib" / "Relative");
    fs::create_directory_symlink(root / "Nowhere", root / "Lib" / "Dangling");
    home.writeFile("Lib/file.txt", "x");

    const std::vector<std::string> folders = {
        (root / "Lib/Drums/Kicks").string(),
        (root / "Lib/Drums").string(),
        (root / "Lib/Out/Deep").string(),
        (root / "Lib/Out/Deep/Missing/More").string(),
        (root / "Lib/Relative/Kicks").string(),
        (root / "Lib/Dangling/x").string(),
        (root / "Lib/Missing/Deeper").string(),
        (root / "Lib/file.txt/x").string(),
        (root / "Lib/./Drums/../Drums").string(),
        (root.string() + "/Lib//Drums"),
        "/",
        "relative/folder",
        "",
    };
    FolderResolver resolver;
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::string& folder : folders) {
            std::error_code error;
            const fs::path expected = fs::weakly_canonical(folder, error);
            const std::optional<fs::path> resolved = resolver.resolve(folder);
            if (error) {
                EXPECT_FALSE(resolved) << folder;
                continue;
            }
            ASSERT_TRUE(resolved) << folder;
            EXPECT_EQ(resolved->string(), expected.string()) << folder;
        }
    }
}

// A folder with many children is read in one listing: every kind of entry in it must still
// resolve as the library's weakly canonical form does, before and after the listing is made.
TEST(FolderResolver, ChildrenOfAListedFolderAgreeWithWeaklyCanonical) {
    testing::TempHome home;
    const fs::path root = home.root();
    const fs::path lib = root / "Lib";
    for (int pack = 0; pack < 5; ++pack)
        fs::create_directories(lib / ("Pack " + std::to_string(pack)) / "Inner");
    fs::create_directories(root / "Elsewhere" / "Deep");
    fs::create_directory_symlink(root / "Elsewhere", lib / "Out");
    fs::create_directory_symlink("Pack 0", lib / "Relative");
    fs::create_directory_symlink(root / "Nowhere", lib / "Dangling");
    fs::create_directory_symlink(lib / "Out", lib / "Chain");
    home.writeFile("Lib/file.wav", "x");
    ASSERT_EQ(::mkfifo((lib / "Pipe").c_str(), 0600), 0);

    const std::vector<std::string> children = {
        "Pack 0",     "Pack 1/Inner", "Pack 2",       "Pack 3/Inner/Missing",
        "Pack 4",     "Out/Deep",     "Relative",     "Relative/Inner",
        "Dangling/x", "Chain/Deep",   "file.wav",     "file.wav/x",
        "Pipe",       "Missing",      "Missing/More", "Pack 0/Inner",
    };
    FolderResolver resolver;
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::string& child : children) {
            const std::string folder = (lib / child).string();
            std::error_code error;
            const fs::path expected = fs::weakly_canonical(folder, error);
            const std::optional<fs::path> resolved = resolver.resolve(folder);
            ASSERT_FALSE(error) << folder;
            ASSERT_TRUE(resolved) << folder;
            EXPECT_EQ(resolved->string(), expected.string()) << folder;
        }
    }
}

}  // namespace
}  // namespace sv
