#include "app/menus/playlist_menu.h"

#include <QMenu>

#include "app/menus/location_actions.h"
#include "app/menus/menu_entries.h"
#include "app/menus/playlist_actions.h"

QMenu* SVPlaylistMenu::build(const SVPlaylistMenuContext& context, const SVMenuActions& actions,
                             QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("Playlist actions"));
    SVLocationActions& locations = actions.locations;
    SVPlaylistActions& playlists = actions.playlists;
    const std::int64_t id = context.playlistId;
    const QString name = context.name;
    const QVariant value = QVariant::fromValue<qint64>(id);
    const SVLaunchLocationState launch = SVLaunchLocationState::read();
    SVMenuEntries::addTicked(
        menu, QStringLiteral("Open at Launch"), launch.isPlaylist(id), &locations,
        [&locations, id] { locations.setPlaylistOpenAtLaunch(id); }, value);
    SVMenuEntries::add(
        menu, QStringLiteral("Add to Featured"), &locations,
        [&locations, id, name] { locations.addPlaylistToFeatured(id, name); }, value);
    if (!launch.kind.isEmpty())
        SVMenuEntries::add(menu, QStringLiteral("Clear Launch Location"), &locations,
                           [&locations] { locations.clearLaunchLocation(); });
    menu->addSeparator();
    SVMenuEntries::add(
        menu, QStringLiteral("Delete Playlist…"), &playlists,
        [&playlists, id] { playlists.deletePlaylist(id); }, value);
    return menu;
}
