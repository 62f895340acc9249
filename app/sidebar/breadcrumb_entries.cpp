#include "app/sidebar/breadcrumb_entries.h"

#include "app/sidebar/folder_paths.h"

namespace {

SVBreadcrumbEntry entry(const QString& title, const char* kind, QVariant value = {}) {
    return SVBreadcrumbEntry{title, QString::fromLatin1(kind), std::move(value)};
}

// The folders of the chain shown as crumbs: the unnamed root of several libraries never is
// one, and of the rest only the three deepest are.
void appendFolderCrumbs(std::vector<SVBreadcrumbEntry>& entries,
                        const std::vector<const sv::FolderNode*>& chain) {
    std::vector<const sv::FolderNode*> shown;
    for (const sv::FolderNode* node : chain) {
        if (!node->path.empty())
            shown.push_back(node);
    }
    const std::size_t first = shown.size() > 3 ? shown.size() - 3 : 0;
    for (std::size_t i = first; i < shown.size(); ++i) {
        entries.push_back(
            entry(QString::fromStdString(shown[i]->name), "folder",
                  QString::fromStdString(SVFolderPaths::standardizedPath(shown[i]->path))));
    }
}

}  // namespace

SVLocationSnapshot SVLocationSnapshot::of(const SVBrowseScope& scope, std::int64_t page) {
    SVLocationSnapshot snapshot;
    if (scope.playlistId) {
        snapshot.kind = QStringLiteral("playlist");
        snapshot.value = QVariant::fromValue<qint64>(*scope.playlistId);
    } else {
        if (scope.favoriteMode)
            snapshot.kind = QStringLiteral("favorites");
        else if (scope.libraryMode)
            snapshot.kind = QStringLiteral("libraries");
        else if (!scope.folderScope.empty())
            snapshot.kind = QStringLiteral("folder");
        else
            snapshot.kind = QStringLiteral("all");
        snapshot.value = QString::fromStdString(scope.folderScope);
    }
    snapshot.section = scope.sectionType;
    snapshot.page = page;
    return snapshot;
}

std::vector<SVBreadcrumbEntry> breadcrumbEntries(const SVBrowseScope& scope,
                                                 const std::vector<sv::Playlist>& playlists,
                                                 const sv::FolderNode& folderRoot) {
    std::vector<SVBreadcrumbEntry> entries;
    if (scope.playlistId) {
        entries.push_back(entry(QStringLiteral("Playlists"), "all"));
        for (const sv::Playlist& playlist : playlists) {
            if (playlist.id == *scope.playlistId) {
                entries.push_back(entry(QString::fromStdString(playlist.name), "playlist",
                                        QVariant::fromValue<qint64>(playlist.id)));
                break;
            }
        }
    } else if (scope.favoriteMode) {
        entries.push_back(entry(QStringLiteral("Favorites"), "favorites"));
    } else if (scope.libraryMode) {
        entries.push_back(entry(QStringLiteral("Libraries"), "libraries"));
    } else if (scope.folderScope.empty()) {
        entries.push_back(entry(QStringLiteral("All Samples"), "all"));
    } else {
        entries.push_back(entry(QStringLiteral("Folders"), "all"));
        std::vector<const sv::FolderNode*> chain;
        if (SVFolderPaths::findFolderPath(scope.folderScope, folderRoot, chain))
            appendFolderCrumbs(entries, chain);
    }
    if (!scope.sectionType.empty())
        entries.push_back(entry(QString::fromStdString(scope.sectionType), "section"));
    return entries;
}

void SVBreadcrumbHistory::push(SVLocationSnapshot snapshot) {
    _snapshots.push_back(std::move(snapshot));
    while (_snapshots.size() > kLimit)
        _snapshots.pop_front();
}

std::optional<SVLocationSnapshot> SVBreadcrumbHistory::pop() {
    if (_snapshots.empty())
        return std::nullopt;
    SVLocationSnapshot last = std::move(_snapshots.back());
    _snapshots.pop_back();
    return last;
}
