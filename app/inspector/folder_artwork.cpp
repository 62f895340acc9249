#include "app/inspector/folder_artwork.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStandardPaths>
#include <QUuid>

#include <sys/stat.h>

#include <vector>

#include "app/inspector/standardized_path.h"
#include "app/window/settings.h"

namespace {

// Remembered lookups are dropped all at once beyond this many folders.
constexpr qsizetype kMaxRememberedFolders = 50'000;

std::int64_t steadyMilliseconds() {
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer.elapsed();
}

}  // namespace

SVFolderArtwork::SVFolderArtwork(Clock clock) : _clock(std::move(clock)) {}

const QStringList& SVFolderArtwork::candidateNames() {
    static const QStringList names = {
        QStringLiteral("cover.jpg"),   QStringLiteral("cover.jpeg"), QStringLiteral("cover.png"),
        QStringLiteral("folder.jpg"),  QStringLiteral("folder.png"), QStringLiteral("artwork.jpg"),
        QStringLiteral("artwork.png"), QStringLiteral("front.jpg"),  QStringLiteral("front.png")};
    return names;
}

QString SVFolderArtwork::artworkDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvane Producer/SampleVorlan/Artwork");
}

std::int64_t SVFolderArtwork::now() const {
    return _clock ? _clock() : steadyMilliseconds();
}

const QVariantMap& SVFolderArtwork::chosenMap() {
    const std::int64_t time = now();
    if (_chosenReadAt < 0 || time - _chosenReadAt >= _lifetimeMs) {
        const QSettings settings = SVSettings::open();
        _chosen = settings.value(QLatin1String(kSettingsKey)).toMap();
        _chosenReadAt = time;
    }
    return _chosen;
}

// Anything but a folder counts: a cover that turns out not to be an image shows the letter.
bool SVFolderArtwork::fileExists(const QString& path) {
    ++_fileProbes;
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISDIR(status.st_mode);
}

QString SVFolderArtwork::chosenArtwork(const QString& folder) {
    return chosenMap().value(SVPaths::standardizedPath(folder)).toString();
}

QString SVFolderArtwork::lookUpOneFolder(const QString& folder) {
    const QString chosen = chosenMap().value(folder).toString();
    if (!chosen.isEmpty() && fileExists(chosen))
        return chosen;
    for (const QString& name : candidateNames()) {
        const QString candidate = folder + QLatin1Char('/') + name;
        if (fileExists(candidate))
            return candidate;
    }
    return {};
}

QString SVFolderArtwork::artworkPathForFolder(const QString& folder) {
    const std::int64_t time = now();
    // Walk up until a folder has artwork or its answer is remembered; every folder passed on
    // the way shares that answer.
    std::vector<QString> passed;
    QString found;
    QString dir = SVPaths::standardizedPath(folder);
    while (dir.size() >= 2) {
        const auto remembered = _remembered.constFind(dir);
        if (remembered != _remembered.constEnd() && time - remembered->checkedAt < _lifetimeMs) {
            found = remembered->artwork;
            break;
        }
        passed.push_back(dir);
        found = lookUpOneFolder(dir);
        if (!found.isEmpty())
            break;
        const QString parent = SVPaths::parentFolder(dir);
        if (parent == dir)
            break;
        dir = parent;
    }
    if (_remembered.size() + static_cast<qsizetype>(passed.size()) > kMaxRememberedFolders)
        _remembered.clear();
    for (const QString& each : passed)
        _remembered.insert(each, Remembered{found, time});
    return found;
}

QString SVFolderArtwork::artworkPathForSample(const sv::Sample& sample) {
    return artworkPathForFolder(SVPaths::parentFolder(QString::fromStdString(sample.path)));
}

bool SVFolderArtwork::isLoadableImage(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // Only decodability matters: a small decode is enough where the format can scale.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 64 || size.height() > 64))
        reader.setScaledSize(size.scaled(64, 64, Qt::KeepAspectRatio));
    return !reader.read().isNull();
}

bool SVFolderArtwork::storeArtworkURL(const QUrl& url, const QString& folder) {
    if (!url.isLocalFile() || folder.isEmpty())
        return false;
    const QString source = url.toLocalFile();
    if (!QFileInfo(source).isFile() || !isLoadableImage(source))
        return false;
    const QString directory = artworkDirectory();
    QDir().mkpath(directory);
    QString extension = QFileInfo(source).suffix();
    if (extension.isEmpty())
        extension = QStringLiteral("png");
    const QString copy = directory + QLatin1Char('/') +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                         QLatin1Char('.') + extension;
    if (!QFile::copy(source, copy)) {
        QFile::remove(copy);
        return false;
    }
    QSettings settings = SVSettings::open();
    const QVariant previous = settings.value(QLatin1String(kSettingsKey));
    QVariantMap chosen = previous.toMap();
    chosen.insert(SVPaths::standardizedPath(folder), copy);
    settings.setValue(QLatin1String(kSettingsKey), chosen);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        // Not written: the choice must not live on in this process's view of the settings.
        if (previous.isValid())
            settings.setValue(QLatin1String(kSettingsKey), previous);
        else
            settings.remove(QLatin1String(kSettingsKey));
        QFile::remove(copy);
        invalidate();
        return false;
    }
    invalidate();
    return true;
}

bool SVFolderArtwork::removeFolderArtwork(const QString& folder) {
    QSettings settings = SVSettings::open();
    QVariantMap chosen = settings.value(QLatin1String(kSettingsKey)).toMap();
    const bool removed = chosen.remove(SVPaths::standardizedPath(folder)) > 0;
    if (removed) {
        settings.setValue(QLatin1String(kSettingsKey), chosen);
        settings.sync();
    }
    invalidate();
    return removed;
}

void SVFolderArtwork::invalidate() {
    _remembered.clear();
    _chosenReadAt = -1;
}
