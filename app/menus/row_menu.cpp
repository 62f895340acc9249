#include "app/menus/row_menu.h"

#include <QMenu>

#include "app/menus/location_actions.h"
#include "app/menus/menu_entries.h"
#include "app/menus/organising_actions.h"
#include "app/menus/playlist_actions.h"

namespace {

void addReveal(QMenu* menu, const SVRowMenuContext& context, SVLocationActions& locations) {
    QStringList paths;
    if (context.libraryMode) {
        for (const std::string& path : context.libraryPaths)
            paths.append(QString::fromStdString(path));
    } else {
        paths = context.samplePaths();
    }
    SVMenuEntries::add(menu, QStringLiteral("Show in File Manager"), &locations,
                       [&locations, paths] { locations.showSamplesInFileManager(paths); });
    menu->addSeparator();
}

void addTypeMarks(QMenu* menu, const SVRowMenuContext& context, SVOrganisingActions& organising) {
    const std::vector<std::int64_t> ids = context.sampleIds();
    struct Mark {
        const char* title;
        std::optional<sv::SampleType> type;
    };
    const Mark marks[] = {{"Mark as Loop", sv::SampleType::Loop},
                          {"Mark as One Shot", sv::SampleType::OneShot},
                          {"Mark as MIDI", sv::SampleType::Midi},
                          {"Use Auto Classification", std::nullopt}};
    for (const Mark& mark : marks) {
        const QVariant value =
            mark.type ? QVariant(QString::fromStdString(sv::toString(*mark.type))) : QVariant();
        QAction* action = SVMenuEntries::add(
            menu, QString::fromUtf8(mark.title), &organising,
            [&organising, ids, type = mark.type] { organising.applyTypeOverride(ids, type); },
            value);
        if (mark.type == sv::SampleType::Midi)
            action->setEnabled(context.allMidiFiles());
    }
}

void addPlaylistEntries(QMenu* menu, const SVRowMenuContext& context,
                        SVPlaylistActions& playlists) {
    const std::vector<std::int64_t> ids = context.sampleIds();
    menu->addSeparator();
    for (const sv::Playlist& playlist : context.playlists) {
        const std::int64_t playlistId = playlist.id;
        SVMenuEntries::add(
            menu, QString::fromStdString(playlist.name), &playlists,
            [&playlists, playlistId, ids] { playlists.addSamplesToPlaylist(playlistId, ids); },
            QVariant::fromValue<qint64>(playlistId));
    }
    SVMenuEntries::add(menu, QStringLiteral("New Playlist…"), &playlists,
                       [&playlists, ids] { playlists.newPlaylistForSamples(ids); });
    if (context.viewedPlaylist) {
        const std::int64_t viewed = *context.viewedPlaylist;
        SVMenuEntries::add(
            menu, QStringLiteral("Remove from Playlist"), &playlists,
            [&playlists, viewed, ids] { playlists.removeSamplesFromPlaylist(viewed, ids); });
    }
}

}  // namespace

QMenu* SVRowMenu::build(const SVRowMenuContext& context, const SVMenuActions& actions,
                        QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("Sample actions"));
    const bool chosen =
        context.libraryMode ? !context.libraryPaths.empty() : !context.samples.empty();
    if (context.rowClicked && chosen)
        addReveal(menu, context, actions.locations);
    if (context.libraryMode || context.samples.empty())
        return menu;
    addTypeMarks(menu, context, actions.organising);
    addPlaylistEntries(menu, context, actions.playlists);
    return menu;
}
