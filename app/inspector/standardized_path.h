#pragma once

#include <QString>

#include <string>

// Paths as the folder artwork dictionary and the pack names compare them: "." and ".."
// resolved, repeated and trailing separators dropped ("/" stays "/"). Text only: the file
// system is not asked.
namespace SVPaths {

QString standardizedPath(const QString& path);
std::string standardizedPath(const std::string& path);

// The folder holding `path` ("/" for a file at the root, empty for a path without a folder).
QString parentFolder(const QString& path);

// True when `folder` is `path` itself or one of the folders above it.
bool contains(const std::string& folder, const std::string& path);

}  // namespace SVPaths
