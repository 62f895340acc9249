#include "app/inspector/artwork_images.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMetaObject>
#include <QPainter>
#include <QPainterPath>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

// The cache's cost is in kilobytes of pixels: about 32 MB of artwork stays decoded.
constexpr int kCacheKilobytes = 32 * 1024;

int costOf(const QPixmap& pixmap) {
    return std::max(
        1, static_cast<int>(static_cast<qint64>(pixmap.width()) * pixmap.height() * 4 / 1024));
}

}  // namespace

SVArtworkImages::SVArtworkImages(QObject* parent) : QObject(parent), _decoded(kCacheKilobytes) {
    _decodeQueue.setMaxThreadCount(1);
}

SVArtworkImages::~SVArtworkImages() {
    _decodeQueue.clear();
    _decodeQueue.waitForDone();
}

QString SVArtworkImages::keyOf(const QString& path, int side, int radius) {
    return QString::number(side) + QLatin1Char(',') + QString::number(radius) + QLatin1Char(':') +
           path;
}

SVArtworkImages::Stamp SVArtworkImages::stampOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
        static_cast<std::int64_t>(status.st_size)};
}

QPixmap SVArtworkImages::image(const QString& path, int side, int radius) {
    if (path.isEmpty() || side <= 0)
        return {};
    const QString key = keyOf(path, side, radius);
    const Stamp stamp = stampOf(path);
    if (stamp == Stamp{})
        return {};
    if (const Decoded* decoded = _decoded.object(key); decoded && decoded->stamp == stamp)
        return decoded->pixmap;
    if (const auto failure = _failed.constFind(key);
        failure != _failed.constEnd() && *failure == stamp)
        return {};
    if (const auto pending = _inFlight.constFind(key);
        pending == _inFlight.constEnd() || !(*pending == stamp))
        startDecode(key, path, side, radius, stamp);
    return {};
}

bool SVArtworkImages::failed(const QString& path, int side, int radius) const {
    const auto failure = _failed.constFind(keyOf(path, side, radius));
    return failure != _failed.constEnd() && *failure == stampOf(path);
}

void SVArtworkImages::startDecode(const QString& key, const QString& path, int side, int radius,
                                  Stamp stamp) {
    _inFlight.insert(key, stamp);
    ++_decodes;
    const qreal ratio = qApp ? std::max<qreal>(1.0, qApp->devicePixelRatio()) : 1.0;
    const int pixels = static_cast<int>(std::ceil(side * ratio));
    _decodeQueue.start([this, key, path, side, radius, stamp, ratio, pixels] {
        QImage image;
        try {
            image = decodeSquare(path, pixels, radius * ratio);
        } catch (const std::exception&) {
            image = QImage();
        }
        QMetaObject::invokeMethod(
            this,
            [this, key, path, side, stamp, image, ratio] {
                finishDecode(key, path, side, stamp, image, ratio);
            },
            Qt::QueuedConnection);
    });
}

void SVArtworkImages::finishDecode(const QString& key, const QString& path, int side, Stamp stamp,
                                   const QImage& image, qreal ratio) {
    if (const auto pending = _inFlight.constFind(key);
        pending != _inFlight.constEnd() && *pending == stamp)
        _inFlight.remove(key);
    if (image.isNull()) {
        _failed.insert(key, stamp);
        return;
    }
    _failed.remove(key);
    auto decoded = std::make_unique<Decoded>();
    decoded->pixmap = QPixmap::fromImage(image);
    decoded->pixmap.setDevicePixelRatio(ratio);
    decoded->stamp = stamp;
    const int cost = costOf(decoded->pixmap);
    _decoded.insert(key, decoded.release(), cost);
    emit imageReady(path, side);
}

QImage SVArtworkImages::decodeSquare(const QString& path, int pixels, qreal radiusPixels) {
    if (pixels <= 0)
        return {};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    // Formats that scale while decoding (JPEG) decode straight to about the size shown.
    if (original.isValid() && original.width() > pixels && original.height() > pixels)
        reader.setScaledSize(original.scaled(pixels, pixels, Qt::KeepAspectRatioByExpanding));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    const QImage covering =
        image.scaled(pixels, pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QRect middle((covering.width() - pixels) / 2, (covering.height() - pixels) / 2, pixels,
                       pixels);
    QImage square = covering.copy(middle).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radiusPixels <= 0)
        return square;
    QImage rounded(square.size(), QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rounded.rect()), radiusPixels, radiusPixels);
    painter.fillPath(shape, QBrush(square));
    painter.end();
    return rounded;
}
