#include "app/inspector/letter_images.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "app/theme/theme.h"

QString SVLetterImages::letterOf(const QString& packName) {
    const QString trimmed = packName.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("?");
    // A letter outside the basic plane takes two UTF-16 units.
    const qsizetype length = trimmed.front().isHighSurrogate() && trimmed.size() > 1 ? 2 : 1;
    return trimmed.left(length).toUpper();
}

QColor SVLetterImages::accentHoverSurface() {
    return SVTheme::blendedTowardsWhite(SVTheme::selectedColor(SVTheme::kAccent), 0.12);
}

QPixmap SVLetterImages::placeholder(const QString& packName) {
    return drawn(letterOf(packName), kPlaceholderSide, true);
}

QPixmap SVLetterImages::avatar(const QString& packName, bool selected) {
    return drawn(letterOf(packName), kAvatarSide, selected);
}

QPixmap SVLetterImages::drawn(const QString& letter, int side, bool selected) {
    const QString key =
        QString::number(side) + (selected ? QLatin1Char('s') : QLatin1Char('n')) + letter;
    if (const auto found = _drawn.constFind(key); found != _drawn.constEnd())
        return *found;
    const bool large = side == kPlaceholderSide;
    const qreal ratio = qApp ? std::max<qreal>(1.0, qApp->devicePixelRatio()) : 1.0;
    QPixmap image(QSize(side, side) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal radius = large ? 22 : 6;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, side, side), radius, radius);
    painter.fillPath(
        shape, selected ? accentHoverSurface() : SVTheme::selectedColor(SVTheme::kChipBackground));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(large ? 92 : 17);
    painter.setFont(font);
    painter.setPen(selected ? QColor(Qt::white) : SVTheme::grey(0.82));
    // Centred by the letter's own outline, not the line box, so it sits in the middle.
    const QRectF bounds = QFontMetricsF(font).tightBoundingRect(letter);
    const QPointF origin((side - bounds.width()) / 2 - bounds.left(),
                         (side - bounds.height()) / 2 - bounds.top());
    painter.drawText(origin, letter);
    painter.end();
    if (_drawn.size() > 512)
        _drawn.clear();
    _drawn.insert(key, image);
    return image;
}
