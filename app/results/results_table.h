#pragma once

#include <QAbstractScrollArea>
#include <QMimeData>
#include <QPoint>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "app/dragdrop/drag_and_drop.h"

// A one-column table of fixed-height rows whose cells exist only while their row is on
// screen: scrolling makes the cells of rows coming into view and drops those leaving it.
// Pressing a row and moving the pointer drags the selected rows (or the pressed one) out as a
// copy, with the data the drag provider gives.
class SVResultsTable : public QAbstractScrollArea {
    Q_OBJECT
  public:
    using CellFactory = std::function<std::unique_ptr<QWidget>(int row, QWidget* parent)>;
    // The drag data of rows, or nullptr to refuse the drag.
    using DragProvider = std::function<std::unique_ptr<QMimeData>(const std::set<int>& rows)>;
    // True when a drag that starts at this global position must not drag rows.
    using DragRefusal = std::function<bool(QPoint globalPosition)>;

    explicit SVResultsTable(QWidget* parent = nullptr);

    void setCellFactory(CellFactory factory) { _factory = std::move(factory); }
    // Drops every cell and shows `rowCount` rows of `rowHeight`; the selection is cleared.
    void reloadData(int rowCount, int rowHeight);
    // Makes the cell of a displayed row again.
    void reloadRow(int row);

    int rowCount() const { return _rowCount; }
    int rowHeight() const { return _rowHeight; }
    // The cell of a displayed row, or nullptr.
    QWidget* cellForRow(int row) const;
    template <typename Visit>
    void forEachCell(Visit visit) const {
        for (const auto& [row, cell] : _cells)
            visit(row, cell.get());
    }
    std::size_t cellCount() const { return _cells.size(); }
    // First and last row intersecting the visible area; (0, -1) when none.
    std::pair<int, int> visibleRows() const;
    int rowAt(int viewportY) const;
    void scrollToRow(int row);

    const std::set<int>& selectedRows() const { return _selected; }
    int selectedRow() const { return _selected.empty() ? -1 : *_selected.begin(); }
    void selectRows(const std::set<int>& rows);
    void setRowSelected(int row, bool selected);

    void setOpacity(double opacity);

    void setDragProvider(DragProvider provider) { _dragProvider = std::move(provider); }
    void setDragRefusal(DragRefusal refusal) { _dragRefusal = std::move(refusal); }
    // Replaces the platform drag (tests observe the request instead).
    void setDragStarter(SVDragAndDrop::DragStarter starter) { _dragStarter = std::move(starter); }

  signals:
    // A click on a row outside its buttons.
    void rowClicked(int row, Qt::KeyboardModifiers modifiers);
    void rowDoubleClicked(int row);
    void selectionChanged();
    void visibleRowsChanged();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void updateScrollRange();
    void layoutCells();
    void startRowDrag();

    CellFactory _factory;
    int _rowCount = 0;
    int _rowHeight = 56;
    std::map<int, std::unique_ptr<QWidget>> _cells;
    std::set<int> _selected;
    DragProvider _dragProvider;
    DragRefusal _dragRefusal;
    SVDragAndDrop::DragStarter _dragStarter = SVDragAndDrop::execCopyDrag;
    // The row under the left-button press a drag may start from, -1 for none.
    int _pressRow = -1;
    QPoint _pressPosition;
    QPoint _pressGlobalPosition;
};
