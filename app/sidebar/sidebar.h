#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/sidebar/sidebar_navigation.h"

namespace sv {
class Database;
}

class SVBreadcrumbBar;
class SVBreadcrumbs;
class SVLaunchLocation;
class SVPlaylistList;
class SVResultsBrowser;
class SVSidebarPanel;

// The window's places, put together: the sidebar panel's buttons, outline and playlists, the
// breadcrumb trail over the results, and the launch location.
class SVSidebar : public QObject {
    Q_OBJECT
  public:
    SVSidebar(sv::Database& db, SVResultsBrowser& browser, SVSidebarPanel& panel,
              QObject* parent = nullptr);

    SVSidebarNavigation& navigation() const { return *_navigation; }
    SVBreadcrumbs& breadcrumbs() const { return *_breadcrumbs; }
    SVLaunchLocation& launchLocation() const { return *_launchLocation; }
    SVBreadcrumbBar& breadcrumbBar() const { return *_bar; }
    SVPlaylistList& playlistList() const { return *_playlists; }

    void setScopeApplied(SVSidebarNavigation::ScopeApplied applied);
    void reloadSidebars();
    void reloadPlaylists();
    void setLayoutMode(int mode);

    // What other areas ask of the sidebar: pack links, type links, pack names.
    bool navigateToFolderPath(const std::string& path, bool recordHistory);
    void selectCategory(const std::string& sectionType);
    const sv::FolderNode& folderRoot() const;

  signals:
    void folderTreeRebuilt();

  private:
    SVPlaylistList* _playlists;
    SVBreadcrumbBar* _bar;
    SVSidebarNavigation* _navigation;
    SVBreadcrumbs* _breadcrumbs;
    SVLaunchLocation* _launchLocation;
};
