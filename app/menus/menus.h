#pragma once

#include <QObject>

namespace sv {
class Database;
}

class QWidget;
class SVContextMenus;
class SVLibraryLabelEditor;
class SVLocationActions;
class SVOrganisingActions;
class SVPlaylistActions;
class SVResultsBrowser;

// The organising side of the window, put together: the actions, the four context menus that
// offer them and the in-place editing of library labels. Alerts open over `window`.
class SVMenus : public QObject {
    Q_OBJECT
  public:
    SVMenus(sv::Database& db, SVResultsBrowser& browser, QWidget* window,
            QObject* parent = nullptr);

    SVOrganisingActions& organising() const { return *_organising; }
    SVPlaylistActions& playlists() const { return *_playlists; }
    SVLocationActions& locations() const { return *_locations; }
    SVContextMenus& contextMenus() const { return *_contextMenus; }
    SVLibraryLabelEditor& labelEditor() const { return *_labelEditor; }

  private:
    SVOrganisingActions* _organising;
    SVPlaylistActions* _playlists;
    SVLocationActions* _locations;
    SVContextMenus* _contextMenus;
    SVLibraryLabelEditor* _labelEditor;
};
