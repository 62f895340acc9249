#include "app/sidebar/sidebar_icons.h"

#include <QPainter>
#include <QPainterPath>

#include "app/theme/drawn_icon.h"

namespace SVSidebarIcons {

namespace {

QString themeName(Symbol symbol) {
    switch (symbol) {
        case Symbol::Grid:
            return QStringLiteral("view-grid");
        case Symbol::Repeat:
            return QStringLiteral("media-playlist-repeat");
        case Symbol::Waveform:
            return QStringLiteral("audio-x-generic");
        case Symbol::PianoKeys:
            return QStringLiteral("audio-midi");
        case Symbol::Heart:
            return QStringLiteral("emblem-favorite");
        case Symbol::Drive:
            return QStringLiteral("drive-harddisk");
        case Symbol::Folder:
            return QStringLiteral("folder");
        case Symbol::Back:
            return QStringLiteral("edit-undo");
        case Symbol::NoteList:
            return QStringLiteral("view-media-playlist");
    }
    return {};
}

void drawHeart(QPainter& p, double s) {
    QPainterPath heart;
    heart.moveTo(0.5 * s, 0.84 * s);
    heart.cubicTo(0.12 * s, 0.58 * s, 0.08 * s, 0.36 * s, 0.2 * s, 0.24 * s);
    heart.cubicTo(0.32 * s, 0.12 * s, 0.46 * s, 0.18 * s, 0.5 * s, 0.3 * s);
    heart.cubicTo(0.54 * s, 0.18 * s, 0.68 * s, 0.12 * s, 0.8 * s, 0.24 * s);
    heart.cubicTo(0.92 * s, 0.36 * s, 0.88 * s, 0.58 * s, 0.5 * s, 0.84 * s);
    p.drawPath(heart);
}

void drawPianoKeys(QPainter& p, double s) {
    const QRectF body(0.12 * s, 0.2 * s, 0.76 * s, 0.6 * s);
    p.drawRoundedRect(body, 0.06 * s, 0.06 * s);
    for (int i = 1; i < 4; ++i) {
        const double x = body.left() + body.width() * i / 4.0;
        p.drawLine(QPointF(x, body.top()), QPointF(x, body.bottom()));
    }
    for (const double centre : {0.25, 0.5, 0.75}) {
        const double x = body.left() + body.width() * centre;
        p.fillRect(QRectF(x - 0.05 * s, body.top(), 0.1 * s, 0.34 * s), p.pen().color());
    }
}

void drawBack(QPainter& p, double s) {
    QPainterPath turn;
    turn.moveTo(0.3 * s, 0.4 * s);
    turn.lineTo(0.62 * s, 0.4 * s);
    turn.arcTo(QRectF(0.46 * s, 0.4 * s, 0.36 * s, 0.36 * s), 90, -180);
    turn.lineTo(0.4 * s, 0.76 * s);
    p.drawPath(turn);
    QPainterPath head;
    head.moveTo(0.14 * s, 0.4 * s);
    head.lineTo(0.34 * s, 0.24 * s);
    head.lineTo(0.34 * s, 0.56 * s);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
}

void draw(QPainter& p, Symbol symbol, double s) {
    const QColor color = p.pen().color();
    switch (symbol) {
        case Symbol::Grid:
            for (const double x : {0.16, 0.54})
                for (const double y : {0.16, 0.54})
                    p.drawRoundedRect(QRectF(x * s, y * s, 0.3 * s, 0.3 * s), 0.06 * s, 0.06 * s);
            break;
        case Symbol::Repeat: {
            p.drawRoundedRect(QRectF(0.14 * s, 0.3 * s, 0.72 * s, 0.44 * s), 0.2 * s, 0.2 * s);
            QPainterPath arrow;
            arrow.moveTo(0.48 * s, 0.18 * s);
            arrow.lineTo(0.64 * s, 0.3 * s);
            arrow.lineTo(0.48 * s, 0.42 * s);
            arrow.closeSubpath();
            p.fillPath(arrow, color);
            break;
        }
        case Symbol::Waveform: {
            const double heights[] = {0.2, 0.46, 0.7, 0.34, 0.58, 0.26};
            for (int i = 0; i < 6; ++i) {
                const double x = (0.16 + 0.136 * i) * s;
                const double h = heights[i] * s;
                p.drawLine(QPointF(x, 0.5 * s - h / 2), QPointF(x, 0.5 * s + h / 2));
            }
            break;
        }
        case Symbol::PianoKeys:
            drawPianoKeys(p, s);
            break;
        case Symbol::Heart:
            drawHeart(p, s);
            break;
        case Symbol::Drive:
            p.drawRoundedRect(QRectF(0.12 * s, 0.3 * s, 0.76 * s, 0.4 * s), 0.08 * s, 0.08 * s);
            p.fillRect(QRectF(0.68 * s, 0.47 * s, 0.08 * s, 0.08 * s), color);
            break;
        case Symbol::Folder: {
            QPainterPath folder;
            folder.moveTo(0.12 * s, 0.26 * s);
            folder.lineTo(0.4 * s, 0.26 * s);
            folder.lineTo(0.48 * s, 0.34 * s);
            folder.lineTo(0.88 * s, 0.34 * s);
            folder.lineTo(0.88 * s, 0.78 * s);
            folder.lineTo(0.12 * s, 0.78 * s);
            folder.closeSubpath();
            p.drawPath(folder);
            break;
        }
        case Symbol::Back:
            drawBack(p, s);
            break;
        case Symbol::NoteList:
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(0.12 * s, (0.26 + 0.18 * i) * s),
                           QPointF(0.5 * s, (0.26 + 0.18 * i) * s));
            p.drawLine(QPointF(0.76 * s, 0.22 * s), QPointF(0.76 * s, 0.7 * s));
            p.setBrush(color);
            p.drawEllipse(QPointF(0.68 * s, 0.72 * s), 0.1 * s, 0.08 * s);
            break;
    }
}

}  // namespace

QIcon drawnIcon(Symbol symbol, const QColor& color, int size) {
    return SVDrawnIcon::drawnIcon([symbol](QPainter& p, double side) { draw(p, symbol, side); },
                                  color, size, 1.4, Qt::RoundJoin);
}

QIcon icon(Symbol symbol, const QColor& color, int size) {
    return QIcon::fromTheme(themeName(symbol), drawnIcon(symbol, color, size));
}

}  // namespace SVSidebarIcons
