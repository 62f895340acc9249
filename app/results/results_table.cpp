#include "app/results/results_table.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kStartsRowDragProperty = "svStartsRowDrag";

// Widgets that act on a press and a move themselves.
bool isControl(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget);
}

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
    // The viewport and, as they are added, the cells and every widget inside them.
    watchRowWidgets(viewport());
}

void SVResultsTable::setStartsRowDrag(QWidget* widget, bool starts) {
    widget->setProperty(kStartsRowDragProperty, starts);
}

void SVResultsTable::watchRowWidgets(QWidget* widget) {
    // Installing a filter twice keeps one.
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool SVResultsTable::pressStartsRowDrag(const QWidget* pressed) const {
    for (const QWidget* widget = pressed; widget && widget != viewport();
         widget = widget->parentWidget()) {
        const QVariant marked = widget->property(kStartsRowDragProperty);
        if (marked.isValid())
            return marked.toBool();
        if (isControl(widget))
            return false;
    }
    return true;
}

// A press reaches the filter once for the widget under the pointer and again for each parent it
// propagates to; every sighting records the same press.
void SVResultsTable::recordPress(const QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const QPoint inViewport = viewport()->mapFromGlobal(global);
    QWidget* pressed = viewport()->childAt(inViewport);
    _press = {};
    _press.row = rowAt(inViewport.y());
    _press.globalPosition = global;
    _press.widget = pressed ? pressed : viewport();
    _press.startsDrag = _press.row >= 0 && pressStartsRowDrag(_press.widget);
}

bool SVResultsTable::trackMove(const QMouseEvent* event) {
    const bool held = event->buttons() & Qt::LeftButton;
    if (_press.dragged) {
        // The moves of a press that started a drag are the drag's, not the pressed widget's.
        if (!held)
            _press = {};
        return held;
    }
    if (_press.row < 0 || !_press.startsDrag || !held)
        return false;
    const QPoint travelled = event->globalPosition().toPoint() - _press.globalPosition;
    if (travelled.manhattanLength() < QApplication::startDragDistance())
        return false;
    startRowDrag();
    return true;
}

bool SVResultsTable::finishPress() {
    if (!_press.dragged)
        return false;
    _press = {};
    return true;
}

bool SVResultsTable::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                watchRowWidgets(child);
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                recordPress(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseMove:
            return trackMove(static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            // After a drag the pressed widget must not see a click.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                return finishPress();
            break;
        default:
            break;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
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
    if (row >= 0 && event->button() == Qt::LeftButton) {
        const bool inSelection = _selected.size() > 1 && _selected.count(row) > 0;
        if (inSelection && event->modifiers() == Qt::NoModifier) {
            _press.deferredClickRow = row;
            _press.modifiers = event->modifiers();
        } else {
            emit rowClicked(row, event->modifiers());
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void SVResultsTable::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = rowAt(static_cast<int>(event->position().y()));
    if (row >= 0 && event->button() == Qt::LeftButton)
        emit rowDoubleClicked(row);
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void SVResultsTable::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const Press press = std::exchange(_press, {});
        if (press.deferredClickRow >= 0 && press.deferredClickRow < _rowCount)
            emit rowClicked(press.deferredClickRow, press.modifiers);
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void SVResultsTable::startRowDrag() {
    _press.dragged = true;
    _press.deferredClickRow = -1;
    // A row's name is a button: it stays up and does not click when the drag ends.
    if (auto* button = qobject_cast<QAbstractButton*>(_press.widget.data()))
        button->setDown(false);
    const int pressed = _press.row;
    // The click may have reloaded the rows.
    if (pressed >= _rowCount || !_dragProvider || !_dragStarter)
        return;
    if (_dragRefusal && _dragRefusal(_press.globalPosition))
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
