#include "app/menus/menus.h"

#include <QPointer>
#include <QWidget>

#include "app/menus/context_menus.h"
#include "app/menus/library_label_editor.h"
#include "app/menus/location_actions.h"
#include "app/menus/organising_actions.h"
#include "app/menus/playlist_actions.h"

SVMenus::SVMenus(sv::Database& db, SVResultsBrowser& browser, QWidget* window, QObject* parent)
    : QObject(parent),
      _organising(new SVOrganisingActions(db, this)),
      _playlists(new SVPlaylistActions(db, this)),
      _locations(new SVLocationActions(this)),
      _contextMenus(
          new SVContextMenus(browser, {db, *_organising, *_playlists, *_locations}, this)),
      _labelEditor(new SVLibraryLabelEditor(db, browser, this)) {
    const SVAlertRunner runner = [window = QPointer<QWidget>(window)](const SVAlert& alert) {
        return runModalAlert(window, alert);
    };
    _organising->setAlertRunner(runner);
    _playlists->setAlertRunner(runner);
}
