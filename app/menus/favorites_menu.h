#pragma once

#include "app/menus/menu_actions.h"

class QMenu;
class QWidget;

// The menu of the sidebar's Favorites entry: open Favorites at launch, or clear the launch
// location.
class SVFavoritesMenu {
  public:
    static QMenu* build(const SVMenuActions& actions, QWidget* parent);
};
