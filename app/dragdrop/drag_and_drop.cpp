#include "app/dragdrop/drag_and_drop.h"

#include <QDrag>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QWidget>

#include <filesystem>
#include <system_error>

namespace SVDragAndDrop {

namespace {

constexpr int kIconSize = 32;

bool isLocalFolder(const QUrl& url) {
    if (!url.isLocalFile())
        return false;
    std::error_code error;
    return std::filesystem::is_directory(url.toLocalFile().toStdString(), error);
}

}  // namespace

std::optional<QUrl> physicalFileURL(const std::string& path) {
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status))
        return std::nullopt;
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

std::optional<QUrl> physicalFileURL(const QString& path) {
    return physicalFileURL(path.toStdString());
}

std::unique_ptr<QMimeData> mimeDataForPath(const std::string& path) {
    return mimeDataForPaths({path});
}

std::unique_ptr<QMimeData> mimeDataForPaths(const std::vector<std::string>& paths) {
    if (paths.empty())
        return nullptr;
    QList<QUrl> urls;
    urls.reserve(static_cast<qsizetype>(paths.size()));
    for (const std::string& path : paths) {
        const std::optional<QUrl> url = physicalFileURL(path);
        if (!url)
            return nullptr;
        urls.append(*url);
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

QList<QUrl> fileURLs(const QMimeData* data) {
    QList<QUrl> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

bool isExternalFolderDrag(const QMimeData* data, bool sourceInsideApp) {
    if (sourceInsideApp || !data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty())
        return false;
    for (const QUrl& url : urls) {
        if (!isLocalFolder(url))
            return false;
    }
    return true;
}

bool dragContainsFolder(const QMimeData* data) {
    for (const QUrl& url : fileURLs(data)) {
        if (isLocalFolder(url))
            return true;
    }
    return false;
}

QPixmap fileIconPixmap(const QUrl& url) {
    const QIcon icon = QFileIconProvider().icon(QFileInfo(url.toLocalFile()));
    QPixmap pixmap = icon.pixmap(kIconSize, kIconSize);
    if (pixmap.isNull()) {
        pixmap = QPixmap(kIconSize, kIconSize);
        pixmap.fill(Qt::transparent);
    }
    return pixmap;
}

QPoint centredHotSpot(const QPixmap& pixmap) {
    const QSize size = pixmap.deviceIndependentSize().toSize();
    return QPoint(size.width() / 2, size.height() / 2);
}

void execCopyDrag(QWidget* source, DragRequest request) {
    // The drag object belongs to the source and is deleted by Qt once the drag ends.
    auto* drag = new QDrag(source);
    drag->setMimeData(request.mimeData.release());
    drag->setPixmap(request.pixmap);
    drag->setHotSpot(request.hotSpot);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace SVDragAndDrop
