#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/menus/alert.h"

namespace sv {
class Database;
}

// Where the preview player was, so that organising the collection never interrupts listening.
struct SVPlaybackMark {
    double time = 0.0;
    bool playing = false;
};

// Filling and emptying playlists from the result rows, creating and deleting playlists. Each
// acts on the sample ids and the playlist id captured when its menu opened; ids that no longer
// exist are skipped.
class SVPlaylistActions : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kCreateErrorTitle = "Couldn’t create playlist";
    static constexpr const char* kAddErrorTitle = "Couldn’t add samples to playlist";
    static constexpr const char* kDeleteErrorTitle = "Couldn’t delete playlist";
    static constexpr const char* kRemoveErrorTitle = "Couldn’t remove samples from playlist";

    explicit SVPlaylistActions(sv::Database& db, QObject* parent = nullptr);

    void setAlertRunner(SVAlertRunner runner) { _runAlert = std::move(runner); }
    // Notes the player's position and whether it plays, and puts them back.
    void setPlaybackKeeper(std::function<std::optional<SVPlaybackMark>()> note,
                           std::function<void(const SVPlaybackMark&)> restore) {
        _notePlayback = std::move(note);
        _restorePlayback = std::move(restore);
    }
    void setStatusPresenter(std::function<void(const QString&)> present) {
        _presentStatus = std::move(present);
    }

    // Adds the samples in order; the results are not refreshed and playback goes on where it
    // was.
    bool addSamplesToPlaylist(std::int64_t playlistId, const std::vector<std::int64_t>& sampleIds);
    // "New Playlist" with a name field; "Create" makes the playlist and adds the samples.
    bool newPlaylistForSamples(const std::vector<std::int64_t>& sampleIds);
    // "Delete this playlist?"; "Delete Playlist" deletes it (the samples stay).
    bool deletePlaylist(std::int64_t playlistId);
    bool removeSamplesFromPlaylist(std::int64_t playlistId,
                                   const std::vector<std::int64_t>& sampleIds);

  signals:
    // The playlist list needs reading again (names, counts).
    void playlistsChanged();
    // Rows left a shown playlist: the results need a refresh.
    void playlistMembersRemoved(qint64 playlistId);
    void playlistDeleted(qint64 playlistId);

  private:
    SVAlertAnswer runAlert(const SVAlert& alert) const;
    void addExisting(std::int64_t playlistId, const std::vector<std::int64_t>& sampleIds);

    sv::Database& _db;
    SVAlertRunner _runAlert;
    std::function<std::optional<SVPlaybackMark>()> _notePlayback;
    std::function<void(const SVPlaybackMark&)> _restorePlayback;
    std::function<void(const QString&)> _presentStatus;
};
