#pragma once

#include <QList>
#include <QMimeData>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// Samples leave the application as file URLs (text/uri-list) and folders and images arrive
// the same way. These helpers decide which files may be dragged, build the drag data and read
// the data of incoming drags.
namespace SVDragAndDrop {

// The file URL of `path` when it is an absolute path of an existing regular file; none for an
// empty, relative, missing or directory path (a moved or deleted sample is not draggable).
std::optional<QUrl> physicalFileURL(const std::string& path);
std::optional<QUrl> physicalFileURL(const QString& path);

// Drag data carrying the file URL of one path, or nullptr when it has none.
std::unique_ptr<QMimeData> mimeDataForPath(const std::string& path);
// Drag data carrying the file URLs of `paths` in their order, or nullptr when any of them has
// no file URL: a multi-row drag is all or nothing.
std::unique_ptr<QMimeData> mimeDataForPaths(const std::vector<std::string>& paths);

// The local file URLs a drag carries (other URLs are left out).
QList<QUrl> fileURLs(const QMimeData* data);
// True when the drag comes from another application, carries at least one file URL and every
// URL it carries is a folder.
bool isExternalFolderDrag(const QMimeData* data, bool sourceInsideApp);
// True when at least one carried URL is a local folder.
bool dragContainsFolder(const QMimeData* data);

// The file manager's icon for a file, at 32 x 32, and the hot spot that centres it on the
// pointer.
QPixmap fileIconPixmap(const QUrl& url);
QPoint centredHotSpot(const QPixmap& pixmap);

// What a drag source hands over to start a copy drag.
struct DragRequest {
    std::unique_ptr<QMimeData> mimeData;
    QPixmap pixmap;
    QPoint hotSpot;
};
// Starts the drag for `source`. The default runs the platform's drag; tests replace it to
// observe the request without a blocking drag loop.
using DragStarter = std::function<void(QWidget* source, DragRequest request)>;
void execCopyDrag(QWidget* source, DragRequest request);

}  // namespace SVDragAndDrop
