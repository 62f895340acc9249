#include <QImage>

#include <optional>
#include <string>
#include <vector>

#include "app/inspector/letter_images.h"
#include "app/inspector/pack_names.h"
#include "app/theme/theme.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

sv::Sample sample(const std::string& path, const std::string& library) {
    sv::Sample s;
    s.path = path;
    s.filename = path.substr(path.rfind('/') + 1);
    s.library = library;
    return s;
}

sv::FolderNode node(std::string name, std::string path, std::vector<sv::FolderNode> children = {}) {
    return sv::FolderNode{std::move(name), std::move(path), std::move(children)};
}

// One library "Lib" at /Lib with packs; a generic library "Samples" at /Samples.
sv::FolderNode twoLibraries() {
    return node("", "",
                {node("Lib", "/Lib",
                      {node("Pack A", "/Lib/Pack A", {node("Drums", "/Lib/Pack A/Drums")}),
                       node("", "/Lib/Unnamed")}),
                 node("Samples", "/Samples/",
                      {node("Vol 1", "/Samples/Vol 1", {node("Keys", "/Samples/Vol 1/Keys")})})});
}

struct PackCase {
    const char* path;
    const char* library;
    const char* packName;
    std::optional<SVPackLink> link;
};

class PackNames : public AppTest {};

TEST_F(PackNames, NamesAndLinksFromTheFolderTree) {
    SVPackNames packs;
    packs.setFolderRoot(twoLibraries());
    const auto link = [](const char* title, const char* path) {
        return std::optional<SVPackLink>(
            SVPackLink{QString::fromUtf8(title), QString::fromUtf8(path)});
    };
    const PackCase cases[] = {
        // Below a pack: the pack; directly in the library: the library.
        {"/Lib/Pack A/Drums/Kick.wav", "Lib", "Pack A", link("Lib", "/Lib")},
        {"/Lib/Pack A/Snare.wav", "Lib", "Pack A", link("Lib", "/Lib")},
        {"/Lib/Loose.wav", "Lib", "Lib", link("Lib", "/Lib")},
        // A folder without a name is passed over for the library's name.
        {"/Lib/Unnamed/x.wav", "Lib", "Lib", link("Lib", "/Lib")},
        // The library name is matched ignoring case; a different one gives no link.
        {"/Lib/Pack A/y.wav", "lib", "Pack A", link("Lib", "/Lib")},
        {"/Lib/Pack A/y.wav", "Elsewhere", "Pack A", std::nullopt},
        // A generic library links the folder right below it.
        {"/Samples/Vol 1/Keys/Rhodes.wav", "Samples", "Vol 1", link("Vol 1", "/Samples/Vol 1")},
        {"/Samples/Top.wav", " samples ", "Samples", link("Samples", "/Samples")},
        // Outside every library node: the library's name, or for a generic one the folder.
        {"/Loose/Pack A/Kick.wav", "Samples", "Pack A", std::nullopt},
        {"/Other/Pack B/Kick.wav", "Vinyl Kit", "Vinyl Kit", std::nullopt},
        {"/Other/Pack B/Kick.wav", "", "Pack B", std::nullopt},
        {"/Kick.wav", "", "Sample", std::nullopt},
        // Standardised before comparing.
        {"/Lib/./Pack A//Drums/../Hat.wav", "Lib", "Pack A", link("Lib", "/Lib")},
    };
    for (const PackCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + c.library);
        // Every case twice: the second answer comes from the remembered one.
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(packs.packNameForSample(sample(c.path, c.library)).toStdString(), c.packName);
            EXPECT_EQ(packs.packNavigationForSample(sample(c.path, c.library)), c.link);
        }
    }
    // "Samples/Pack A" is outside the tree (only "Vol 1" is a node), and the tree replaced
    // later answers anew.
    packs.setFolderRoot(node("Samples", "/Samples", {node("Pack A", "/Samples/Pack A")}));
    EXPECT_EQ(packs.packNavigationForSample(sample("/Samples/Pack A/Kick.wav", "Samples")),
              link("Pack A", "/Samples/Pack A"));
}

TEST_F(PackNames, ANamedRootIsTheOnlyLibraryAndAnEmptyTreeHoldsNothing) {
    SVPackNames packs;
    packs.setFolderRoot(node("Lib", "/Lib", {node("Pack A", "/Lib/Pack A")}));
    EXPECT_EQ(packs.packNameForSample(sample("/Lib/Pack A/a.wav", "Lib")),
              QStringLiteral("Pack A"));
    EXPECT_EQ(packs.packNameForSample(sample("/Lib/b.wav", "Lib")), QStringLiteral("Lib"));
    // A generic library outside every library node: the sample's own folder.
    const QString outside = packs.packNameForSample(sample("/Samples/Pack A/Kick.wav", "Samples"));
    EXPECT_EQ(outside, QStringLiteral("Pack A"));
    EXPECT_EQ(SVLetterImages::letterOf(outside), QStringLiteral("P"));
    // The tree of an empty catalogue is a node without a path: it holds no sample.
    packs.setFolderRoot(node("SAMPLE", ""));
    EXPECT_EQ(packs.packNameForSample(sample("/Lib/Pack A/a.wav", "Lib")), QStringLiteral("Lib"));
    EXPECT_EQ(packs.packNavigationForSample(sample("/Lib/Pack A/a.wav", "Lib")), std::nullopt);
    for (const char* generic : {"sample", "Samples", "LIBRARY", "Sample Library"})
        EXPECT_TRUE(SVPackNames::isGenericLibraryName(QString::fromUtf8(generic))) << generic;
    EXPECT_FALSE(SVPackNames::isGenericLibraryName(QStringLiteral("Sample Packs")));
}

TEST_F(PackNames, LetterImagesInThemeColours) {
    SVLetterImages letters;
    EXPECT_EQ(SVLetterImages::letterOf(QStringLiteral("pack A")), QStringLiteral("P"));
    EXPECT_EQ(SVLetterImages::letterOf(QString()), QStringLiteral("?"));
    EXPECT_EQ(SVLetterImages::letterOf(QStringLiteral("émile")), QStringLiteral("É"));
    EXPECT_EQ(SVLetterImages::letterOf(QStringLiteral("𝄞 Keys")).size(), 2);

    const QPixmap placeholder = letters.placeholder(QStringLiteral("Pack A"));
    EXPECT_EQ(placeholder.deviceIndependentSize().toSize(), QSize(240, 240));
    const QImage big = placeholder.toImage();
    const qreal ratio = placeholder.devicePixelRatio();
    EXPECT_EQ(qAlpha(big.pixel(0, 0)), 0) << "rounded corner";
    const QColor fill = big.pixelColor(QPoint(20, 120) * ratio);
    EXPECT_EQ(fill.rgb(), SVLetterImages::accentHoverSurface().rgb());
    // The letter is white and drawn in the middle.
    int white = 0;
    for (int x = 90; x < 150; ++x) {
        for (int y = 90; y < 150; ++y)
            white += big.pixelColor(QPoint(x, y) * ratio) == QColor(Qt::white);
    }
    EXPECT_GT(white, 100);

    const QImage plain = letters.avatar(QStringLiteral("Pack A"), false).toImage();
    const QImage lit = letters.avatar(QStringLiteral("Pack A"), true).toImage();
    EXPECT_EQ(plain.size(), QSize(40, 40) * ratio);
    EXPECT_EQ(plain.pixelColor(QPoint(3, 20) * ratio).rgb(),
              SVTheme::selectedColor(SVTheme::kChipBackground).rgb());
    EXPECT_EQ(lit.pixelColor(QPoint(3, 20) * ratio).rgb(),
              SVLetterImages::accentHoverSurface().rgb());
    // Drawn once per letter and look.
    EXPECT_EQ(letters.avatar(QStringLiteral("Pack B"), true).cacheKey(),
              letters.avatar(QStringLiteral("pulse"), true).cacheKey());
    EXPECT_NE(letters.avatar(QStringLiteral("Pack B"), true).cacheKey(),
              letters.avatar(QStringLiteral("Pack B"), false).cacheKey());
}

}  // namespace
}  // namespace svapp_test
