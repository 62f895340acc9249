#pragma once

#include <QLayout>
#include <QList>

// Lays chips out left to right and wraps them onto further lines when the width runs out;
// hidden chips take no room. The height follows from the width.
class SVChipFlowLayout : public QLayout {
  public:
    explicit SVChipFlowLayout(QWidget* parent = nullptr, int horizontalSpacing = 8,
                              int verticalSpacing = 8);
    ~SVChipFlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

    // The number of lines the chips take at `width`.
    int lineCount(int width) const;

  private:
    // Places the items (unless `measureOnly`) and returns the height used and the line count.
    int arrange(const QRect& rect, bool measureOnly, int* lines = nullptr) const;

    QList<QLayoutItem*> _items;
    int _horizontalSpacing;
    int _verticalSpacing;
};
