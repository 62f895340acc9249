#include "app/featured/featured_item_edits.h"

#include <QUuid>
#include <QVariantMap>

#include "app/featured/featured_avatars.h"
#include "app/featured/featured_items.h"
#include "app/featured/featured_relink.h"

namespace SVFeaturedItemEdits {

namespace {

bool validIndex(const QVariantList& entries, int index) {
    return index >= 0 && index < entries.size();
}

}  // namespace

bool removeFeatured(int index) {
    QVariantList entries = SVFeaturedItems::load();
    if (!validIndex(entries, index))
        return false;
    // Only our own "<uuid>.png" is deleted; the stored path is never trusted.
    SVFeaturedAvatars::removeAvatar(
        entries[index].toMap().value(QStringLiteral("uuid")).toString());
    entries.removeAt(index);
    SVFeaturedItems::save(entries);
    return true;
}

bool renameFeatured(int index, const QString& title) {
    const QString trimmed = title.trimmed();
    QVariantList entries = SVFeaturedItems::load();
    if (!validIndex(entries, index) || trimmed.isEmpty())
        return false;
    QVariantMap entry = entries[index].toMap();
    if (entry.value(QStringLiteral("title")).toString() == trimmed)
        return false;
    entry.insert(QStringLiteral("title"), trimmed);
    entries[index] = entry;
    SVFeaturedItems::save(entries);
    return true;
}

bool setFeaturedAvatarAtIndex(int index, const QString& imagePath) {
    QVariantList entries = SVFeaturedItems::load();
    if (!validIndex(entries, index))
        return false;
    QVariantMap entry = entries[index].toMap();
    QString uuid = entry.value(QStringLiteral("uuid")).toString();
    if (!SVFeaturedAvatars::isWellFormedUuid(uuid))
        uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString written = SVFeaturedAvatars::writeAvatar(uuid, imagePath);
    if (written.isEmpty())
        return false;
    entry.insert(QStringLiteral("uuid"), uuid);
    entry.insert(QStringLiteral("avatar"), written);
    entries[index] = entry;
    SVFeaturedItems::save(entries);
    return true;
}

bool relinkFeaturedItemsFromMoves(const std::vector<std::pair<std::string, std::string>>& moves) {
    QVariantList entries = SVFeaturedItems::load();
    if (!SVFeaturedRelink::relinkFeaturedItemsFromMoves(entries, moves))
        return false;
    SVFeaturedItems::save(entries);
    return true;
}

}  // namespace SVFeaturedItemEdits
