#include "app/sidebar/launch_location.h"

#include <QSettings>

#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_paths.h"
#include "app/sidebar/sidebar_navigation.h"
#include "app/window/settings.h"

SVLaunchLocation::SVLaunchLocation(SVSidebarNavigation& navigation, QObject* parent)
    : QObject(parent), _navigation(navigation) {}

void SVLaunchLocation::setFolderOpenAtLaunch(const std::string& path) {
    if (path.empty())
        return;
    QSettings settings = SVSettings::open();
    settings.setValue(kKindKey, QStringLiteral("folder"));
    settings.setValue(kFolderKey, QString::fromStdString(SVFolderPaths::standardizedPath(path)));
    settings.remove(kPlaylistKey);
}

void SVLaunchLocation::setPlaylistOpenAtLaunch(std::int64_t playlistId) {
    QSettings settings = SVSettings::open();
    settings.setValue(kKindKey, QStringLiteral("playlist"));
    settings.setValue(kPlaylistKey, QVariant::fromValue<qint64>(playlistId));
    settings.remove(kFolderKey);
}

void SVLaunchLocation::setFavoritesOpenAtLaunch() {
    QSettings settings = SVSettings::open();
    settings.setValue(kKindKey, QStringLiteral("favorites"));
    settings.remove(kFolderKey);
    settings.remove(kPlaylistKey);
}

void SVLaunchLocation::clearLaunchLocation() {
    QSettings settings = SVSettings::open();
    settings.remove(kKindKey);
    settings.remove(kFolderKey);
    settings.remove(kPlaylistKey);
}

bool SVLaunchLocation::restoreLaunchLocation() {
    const QSettings settings = SVSettings::open();
    if (!settings.contains(kKindKey))
        return false;
    const QString kind = settings.value(kKindKey).toString();
    if (kind == QLatin1String("favorites")) {
        _navigation.sidebar(SVCategoryButtons::kFavorites);
        return true;
    }
    if (kind == QLatin1String("folder")) {
        const QString path = settings.value(kFolderKey).toString();
        if (!path.isEmpty() && _navigation.selectFolderPath(path.toStdString()))
            return true;
    } else if (kind == QLatin1String("playlist")) {
        bool valid = false;
        const qint64 id = settings.value(kPlaylistKey).toLongLong(&valid);
        if (valid && _navigation.selectPlaylist(id))
            return true;
    }
    clearLaunchLocation();
    return false;
}
