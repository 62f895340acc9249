#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// The featured sets: shortcut cards to folders and playlists, kept in order in the setting
// "SVFeaturedItems" as one map per card ("kind", "value", "title", "uuid", optional "avatar").
class SVFeaturedItems {
  public:
    static constexpr const char* kSettingsKey = "SVFeaturedItems";
    static constexpr int kLimit = 32;

    // The stored entries; entries that are not maps or lack a text "kind" or "title" are left
    // out, and an entry without a text "uuid" gets one (the cleaned list is saved then).
    static QVariantList load();
    static void save(const QVariantList& entries);

    // Adds an entry unless one of the same kind and value exists; with 32 entries the oldest
    // goes first. The new entry gets a fresh uuid. False when it was already there.
    static bool addFeaturedEntry(QVariantMap entry);
    // A folder card titled with the folder's last component ("Folder" when it has none);
    // nothing for an empty path.
    static bool addFolder(const QString& folderPath);
    static bool addPlaylist(qint64 playlistId, const QString& name);
    // "<data folder>/Orvane Producer/SampleVorlan/Featured Avatars".
    static QString featuredAvatarDirectory();
    // Removes every entry of that kind and value (a deleted playlist, say) with its custom
    // avatar; how many went.
    static int removeEntriesFor(const QString& kind, const QVariant& value);

    static bool sameValue(const QVariant& a, const QVariant& b);
};
