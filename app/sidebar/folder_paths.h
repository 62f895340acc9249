#pragma once

#include <QString>

#include <string>
#include <vector>

#include "core/browse/folder_tree.h"

// Folder paths as the sidebar compares them. Paths are standardised by their text alone and
// never resolved on disk: a folder on an unplugged drive has no canonical form, yet its
// breadcrumbs, Back and launch location must keep working.
namespace SVFolderPaths {

// The path with duplicate separators, "." and ".." steps and a trailing separator removed.
QString standardizedPath(const QString& path);
std::string standardizedPath(const std::string& path);

// The path without separators at its end ("/" stays): the form a folder filter compares.
std::string withoutTrailingSeparator(std::string path);

// Whether `path` names `folder` itself or a folder below it; both are standardised first. A
// name that merely begins with dots ("..Old Packs") is an ordinary folder.
bool isSameOrBelow(const std::string& path, const std::string& folder);
bool isBelow(const std::string& path, const std::string& folder);

// Depth first from `item` in children order: on success `chain` ends with the path from
// `item` down to the node whose path equals `path` (both standardised); on failure `chain`
// is as it was.
bool findFolderPath(const std::string& path, const sv::FolderNode& item,
                    std::vector<const sv::FolderNode*>& chain);

}  // namespace SVFolderPaths
