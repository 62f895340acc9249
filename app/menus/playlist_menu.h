#pragma once

#include "app/menus/menu_actions.h"
#include "app/menus/menu_contexts.h"

class QMenu;
class QWidget;

// The menu of a playlist row: launch location, featured, and deleting the playlist.
class SVPlaylistMenu {
  public:
    static QMenu* build(const SVPlaylistMenuContext& context, const SVMenuActions& actions,
                        QWidget* parent);
};
