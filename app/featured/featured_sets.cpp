#include "app/featured/featured_sets.h"

#include <QPushButton>

#include "app/featured/featured_grid_layout.h"
#include "app/featured/featured_item_edits.h"
#include "app/featured/featured_items.h"
#include "app/featured/featured_name_dialog.h"
#include "app/featured/featured_panel.h"
#include "app/inspector/standardized_path.h"
#include "app/window/settings.h"

namespace {

QVariantMap entryAt(const QVariantList& entries, int index) {
    if (index < 0 || index >= entries.size())
        return {};
    return entries[index].toMap();
}

bool isPlaylist(const QVariantMap& entry) {
    return entry.value(QStringLiteral("kind")).toString() == QLatin1String("playlist");
}

bool isFolder(const QVariantMap& entry) {
    return entry.value(QStringLiteral("kind")).toString() == QLatin1String("folder");
}

}  // namespace

SVFeaturedSets::SVFeaturedSets(SVFeaturedPanel& panel, QObject* parent)
    : QObject(parent), _panel(panel) {
    connect(&panel, &SVFeaturedPanel::openRequested, this, &SVFeaturedSets::openFeatured);
    connect(&panel, &SVFeaturedPanel::renameRequested, this,
            [this](int index) { renameFeatured(index); });
    connect(&panel, &SVFeaturedPanel::removeRequested, this, &SVFeaturedSets::removeFeatured);
    connect(&panel, &SVFeaturedPanel::avatarDropped, this,
            [this](int index, const QUrl& url) { setFeaturedAvatarAtIndex(index, url); });
    connect(&panel, &SVFeaturedPanel::toggleRequested, this, &SVFeaturedSets::toggleFeatured);
}

void SVFeaturedSets::reloadFeaturedItems() {
    _featuredItems = SVFeaturedItems::load();
    show();
}

void SVFeaturedSets::show() {
    const int width = _panel.width();
    const int before = _panel.heightForWidth(width);
    const bool collapsed = SVSettings::open().value(QLatin1String(kCollapsedKey), false).toBool();
    _panel.setColumns(SVFeaturedGrid::featuredColumns());
    _panel.setCollapsed(collapsed);
    _panel.setEntries(_featuredItems, activeIndex());
    if (_panel.heightForWidth(width) != before)
        emit layoutNeeded();
}

int SVFeaturedSets::activeIndex() const {
    if (!_scope)
        return -1;
    const SVBrowseScope scope = _scope();
    if (scope.libraryMode || scope.favoriteMode)
        return -1;
    const QString folder =
        scope.folderScope.empty()
            ? QString()
            : SVPaths::standardizedPath(QString::fromStdString(scope.folderScope));
    for (int i = 0; i < _featuredItems.size(); ++i) {
        const QVariantMap entry = _featuredItems[i].toMap();
        const QVariant value = entry.value(QStringLiteral("value"));
        if (scope.playlistId && isPlaylist(entry)) {
            bool ok = false;
            if (value.toLongLong(&ok) == *scope.playlistId && ok)
                return i;
        } else if (!folder.isEmpty() && isFolder(entry) &&
                   SVPaths::standardizedPath(value.toString()) == folder) {
            return i;
        }
    }
    return -1;
}

void SVFeaturedSets::updateActiveCard() {
    _panel.setActiveIndex(activeIndex());
}

int SVFeaturedSets::indexOfUuid(const QString& uuid) const {
    for (int i = 0; i < _featuredItems.size(); ++i) {
        if (_featuredItems[i].toMap().value(QStringLiteral("uuid")).toString() == uuid)
            return i;
    }
    return -1;
}

void SVFeaturedSets::addFolderToFeatured(const QString& folderPath) {
    SVFeaturedItems::addFolder(folderPath);
    reloadFeaturedItems();
}

void SVFeaturedSets::addPlaylistToFeatured(std::int64_t playlistId, const QString& name) {
    SVFeaturedItems::addPlaylist(playlistId, name);
    reloadFeaturedItems();
}

void SVFeaturedSets::removeFeatured(int index) {
    if (SVFeaturedItemEdits::removeFeatured(index))
        reloadFeaturedItems();
}

SVFeaturedNameDialog* SVFeaturedSets::renameFeatured(int index) {
    const QVariantMap entry = entryAt(_featuredItems, index);
    if (entry.isEmpty())
        return nullptr;
    const QString uuid = entry.value(QStringLiteral("uuid")).toString();
    auto* dialog =
        new SVFeaturedNameDialog(entry.value(QStringLiteral("title")).toString(), _panel.window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &SVFeaturedNameDialog::saved, this, [this, uuid](const QString& title) {
        // The list may have changed while the dialog was open: the entry is found by its uuid.
        reloadFeaturedItems();
        if (SVFeaturedItemEdits::renameFeatured(indexOfUuid(uuid), title))
            reloadFeaturedItems();
    });
    dialog->open();
    return dialog;
}

bool SVFeaturedSets::setFeaturedAvatarAtIndex(int index, const QUrl& url) {
    if (!url.isLocalFile())
        return false;
    if (!SVFeaturedItemEdits::setFeaturedAvatarAtIndex(index, url.toLocalFile())) {
        status(
            QStringLiteral("Couldn’t use “%1” as the featured set’s picture").arg(url.fileName()));
        return false;
    }
    reloadFeaturedItems();
    _panel.redrawAvatars();
    return true;
}

void SVFeaturedSets::openFeatured(int index) {
    const QVariantMap entry = entryAt(_featuredItems, index);
    if (entry.isEmpty())
        return;
    const QString title = entry.value(QStringLiteral("title")).toString();
    const QVariant value = entry.value(QStringLiteral("value"));
    if (isPlaylist(entry)) {
        bool ok = false;
        const qlonglong id = value.toLongLong(&ok);
        if (!ok || !_selectPlaylist || !_selectPlaylist(id))
            status(QStringLiteral("The playlist “%1” is no longer there").arg(title));
        return;
    }
    if (!_navigateToFolder || !_navigateToFolder(value.toString()))
        status(QStringLiteral("The folder “%1” is not in your libraries").arg(title));
}

void SVFeaturedSets::toggleFeatured() {
    {
        QSettings settings = SVSettings::open();
        settings.setValue(QLatin1String(kCollapsedKey),
                          !settings.value(QLatin1String(kCollapsedKey), false).toBool());
    }
    show();
    emit layoutNeeded();
}

void SVFeaturedSets::relinkFeaturedItemsFromMoves(
    const std::vector<std::pair<std::string, std::string>>& moves) {
    if (SVFeaturedItemEdits::relinkFeaturedItemsFromMoves(moves))
        reloadFeaturedItems();
}

void SVFeaturedSets::status(const QString& text) const {
    if (_presentStatus)
        _presentStatus(text);
}
