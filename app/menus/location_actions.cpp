#include "app/menus/location_actions.h"

#include "app/featured/featured_items.h"
#include "app/sidebar/folder_paths.h"
#include "app/sidebar/launch_location.h"
#include "app/window/settings.h"

namespace {

constexpr const char* kKindKey = SVLaunchLocation::kKindKey;
constexpr const char* kFolderKey = SVLaunchLocation::kFolderKey;
constexpr const char* kPlaylistKey = SVLaunchLocation::kPlaylistKey;

}  // namespace

SVLaunchLocationState SVLaunchLocationState::read() {
    const QSettings settings = SVSettings::open();
    SVLaunchLocationState state;
    state.kind = settings.value(QLatin1String(kKindKey)).toString();
    state.folderPath = settings.value(QLatin1String(kFolderKey)).toString();
    bool valid = false;
    const qlonglong id = settings.value(QLatin1String(kPlaylistKey)).toLongLong(&valid);
    if (valid)
        state.playlistId = id;
    return state;
}

bool SVLaunchLocationState::isFolder(const std::string& path) const {
    return kind == QLatin1String("folder") && !path.empty() &&
           SVFolderPaths::standardizedPath(folderPath) ==
               SVFolderPaths::standardizedPath(QString::fromStdString(path));
}

bool SVLaunchLocationState::isPlaylist(std::int64_t id) const {
    return kind == QLatin1String("playlist") && playlistId == id;
}

SVLocationActions::SVLocationActions(QObject* parent) : QObject(parent) {}

void SVLocationActions::showSamplesInFileManager(const QStringList& filePaths) const {
    SVFileManager::showItems(filePaths, _showItems, _openFolder);
}

void SVLocationActions::showFolderInFileManager(const QString& folderPath) const {
    if (!folderPath.isEmpty())
        SVFileManager::showItems({folderPath}, _showItems, _openFolder);
}

void SVLocationActions::setFolderArtwork(const QString& folder) const {
    if (!folder.isEmpty() && _artwork.setFolderArtwork)
        _artwork.setFolderArtwork(folder);
}

void SVLocationActions::removeFolderArtwork(const QString& folder) const {
    if (!folder.isEmpty() && _artwork.removeFolderArtwork)
        _artwork.removeFolderArtwork(folder);
}

bool SVLocationActions::hasFolderArtwork(const QString& folder) const {
    return !folder.isEmpty() && _artwork.hasFolderArtwork && _artwork.hasFolderArtwork(folder);
}

void SVLocationActions::setFolderOpenAtLaunch(const std::string& folderPath) const {
    if (!folderPath.empty() && _launch.setFolder)
        _launch.setFolder(folderPath);
}

void SVLocationActions::setPlaylistOpenAtLaunch(std::int64_t playlistId) const {
    if (_launch.setPlaylist)
        _launch.setPlaylist(playlistId);
}

void SVLocationActions::setFavoritesOpenAtLaunch() const {
    if (_launch.setFavorites)
        _launch.setFavorites();
}

void SVLocationActions::clearLaunchLocation() const {
    if (_launch.clear)
        _launch.clear();
}

void SVLocationActions::addFolderToFeatured(const QString& folderPath) {
    if (SVFeaturedItems::addFolder(folderPath))
        emit featuredItemsChanged();
}

void SVLocationActions::addPlaylistToFeatured(std::int64_t playlistId, const QString& name) {
    if (SVFeaturedItems::addPlaylist(playlistId, name))
        emit featuredItemsChanged();
}

void SVLocationActions::forgetPlaylist(std::int64_t playlistId) {
    if (SVLaunchLocationState::read().isPlaylist(playlistId))
        clearLaunchLocation();
    if (SVFeaturedItems::removeEntriesFor(QStringLiteral("playlist"),
                                          QVariant::fromValue<qint64>(playlistId)) > 0)
        emit featuredItemsChanged();
}
