#include "app/featured/featured_avatars.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#include "app/featured/featured_items.h"
#include "app/theme/theme.h"

namespace SVFeaturedAvatars {

namespace {

// Pictures larger than this are refused rather than decoded.
constexpr int kLargestReadSide = 16384;

qreal screenRatio() {
    return qApp ? std::max<qreal>(1.0, qApp->devicePixelRatio()) : 1.0;
}

QImage readImage(const QString& path, int longestSide) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) {
        if (size.width() > kLargestReadSide || size.height() > kLargestReadSide)
            return {};
        if (std::max(size.width(), size.height()) > longestSide)
            reader.setScaledSize(size.scaled(longestSide, longestSide, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (!image.isNull() && std::max(image.width(), image.height()) > longestSide)
        image =
            image.scaled(longestSide, longestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

// A transparent square of `side` points at the screen's pixel ratio.
QPixmap blankPicture(int side) {
    const qreal ratio = screenRatio();
    QPixmap picture(QSize(side, side) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    return picture;
}

// The rounded square every card picture has.
QPainterPath pictureShape(int side) {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, side, side), side * 0.24, side * 0.24);
    return shape;
}

QPixmap roundedPicture(const QImage& image, int side, bool highlighted) {
    QPixmap picture = blankPicture(side);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPainterPath shape = pictureShape(side);
    painter.setClipPath(shape);
    // Cropped to the middle square.
    const int square = std::min(image.width(), image.height());
    const QRect source((image.width() - square) / 2, (image.height() - square) / 2, square, square);
    painter.drawImage(QRectF(0, 0, side, side), image, source);
    if (highlighted)
        painter.fillPath(shape, QColor(255, 255, 255, 36));
    return picture;
}

QPixmap letterPicture(const QString& title, int side, bool highlighted) {
    QPixmap picture = blankPicture(side);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPainterPath shape = pictureShape(side);
    const SVTheme::Palette colors = SVTheme::selectedPalette();
    painter.fillPath(shape, highlighted
                                ? SVTheme::blendedTowardsWhite(colors[SVTheme::kAccent], 0.12)
                                : colors[SVTheme::kSurface]);
    painter.setPen(QPen(colors[SVTheme::kSelectedChipBorder], 1.0));
    painter.drawPath(shape);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, side * 9 / 20));
    painter.setFont(font);
    painter.setPen(highlighted ? QColor(Qt::white) : colors[SVTheme::kSelectedChipText]);
    const QString letter = letterForTitle(title);
    const QRectF bounds = QFontMetricsF(font).tightBoundingRect(letter);
    painter.drawText(QPointF((side - bounds.width()) / 2 - bounds.left(),
                             (side - bounds.height()) / 2 - bounds.top()),
                     letter);
    return picture;
}

}  // namespace

QString featuredAvatarDirectory() {
    return SVFeaturedItems::featuredAvatarDirectory();
}

bool isWellFormedUuid(const QString& uuid) {
    static const QRegularExpression form(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return form.match(uuid).hasMatch();
}

QString avatarPathForUuid(const QString& uuid) {
    if (!isWellFormedUuid(uuid))
        return {};
    return featuredAvatarDirectory() + QLatin1Char('/') + uuid + QStringLiteral(".png");
}

QString avatarFileForEntry(const QVariantMap& entry) {
    if (entry.value(QStringLiteral("avatar")).toString().isEmpty())
        return {};
    const QString path = avatarPathForUuid(entry.value(QStringLiteral("uuid")).toString());
    if (path.isEmpty())
        return {};
    const QFileInfo file(path);
    return file.isFile() && !file.isSymLink() ? path : QString();
}

QString writeAvatar(const QString& uuid, const QString& imagePath) {
    const QString path = avatarPathForUuid(uuid);
    if (path.isEmpty())
        return {};
    const QImage image = readImage(imagePath, kStoredSide);
    if (image.isNull())
        return {};
    if (!QDir().mkpath(featuredAvatarDirectory()))
        return {};
    // A link planted at our name would make the save write through it: take it away first.
    const QFileInfo existing(path);
    if (existing.isSymLink() && !QFile::remove(path))
        return {};
    if (existing.isDir())
        return {};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    if (!image.save(&file, "PNG") || !file.commit())
        return {};
    return path;
}

bool removeAvatar(const QString& uuid) {
    const QString path = avatarPathForUuid(uuid);
    if (path.isEmpty())
        return true;
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return true;
    if (file.isDir() && !file.isSymLink())
        return false;
    return QFile::remove(path);
}

QString letterForTitle(const QString& title) {
    const QString trimmed = title.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("?");
    const qsizetype length = trimmed.front().isHighSurrogate() && trimmed.size() > 1 ? 2 : 1;
    return trimmed.left(length).toUpper();
}

QPixmap featuredAvatarForEntry(const QVariantMap& entry, int side, bool highlighted) {
    const QString file = avatarFileForEntry(entry);
    if (!file.isEmpty()) {
        const QImage image = readImage(file, static_cast<int>(side * screenRatio() * 2));
        if (!image.isNull())
            return roundedPicture(image, side, highlighted);
    }
    return letterPicture(entry.value(QStringLiteral("title")).toString(), side, highlighted);
}

}  // namespace SVFeaturedAvatars
