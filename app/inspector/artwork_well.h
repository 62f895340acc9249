#pragma once

#include "app/dragdrop/artwork_drop_view.h"

// The inspector's artwork well: shows the pack artwork (or the letter placeholder), takes an
// image file dropped on it, and a click, Space or Enter asks to choose one. Screen readers see
// a button named "Pack artwork" whose press action does what the click does.
class SVArtworkWell : public SVArtworkDropView {
    Q_OBJECT
  public:
    static constexpr int kSide = 240;

    explicit SVArtworkWell(QWidget* parent = nullptr);
    // A click, a key press or the accessible press action.
    void click();

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool _pressed = false;
};
