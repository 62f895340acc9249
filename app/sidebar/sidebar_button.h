#pragma once

#include <QLabel>
#include <QPushButton>

#include "app/sidebar/sidebar_icons.h"

// One button of the sidebar's places (a type or a navigation button): its symbol and title,
// lit while it is the active place. Its tag says which place it stands for.
class SVSidebarButton : public QPushButton {
    Q_OBJECT
  public:
    // Navigation buttons show their title after a thin space.
    SVSidebarButton(int tag, const QString& title, SVSidebarIcons::Symbol symbol, bool navigation,
                    QWidget* parent = nullptr);

    int tag() const { return _tag; }
    QString title() const { return _title; }
    bool isActive() const { return isChecked(); }
    void setActive(bool active) { setChecked(active); }

  private:
    int _tag;
    QString _title;
};

// A group heading of the sidebar ("LIBRARY", "FOLDERS", "PLAYLISTS").
class SVSidebarHeading : public QLabel {
    Q_OBJECT
  public:
    explicit SVSidebarHeading(const QString& text, QWidget* parent = nullptr);
};
