#pragma once

#include <QRect>
#include <QWidget>

// Covers the window's content while the quick tour runs: dims everything but the control the
// step points at, rings that control in the accent colour, and keeps clicks from reaching the
// window below.
class SVQuickTourOverlay : public QWidget {
    Q_OBJECT
  public:
    explicit SVQuickTourOverlay(QWidget* host);

    // The control's frame in the overlay's coordinates; an empty rectangle highlights nothing.
    void setHighlight(const QRect& frame);
    QRect highlight() const { return _highlight; }

  signals:
    // The host changed size: the card and the highlight follow.
    void hostResized();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    QRect _highlight;
};
