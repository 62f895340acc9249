#pragma once

#include <QPushButton>
#include <QWidget>

#include <vector>

#include "app/sidebar/breadcrumb_entries.h"

class QHBoxLayout;

// The trail above the results: "Back" while there is a place to return to, then one button
// per crumb separated by "›", the last crumb in the theme's accent colour.
class SVBreadcrumbBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kBackToolTip =
        "Return to the location used before clicking the breadcrumb";

    explicit SVBreadcrumbBar(QWidget* parent = nullptr);

    // Draws the crumbs anew (nothing changes when they and the Back state are the same).
    void setEntries(const std::vector<SVBreadcrumbEntry>& entries, bool backShown);
    const std::vector<SVBreadcrumbEntry>& entries() const { return _entries; }
    QPushButton* backButton() const { return _back; }
    // The crumb buttons in order; the tag property holds each one's index.
    const std::vector<QPushButton*>& crumbButtons() const { return _crumbs; }

  signals:
    void crumbPressed(int tag);
    void backPressed();

  private:
    QHBoxLayout* _layout;
    QPushButton* _back;
    std::vector<QPushButton*> _crumbs;
    std::vector<QWidget*> _separators;
    std::vector<SVBreadcrumbEntry> _entries;
    bool _drawn = false;
};
