#include "app/featured/featured_items.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include "app/window/settings.h"

namespace {

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

}  // namespace

QVariantList SVFeaturedItems::load() {
    const QVariantList stored = SVSettings::open().value(QLatin1String(kSettingsKey)).toList();
    QVariantList entries;
    bool cleaned = false;
    for (const QVariant& item : stored) {
        if (item.typeId() != QMetaType::QVariantMap) {
            cleaned = true;
            continue;
        }
        QVariantMap entry = item.toMap();
        if (!isText(entry.value(QStringLiteral("kind"))) ||
            !isText(entry.value(QStringLiteral("title")))) {
            cleaned = true;
            continue;
        }
        if (!isText(entry.value(QStringLiteral("uuid")))) {
            entry.insert(QStringLiteral("uuid"), newUuid());
            cleaned = true;
        }
        entries.append(entry);
    }
    if (cleaned)
        save(entries);
    return entries;
}

void SVFeaturedItems::save(const QVariantList& entries) {
    QSettings settings = SVSettings::open();
    settings.setValue(QLatin1String(kSettingsKey), entries);
    settings.sync();
}

QString SVFeaturedItems::featuredAvatarDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvane Producer/SampleVorlan/Featured Avatars");
}

bool SVFeaturedItems::sameValue(const QVariant& a, const QVariant& b) {
    // Playlist ids may come back from the settings file as text.
    if (a.canConvert<qlonglong>() && b.canConvert<qlonglong>() && !isText(a) && !isText(b))
        return a.toLongLong() == b.toLongLong();
    return a.toString() == b.toString();
}

bool SVFeaturedItems::addFeaturedEntry(QVariantMap entry) {
    QVariantList entries = load();
    const QString kind = entry.value(QStringLiteral("kind")).toString();
    const QVariant value = entry.value(QStringLiteral("value"));
    for (const QVariant& item : entries) {
        const QVariantMap existing = item.toMap();
        if (existing.value(QStringLiteral("kind")).toString() == kind &&
            sameValue(existing.value(QStringLiteral("value")), value))
            return false;
    }
    while (entries.size() >= kLimit)
        entries.removeFirst();
    entry.insert(QStringLiteral("uuid"), newUuid());
    entries.append(entry);
    save(entries);
    return true;
}

bool SVFeaturedItems::addFolder(const QString& folderPath) {
    if (folderPath.isEmpty())
        return false;
    QString title = QFileInfo(folderPath).fileName();
    if (title.isEmpty())
        title = QStringLiteral("Folder");
    return addFeaturedEntry({{QStringLiteral("kind"), QStringLiteral("folder")},
                             {QStringLiteral("value"), folderPath},
                             {QStringLiteral("title"), title}});
}

bool SVFeaturedItems::addPlaylist(qint64 playlistId, const QString& name) {
    return addFeaturedEntry({{QStringLiteral("kind"), QStringLiteral("playlist")},
                             {QStringLiteral("value"), QVariant::fromValue<qint64>(playlistId)},
                             {QStringLiteral("title"), name}});
}

int SVFeaturedItems::removeEntriesFor(const QString& kind, const QVariant& value) {
    QVariantList entries = load();
    const QString avatars = QDir::cleanPath(featuredAvatarDirectory());
    const auto removed = entries.removeIf([&](const QVariant& item) {
        const QVariantMap entry = item.toMap();
        if (entry.value(QStringLiteral("kind")).toString() != kind ||
            !sameValue(entry.value(QStringLiteral("value")), value))
            return false;
        // Only our own avatar copies are deleted, never a file elsewhere.
        const QString avatar = entry.value(QStringLiteral("avatar")).toString();
        if (!avatar.isEmpty() && QFileInfo(avatar).absolutePath() == avatars)
            QFile::remove(avatar);
        return true;
    });
    if (removed > 0)
        save(entries);
    return static_cast<int>(removed);
}
