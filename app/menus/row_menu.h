#pragma once

#include "app/menus/menu_actions.h"
#include "app/menus/menu_contexts.h"

class QMenu;
class QWidget;

// The menu of the result rows: reveal, the type marks, the playlists to add to, a new
// playlist, and removal from the playlist being viewed. Empty when it would offer nothing.
class SVRowMenu {
  public:
    static QMenu* build(const SVRowMenuContext& context, const SVMenuActions& actions,
                        QWidget* parent);
};
