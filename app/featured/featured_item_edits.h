#pragma once

#include <QString>
#include <QVariantList>

#include <string>
#include <utility>
#include <vector>

// Changes to one stored featured entry, found by its place in the list: removing it with its
// avatar file, renaming it, giving it a custom avatar, and following folders a scan found moved.
// Each reads the stored list, changes it and saves it; false when nothing changed.
namespace SVFeaturedItemEdits {

bool removeFeatured(int index);
// A blank title changes nothing.
bool renameFeatured(int index, const QString& title);
// Writes the image at `imagePath` as the entry's "<uuid>.png" in the avatar folder (an entry
// whose uuid is not well formed gets a new one first) and only then stores that path.
bool setFeaturedAvatarAtIndex(int index, const QString& imagePath);
bool relinkFeaturedItemsFromMoves(const std::vector<std::pair<std::string, std::string>>& moves);

}  // namespace SVFeaturedItemEdits
