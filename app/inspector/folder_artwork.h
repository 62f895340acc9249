#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <cstdint>
#include <functional>

#include "core/records/sample.h"

// Folder artwork: the image a user chose for a folder (the "SVFolderArtwork" setting, copies
// kept in the Artwork folder beside the catalogue), else a cover file the folder holds, looked
// up from the sample's folder upwards. Lookups are remembered per folder for a short time, since
// every row of every page asks; storing or removing a choice forgets them at once.
class SVFolderArtwork {
  public:
    static constexpr const char* kSettingsKey = "SVFolderArtwork";
    static constexpr std::int64_t kDefaultCacheLifetimeMs = 5000;

    // Milliseconds of a steady clock.
    using Clock = std::function<std::int64_t()>;

    explicit SVFolderArtwork(Clock clock = {});

    // "cover.jpg", "cover.jpeg", "cover.png", "folder.jpg", "folder.png", "artwork.jpg",
    // "artwork.png", "front.jpg", "front.png", in the order they are tried.
    static const QStringList& candidateNames();
    // "<data folder>/Orvane Producer/SampleVorlan/Artwork".
    static QString artworkDirectory();

    // The artwork of the sample's folder or the nearest folder above it that has one (the
    // root "/" is never searched); empty when none has.
    QString artworkPathForSample(const sv::Sample& sample);
    QString artworkPathForFolder(const QString& folder);

    // The image the user chose for exactly this folder, if any.
    QString chosenArtwork(const QString& folder);
    bool hasFolderArtwork(const QString& folder) { return !chosenArtwork(folder).isEmpty(); }

    // Copies the image at `url` into the artwork folder under a new name and makes it the
    // folder's artwork. Nothing is stored (and false returned) when the URL is not a local
    // file, the folder is empty, the file is not an image Qt can load, or the copy or the
    // setting cannot be written.
    bool storeArtworkURL(const QUrl& url, const QString& folder);
    // Forgets the folder's chosen artwork; false when it had none. The copy stays on disk.
    bool removeFolderArtwork(const QString& folder);

    // Forgets every remembered lookup and the remembered setting.
    void invalidate();
    void setCacheLifetime(std::int64_t milliseconds) { _lifetimeMs = milliseconds; }
    // Files asked for, counted for the tests of the cache.
    std::uint64_t fileProbes() const { return _fileProbes; }

    // True when Qt decodes the file as an image.
    static bool isLoadableImage(const QString& path);

  private:
    struct Remembered {
        QString artwork;
        std::int64_t checkedAt = 0;
    };

    std::int64_t now() const;
    const QVariantMap& chosenMap();
    bool fileExists(const QString& path);
    QString lookUpOneFolder(const QString& folder);

    Clock _clock;
    std::int64_t _lifetimeMs = kDefaultCacheLifetimeMs;
    QHash<QString, Remembered> _remembered;
    QVariantMap _chosen;
    std::int64_t _chosenReadAt = -1;
    std::uint64_t _fileProbes = 0;
};
