#pragma once

#include <QAbstractScrollArea>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

// A one-column table of fixed-height rows whose cells exist only while their row is on
// screen: scrolling makes the cells of rows coming into view and drops those leaving it.
class SVResultsTable : public QAbstractScrollArea {
    Q_OBJECT
  public:
    using CellFactory = std::function<std::unique_ptr<QWidget>(int row, QWidget* parent)>;

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

  private:
    void updateScrollRange();
    void layoutCells();

    CellFactory _factory;
    int _rowCount = 0;
    int _rowHeight = 56;
    std::map<int, std::unique_ptr<QWidget>> _cells;
    std::set<int> _selected;
};
