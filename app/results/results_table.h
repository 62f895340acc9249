#pragma once

#include <QAbstractScrollArea>
#include <QMimeData>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "app/dragdrop/drag_and_drop.h"

// A one-column table of fixed-height rows whose cells exist only while their row is on
// screen: scrolling makes the cells of rows coming into view and drops those leaving it.
// Pressing a row anywhere but on one of its controls and moving the pointer past the platform's
// drag distance drags the selected rows (when the pressed row is one of them, else the pressed
// row alone) out as a copy, with the data the drag provider gives. The cells' own widgets would
// keep those presses and moves to themselves, so the table watches every widget of its rows.
class SVResultsTable : public QAbstractScrollArea {
    Q_OBJECT
  public:
    using CellFactory = std::function<std::unique_ptr<QWidget>(int row, QWidget* parent)>;
    // The drag data of rows, or nullptr to refuse the drag.
    using DragProvider = std::function<std::unique_ptr<QMimeData>(const std::set<int>& rows)>;
    // True when a drag that starts at this global position must not drag rows.
    using DragRefusal = std::function<bool(QPoint globalPosition)>;

    explicit SVResultsTable(QWidget* parent = nullptr);

    // Presses on buttons, sliders, text fields and widgets marked false never start a row drag;
    // a control that is the row's own text (its name, its links) is marked true to start one.
    static void setStartsRowDrag(QWidget* widget, bool starts);

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // One left-button press inside the rows, from press to release.
    struct Press {
        int row = -1;
        QPoint globalPosition;
        QPointer<QWidget> widget;  // the deepest widget under the press
        bool startsDrag = false;
        bool dragged = false;  // a drag started: the rest of the press belongs to it
        // A plain click on a row of a multi-row selection acts on release, so that a drag can
        // take the whole selection first.
        int deferredClickRow = -1;
        Qt::KeyboardModifiers modifiers;
    };

    void watchRowWidgets(QWidget* widget);
    bool pressStartsRowDrag(const QWidget* pressed) const;
    void recordPress(const QMouseEvent* event);
    bool trackMove(const QMouseEvent* event);
    bool finishPress();
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
    Press _press;
};
