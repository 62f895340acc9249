#include "app/results/results_table.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// A cell may be dropped from inside one of its own signals (a button press that refreshes
// the page), so it goes away once control is back in the event loop.
void discard(std::unique_ptr<QWidget> cell) {
    cell->hide();
    cell.release()->deleteLater();
}

}  // namespace

SVResultsTable::SVResultsTable(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(20);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

void SVResultsTable::reloadData(int rowCount, int rowHeight) {
    for (auto& [row, cell] : _cells)
        discard(std::move(cell));
    _cells.clear();
    _selected.clear();
    _rowCount = std::max(rowCount, 0);
    _rowHeight = std::max(rowHeight, 1);
    updateScrollRange();
    layoutCells();
    emit selectionChanged();
}

void SVResultsTable::reloadRow(int row) {
    const auto found = _cells.find(row);
    if (found != _cells.end()) {
        discard(std::move(found->second));
        _cells.erase(found);
    }
    layoutCells();
}

QWidget* SVResultsTable::cellForRow(int row) const {
    const auto found = _cells.find(row);
    return found == _cells.end() ? nullptr : found->second.get();
}

std::pair<int, int> SVResultsTable::visibleRows() const {
    if (_rowCount == 0 || viewport()->height() <= 0)
        return {0, -1};
    const int top = verticalScrollBar()->value();
    const int first = std::clamp(top / _rowHeight, 0, _rowCount - 1);
    const int last = std::clamp((top + viewport()->height() - 1) / _rowHeight, 0, _rowCount - 1);
    return {first, last};
}

int SVResultsTable::rowAt(int viewportY) const {
    const int row = (viewportY + verticalScrollBar()->value()) / _rowHeight;
    return viewportY < 0 || row >= _rowCount ? -1 : row;
}

void SVResultsTable::scrollToRow(int row) {
    if (row < 0 || row >= _rowCount)
        return;
    const int top = row * _rowHeight;
    QScrollBar* bar = verticalScrollBar();
    if (top < bar->value() || viewport()->height() < _rowHeight)
        bar->setValue(top);
    else if (top + _rowHeight > bar->value() + viewport()->height())
        bar->setValue(top + _rowHeight - viewport()->height());
}

void SVResultsTable::selectRows(const std::set<int>& rows) {
    _selected.clear();
    for (int row : rows) {
        if (row >= 0 && row < _rowCount)
            _selected.insert(row);
    }
    emit selectionChanged();
}

void SVResultsTable::setRowSelected(int row, bool selected) {
    if (row < 0 || row >= _rowCount)
        return;
    if (selected)
        _selected.insert(row);
    else
        _selected.erase(row);
    emit selectionChanged();
}

void SVResultsTable::setOpacity(double opacity) {
    if (opacity >= 1.0) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

void SVResultsTable::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    layoutCells();
}

void SVResultsTable::scrollContentsBy(int, int) {
    layoutCells();
}

void SVResultsTable::mousePressEvent(QMouseEvent* event) {
    const int row = rowAt(static_cast<int>(event->position().y()));
    _pressRow = -1;
    if (row >= 0 && event->button() == Qt::LeftButton) {
        _pressRow = row;
        _pressPosition = event->position().toPoint();
        _pressGlobalPosition = event->globalPosition().toPoint();
        emit rowClicked(row, event->modifiers());
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void SVResultsTable::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = rowAt(static_cast<int>(event->position().y()));
    if (row >= 0 && event->button() == Qt::LeftButton)
        emit rowDoubleClicked(row);
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void SVResultsTable::mouseMoveEvent(QMouseEvent* event) {
    const bool dragging = _pressRow >= 0 && (event->buttons() & Qt::LeftButton) &&
                          (event->position().toPoint() - _pressPosition).manhattanLength() >=
                              QApplication::startDragDistance();
    if (!dragging) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    event->accept();
    startRowDrag();
}

void SVResultsTable::mouseReleaseEvent(QMouseEvent* event) {
    _pressRow = -1;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void SVResultsTable::startRowDrag() {
    const int pressed = _pressRow;
    _pressRow = -1;
    // The click may have reloaded the rows.
    if (pressed >= _rowCount || !_dragProvider || !_dragStarter)
        return;
    if (_dragRefusal && _dragRefusal(_pressGlobalPosition))
        return;
    const std::set<int> rows = _selected.count(pressed) ? _selected : std::set<int>{pressed};
    SVDragAndDrop::DragRequest request;
    request.mimeData = _dragProvider(rows);
    if (!request.mimeData || request.mimeData->urls().isEmpty())
        return;
    request.pixmap = SVDragAndDrop::fileIconPixmap(request.mimeData->urls().front());
    request.hotSpot = SVDragAndDrop::centredHotSpot(request.pixmap);
    _dragStarter(this, std::move(request));
}

void SVResultsTable::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(_rowCount * _rowHeight - viewport()->height(), 0));
}

void SVResultsTable::layoutCells() {
    const auto [first, last] = visibleRows();
    for (auto it = _cells.begin(); it != _cells.end();) {
        if (it->first < first || it->first > last) {
            discard(std::move(it->second));
            it = _cells.erase(it);
        } else
            ++it;
    }
    const int top = verticalScrollBar()->value();
    const int width = viewport()->width();
    for (int row = first; row <= last; ++row) {
        auto found = _cells.find(row);
        if (found == _cells.end()) {
            if (!_factory)
                break;
            std::unique_ptr<QWidget> cell = _factory(row, viewport());
            if (!cell)
                continue;
            found = _cells.emplace(row, std::move(cell)).first;
        }
        found->second->setGeometry(0, row * _rowHeight - top, width, _rowHeight);
        found->second->show();
    }
    emit visibleRowsChanged();
}
