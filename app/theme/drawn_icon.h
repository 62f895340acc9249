#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>

#include <functional>

// An icon the application draws itself, at one and two device pixels per point. `draw` paints
// a symbol `side` pixels square with the pen already set to `color` and `penWidth` points.
namespace SVDrawnIcon {

using Painter = std::function<void(QPainter& painter, double side)>;

QIcon drawnIcon(const Painter& draw, const QColor& color, int size, double penWidth,
                Qt::PenJoinStyle join = Qt::BevelJoin);

}  // namespace SVDrawnIcon
