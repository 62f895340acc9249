#pragma once

#include <QObject>

#include <cstdint>
#include <string>
#include <vector>

#include "app/sidebar/breadcrumb_entries.h"

class SVBreadcrumbBar;
class SVSidebarNavigation;

// The breadcrumb trail and Back: draws the crumbs of the current place, jumps to a crumb's
// place (remembering where the browser was) and returns to remembered places.
class SVBreadcrumbs : public QObject {
    Q_OBJECT
  public:
    SVBreadcrumbs(SVSidebarNavigation& navigation, SVBreadcrumbBar& bar, QObject* parent = nullptr);

    // The crumbs of the current place; the Back button shows while the history holds one.
    std::vector<SVBreadcrumbEntry> breadcrumbEntries() const;
    void updateBreadcrumb();
    void breadcrumbPressed(int tag);
    void breadcrumbBack();
    // Shows a folder found in the outline (a pack link, a featured item); false, with nothing
    // changed, for an empty path or one the outline lacks.
    bool navigateToFolderPath(const std::string& path, bool recordHistory);

    // The bar is shown in Desktop and, in Compact Vertical, only while Back has a place.
    void setLayoutMode(int mode);
    bool barShown() const;
    const SVBreadcrumbHistory& history() const { return _history; }
    SVBreadcrumbBar& bar() const { return _bar; }

  private:
    void recordCurrentPlace();
    void updateBarVisibility();

    SVSidebarNavigation& _navigation;
    SVBreadcrumbBar& _bar;
    SVBreadcrumbHistory _history;
    int _layoutMode = 1;
};
