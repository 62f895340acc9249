#include "app/sidebar/playlist_list.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <exception>

#include "app/dragdrop/drag_and_drop.h"
#include "app/sidebar/sidebar_icons.h"
#include "app/theme/theme.h"

namespace {

constexpr int kIdRole = Qt::UserRole;

QIcon playlistSymbol() {
    return SVSidebarIcons::icon(SVSidebarIcons::Symbol::NoteList, SVTheme::grey(0.7));
}

}  // namespace

SVPlaylistList::SVPlaylistList(sv::Database& database, QWidget* parent)
    : QListWidget(parent), _database(database) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Reached with Tab; a click leaves the keyboard with the results and the player.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Playlists"));
    verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll playlists"));
    setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; color: white; font-size: 13px; }"
                       "QListWidget::item { border-radius: 6px; padding-left: 6px; }"
                       "QListWidget::item:selected { background: %1; }"
                       "QListWidget:focus { outline: 0; border: 1px solid %2; "
                       "border-radius: 6px; }")
            .arg(SVTheme::grey(1.0, 0.10).name(QColor::HexArgb),
                 SVTheme::grey(1.0, 0.18).name(QColor::HexArgb)));
    connect(this, &QListWidget::itemSelectionChanged, this, &SVPlaylistList::selectionDidChange);
}

void SVPlaylistList::reloadPlaylists() {
    // The row with the keyboard focus stays the current one, selected or not.
    const std::optional<std::int64_t> current = playlistIdAt(currentRow());
    const bool selected = currentItem() && currentItem()->isSelected();
    _playlists = _database.playlists();
    const QSignalBlocker blocker(this);
    clear();
    const QIcon symbol = playlistSymbol();
    for (const sv::Playlist& playlist : _playlists) {
        const QString name = QString::fromStdString(playlist.name);
        auto* item = new QListWidgetItem(symbol, name, this);
        item->setData(kIdRole, QVariant::fromValue<qint64>(playlist.id));
        item->setData(Qt::AccessibleTextRole, name);
        item->setToolTip(name);
        item->setSizeHint(QSize(0, kRowHeight));
    }
    for (std::size_t row = 0; current && row < _playlists.size(); ++row) {
        if (_playlists[row].id == *current)
            setCurrentRow(static_cast<int>(row), selected ? QItemSelectionModel::ClearAndSelect
                                                          : QItemSelectionModel::NoUpdate);
    }
    updateGeometry();
}

std::optional<std::int64_t> SVPlaylistList::playlistIdAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= _playlists.size())
        return std::nullopt;
    return _playlists[static_cast<std::size_t>(row)].id;
}

void SVPlaylistList::selectPlaylist(std::optional<std::int64_t> playlistId) {
    for (std::size_t row = 0; playlistId && row < _playlists.size(); ++row) {
        if (_playlists[row].id == *playlistId) {
            setCurrentRow(static_cast<int>(row));
            return;
        }
    }
    clearSelection();
}

bool SVPlaylistList::selectPlaylistAlone(std::int64_t playlistId) {
    for (std::size_t row = 0; row < _playlists.size(); ++row) {
        if (_playlists[row].id != playlistId)
            continue;
        const int index = static_cast<int>(row);
        const bool alreadySelected = item(index)->isSelected() && selectedItems().size() == 1;
        setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        if (alreadySelected)
            emit playlistSelected(playlistId);
        // The selection may have reloaded the rows.
        if (QListWidgetItem* shown = item(index))
            scrollToItem(shown);
        return true;
    }
    return false;
}

void SVPlaylistList::markActivePlaylist(std::optional<std::int64_t> playlistId) {
    const QSignalBlocker blocker(this);
    selectPlaylist(playlistId);
}

void SVPlaylistList::clearPlaylistSelection() {
    clearSelection();
}

void SVPlaylistList::selectionDidChange() {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.size() == 1)
        emit playlistSelected(selected.front()->data(kIdRole).toLongLong());
}

void SVPlaylistList::keyPressEvent(QKeyEvent* event) {
    const bool activate = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                          event->modifiers() == Qt::NoModifier;
    if (activate && currentItem()) {
        if (!currentItem()->isSelected())
            setCurrentRow(currentRow(), QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

bool SVPlaylistList::validateDrop(const QList<QUrl>& urls, int row) const {
    if (!playlistIdAt(row))
        return false;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

bool SVPlaylistList::acceptDrop(const QList<QUrl>& urls, int row) {
    const std::optional<std::int64_t> playlistId = playlistIdAt(row);
    if (!playlistId)
        return false;
    bool added = false;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        // A catalogue write that fails leaves that file out, like a file the catalogue lacks.
        try {
            const std::optional<sv::Sample> sample =
                _database.findByPath(url.toLocalFile().toStdString());
            if (!sample)
                continue;
            _database.addToPlaylist(*playlistId, sample->id);
            added = true;
        } catch (const std::exception&) {
        }
    }
    if (added)
        reloadPlaylists();
    return added;
}

// As tall as its rows, up to ten; with little room it gives way down to two rows.
QSize SVPlaylistList::sizeHint() const {
    const int rows = std::clamp(static_cast<int>(_playlists.size()), 1, kVisibleRows);
    return QSize(QListWidget::sizeHint().width(), kRowHeight * rows + 2 * frameWidth());
}

QSize SVPlaylistList::minimumSizeHint() const {
    const int rows = std::clamp(static_cast<int>(_playlists.size()), 1, 2);
    return QSize(QListWidget::minimumSizeHint().width(), kRowHeight * rows + 2 * frameWidth());
}

void SVPlaylistList::dragEnterEvent(QDragEnterEvent* event) {
    if (SVDragAndDrop::fileURLs(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SVPlaylistList::dragMoveEvent(QDragMoveEvent* event) {
    const int row = dropRowAt(event->position().toPoint());
    const bool valid = validateDrop(SVDragAndDrop::fileURLs(event->mimeData()), row);
    setDropRow(valid ? row : -1);
    if (valid) {
        event->setDropAction(Qt::CopyAction);
        event->accept(visualItemRect(item(row)));
    } else {
        event->ignore();
    }
}

void SVPlaylistList::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropRow(-1);
    event->accept();
}

void SVPlaylistList::dropEvent(QDropEvent* event) {
    setDropRow(-1);
    const int row = dropRowAt(event->position().toPoint());
    const QList<QUrl> urls = SVDragAndDrop::fileURLs(event->mimeData());
    if (!validateDrop(urls, row) || !acceptDrop(urls, row)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SVPlaylistList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (_dropRow < 0 || !item(_dropRow))
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kAccent), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(visualItemRect(item(_dropRow))).adjusted(1, 1, -1, -1), 6, 6);
}

int SVPlaylistList::dropRowAt(const QPoint& viewportPosition) const {
    const QModelIndex index = indexAt(viewportPosition);
    return index.isValid() ? index.row() : -1;
}

void SVPlaylistList::setDropRow(int row) {
    if (row == _dropRow)
        return;
    _dropRow = row;
    viewport()->update();
}
