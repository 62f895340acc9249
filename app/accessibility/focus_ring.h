#pragma once

#include <QPointer>
#include <QWidget>

// A ring drawn around the control that the keyboard has reached with Tab, over every other
// widget of the window, so that a keyboard user sees where Space and Return will act whatever
// the control's own style draws. Controls whose style sheet draws their own focus are left to
// it; a click, which gives the keyboard back to the results, takes the ring away.
class SVFocusRing : public QWidget {
    Q_OBJECT
  public:
    explicit SVFocusRing(QWidget* window);
    ~SVFocusRing() override;

    // The control the ring is drawn around, if any.
    QWidget* target() const { return _target; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void follow(QWidget* control);
    void place();

    QPointer<QWidget> _target;
};
