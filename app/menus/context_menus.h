#pragma once

#include <QMenu>
#include <QModelIndex>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "app/menus/menu_actions.h"
#include "app/menus/menu_contexts.h"

class QAbstractItemView;
class QWidget;
class SVPlaylistList;
class SVResultsBrowser;

// Opens the four context menus: on result rows, on folders of the outline, on playlists and on
// the Favorites entry. Each menu is built anew when it opens, from what is chosen at that
// moment; the pointer's right button, the menu key and Shift+F10 open them.
class SVContextMenus : public QObject {
    Q_OBJECT
  public:
    // Shows a built menu at a global position; the window's pops it up. Tests keep it.
    using MenuPresenter = std::function<void(QMenu* menu, QPoint globalPosition)>;
    // The folder path of an outline row, or none for rows that are no folder.
    using FolderResolver = std::function<std::optional<std::string>(const QModelIndex&)>;

    SVContextMenus(SVResultsBrowser& browser, SVMenuActions actions, QObject* parent = nullptr);
    ~SVContextMenus() override;

    void setMenuPresenter(MenuPresenter presenter) { _present = std::move(presenter); }
    void attachPlaylistList(SVPlaylistList* list);
    void attachFolderOutline(QAbstractItemView* outline, FolderResolver resolver);
    void attachFavoritesButton(QWidget* button);

    // The chosen rows for a menu opened on `clickedRow`: a row outside the selection becomes
    // the selection alone (in the table too); otherwise the selected rows.
    std::set<int> selectedRowsIncludingClickedRow(std::optional<int> clickedRow);

    // Build and show a menu; nullptr when there is nothing to offer.
    QMenu* openRowMenu(std::optional<int> clickedRow, QPoint globalPosition);
    QMenu* openFolderMenu(const std::string& folderPath, QPoint globalPosition);
    QMenu* openPlaylistMenu(int playlistRow, QPoint globalPosition);
    QMenu* openFavoritesMenu(QPoint globalPosition);
    // The menu shown last, while it exists.
    QMenu* openMenu() const { return _openMenu; }

    SVRowMenuContext rowMenuContext(const std::set<int>& rows, bool rowClicked) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool tableEvent(QEvent* event, bool onViewport);
    bool outlineEvent(QEvent* event, bool onViewport);
    bool playlistEvent(QEvent* event, bool onViewport);
    QMenu* show(QMenu* menu, QPoint globalPosition);

    SVResultsBrowser& _browser;
    SVMenuActions _actions;
    MenuPresenter _present;
    QPointer<SVPlaylistList> _playlistList;
    QPointer<QAbstractItemView> _outline;
    FolderResolver _resolveFolder;
    QPointer<QWidget> _favoritesButton;
    QPointer<QMenu> _openMenu;
};
