#include "app/sidebar/sidebar.h"

#include "app/results/results_browser.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/breadcrumbs.h"
#include "app/sidebar/launch_location.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar_panel.h"

SVSidebar::SVSidebar(sv::Database& db, SVResultsBrowser& browser, SVSidebarPanel& panel,
                     QObject* parent)
    : QObject(parent), _playlists(new SVPlaylistList(db)), _bar(new SVBreadcrumbBar) {
    panel.setPlaylistList(_playlists);
    browser.setBreadcrumbBar(_bar);
    _navigation = new SVSidebarNavigation(db, browser, *panel.categoryButtons(),
                                          *panel.folderOutline(), *_playlists, this);
    _breadcrumbs = new SVBreadcrumbs(*_navigation, *_bar, this);
    _launchLocation = new SVLaunchLocation(*_navigation, this);
    connect(_navigation, &SVSidebarNavigation::folderTreeRebuilt, this,
            &SVSidebar::folderTreeRebuilt);
    connect(&browser, &SVResultsBrowser::refreshStarting, _breadcrumbs,
            &SVBreadcrumbs::updateBreadcrumb);
}

void SVSidebar::setScopeApplied(SVSidebarNavigation::ScopeApplied applied) {
    _navigation->setScopeApplied(std::move(applied));
}

void SVSidebar::reloadSidebars() {
    _navigation->reloadSidebars();
}

void SVSidebar::reloadPlaylists() {
    _navigation->reloadPlaylists();
}

void SVSidebar::setLayoutMode(int mode) {
    _breadcrumbs->setLayoutMode(mode);
}

bool SVSidebar::navigateToFolderPath(const std::string& path, bool recordHistory) {
    return _breadcrumbs->navigateToFolderPath(path, recordHistory);
}

void SVSidebar::selectCategory(const std::string& sectionType) {
    _navigation->selectCategory(sectionType);
}

const sv::FolderNode& SVSidebar::folderRoot() const {
    return _navigation->folderRoot();
}
