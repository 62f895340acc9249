#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/results/browse_scope.h"
#include "core/browse/folder_tree.h"
#include "core/records/playlist.h"

namespace sv {
class Database;
}

class SVCategoryButtons;
class SVFolderOutline;
class SVPlaylistList;
class SVResultsBrowser;

// Every change of place in the window: the type and navigation buttons, the folder outline
// and the playlists. Each change sets the browser's scope and ends in the common ending the
// window gives (filter context, page, results refresh, stale loads dropped).
class SVSidebarNavigation : public QObject {
    Q_OBJECT
  public:
    // Runs after every change of place: show `page` of the new place, with the page
    // transition when `withTransition` is set.
    using ScopeApplied = std::function<void(bool withTransition, std::int64_t page)>;

    SVSidebarNavigation(sv::Database& db, SVResultsBrowser& browser, SVCategoryButtons& buttons,
                        SVFolderOutline& outline, SVPlaylistList& playlists,
                        QObject* parent = nullptr);

    void setScopeApplied(ScopeApplied applied) { _scopeApplied = std::move(applied); }

    // A type button (1-3) toggles its type, which narrows the current place; "All Samples"
    // (0), "Favorites" (4) and "Libraries" (6) choose a place and clear the type.
    void sidebar(int tag);
    // Narrows the current place to a type without toggling it off ("" for all types).
    void selectCategory(const std::string& sectionType);
    // The outline's or the playlists' selection became that folder or playlist.
    void folderSelectionChanged(const sv::FolderNode* folder);
    void playlistSelectionChanged(std::int64_t playlistId);

    // Selects the folder's row (expanding its parents) or the playlist's row, which applies
    // that place; false when there is no such row.
    bool selectFolderPath(const std::string& path);
    bool selectPlaylist(std::int64_t playlistId);

    // Rebuilds the folder tree from the catalogue (outline collapsed, nothing selected, the
    // folder scope kept) and reloads the playlists.
    void reloadSidebars();
    void reloadPlaylists();
    void setOfflineLibraries(const std::vector<std::string>& libraryPaths);
    const sv::FolderNode& folderRoot() const;
    std::shared_ptr<const sv::FolderNode> sharedFolderRoot() const;
    const std::vector<sv::Playlist>& playlists() const;

    // Back: put a place back without applying it, then apply it once with `section` and
    // `page` (the type is left alone in the Libraries view).
    void beginRestore() { _restoring = true; }
    void finishRestore(const std::string& section, std::int64_t page);

    SVCategoryButtons& buttons() const { return _buttons; }
    SVFolderOutline& outline() const { return _outline; }
    SVPlaylistList& playlistList() const { return _playlists; }
    const SVBrowseScope& scope() const;
    std::int64_t browserPage() const;

  signals:
    // The folder tree was rebuilt (its root is new).
    void folderTreeRebuilt();

  private:
    void applyScope(const SVBrowseScope& scope, const QString& title, bool withTransition);
    void placeButtonPressed(int tag);
    void typeChosen(int tag, bool toggles);

    sv::Database& _db;
    SVResultsBrowser& _browser;
    SVCategoryButtons& _buttons;
    SVFolderOutline& _outline;
    SVPlaylistList& _playlists;
    ScopeApplied _scopeApplied;
    bool _restoring = false;
};
