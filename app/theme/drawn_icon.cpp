#include "app/theme/drawn_icon.h"

#include <QPen>
#include <QPixmap>

namespace SVDrawnIcon {

QIcon drawnIcon(const Painter& draw, const QColor& color, int size, double penWidth,
                Qt::PenJoinStyle join) {
    QIcon result;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(size * scale, size * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(color);
        pen.setWidthF(penWidth * scale);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(join);
        painter.setPen(pen);
        draw(painter, size * scale);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        result.addPixmap(pixmap);
    }
    return result;
}

}  // namespace SVDrawnIcon
