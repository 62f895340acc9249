#include "app/menus/playlist_actions.h"

#include <exception>

#include "core/catalogue/database.h"

SVPlaylistActions::SVPlaylistActions(sv::Database& db, QObject* parent)
    : QObject(parent), _db(db) {}

SVAlertAnswer SVPlaylistActions::runAlert(const SVAlert& alert) const {
    return _runAlert ? _runAlert(alert) : runModalAlert(nullptr, alert);
}

void SVPlaylistActions::addExisting(std::int64_t playlistId,
                                    const std::vector<std::int64_t>& sampleIds) {
    for (const std::int64_t id : _db.existingSampleIds(sampleIds))
        _db.addToPlaylist(playlistId, id);
}

bool SVPlaylistActions::addSamplesToPlaylist(std::int64_t playlistId,
                                             const std::vector<std::int64_t>& sampleIds) {
    if (sampleIds.empty())
        return false;
    const std::optional<SVPlaybackMark> mark =
        _notePlayback ? _notePlayback() : std::optional<SVPlaybackMark>();
    bool added = true;
    try {
        addExisting(playlistId, sampleIds);
    } catch (const std::exception& error) {
        added = false;
        runAlert(errorAlert(QString::fromUtf8(kAddErrorTitle), QString::fromUtf8(error.what())));
    }
    // Members added before a failure stay: the list shows them either way.
    emit playlistsChanged();
    if (mark && _restorePlayback)
        _restorePlayback(*mark);
    return added;
}

bool SVPlaylistActions::newPlaylistForSamples(const std::vector<std::int64_t>& sampleIds) {
    if (sampleIds.empty())
        return false;
    SVAlert alert;
    alert.message = QStringLiteral("New Playlist");
    alert.informativeText = QStringLiteral("Enter a unique playlist name.");
    alert.buttons = {QStringLiteral("Create"), QStringLiteral("Cancel")};
    alert.hasField = true;
    alert.fieldPlaceholder = QStringLiteral("Playlist name");
    const SVAlertAnswer answer = runAlert(alert);
    if (!answer.accepted())
        return false;
    std::int64_t playlistId = 0;
    try {
        playlistId = _db.createPlaylist(answer.fieldText.toStdString());
    } catch (const std::exception& error) {
        runAlert(errorAlert(QString::fromUtf8(kCreateErrorTitle), QString::fromUtf8(error.what())));
        return false;
    }
    bool added = true;
    try {
        addExisting(playlistId, sampleIds);
    } catch (const std::exception& error) {
        // The playlist exists: say what failed rather than that it could not be made.
        added = false;
        runAlert(errorAlert(QString::fromUtf8(kAddErrorTitle),
                            QStringLiteral("The playlist “%1” was created, but the samples "
                                           "could not be added to it: %2")
                                .arg(answer.fieldText.trimmed(), QString::fromUtf8(error.what()))));
    }
    emit playlistsChanged();
    return added;
}

bool SVPlaylistActions::deletePlaylist(std::int64_t playlistId) {
    SVAlert alert;
    alert.message = QStringLiteral("Delete this playlist?");
    alert.informativeText = QStringLiteral(
        "The playlist will be removed. Your original sample files will not be changed.");
    alert.buttons = {QStringLiteral("Delete Playlist"), QStringLiteral("Cancel")};
    alert.warning = true;
    if (!runAlert(alert).accepted())
        return false;
    try {
        _db.deletePlaylist(playlistId);
    } catch (const std::exception& error) {
        runAlert(errorAlert(QString::fromUtf8(kDeleteErrorTitle), QString::fromUtf8(error.what())));
        return false;
    }
    emit playlistDeleted(playlistId);
    emit playlistsChanged();
    return true;
}

bool SVPlaylistActions::removeSamplesFromPlaylist(std::int64_t playlistId,
                                                  const std::vector<std::int64_t>& sampleIds) {
    if (sampleIds.empty())
        return false;
    bool removed = true;
    try {
        for (const std::int64_t id : sampleIds)
            _db.removeFromPlaylist(playlistId, id);
    } catch (const std::exception& error) {
        removed = false;
        runAlert(errorAlert(QString::fromUtf8(kRemoveErrorTitle), QString::fromUtf8(error.what())));
    }
    emit playlistsChanged();
    emit playlistMembersRemoved(playlistId);
    return removed;
}
