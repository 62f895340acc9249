#include "app/inspector/volume_lookup.h"

#include <QFileInfo>
#include <QStorageInfo>

#include "app/inspector/standardized_path.h"

namespace {

QString lastComponent(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

}  // namespace

SVVolumeLookup::SVVolumeLookup()
    : SVVolumeLookup([] { return sv::MountTable::read(); },
                     [](const QString& mountPoint) { return QStorageInfo(mountPoint).name(); }) {}

SVVolumeLookup::SVVolumeLookup(MountSource mounts, LabelSource labels)
    : _mounts(std::move(mounts)), _labels(std::move(labels)) {}

QString SVVolumeLookup::removableDriveFolder(const QString& path) {
    const QString standard = SVPaths::standardizedPath(path);
    if (!standard.startsWith(QLatin1Char('/')))
        return {};
    const QStringList parts = standard.mid(1).split(QLatin1Char('/'));
    // The number of leading components that make up the drive folder in each area.
    qsizetype depth = 0;
    if (parts.size() >= 3 && parts[0] == QLatin1String("media"))
        depth = 3;
    else if (parts.size() >= 4 && parts[0] == QLatin1String("run") &&
             parts[1] == QLatin1String("media"))
        depth = 4;
    else if (parts.size() >= 2 && parts[0] == QLatin1String("mnt"))
        depth = 2;
    if (depth == 0 || parts[depth - 1].isEmpty())
        return {};
    return QLatin1Char('/') + parts.mid(0, depth).join(QLatin1Char('/'));
}

QString SVVolumeLookup::nameOfMountPoint(const QString& mountPoint) const {
    if (sv::inRemovableDriveArea(mountPoint.toStdString()))
        return lastComponent(mountPoint);
    const QString label = _labels ? _labels(mountPoint) : QString();
    if (!label.isEmpty() || mountPoint == QLatin1String("/"))
        return label;
    return lastComponent(mountPoint);
}

SVVolumeLookup::Drive SVVolumeLookup::driveOfPath(const QString& path) const {
    const QString standard = SVPaths::standardizedPath(path);
    const sv::MountTable table = _mounts ? _mounts() : sv::MountTable();
    const QString mountPoint = QString::fromStdString(table.mountPointOf(standard.toStdString()));
    if (!mountPoint.isEmpty() && mountPoint != QLatin1String("/"))
        return {mountPoint, nameOfMountPoint(mountPoint)};
    // Not on a drive of its own (or nothing known): a path in a removable-drive folder still
    // names its drive, plugged in or not.
    const QString removable = removableDriveFolder(standard);
    if (!removable.isEmpty())
        return {removable, lastComponent(removable)};
    if (mountPoint == QLatin1String("/"))
        return {mountPoint, nameOfMountPoint(mountPoint)};
    return {};
}

QString SVVolumeLookup::pathOnDrive(const QString& path, const QString& rootPath) {
    if (rootPath.size() >= 2 && path.startsWith(rootPath + QLatin1Char('/')))
        return path.mid(rootPath.size());
    return path;
}

QString SVVolumeLookup::volumeURLForSamplePath(const QString& path) const {
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    QString existing = SVPaths::standardizedPath(path);
    while (existing.size() >= 2 && !QFileInfo::exists(existing))
        existing = SVPaths::parentFolder(existing);
    const sv::MountTable table = _mounts ? _mounts() : sv::MountTable();
    const QString mountPoint = QString::fromStdString(table.mountPointOf(existing.toStdString()));
    if (!mountPoint.isEmpty())
        return mountPoint;
    const QString removable = removableDriveFolder(path);
    return removable.isEmpty() ? QStringLiteral("/") : removable;
}
