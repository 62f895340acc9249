#include "app/featured/featured_card.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>

#include "app/featured/featured_avatars.h"
#include "app/theme/theme.h"

namespace {

constexpr int kPadding = 6;
constexpr qreal kRadius = 12;

}  // namespace

SVFeaturedCard::SVFeaturedCard(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("featuredCard"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAcceptDrops(true);
    setToolTip(QString::fromUtf8(kToolTip));
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void SVFeaturedCard::setEntry(int index, const QVariantMap& entry) {
    const bool sameLook =
        entry.value(QStringLiteral("title")) == _entry.value(QStringLiteral("title")) &&
        entry.value(QStringLiteral("avatar")) == _entry.value(QStringLiteral("avatar")) &&
        entry.value(QStringLiteral("uuid")) == _entry.value(QStringLiteral("uuid")) &&
        !_avatar.isNull();
    _index = index;
    _entry = entry;
    setProperty("tag", index);
    setText(entry.value(QStringLiteral("title")).toString());
    if (!sameLook)
        redrawAvatars();
    updateAccessibleText();
    update();
}

void SVFeaturedCard::setActive(bool active) {
    if (active == _active)
        return;
    _active = active;
    updateAccessibleText();
    update();
}

void SVFeaturedCard::redrawAvatars() {
    _avatar =
        SVFeaturedAvatars::featuredAvatarForEntry(_entry, SVFeaturedAvatars::kAvatarSide, false);
    _highlightedAvatar =
        SVFeaturedAvatars::featuredAvatarForEntry(_entry, SVFeaturedAvatars::kAvatarSide, true);
    update();
}

void SVFeaturedCard::updateAccessibleText() {
    const bool playlist =
        _entry.value(QStringLiteral("kind")).toString() == QLatin1String("playlist");
    const QString title = text().isEmpty() ? QStringLiteral("Untitled") : text();
    setAccessibleName(playlist ? QStringLiteral("%1, featured playlist").arg(title)
                               : QStringLiteral("%1, featured folder").arg(title));
    QString description =
        playlist ? QStringLiteral("Opens the playlist. ") : QStringLiteral("Opens the folder. ");
    if (_active)
        description += QStringLiteral("Shown now. ");
    description += QStringLiteral("Drop an image here to change its avatar.");
    setAccessibleDescription(description);
}

bool SVFeaturedCard::acceptsDrag(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return false;
    const QString path = urls.front().toLocalFile();
    if (!QFileInfo(path).isFile())
        return false;
    static const QMimeDatabase types;
    return types.mimeTypeForFile(path).name().startsWith(QLatin1String("image/"));
}

void SVFeaturedCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const SVTheme::Palette colors = SVTheme::selectedPalette();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, kRadius, kRadius);
    QColor fill =
        _active ? colors[SVTheme::kSelectedChipBackground] : colors[SVTheme::kChipBackground];
    if (highlighted() || isDown())
        fill = SVTheme::blendedTowardsWhite(fill, isDown() ? 0.16 : 0.08);
    painter.fillPath(shape, fill);
    QColor border = _active ? colors[SVTheme::kSelectedChipBorder] : SVTheme::grey(0.2);
    qreal borderWidth = 1.0;
    if (_dropTarget || hasFocus()) {
        border = colors[SVTheme::kAccent];
        borderWidth = 1.5;
    }
    painter.setPen(QPen(border, borderWidth));
    painter.drawPath(shape);

    const int side = SVFeaturedAvatars::kAvatarSide;
    const QRect avatar(kPadding, (height() - side) / 2, side, side);
    painter.drawPixmap(avatar, highlighted() ? _highlightedAvatar : _avatar);

    QFont font = painter.font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(_active ? colors[SVTheme::kSelectedChipText] : SVTheme::grey(0.9));
    const QRect words(avatar.right() + 10, 0, width() - avatar.right() - 10 - kPadding - 4,
                      height());
    const QString title = QFontMetrics(font).elidedText(text(), Qt::ElideRight, words.width());
    painter.drawText(words, Qt::AlignLeft | Qt::AlignVCenter, title);
}

void SVFeaturedCard::enterEvent(QEnterEvent* event) {
    _hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SVFeaturedCard::leaveEvent(QEvent* event) {
    _hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SVFeaturedCard::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    _dropTarget = true;
    update();
}

void SVFeaturedCard::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SVFeaturedCard::dragLeaveEvent(QDragLeaveEvent* event) {
    _dropTarget = false;
    update();
    QAbstractButton::dragLeaveEvent(event);
}

void SVFeaturedCard::dropEvent(QDropEvent* event) {
    _dropTarget = false;
    update();
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit avatarDropped(_index, event->mimeData()->urls().front());
}
