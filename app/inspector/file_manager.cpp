#include "app/inspector/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace SVFileManager {

QString fileUri(const QString& filePath) {
    return QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded);
}

bool openFolder(const QString& folderPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folderPath));
}

void showItemsOverDBus(const QStringList& uris, std::function<void(bool answered)> done) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         done(!finished->isError());
                         finished->deleteLater();
                     });
}

void showItems(const QStringList& filePaths, const ShowItemsCall& call, const FolderOpener& open) {
    QStringList uris;
    QString firstFolder;
    for (const QString& path : filePaths) {
        if (path.isEmpty())
            continue;
        if (firstFolder.isEmpty())
            firstFolder = QFileInfo(path).absolutePath();
        uris.append(fileUri(path));
    }
    if (uris.isEmpty())
        return;
    const auto fallBack = [open, firstFolder](bool answered) {
        if (!answered && open)
            open(firstFolder);
    };
    if (!call) {
        fallBack(false);
        return;
    }
    call(uris, fallBack);
}

void showItems(const QStringList& filePaths) {
    showItems(filePaths, showItemsOverDBus, openFolder);
}

void showItem(const QString& filePath) {
    showItems(QStringList{filePath});
}

}  // namespace SVFileManager
