#include "app/sidebar/sidebar_navigation.h"

#include <algorithm>
#include <exception>

#include "app/results/results_browser.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_paths.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar_button.h"
#include "core/catalogue/database.h"

SVSidebarNavigation::SVSidebarNavigation(sv::Database& db, SVResultsBrowser& browser,
                                         SVCategoryButtons& buttons, SVFolderOutline& outline,
                                         SVPlaylistList& playlists, QObject* parent)
    : QObject(parent),
      _db(db),
      _browser(browser),
      _buttons(buttons),
      _outline(outline),
      _playlists(playlists) {
    connect(&_buttons, &SVCategoryButtons::pressed, this, &SVSidebarNavigation::sidebar);
    connect(&_outline, &SVFolderOutline::folderSelected, this,
            &SVSidebarNavigation::folderSelectionChanged);
    connect(&_playlists, &SVPlaylistList::playlistSelected, this,
            &SVSidebarNavigation::playlistSelectionChanged);
}

const SVBrowseScope& SVSidebarNavigation::scope() const {
    return _browser.scope();
}

std::int64_t SVSidebarNavigation::browserPage() const {
    return _browser.page();
}

void SVSidebarNavigation::applyScope(const SVBrowseScope& scope, const QString& title,
                                     bool withTransition) {
    _browser.setScope(scope);
    if (!title.isNull())
        _browser.setResultsTitle(title);
    if (!_restoring && _scopeApplied)
        _scopeApplied(withTransition, 0);
}

void SVSidebarNavigation::sidebar(int tag) {
    if (tag >= 1 && tag <= 3)
        typeChosen(tag, true);
    else if (tag == SVCategoryButtons::kAllSamples || tag == SVCategoryButtons::kFavorites ||
             tag == SVCategoryButtons::kLibraries)
        placeButtonPressed(tag);
}

void SVSidebarNavigation::selectCategory(const std::string& sectionType) {
    typeChosen(SVCategoryButtons::tagForType(sectionType), false);
}

void SVSidebarNavigation::typeChosen(int tag, bool toggles) {
    SVBrowseScope scope = _browser.scope();
    const std::string type = SVCategoryButtons::typeForTag(tag);
    _buttons.deactivateTypeButtons();
    if (type.empty() || (toggles && scope.sectionType == type)) {
        scope.sectionType.clear();
        const bool otherPlace = scope.libraryMode || scope.favoriteMode ||
                                !scope.folderScope.empty() || scope.playlistId.has_value();
        if (!otherPlace)
            _buttons.activate(SVCategoryButtons::kAllSamples);
    } else {
        scope.sectionType = type;
        _buttons.activate(tag);
    }
    applyScope(scope, QString(), true);
}

void SVSidebarNavigation::placeButtonPressed(int tag) {
    _buttons.deactivateAll();
    _outline.clearFolderSelection();
    _playlists.clearPlaylistSelection();
    _buttons.activate(tag);
    SVBrowseScope scope;
    scope.libraryMode = tag == SVCategoryButtons::kLibraries;
    scope.favoriteMode = tag == SVCategoryButtons::kFavorites;
    _browser.setScope(scope);
    reloadPlaylists();
    const SVSidebarButton* button = _buttons.button(tag);
    applyScope(scope, button ? button->title() : QString(), true);
}

void SVSidebarNavigation::folderSelectionChanged(const sv::FolderNode* folder) {
    if (!folder)
        return;
    _buttons.deactivateAll();
    _playlists.clearPlaylistSelection();
    SVBrowseScope scope;
    scope.folderScope = SVFolderPaths::withoutTrailingSeparator(folder->path);
    applyScope(scope, QString::fromStdString(folder->name), false);
}

void SVSidebarNavigation::playlistSelectionChanged(std::int64_t playlistId) {
    _buttons.deactivateAll();
    _outline.clearFolderSelection();
    SVBrowseScope scope;
    scope.playlistId = playlistId;
    QString title;
    for (const sv::Playlist& playlist : _playlists.playlists()) {
        if (playlist.id == playlistId)
            title = QString::fromStdString(playlist.name);
    }
    _browser.setScope(scope);
    _playlists.markActivePlaylist(playlistId);
    // The rows are read again once the list has finished handling its own selection.
    QMetaObject::invokeMethod(this, &SVSidebarNavigation::reloadPlaylists, Qt::QueuedConnection);
    applyScope(scope, title, false);
}

bool SVSidebarNavigation::selectFolderPath(const std::string& path) {
    std::vector<const sv::FolderNode*> chain;
    if (!SVFolderPaths::findFolderPath(path, _outline.folderRoot(), chain))
        return false;
    const QModelIndex row = _outline.revealChain(chain);
    if (!row.isValid())
        return false;
    _outline.selectRowAlone(row);
    return true;
}

bool SVSidebarNavigation::selectPlaylist(std::int64_t playlistId) {
    return _playlists.selectPlaylistAlone(playlistId);
}

void SVSidebarNavigation::reloadSidebars() {
    std::shared_ptr<const sv::FolderNode> root;
    std::vector<std::string> offline;
    // A catalogue that cannot be read shows an empty outline rather than stopping the window.
    try {
        root = std::make_shared<const sv::FolderNode>(sv::buildFolderTree(_db.indexedFolders()));
        offline = _db.offlineLibraryPaths();
    } catch (const std::exception&) {
        root.reset();
    }
    _outline.setOfflineLibraries(offline);
    _outline.reloadTree(std::move(root));
    emit folderTreeRebuilt();
    reloadPlaylists();
}

void SVSidebarNavigation::reloadPlaylists() {
    _playlists.reloadPlaylists();
    _playlists.markActivePlaylist(_browser.scope().playlistId);
}

void SVSidebarNavigation::setOfflineLibraries(const std::vector<std::string>& libraryPaths) {
    _outline.setOfflineLibraries(libraryPaths);
}

const sv::FolderNode& SVSidebarNavigation::folderRoot() const {
    return _outline.folderRoot();
}

std::shared_ptr<const sv::FolderNode> SVSidebarNavigation::sharedFolderRoot() const {
    return _outline.sharedFolderRoot();
}

const std::vector<sv::Playlist>& SVSidebarNavigation::playlists() const {
    return _playlists.playlists();
}

void SVSidebarNavigation::finishRestore(const std::string& section, std::int64_t page) {
    _restoring = false;
    SVBrowseScope scope = _browser.scope();
    if (!scope.libraryMode) {
        scope.sectionType = section;
        // "All Samples" lights only where no other place is chosen, as after a type toggle.
        const bool otherPlace =
            scope.favoriteMode || !scope.folderScope.empty() || scope.playlistId.has_value();
        _buttons.deactivateTypeButtons();
        const int tag = SVCategoryButtons::tagForType(section);
        if (tag != SVCategoryButtons::kAllSamples || !otherPlace)
            _buttons.activate(tag);
        _browser.setScope(scope);
    }
    if (_scopeApplied)
        _scopeApplied(false, std::max<std::int64_t>(page, 0));
}
