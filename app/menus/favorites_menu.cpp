#include "app/menus/favorites_menu.h"

#include <QMenu>

#include "app/menus/location_actions.h"
#include "app/menus/menu_entries.h"

QMenu* SVFavoritesMenu::build(const SVMenuActions& actions, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("Favorites actions"));
    SVLocationActions& locations = actions.locations;
    const SVLaunchLocationState launch = SVLaunchLocationState::read();
    SVMenuEntries::addTicked(menu, QStringLiteral("Open at Launch"), launch.isFavorites(),
                             &locations, [&locations] { locations.setFavoritesOpenAtLaunch(); });
    if (!launch.kind.isEmpty())
        SVMenuEntries::add(menu, QStringLiteral("Clear Launch Location"), &locations,
                           [&locations] { locations.clearLaunchLocation(); });
    return menu;
}
