#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QVariantMap>

// The featured cards' avatars: custom images kept as "<uuid>.png" in the "Featured Avatars"
// folder beside the catalogue, and the letter avatars drawn for cards without one.
//
// Entries come from the settings, which a user may edit: their "avatar" paths are never used
// to read, write or delete a file. Only "<uuid>.png" inside the avatar folder is, and only for
// a well-formed uuid.
namespace SVFeaturedAvatars {

inline constexpr int kAvatarSide = 38;
// A dropped image is kept at most this many pixels on its longer side.
inline constexpr int kStoredSide = 256;

// "<data folder>/Orvane Producer/SampleVorlan/Featured Avatars".
QString featuredAvatarDirectory();
// Eight, four, four, four and twelve hexadecimal digits joined by "-", nothing else.
bool isWellFormedUuid(const QString& uuid);
// "<avatar folder>/<uuid>.png", or empty for a uuid that is not well-formed.
QString avatarPathForUuid(const QString& uuid);
// The custom avatar file of an entry that has one, or empty.
QString avatarFileForEntry(const QVariantMap& entry);

// Reads the image at `imagePath` and writes it as the entry's PNG (creating the folder, never
// through a link planted at that name). The written path, or empty when the image cannot be
// read or written.
QString writeAvatar(const QString& uuid, const QString& imagePath);
// Deletes the entry's avatar file, if there is one. True when nothing of it is left.
bool removeAvatar(const QString& uuid);

// The card's picture `side` points square: the custom image, cropped to a square, or a letter
// avatar (first letter of the title, "?" when empty) in the shown theme's colours; brighter
// when highlighted (the pointer over the card).
QPixmap featuredAvatarForEntry(const QVariantMap& entry, int side, bool highlighted);
// The letter shown for a title.
QString letterForTitle(const QString& title);

}  // namespace SVFeaturedAvatars
