#include "app/featured/quick_tour_overlay.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/theme/theme.h"

namespace {

constexpr int kHighlightMargin = 6;
constexpr qreal kHighlightRadius = 10;

}  // namespace

SVQuickTourOverlay::SVQuickTourOverlay(QWidget* host) : QWidget(host) {
    setObjectName(QStringLiteral("quickTourOverlay"));
    setAccessibleName(QStringLiteral("Quick Tour"));
    setFocusPolicy(Qt::NoFocus);
    setGeometry(host->rect());
    host->installEventFilter(this);
}

void SVQuickTourOverlay::setHighlight(const QRect& frame) {
    if (frame == _highlight)
        return;
    _highlight = frame;
    update();
}

bool SVQuickTourOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        emit hostResized();
    }
    return QWidget::eventFilter(watched, event);
}

void SVQuickTourOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath dimmed;
    dimmed.addRect(QRectF(rect()));
    QPainterPath hole;
    const QRectF ring = QRectF(_highlight.adjusted(-kHighlightMargin, -kHighlightMargin,
                                                   kHighlightMargin, kHighlightMargin));
    if (!_highlight.isEmpty()) {
        hole.addRoundedRect(ring, kHighlightRadius, kHighlightRadius);
        dimmed = dimmed.subtracted(hole);
    }
    painter.fillPath(dimmed, QColor(0, 0, 0, 150));
    if (_highlight.isEmpty())
        return;
    painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kAccent), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(hole);
    QColor glow = SVTheme::selectedColor(SVTheme::kSecondAccent);
    glow.setAlphaF(0.35f);
    painter.setPen(QPen(glow, 6.0));
    painter.drawRoundedRect(ring.adjusted(-3, -3, 3, 3), kHighlightRadius + 3,
                            kHighlightRadius + 3);
}

// The window under the overlay is not operated while the tour runs.
void SVQuickTourOverlay::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void SVQuickTourOverlay::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void SVQuickTourOverlay::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void SVQuickTourOverlay::wheelEvent(QWheelEvent* event) {
    event->accept();
}
