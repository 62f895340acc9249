#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The desktop's file manager: showing files selected in their folder, opening a folder.
namespace SVFileManager {

// Sends org.freedesktop.FileManager1.ShowItems with these URIs and reports, later, whether a
// file manager answered.
using ShowItemsCall =
    std::function<void(const QStringList& uris, std::function<void(bool answered)> done)>;
using FolderOpener = std::function<bool(const QString& folderPath)>;

// The URI of a local file as the file manager takes it: every character that is not plain
// ASCII or that a URI reserves ("#", "%", "?", …) percent-encoded.
QString fileUri(const QString& filePath);

// Shows the files selected in one file manager window (one call for all of them); when no
// file manager answers, opens the first file's folder instead. Empty paths are skipped; with
// none left nothing happens. Does not wait for the answer.
void showItems(const QStringList& filePaths);
// The same through the given call and opener (tests observe them).
void showItems(const QStringList& filePaths, const ShowItemsCall& call,
               const FolderOpener& openFolder);
void showItem(const QString& filePath);
// Opens a folder in the desktop's default application for folders.
bool openFolder(const QString& folderPath);
// The session bus call.
void showItemsOverDBus(const QStringList& uris, std::function<void(bool answered)> done);

}  // namespace SVFileManager
