#include "app/player/player_icons.h"

#include <QPainter>
#include <QPainterPath>

#include "app/theme/drawn_icon.h"

namespace SVPlayerIcons {

namespace {

QPainterPath triangle(double x, double y, double w, double h, bool pointsRight) {
    QPainterPath path;
    if (pointsRight) {
        path.moveTo(x, y);
        path.lineTo(x + w, y + h / 2);
        path.lineTo(x, y + h);
    } else {
        path.moveTo(x + w, y);
        path.lineTo(x, y + h / 2);
        path.lineTo(x + w, y + h);
    }
    path.closeSubpath();
    return path;
}

void drawSpeaker(QPainter& p, double s, int waves, bool muted) {
    QPainterPath body;
    body.moveTo(0.12 * s, 0.38 * s);
    body.lineTo(0.3 * s, 0.38 * s);
    body.lineTo(0.5 * s, 0.2 * s);
    body.lineTo(0.5 * s, 0.8 * s);
    body.lineTo(0.3 * s, 0.62 * s);
    body.lineTo(0.12 * s, 0.62 * s);
    body.closeSubpath();
    p.fillPath(body, p.pen().color());
    if (muted) {
        p.drawLine(QPointF(0.62 * s, 0.36 * s), QPointF(0.88 * s, 0.64 * s));
        p.drawLine(QPointF(0.88 * s, 0.36 * s), QPointF(0.62 * s, 0.64 * s));
        return;
    }
    for (int i = 0; i < waves; ++i) {
        const double r = (0.16 + 0.14 * i) * s;
        p.drawArc(QRectF(0.5 * s - r, 0.5 * s - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
    }
}

void draw(QPainter& p, Symbol symbol, double s) {
    const QColor color = p.pen().color();
    switch (symbol) {
        case Symbol::Previous:
            p.fillRect(QRectF(0.18 * s, 0.22 * s, 0.1 * s, 0.56 * s), color);
            p.fillPath(triangle(0.3 * s, 0.22 * s, 0.5 * s, 0.56 * s, false), color);
            break;
        case Symbol::Next:
            p.fillPath(triangle(0.2 * s, 0.22 * s, 0.5 * s, 0.56 * s, true), color);
            p.fillRect(QRectF(0.72 * s, 0.22 * s, 0.1 * s, 0.56 * s), color);
            break;
        case Symbol::Play:
            p.fillPath(triangle(0.3 * s, 0.2 * s, 0.52 * s, 0.6 * s, true), color);
            break;
        case Symbol::Pause:
            p.fillRect(QRectF(0.28 * s, 0.22 * s, 0.14 * s, 0.56 * s), color);
            p.fillRect(QRectF(0.58 * s, 0.22 * s, 0.14 * s, 0.56 * s), color);
            break;
        case Symbol::Stop:
            p.fillRect(QRectF(0.26 * s, 0.26 * s, 0.48 * s, 0.48 * s), color);
            break;
        case Symbol::Repeat: {
            const QRectF loop(0.16 * s, 0.26 * s, 0.68 * s, 0.48 * s);
            p.drawRoundedRect(loop, 0.2 * s, 0.2 * s);
            p.fillPath(triangle(0.5 * s, 0.14 * s, 0.16 * s, 0.24 * s, true), color);
            break;
        }
        case Symbol::AddToPlaylist:
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(0.12 * s, (0.28 + 0.2 * i) * s),
                           QPointF((i == 2 ? 0.46 : 0.62) * s, (0.28 + 0.2 * i) * s));
            p.drawLine(QPointF(0.72 * s, 0.56 * s), QPointF(0.72 * s, 0.88 * s));
            p.drawLine(QPointF(0.56 * s, 0.72 * s), QPointF(0.88 * s, 0.72 * s));
            break;
        case Symbol::SpeakerMuted:
            drawSpeaker(p, s, 0, true);
            break;
        case Symbol::SpeakerLow:
            drawSpeaker(p, s, 1, false);
            break;
        case Symbol::SpeakerHigh:
            drawSpeaker(p, s, 2, false);
            break;
    }
}

}  // namespace

QIcon icon(Symbol symbol, const QColor& color, int size) {
    return SVDrawnIcon::drawnIcon([symbol](QPainter& p, double side) { draw(p, symbol, side); },
                                  color, size, 1.6);
}

}  // namespace SVPlayerIcons
