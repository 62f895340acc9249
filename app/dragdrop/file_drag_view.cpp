#include "app/dragdrop/file_drag_view.h"

#include <QGraphicsOpacityEffect>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>

#include <optional>

#include "app/theme/theme.h"

namespace {

const QString kTitle = QStringLiteral("Drag");
// Shown when the icon theme has no symbol for sending a document.
const QString kFallbackGlyph = QStringLiteral("⇪");

std::optional<QUrl> draggableURL(const QUrl& url) {
    if (!url.isLocalFile())
        return std::nullopt;
    return SVDragAndDrop::physicalFileURL(url.toLocalFile());
}

}  // namespace

SVFileDragView::SVFileDragView(QWidget* parent)
    : QWidget(parent), _symbol(QIcon::fromTheme(QStringLiteral("document-send"))) {
    setToolTip(QStringLiteral("Drag the current sample to another app"));
    setAccessibleName(kTitle);
    setAccessibleDescription(QStringLiteral("Drag sample"));
    setCursor(Qt::OpenHandCursor);
}

void SVFileDragView::setFileURL(const QUrl& url) {
    _fileURL = url;
    update();
}

void SVFileDragView::setDimmed(bool dimmed) {
    _dimmed = dimmed;
    if (!dimmed) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(kDimmedOpacity);
    setGraphicsEffect(effect);
}

void SVFileDragView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(SVTheme::grey(1.0, 0.12));
    painter.setBrush(SVTheme::grey(1.0, 0.06));
    painter.drawRoundedRect(frame, 8, 8);

    const int symbolSize = 16;
    const int gap = 2;
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    const int textHeight = QFontMetrics(font).height();
    const int top = (height() - symbolSize - gap - textHeight) / 2;
    const QRect symbolRect((width() - symbolSize) / 2, top, symbolSize, symbolSize);
    painter.setPen(Qt::white);
    if (!_symbol.isNull()) {
        _symbol.paint(&painter, symbolRect);
    } else {
        QFont glyph = font;
        glyph.setPixelSize(symbolSize);
        painter.setFont(glyph);
        painter.drawText(symbolRect, Qt::AlignCenter, kFallbackGlyph);
    }
    painter.setFont(font);
    painter.drawText(QRect(0, symbolRect.bottom() + gap, width(), textHeight), Qt::AlignCenter,
                     kTitle);
}

void SVFileDragView::mousePressEvent(QMouseEvent* event) {
    // Accepted in every case so that no parent takes the press as a window move.
    event->accept();
    _tracking = event->button() == Qt::LeftButton && draggableURL(_fileURL).has_value();
    _pressPosition = event->position();
}

void SVFileDragView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!_tracking || !(event->buttons() & Qt::LeftButton))
        return;
    if (QLineF(_pressPosition, event->position()).length() < kDragThreshold)
        return;
    _tracking = false;
    startDrag();
}

void SVFileDragView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    _tracking = false;
}

void SVFileDragView::startDrag() {
    // The file may have gone since the press.
    const std::optional<QUrl> url = draggableURL(_fileURL);
    if (!url || !_starter)
        return;
    SVDragAndDrop::DragRequest request;
    request.mimeData = std::make_unique<QMimeData>();
    request.mimeData->setUrls({*url});
    request.pixmap = SVDragAndDrop::fileIconPixmap(*url);
    request.hotSpot = SVDragAndDrop::centredHotSpot(request.pixmap);
    emit dragStarted(*url);
    _starter(this, std::move(request));
}
