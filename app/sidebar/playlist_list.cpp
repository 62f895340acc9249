#include "app/sidebar/playlist_list.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <exception>

#include "app/dragdrop/drag_and_drop.h"
#include "app/theme/theme.h"

namespace {

constexpr int kIdRole = Qt::UserRole;

// The icon theme's playlist symbol, or a drawn note when the theme has none.
QIcon playlistSymbol() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("view-media-playlist"));
    if (!themed.isNull())
        return themed;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(SVTheme::grey(1.0, 0.7));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("♫"));
    return QIcon(pixmap);
}

}  // namespace

SVPlaylistList::SVPlaylistList(sv::Database& database, QWidget* parent)
    : QListWidget(parent), _database(database) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Playlists"));
    verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll playlists"));
    setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; color: white; font-size: 13px; }"
                       "QListWidget::item { border-radius: 6px; padding-left: 6px; }"
                       "QListWidget::item:selected { background: %1; }")
            .arg(SVTheme::grey(1.0, 0.10).name(QColor::HexArgb)));
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        emit playlistChosen(item->data(kIdRole).toLongLong());
    });
    // A row selected without the mouse (a screen reader selecting an item) is chosen as a
    // click chooses it; the mouse's own selections wait for the click.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (_mousePressing || _selectingPlaylist)
            return;
        const QList<QListWidgetItem*> selected = selectedItems();
        if (selected.size() == 1)
            emit playlistChosen(selected.front()->data(kIdRole).toLongLong());
    });
}

void SVPlaylistList::reloadPlaylists() {
    const std::optional<std::int64_t> selected = playlistIdAt(currentRow());
    _playlists = _database.playlists();
    const QSignalBlocker blocker(this);
    clear();
    const QIcon symbol = playlistSymbol();
    for (const sv::Playlist& playlist : _playlists) {
        auto* item = new QListWidgetItem(symbol, QString::fromStdString(playlist.name), this);
        item->setData(kIdRole, QVariant::fromValue<qint64>(playlist.id));
        item->setSizeHint(QSize(0, kRowHeight));
    }
    selectPlaylist(selected);
}

std::optional<std::int64_t> SVPlaylistList::playlistIdAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= _playlists.size())
        return std::nullopt;
    return _playlists[static_cast<std::size_t>(row)].id;
}

void SVPlaylistList::selectPlaylist(std::optional<std::int64_t> playlistId) {
    const QScopedValueRollback selecting(_selectingPlaylist, true);
    for (std::size_t row = 0; playlistId && row < _playlists.size(); ++row) {
        if (_playlists[row].id == *playlistId) {
            setCurrentRow(static_cast<int>(row));
            return;
        }
    }
    setCurrentRow(-1);
    clearSelection();
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

QSize SVPlaylistList::sizeHint() const {
    return QSize(QListWidget::sizeHint().width(), kRowHeight * kVisibleRows + 2 * frameWidth());
}

void SVPlaylistList::mousePressEvent(QMouseEvent* event) {
    const QScopedValueRollback pressing(_mousePressing, true);
    QListWidget::mousePressEvent(event);
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
