#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <vector>

// The order in which Tab and Shift+Tab walk the window's controls: area by area, in the order
// the areas are given (the order a person reads the window), and within an area in the order
// its controls were made. Controls made later, such as filter chips, crumbs and library rows,
// fall into their area's place instead of the end of the window. A control belongs to the
// innermost area that holds it; controls in none come last.
class SVKeyboardOrder {
  public:
    void setAreas(const std::vector<QWidget*>& areas);

    // The visible, enabled controls of `window` that Tab reaches, in walking order.
    QList<QWidget*> sequence(QWidget* window) const;

    // Moves the focus to the next (or previous) control after the focused one, around the
    // window. False when the window has no control to move to.
    bool moveFocus(QWidget* window, bool next) const;

  private:
    int areaIndex(const QWidget* control) const;

    std::vector<QPointer<QWidget>> _areas;
};
