#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/records/playlist.h"

// What a context menu acts on, captured when it opens: a scan or a refresh that replaces the
// rows while the menu or one of its confirmations is open changes none of it.

struct SVChosenSample {
    std::int64_t id = 0;
    std::string path;
};

struct SVRowMenuContext {
    // The menu opened on a row (by the pointer or the keyboard), not on empty space.
    bool rowClicked = false;
    bool libraryMode = false;
    // The chosen sample rows in row order (sample views).
    std::vector<SVChosenSample> samples;
    // The folders of the chosen library rows (Libraries view).
    std::vector<std::string> libraryPaths;
    std::vector<sv::Playlist> playlists;
    std::optional<std::int64_t> viewedPlaylist;

    std::vector<std::int64_t> sampleIds() const;
    QStringList samplePaths() const;
    // Every chosen file ends in .mid or .midi (letter case ignored).
    bool allMidiFiles() const;
};

struct SVFolderMenuContext {
    std::string path;
};

struct SVPlaylistMenuContext {
    std::int64_t playlistId = 0;
    QString name;
};
