#pragma once

#include <QString>

#include <functional>

#include "core/scanning/mount_table.h"

// The drive a sample lies on: the mount point that holds it and the drive's name. Removable
// drives are named by their mount folder (/media/USER/NAME, /run/media/USER/NAME, /mnt/NAME give
// NAME); the root file system by its label; other file systems by their label or, without one,
// their mount folder's name. When the mount table says nothing about a path (the drive is not
// plugged in, or the table cannot be read), a path in one of the removable-drive folders still
// names its drive by the folder's pattern.
class SVVolumeLookup {
  public:
    // The current mount table; read anew on every question, since drives come and go.
    using MountSource = std::function<sv::MountTable()>;
    // The label of the file system mounted at a folder; empty when it has none.
    using LabelSource = std::function<QString(const QString& mountPoint)>;

    struct Drive {
        QString rootPath;  // empty when unknown
        QString name;      // empty when unknown
    };

    // The running system: /proc/self/mountinfo and the labels QStorageInfo reports.
    SVVolumeLookup();
    SVVolumeLookup(MountSource mounts, LabelSource labels);

    // The drive of a path, by its text only (the file need not exist). Safe on any thread as
    // long as the sources are.
    Drive driveOfPath(const QString& path) const;
    // The part of `path` below the drive's root, keeping its leading "/"; the whole path when
    // the root is unknown or "/".
    static QString pathOnDrive(const QString& path, const QString& rootPath);

    // The folder to open for "Open Drive": none for a relative path; otherwise the mount point
    // of the nearest existing folder at or above the path, or when the table knows nothing, the
    // removable-drive folder the path names, else "/".
    QString volumeURLForSamplePath(const QString& path) const;

    // The removable-drive folder a path names by its pattern ("/media/u/Ext/a.wav" gives
    // "/media/u/Ext"), or empty.
    static QString removableDriveFolder(const QString& path);

  private:
    QString nameOfMountPoint(const QString& mountPoint) const;

    MountSource _mounts;
    LabelSource _labels;
};
