#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QPushButton>

// How a row button draws itself.
struct SVRowButtonLook {
    QColor text;
    QColor disabledText;
    QColor fill;  // invalid: no fill
    QColor disabledFill;
    int pixelSize = 13;
    QFont::Weight weight = QFont::Normal;
    Qt::Alignment alignment = Qt::AlignCenter;
    bool underline = false;
};

// A flat button that paints its own text, and for the play button a round fill. A page shows
// dozens of them; a style sheet on each costs more time and memory than the rest of the row.
class SVRowButton : public QPushButton {
    Q_OBJECT
  public:
    explicit SVRowButton(const QString& text, QWidget* parent = nullptr);
    void setLook(const SVRowButtonLook& look);
    const SVRowButtonLook& look() const { return _look; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SVRowButtonLook _look;
};

// The row's selection box: a rounded square, filled with the accent colour when ticked.
class SVRowCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit SVRowCheckBox(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};
