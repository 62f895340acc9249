#pragma once

#include <QList>
#include <QListWidget>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/catalogue/database.h"
#include "core/records/playlist.h"

class QMimeData;

// The sidebar's list of playlists, rows 26 high with room for ten. Selecting a row (mouse,
// arrows, Return, or code) reports its playlist; the scoped playlist's row stays selected.
// Files dropped onto a playlist row join that playlist when the catalogue knows them; other
// files are ignored.
class SVPlaylistList : public QListWidget {
    Q_OBJECT
  public:
    static constexpr int kRowHeight = 26;
    static constexpr int kVisibleRows = 10;

    explicit SVPlaylistList(sv::Database& database, QWidget* parent = nullptr);

    // Reads the playlists from the catalogue again; the current row (and its selection) stays.
    void reloadPlaylists();
    const std::vector<sv::Playlist>& playlists() const { return _playlists; }
    std::optional<std::int64_t> playlistIdAt(int row) const;
    // Selects the row of that playlist, or clears the selection when it is not listed.
    void selectPlaylist(std::optional<std::int64_t> playlistId);
    // Selects that playlist's row alone; a row that was already the selected one reports its
    // selection again. False when the playlist is not listed.
    bool selectPlaylistAlone(std::int64_t playlistId);
    // Marks the row of the playlist in scope without reporting a selection.
    void markActivePlaylist(std::optional<std::int64_t> playlistId);
    void clearPlaylistSelection();

    // A drop onto `row` is possible when the row is a playlist and at least one file URL
    // comes with it.
    bool validateDrop(const QList<QUrl>& urls, int row) const;
    // Adds each catalogued file to the playlist of `row`; true when at least one was added.
    bool acceptDrop(const QList<QUrl>& urls, int row);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // A playlist row became the selected one (never sent when the selection just emptied).
    void playlistSelected(qint64 playlistId);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void selectionDidChange();
    int dropRowAt(const QPoint& viewportPosition) const;
    void setDropRow(int row);

    sv::Database& _database;
    std::vector<sv::Playlist> _playlists;
    // The row a hovering drop is retargeted onto, -1 for none.
    int _dropRow = -1;
};
