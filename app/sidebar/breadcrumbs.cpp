#include "app/sidebar/breadcrumbs.h"

#include "app/results/results_browser.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_paths.h"
#include "app/sidebar/sidebar_navigation.h"
#include "app/window/layout_modes.h"

SVBreadcrumbs::SVBreadcrumbs(SVSidebarNavigation& navigation, SVBreadcrumbBar& bar, QObject* parent)
    : QObject(parent), _navigation(navigation), _bar(bar) {
    connect(&_bar, &SVBreadcrumbBar::crumbPressed, this, &SVBreadcrumbs::breadcrumbPressed);
    connect(&_bar, &SVBreadcrumbBar::backPressed, this, &SVBreadcrumbs::breadcrumbBack);
}

std::vector<SVBreadcrumbEntry> SVBreadcrumbs::breadcrumbEntries() const {
    return ::breadcrumbEntries(_navigation.scope(), _navigation.playlists(),
                               _navigation.folderRoot());
}

void SVBreadcrumbs::updateBreadcrumb() {
    _bar.setEntries(breadcrumbEntries(), !_history.empty());
    updateBarVisibility();
}

void SVBreadcrumbs::setLayoutMode(int mode) {
    _layoutMode = SVLayout::normalizedMode(mode);
    updateBarVisibility();
}

bool SVBreadcrumbs::barShown() const {
    return SVLayout::breadcrumbBarShown(_layoutMode, !_history.empty());
}

void SVBreadcrumbs::updateBarVisibility() {
    _bar.setVisible(barShown());
}

void SVBreadcrumbs::recordCurrentPlace() {
    _history.push(SVLocationSnapshot::of(_navigation.scope(), _navigation.browserPage()));
}

void SVBreadcrumbs::breadcrumbPressed(int tag) {
    const std::vector<SVBreadcrumbEntry> entries = breadcrumbEntries();
    if (tag < 0 || static_cast<std::size_t>(tag) >= entries.size())
        return;
    const SVBreadcrumbEntry& entry = entries[static_cast<std::size_t>(tag)];
    recordCurrentPlace();
    if (entry.kind == QLatin1String("all"))
        _navigation.sidebar(SVCategoryButtons::kAllSamples);
    else if (entry.kind == QLatin1String("favorites"))
        _navigation.sidebar(SVCategoryButtons::kFavorites);
    else if (entry.kind == QLatin1String("libraries"))
        _navigation.sidebar(SVCategoryButtons::kLibraries);
    else if (entry.kind == QLatin1String("playlist"))
        _navigation.selectPlaylist(entry.value.toLongLong());
    else if (entry.kind == QLatin1String("folder"))
        _navigation.selectFolderPath(entry.value.toString().toStdString());
    else if (entry.kind == QLatin1String("section"))
        // The crumb of the current type keeps it: a type button would toggle it off.
        _navigation.selectCategory(entry.title.toStdString());
    updateBarVisibility();
}

void SVBreadcrumbs::breadcrumbBack() {
    const std::optional<SVLocationSnapshot> snapshot = _history.pop();
    if (!snapshot)
        return;
    _navigation.beginRestore();
    if (snapshot->kind == QLatin1String("folder"))
        _navigation.selectFolderPath(snapshot->value.toString().toStdString());
    else if (snapshot->kind == QLatin1String("playlist"))
        _navigation.selectPlaylist(snapshot->value.toLongLong());
    else if (snapshot->kind == QLatin1String("favorites"))
        _navigation.sidebar(SVCategoryButtons::kFavorites);
    else if (snapshot->kind == QLatin1String("libraries"))
        _navigation.sidebar(SVCategoryButtons::kLibraries);
    else
        _navigation.sidebar(SVCategoryButtons::kAllSamples);
    _navigation.finishRestore(snapshot->section, snapshot->page);
    updateBarVisibility();
}

bool SVBreadcrumbs::navigateToFolderPath(const std::string& path, bool recordHistory) {
    if (path.empty())
        return false;
    std::vector<const sv::FolderNode*> chain;
    if (!SVFolderPaths::findFolderPath(path, _navigation.folderRoot(), chain))
        return false;
    const std::string& current = _navigation.scope().folderScope;
    if (!current.empty() &&
        SVFolderPaths::standardizedPath(current) == SVFolderPaths::standardizedPath(path))
        return true;
    const QModelIndex row = _navigation.outline().revealChain(chain);
    if (!row.isValid())
        return false;
    if (recordHistory)
        recordCurrentPlace();
    _navigation.outline().selectRowAlone(row);
    updateBarVisibility();
    return true;
}
