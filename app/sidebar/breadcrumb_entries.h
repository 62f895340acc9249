#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/results/browse_scope.h"
#include "core/browse/folder_tree.h"
#include "core/records/playlist.h"

// One crumb of the trail above the results. `kind` is "all", "favorites", "libraries",
// "playlist", "folder" or "section"; `value` is the playlist id or the standardised folder
// path for those two kinds.
struct SVBreadcrumbEntry {
    QString title;
    QString kind;
    QVariant value;

    bool operator==(const SVBreadcrumbEntry&) const = default;
};

// Where the browser was, for Back: `kind` is "playlist", "favorites", "libraries", "folder"
// or "all"; `value` the playlist id for "playlist", otherwise the folder scope (maybe empty).
struct SVLocationSnapshot {
    QString kind;
    QVariant value;
    std::string section;
    std::int64_t page = 0;

    static SVLocationSnapshot of(const SVBrowseScope& scope, std::int64_t page);
};

// The trail for a place: first the place, then the type.
std::vector<SVBreadcrumbEntry> breadcrumbEntries(const SVBrowseScope& scope,
                                                 const std::vector<sv::Playlist>& playlists,
                                                 const sv::FolderNode& folderRoot);

// The places to go back to, oldest first, at most 20.
class SVBreadcrumbHistory {
  public:
    static constexpr std::size_t kLimit = 20;

    void push(SVLocationSnapshot snapshot);
    std::optional<SVLocationSnapshot> pop();
    bool empty() const { return _snapshots.empty(); }
    std::size_t size() const { return _snapshots.size(); }
    const std::deque<SVLocationSnapshot>& snapshots() const { return _snapshots; }

  private:
    std::deque<SVLocationSnapshot> _snapshots;
};
