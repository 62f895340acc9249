#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSettings>
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/inspector/artwork_formats.h"
#include "app/inspector/artwork_images.h"
#include "app/inspector/folder_artwork.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

// A real image file of one colour (the format follows the suffix).
fs::path writeImage(const fs::path& file, QColor color = Qt::red, QSize size = QSize(64, 48)) {
    fs::create_directories(file.parent_path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString name = QString::fromStdString(file.string());
    const char* format = file.extension().empty() ? "PNG" : nullptr;
    EXPECT_TRUE(image.save(name, format)) << file;
    return file;
}

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

sv::Sample sampleAt(const fs::path& file) {
    sv::Sample sample;
    sample.path = file.string();
    sample.filename = file.filename().string();
    return sample;
}

QVariantMap storedChoices() {
    const QSettings settings = SVSettings::open();
    return settings.value(QLatin1String(SVFolderArtwork::kSettingsKey)).toMap();
}

class FolderArtwork : public AppTest {
  protected:
    std::int64_t clock = 0;
    SVFolderArtwork artwork{[this] { return clock; }};
};

TEST_F(FolderArtwork, NearestFolderWinsAndAChoiceOverridesItsOwnFolder) {
    const fs::path lib = home->root() / "Lib";
    const fs::path cover = writeImage(lib / "Pack A" / "cover.png");
    const sv::Sample kick = sampleAt(lib / "Pack A" / "Drums" / "Kick.wav");
    const sv::Sample bass = sampleAt(lib / "Pack A" / "Bass" / "Sub.wav");
    fs::create_directories(lib / "Pack A" / "Drums");
    fs::create_directories(lib / "Pack A" / "Bass");
    EXPECT_EQ(artwork.artworkPathForSample(kick), q(cover));
    EXPECT_EQ(artwork.artworkPathForSample(bass), q(cover));

    const fs::path chosen = writeImage(home->root() / "Pictures" / "drums.jpg", Qt::blue);
    ASSERT_TRUE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(chosen)), q(lib / "Pack A/Drums/")));
    const QString stored = artwork.artworkPathForSample(kick);
    EXPECT_TRUE(stored.startsWith(SVFolderArtwork::artworkDirectory() + QLatin1Char('/')));
    EXPECT_EQ(artwork.artworkPathForSample(bass), q(cover));
    // The choice wins over a cover file in its own folder, too.
    writeImage(lib / "Pack A" / "Drums" / "cover.jpg");
    artwork.invalidate();
    EXPECT_EQ(artwork.artworkPathForSample(kick), stored);
    EXPECT_TRUE(artwork.hasFolderArtwork(q(lib / "Pack A" / "Drums")));

    ASSERT_TRUE(artwork.removeFolderArtwork(q(lib / "Pack A" / "Drums")));
    EXPECT_EQ(artwork.artworkPathForSample(kick), q(lib / "Pack A" / "Drums" / "cover.jpg"));
    EXPECT_FALSE(artwork.removeFolderArtwork(q(lib / "Pack A" / "Drums")));
    EXPECT_TRUE(QFileInfo::exists(stored)) << "the copy stays";
}

TEST_F(FolderArtwork, CandidateNamesInOrderAndMissingChoicesSkipped) {
    const fs::path folder = home->root() / "Pack";
    writeImage(folder / "front.png");
    writeImage(folder / "folder.jpg");
    const sv::Sample sample = sampleAt(folder / "a.wav");
    EXPECT_EQ(artwork.artworkPathForSample(sample), q(folder / "folder.jpg"));
    writeImage(folder / "cover.png");
    artwork.invalidate();
    EXPECT_EQ(artwork.artworkPathForSample(sample), q(folder / "cover.png"));

    // A chosen image that was deleted no longer counts: the cover files do.
    const fs::path chosen = writeImage(home->root() / "chosen.png");
    ASSERT_TRUE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(chosen)), q(folder)));
    const QString copy = artwork.artworkPathForSample(sample);
    ASSERT_TRUE(QFile::remove(copy));
    artwork.invalidate();
    EXPECT_EQ(artwork.artworkPathForSample(sample), q(folder / "cover.png"));

    // Folders named like a cover are not covers; no artwork anywhere gives nothing.
    const fs::path other = home->root() / "Other";
    fs::create_directories(other / "cover.jpg");
    EXPECT_EQ(artwork.artworkPathForSample(sampleAt(other / "b.wav")), QString());
    EXPECT_EQ(artwork.artworkPathForSample(sampleAt("relative.wav")), QString());
}

TEST_F(FolderArtwork, LookupsAreRememberedPerFolderForAShortTime) {
    const fs::path pack = home->root() / "Packs" / "One";
    fs::create_directories(pack);
    const sv::Sample first = sampleAt(pack / "a.wav");
    const sv::Sample second = sampleAt(pack / "b.wav");
    EXPECT_EQ(artwork.artworkPathForSample(first), QString());
    const std::uint64_t probes = artwork.fileProbes();
    EXPECT_GT(probes, 0u);
    // Every row of the folder, and every refresh, is answered without asking the disk.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(artwork.artworkPathForSample(i % 2 ? first : second), QString());
    EXPECT_EQ(artwork.fileProbes(), probes);
    // A sibling folder asks only for itself: the folders above are remembered.
    fs::create_directories(home->root() / "Packs" / "Two");
    artwork.artworkPathForSample(sampleAt(home->root() / "Packs" / "Two" / "c.wav"));
    EXPECT_EQ(artwork.fileProbes(), probes + SVFolderArtwork::candidateNames().size());

    // A cover that appears on disk shows once the remembered answer has aged.
    const fs::path cover = writeImage(pack / "cover.jpg");
    clock += SVFolderArtwork::kDefaultCacheLifetimeMs - 1;
    EXPECT_EQ(artwork.artworkPathForSample(first), QString());
    clock += 1;
    EXPECT_EQ(artwork.artworkPathForSample(first), q(cover));

    // Storing a choice shows at once.
    const fs::path chosen = writeImage(home->root() / "chosen.webp");
    ASSERT_TRUE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(chosen)), q(pack)));
    EXPECT_TRUE(artwork.artworkPathForSample(first).endsWith(QStringLiteral(".webp")));
}

TEST_F(FolderArtwork, StoringCopiesUnderANewNameWithTheExtension) {
    const fs::path folder = home->root() / "Pack";
    fs::create_directories(folder);
    const fs::path jpeg = writeImage(home->root() / "in" / "Cover Art.jpeg");
    const fs::path bare = writeImage(home->root() / "in" / "noextension");
    ASSERT_TRUE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(jpeg)), q(folder)));
    const QString first = storedChoices().value(q(folder)).toString();
    ASSERT_TRUE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(bare)), q(folder)));
    const QString second = storedChoices().value(q(folder)).toString();
    const QFileInfo firstInfo(first), secondInfo(second);
    EXPECT_EQ(firstInfo.absolutePath(), SVFolderArtwork::artworkDirectory());
    EXPECT_EQ(firstInfo.suffix(), QStringLiteral("jpeg"));
    EXPECT_EQ(secondInfo.suffix(), QStringLiteral("png"));
    EXPECT_EQ(firstInfo.completeBaseName().size(), 36);  // a UUID
    EXPECT_NE(first, second);
    EXPECT_TRUE(firstInfo.exists()) << "an earlier copy is kept";
    EXPECT_EQ(QImage(second).size(), QSize(64, 48));
}

TEST_F(FolderArtwork, WhatCannotBeStoredChangesNothing) {
    const fs::path folder = home->root() / "Pack";
    fs::create_directories(folder);
    const fs::path image = writeImage(home->root() / "good.png");
    const fs::path text = home->writeFile("notes.png", "this is not an image");
    const fs::path truncated = home->root() / "cut.png";
    {
        QFile whole(q(image));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        home->writeFile("cut.png", whole.read(40).toStdString());
    }
    const QUrl cases[] = {QUrl(),
                          QUrl(QStringLiteral("https://example.org/a.png")),
                          QUrl::fromLocalFile(q(text)),
                          QUrl::fromLocalFile(q(truncated)),
                          QUrl::fromLocalFile(q(home->root() / "missing.png")),
                          QUrl::fromLocalFile(q(folder))};
    for (const QUrl& url : cases) {
        SCOPED_TRACE(url.toString().toStdString());
        EXPECT_FALSE(artwork.storeArtworkURL(url, q(folder)));
    }
    EXPECT_FALSE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(image)), QString()));
    EXPECT_TRUE(storedChoices().isEmpty());
    EXPECT_TRUE(QDir(SVFolderArtwork::artworkDirectory()).isEmpty());

    // The artwork folder cannot be made (a file stands in its place): no copy, no entry.
    QDir().mkpath(QFileInfo(SVFolderArtwork::artworkDirectory()).absolutePath());
    QDir(SVFolderArtwork::artworkDirectory()).removeRecursively();
    QFile blocker(SVFolderArtwork::artworkDirectory());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(artwork.storeArtworkURL(QUrl::fromLocalFile(q(image)), q(folder)));
    EXPECT_TRUE(storedChoices().isEmpty());
    EXPECT_EQ(artwork.artworkPathForFolder(q(folder)), QString());
}

TEST_F(FolderArtwork, ImagesAreDecodedOnceAtTheirDisplaySize) {
    SVArtworkImages images;
    const fs::path big = writeImage(home->root() / "big.jpg", Qt::green, QSize(1600, 900));
    const QString path = q(big);
    EXPECT_TRUE(images.image(path, 40, 6).isNull()) << "decoded in the background";
    for (int i = 0; i < 20; ++i)
        images.image(path, 40, 6);
    ASSERT_TRUE(waitFor([&] { return !images.image(path, 40, 6).isNull(); }));
    const QPixmap row = images.image(path, 40, 6);
    EXPECT_EQ(row.deviceIndependentSize().toSize(), QSize(40, 40));
    const QPixmap panel = [&] {
        images.image(path, 240, 22);
        waitFor([&] { return !images.image(path, 240, 22).isNull(); });
        return images.image(path, 240, 22);
    }();
    EXPECT_EQ(panel.deviceIndependentSize().toSize(), QSize(240, 240));
    for (int i = 0; i < 100; ++i)
        images.image(path, 40, 6);
    EXPECT_EQ(images.decodeCount(), 2u) << "one decode per image and size";

    // A changed file is decoded again; an undecodable one is not retried until it changes.
    writeImage(big, Qt::blue, QSize(800, 800));
    fs::last_write_time(big, fs::last_write_time(big) + std::chrono::seconds(5));
    images.image(path, 40, 6);
    EXPECT_EQ(images.decodeCount(), 3u);
    const fs::path broken = home->writeFile("broken.png", "not an image");
    images.image(q(broken), 40, 6);
    images.waitForDecodes();
    ASSERT_TRUE(waitFor([&] { return images.failed(q(broken), 40, 6); }));
    images.image(q(broken), 40, 6);
    EXPECT_EQ(images.decodeCount(), 4u);

    const QImage square = SVArtworkImages::decodeSquare(path, 80, 12);
    EXPECT_EQ(square.size(), QSize(80, 80));
    EXPECT_EQ(qAlpha(square.pixel(0, 0)), 0) << "rounded corner";
    const QColor middle = square.pixelColor(40, 40);
    EXPECT_GT(middle.blue(), 240);
    EXPECT_LT(middle.red(), 16);
}

TEST_F(FolderArtwork, TheDialogOffersOnlyFormatsQtReads) {
    const QStringList suffixes = SVArtworkFormats::chooseableSuffixes();
    for (const char* always : {"png", "jpg", "jpeg", "webp"})
        EXPECT_TRUE(suffixes.contains(QLatin1String(always))) << always;
    const bool heic = QImageReader::supportedImageFormats().contains("heic");
    EXPECT_EQ(suffixes.contains(QStringLiteral("heic")), heic);
    EXPECT_FALSE(suffixes.contains(QStringLiteral("gif")));
    const QString filter = SVArtworkFormats::nameFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral("Images (*.png *.PNG *.jpg *.JPG")));
    EXPECT_EQ(filter.contains(QStringLiteral("*.heic")), heic);
}

}  // namespace
}  // namespace svapp_test
