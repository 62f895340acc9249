#include "app/menus/context_menus.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include "app/menus/favorites_menu.h"
#include "app/menus/folder_menu.h"
#include "app/menus/playlist_menu.h"
#include "app/menus/row_menu.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/sidebar/playlist_list.h"

namespace {

// Shift+F10, the keyboard's other way to ask for a context menu.
bool isMenuShortcut(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F10 &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
}

// A context menu event that came from the keyboard (the menu key) rather than the pointer.
bool fromKeyboard(const QContextMenuEvent* event) {
    return event->reason() == QContextMenuEvent::Keyboard;
}

void popUp(QMenu* menu, QPoint globalPosition) {
    menu->popup(globalPosition);
}

// Routes a menu request made on a scrolling view: the menu key and Shift+F10 open the menu of
// the view's current item, a pointer request that of the item under the pointer (given in the
// viewport's coordinates). False for any other event.
template <typename KeyboardMenu, typename PointerMenu>
bool routeMenuRequest(QEvent* event, const QAbstractScrollArea* view, bool onViewport,
                      KeyboardMenu keyboardMenu, PointerMenu pointerMenu) {
    if (isMenuShortcut(event)) {
        keyboardMenu();
        return true;
    }
    if (event->type() != QEvent::ContextMenu)
        return false;
    const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    if (fromKeyboard(menuEvent)) {
        keyboardMenu();
        return true;
    }
    const QPoint position =
        onViewport ? menuEvent->pos() : view->viewport()->mapFrom(view, menuEvent->pos());
    pointerMenu(position, menuEvent->globalPos());
    return true;
}

}  // namespace

SVContextMenus::SVContextMenus(SVResultsBrowser& browser, SVMenuActions actions, QObject* parent)
    : QObject(parent), _browser(browser), _actions(actions), _present(popUp) {
    SVResultsTable* table = _browser.table();
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
}

SVContextMenus::~SVContextMenus() {
    if (_openMenu)
        delete _openMenu.data();
}

void SVContextMenus::attachPlaylistList(SVPlaylistList* list) {
    _playlistList = list;
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
}

void SVContextMenus::attachFolderOutline(QAbstractItemView* outline, FolderResolver resolver) {
    _outline = outline;
    _resolveFolder = std::move(resolver);
    outline->installEventFilter(this);
    outline->viewport()->installEventFilter(this);
}

void SVContextMenus::attachFavoritesButton(QWidget* button) {
    _favoritesButton = button;
    button->installEventFilter(this);
}

std::set<int> SVContextMenus::selectedRowsIncludingClickedRow(std::optional<int> clickedRow) {
    SVResultsTable* table = _browser.table();
    if (clickedRow && *clickedRow >= 0 && *clickedRow < table->rowCount() &&
        table->selectedRows().count(*clickedRow) == 0) {
        table->selectRows({*clickedRow});
        return {*clickedRow};
    }
    return table->selectedRows();
}

SVRowMenuContext SVContextMenus::rowMenuContext(const std::set<int>& rows, bool rowClicked) const {
    SVRowMenuContext context;
    context.rowClicked = rowClicked;
    context.libraryMode = _browser.scope().libraryMode;
    context.viewedPlaylist = _browser.scope().playlistId;
    for (const int row : rows) {
        if (row < 0)
            continue;
        const auto index = static_cast<std::size_t>(row);
        if (context.libraryMode) {
            if (index < _browser.libraries().size())
                context.libraryPaths.push_back(_browser.libraries()[index].path);
        } else if (index < _browser.rows().size()) {
            const sv::Sample& sample = _browser.rows()[index];
            context.samples.push_back({sample.id, sample.path});
        }
    }
    if (_playlistList)
        context.playlists = _playlistList->playlists();
    else {
        try {
            context.playlists = _actions.db.playlists();
        } catch (const std::exception&) {
        }
    }
    return context;
}

QMenu* SVContextMenus::show(QMenu* menu, QPoint globalPosition) {
    if (_openMenu)
        _openMenu->deleteLater();
    _openMenu = nullptr;
    if (menu->actions().isEmpty()) {
        delete menu;
        return nullptr;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    _openMenu = menu;
    if (_present)
        _present(menu, globalPosition);
    return menu;
}

QMenu* SVContextMenus::openRowMenu(std::optional<int> clickedRow, QPoint globalPosition) {
    const std::set<int> rows = selectedRowsIncludingClickedRow(clickedRow);
    const bool onRow = clickedRow.has_value() && *clickedRow >= 0;
    const SVRowMenuContext context = rowMenuContext(rows, onRow);
    return show(SVRowMenu::build(context, _actions, _browser.window()), globalPosition);
}

QMenu* SVContextMenus::openFolderMenu(const std::string& folderPath, QPoint globalPosition) {
    return show(SVFolderMenu::build({folderPath}, _actions, _browser.window()), globalPosition);
}

QMenu* SVContextMenus::openPlaylistMenu(int playlistRow, QPoint globalPosition) {
    if (!_playlistList)
        return nullptr;
    const std::optional<std::int64_t> id = _playlistList->playlistIdAt(playlistRow);
    if (!id)
        return nullptr;
    const sv::Playlist& playlist =
        _playlistList->playlists()[static_cast<std::size_t>(playlistRow)];
    SVPlaylistMenuContext context{*id, QString::fromStdString(playlist.name)};
    return show(SVPlaylistMenu::build(context, _actions, _browser.window()), globalPosition);
}

QMenu* SVContextMenus::openFavoritesMenu(QPoint globalPosition) {
    return show(SVFavoritesMenu::build(_actions, _browser.window()), globalPosition);
}

bool SVContextMenus::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ContextMenu && type != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    SVResultsTable* table = _browser.table();
    if (watched == table || watched == table->viewport())
        return tableEvent(event, watched == table->viewport());
    if (_outline && (watched == _outline || watched == _outline->viewport()))
        return outlineEvent(event, watched == _outline->viewport());
    if (_playlistList && (watched == _playlistList || watched == _playlistList->viewport()))
        return playlistEvent(event, watched == _playlistList->viewport());
    if (_favoritesButton && watched == _favoritesButton) {
        if (type == QEvent::ContextMenu) {
            const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            openFavoritesMenu(fromKeyboard(menuEvent) ? _favoritesButton->mapToGlobal(
                                                            QPoint(0, _favoritesButton->height()))
                                                      : menuEvent->globalPos());
            return true;
        }
        if (isMenuShortcut(event)) {
            openFavoritesMenu(_favoritesButton->mapToGlobal(QPoint(0, _favoritesButton->height())));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool SVContextMenus::tableEvent(QEvent* event, bool onViewport) {
    SVResultsTable* table = _browser.table();
    const auto keyboardMenu = [this, table] {
        const std::set<int>& selected = table->selectedRows();
        const int row = selected.empty() ? -1 : *selected.begin();
        const int top =
            row < 0 ? 0 : row * table->rowHeight() - table->verticalScrollBar()->value();
        const QPoint where = table->viewport()->mapToGlobal(QPoint(24, std::max(top, 0) + 24));
        openRowMenu(row < 0 ? std::nullopt : std::optional<int>(row), where);
    };
    return routeMenuRequest(
        event, table, onViewport, keyboardMenu, [this, table](QPoint position, QPoint where) {
            const int row = table->rowAt(position.y());
            openRowMenu(row < 0 ? std::nullopt : std::optional<int>(row), where);
        });
}

bool SVContextMenus::outlineEvent(QEvent* event, bool onViewport) {
    const auto openAt = [this](const QModelIndex& index, QPoint where) {
        if (!index.isValid() || !_resolveFolder)
            return;
        if (const std::optional<std::string> path = _resolveFolder(index))
            openFolderMenu(*path, where);
    };
    const auto keyboardMenu = [this, openAt] {
        const QModelIndex index = _outline->currentIndex();
        const QRect rect = _outline->visualRect(index);
        openAt(index, _outline->viewport()->mapToGlobal(rect.bottomLeft()));
    };
    return routeMenuRequest(event, _outline, onViewport, keyboardMenu,
                            [this, openAt](QPoint position, QPoint where) {
                                openAt(_outline->indexAt(position), where);
                            });
}

bool SVContextMenus::playlistEvent(QEvent* event, bool onViewport) {
    SVPlaylistList* list = _playlistList;
    const auto keyboardMenu = [this, list] {
        const int row = list->currentRow();
        const QRect rect = list->visualRect(list->model()->index(std::max(row, 0), 0));
        openPlaylistMenu(row, list->viewport()->mapToGlobal(rect.bottomLeft()));
    };
    return routeMenuRequest(event, list, onViewport, keyboardMenu,
                            [this, list](QPoint position, QPoint where) {
                                const QModelIndex index = list->indexAt(position);
                                if (index.isValid())
                                    openPlaylistMenu(index.row(), where);
                            });
}
