#include "app/filters/chip_flow_layout.h"

#include <QWidget>

#include <algorithm>

SVChipFlowLayout::SVChipFlowLayout(QWidget* parent, int horizontalSpacing, int verticalSpacing)
    : QLayout(parent), _horizontalSpacing(horizontalSpacing), _verticalSpacing(verticalSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

SVChipFlowLayout::~SVChipFlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void SVChipFlowLayout::addItem(QLayoutItem* item) {
    _items.append(item);
}

QLayoutItem* SVChipFlowLayout::itemAt(int index) const {
    return index >= 0 && index < _items.size() ? _items.at(index) : nullptr;
}

QLayoutItem* SVChipFlowLayout::takeAt(int index) {
    return index >= 0 && index < _items.size() ? _items.takeAt(index) : nullptr;
}

int SVChipFlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), true);
}

int SVChipFlowLayout::lineCount(int width) const {
    int lines = 0;
    arrange(QRect(0, 0, width, 0), true, &lines);
    return lines;
}

QSize SVChipFlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : _items) {
        if (!item->isEmpty())
            size = size.expandedTo(item->sizeHint());
    }
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize SVChipFlowLayout::sizeHint() const {
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : _items) {
        if (item->isEmpty())
            continue;
        width += (width > 0 ? _horizontalSpacing : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void SVChipFlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, false);
}

int SVChipFlowLayout::arrange(const QRect& rect, bool measureOnly, int* lines) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int lineHeight = 0;
    int lineTotal = 0;
    for (QLayoutItem* item : _items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        if (lineTotal == 0) {
            lineTotal = 1;
        } else if (x + hint.width() > area.right() + 1 && x > area.x()) {
            x = area.x();
            y += lineHeight + _verticalSpacing;
            lineHeight = 0;
            ++lineTotal;
        }
        if (!measureOnly)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + _horizontalSpacing;
        lineHeight = std::max(lineHeight, hint.height());
    }
    if (lines)
        *lines = lineTotal;
    const QMargins margins = contentsMargins();
    return y + lineHeight - rect.y() + margins.bottom();
}
