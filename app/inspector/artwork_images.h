#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QThreadPool>

#include <cstdint>

// Artwork images decoded once, at the size they are shown: a square of `side` points (at the
// screen's pixel ratio), the image scaled to cover it and cropped to the middle. Decoding runs
// on one background thread, so a page of large covers never holds up the window; until an
// image is ready its callers show their letter image, and `imageReady` tells them to ask again.
// A file that changes on disk is decoded again; one that cannot be decoded is not tried again
// until it changes.
class SVArtworkImages : public QObject {
    Q_OBJECT
  public:
    explicit SVArtworkImages(QObject* parent = nullptr);
    ~SVArtworkImages() override;

    // The decoded image with corners rounded by `radius` points, or a null pixmap while it is
    // being decoded or when it cannot be.
    QPixmap image(const QString& path, int side, int radius = 0);
    // True when `image` will give nothing for this file until it changes.
    bool failed(const QString& path, int side, int radius = 0) const;

    // Decodes `path` into a `pixels` × `pixels` square with rounded corners; a null image when
    // it is no image.
    static QImage decodeSquare(const QString& path, int pixels, qreal radiusPixels = 0);

    // Decodes started, counted for the tests of the cache.
    std::uint64_t decodeCount() const { return _decodes; }
    void waitForDecodes() { _decodeQueue.waitForDone(); }

  signals:
    void imageReady(const QString& path, int side);

  private:
    struct Stamp {
        std::int64_t modified = -1;
        std::int64_t size = -1;
        bool operator==(const Stamp&) const = default;
    };
    struct Decoded {
        QPixmap pixmap;
        Stamp stamp;
    };

    static QString keyOf(const QString& path, int side, int radius);
    static Stamp stampOf(const QString& path);
    void startDecode(const QString& key, const QString& path, int side, int radius, Stamp stamp);
    void finishDecode(const QString& key, const QString& path, int side, Stamp stamp,
                      const QImage& image, qreal ratio);

    QCache<QString, Decoded> _decoded;
    QHash<QString, Stamp> _inFlight;
    QHash<QString, Stamp> _failed;
    QThreadPool _decodeQueue;
    std::uint64_t _decodes = 0;
};
