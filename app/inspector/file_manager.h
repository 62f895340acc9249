#pragma once

#include <QString>

// The desktop's file manager: showing a file selected in its folder, opening a folder.
namespace SVFileManager {

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) to show the file
// selected; when none answers, opens the file's folder instead. Does not wait for the answer.
void showItem(const QString& filePath);
// Opens a folder in the desktop's default application for folders.
bool openFolder(const QString& folderPath);

}  // namespace SVFileManager
