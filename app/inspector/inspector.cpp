#include "app/inspector/inspector.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPushButton>

#include <exception>

#include "app/inspector/artwork_formats.h"
#include "app/inspector/artwork_well.h"
#include "app/inspector/file_details.h"
#include "app/inspector/file_manager.h"
#include "app/inspector/inspector_view.h"
#include "app/inspector/side_panel.h"
#include "app/inspector/standardized_path.h"

namespace {

// Artwork that arrives in a burst (a page of covers decoded one after another) redraws the rows
// once.
constexpr int kDecorationsDelayMs = 30;

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace

SVInspector::SVInspector(SVSidePanel& panel, QObject* parent)
    : QObject(parent), _panel(panel), _volumes(std::make_shared<SVVolumeLookup>()) {
    _desktop.revealFile = [](const QString& path) { SVFileManager::showItem(path); };
    _desktop.openFolder = [](const QString& path) { SVFileManager::openFolder(path); };
    _desktop.chooseImageFile = [](QWidget* parent) {
        return SVArtworkFormats::chooseArtworkFile(parent);
    };
    _detailsQueue.setMaxThreadCount(1);
    _detailsQueue.setObjectName(
        QStringLiteral("com.orvaneproducer.samplevorlan.preview-inspector"));
    _decorationsChanged.setSingleShot(true);
    _decorationsChanged.setInterval(kDecorationsDelayMs);
    connect(&_decorationsChanged, &QTimer::timeout, this, &SVInspector::rowDecorationsChanged);
    connect(&_images, &SVArtworkImages::imageReady, this, &SVInspector::imageReady);

    SVInspectorView* v = view();
    connect(v->revealButton(), &QPushButton::clicked, this, &SVInspector::revealInspectorSample);
    connect(v->folderButton(), &QPushButton::clicked, this, &SVInspector::openInspectorFolder);
    connect(v->driveButton(), &QPushButton::clicked, this, &SVInspector::openInspectorDrive);
    connect(v->artworkWell(), &SVArtworkWell::clicked, this, &SVInspector::chooseInspectorArtwork);
    v->artworkWell()->setImageDropHandler([this](const QString& path) {
        storeArtworkURL(QUrl::fromLocalFile(path), _inspectorFolderPath);
    });
    updateInspectorLocationActions();
}

SVInspector::~SVInspector() {
    ++_inspectorGeneration;
    _detailsQueue.clear();
    _detailsQueue.waitForDone();
}

SVInspectorView* SVInspector::view() const {
    return _panel.inspectorView();
}

void SVInspector::setVolumeLookup(SVVolumeLookup lookup) {
    _volumes = std::make_shared<const SVVolumeLookup>(std::move(lookup));
}

void SVInspector::setFolderRoot(std::shared_ptr<const sv::FolderNode> root) {
    _packs.setFolderRoot(std::move(root));
    _decorationsChanged.start();
}

void SVInspector::status(const QString& text) const {
    if (_presentStatus)
        _presentStatus(text);
}

// Pack names, links, artwork and letter images -------------------------------------------------

QString SVInspector::artworkPathForSample(const sv::Sample& sample) {
    return _folderArtwork.artworkPathForSample(sample);
}

QString SVInspector::packNameForSample(const sv::Sample& sample) {
    return _packs.packNameForSample(sample);
}

std::optional<SVPackLink> SVInspector::packNavigationForSample(const sv::Sample& sample) {
    return _packs.packNavigationForSample(sample);
}

QPixmap SVInspector::placeholderArtworkForSample(const sv::Sample& sample) {
    return _letters.placeholder(packNameForSample(sample));
}

QPixmap SVInspector::sampleAvatarForSample(const sv::Sample& sample, bool selected) {
    return _letters.avatar(packNameForSample(sample), selected);
}

SVRowDecoration SVInspector::rowDecorationForSample(const sv::Sample& sample) {
    SVRowDecoration decoration;
    if (const std::optional<SVPackLink> link = packNavigationForSample(sample)) {
        decoration.packTitle = link->title;
        decoration.packPath = link->path;
    }
    const QString artwork = artworkPathForSample(sample);
    if (!artwork.isEmpty())
        decoration.artwork = _images.image(artwork, kRowArtworkSide, kRowArtworkRadius);
    const QString packName = packNameForSample(sample);
    decoration.avatar = _letters.avatar(packName, false);
    decoration.selectedAvatar = _letters.avatar(packName, true);
    return decoration;
}

void SVInspector::imageReady(const QString& path, int side) {
    if (side == SVArtworkWell::kSide) {
        if (path == _inspectorArtworkPath)
            showArtwork();
        return;
    }
    _decorationsChanged.start();
}

void SVInspector::themeChanged() {
    _letters.clear();
    if (_currentSample)
        showArtwork();
    _decorationsChanged.start();
}

// Artwork choices ------------------------------------------------------------------------------

bool SVInspector::storeArtworkURL(const QUrl& url, const QString& folder) {
    if (!_folderArtwork.storeArtworkURL(url, folder))
        return false;
    if (_currentSample)
        updateInspectorForSample(*_currentSample);
    _decorationsChanged.start();
    return true;
}

void SVInspector::chooseInspectorArtwork() {
    setFolderArtwork(_inspectorFolderPath);
}

void SVInspector::setFolderArtwork(const QString& folder) {
    if (folder.isEmpty() || !_desktop.chooseImageFile)
        return;
    const QString chosen = _desktop.chooseImageFile(_panel.window());
    if (!chosen.isEmpty())
        storeArtworkURL(QUrl::fromLocalFile(chosen), folder);
}

bool SVInspector::removeFolderArtwork(const QString& folder) {
    const bool removed = _folderArtwork.removeFolderArtwork(folder);
    if (_currentSample)
        updateInspectorForSample(*_currentSample);
    _decorationsChanged.start();
    return removed;
}

bool SVInspector::hasFolderArtwork(const QString& folder) {
    return _folderArtwork.hasFolderArtwork(folder);
}

// The drive and the location actions ----------------------------------------------------------

QString SVInspector::volumeURLForSamplePath(const QString& path) const {
    return _volumes->volumeURLForSamplePath(path);
}

void SVInspector::updateInspectorLocationActions() {
    SVInspectorView* v = view();
    v->revealButton()->setEnabled(isFile(_inspectorSamplePath));
    v->folderButton()->setEnabled(isFolder(_inspectorFolderPath));
    v->driveButton()->setEnabled(isFolder(_inspectorVolumePath));
}

void SVInspector::revealInspectorSample() {
    updateInspectorLocationActions();
    if (!view()->revealButton()->isEnabled()) {
        status(QStringLiteral("Sample file is unavailable"));
        return;
    }
    if (_desktop.revealFile)
        _desktop.revealFile(_inspectorSamplePath);
}

void SVInspector::openInspectorFolder() {
    updateInspectorLocationActions();
    if (!view()->folderButton()->isEnabled()) {
        status(QStringLiteral("Containing folder is unavailable"));
        return;
    }
    if (_desktop.openFolder)
        _desktop.openFolder(_inspectorFolderPath);
}

void SVInspector::openInspectorDrive() {
    updateInspectorLocationActions();
    if (!view()->driveButton()->isEnabled()) {
        status(QStringLiteral("Sample drive is unavailable"));
        return;
    }
    if (_desktop.openFolder)
        _desktop.openFolder(_inspectorVolumePath);
}

// The inspector update -------------------------------------------------------------------------

void SVInspector::updateInspectorForSample(const sv::Sample& sample) {
    _currentSample = sample;
    _inspectorActive = true;
    const std::uint64_t generation = ++_inspectorGeneration;
    _panel.setInspectorActive(true);

    _inspectorSamplePath = QString::fromStdString(sample.path);
    _inspectorFolderPath = SVPaths::parentFolder(_inspectorSamplePath);
    _inspectorVolumePath = volumeURLForSamplePath(_inspectorSamplePath);
    updateInspectorLocationActions();

    SVInspectorView* v = view();
    v->nameLabel()->setText(QString::fromStdString(sample.filename));
    _inspectorArtworkPath = artworkPathForSample(sample);
    showArtwork();
    v->detailsLabel()->setText(QString::fromUtf8(kReadingText));
    v->detailsLabel()->setToolTip(_inspectorSamplePath);
    v->updateGeometry();
    readDetailsInBackground(generation, _inspectorSamplePath);
}

// The chosen or found artwork, once decoded at the well's size; the letter placeholder when the
// folder has none or it is no image. While it is being decoded the well stays empty rather than
// flashing the letter.
void SVInspector::showArtwork() {
    SVArtworkWell* well = view()->artworkWell();
    if (!_currentSample) {
        well->setPixmap(QPixmap());
        return;
    }
    if (!_inspectorArtworkPath.isEmpty()) {
        const QPixmap image =
            _images.image(_inspectorArtworkPath, SVArtworkWell::kSide, kPanelArtworkRadius);
        if (!image.isNull()) {
            well->setPixmap(image);
            return;
        }
        if (!_images.failed(_inspectorArtworkPath, SVArtworkWell::kSide, kPanelArtworkRadius)) {
            well->setPixmap(QPixmap());
            return;
        }
    }
    well->setPixmap(placeholderArtworkForSample(*_currentSample));
}

void SVInspector::readDetailsInBackground(std::uint64_t generation, const QString& path) {
    const std::shared_ptr<const SVVolumeLookup> volumes = _volumes;
    _detailsQueue.start([this, generation, path, volumes] {
        if (_inspectorGeneration.load() != generation)
            return;
        QString text;
        try {
            text = SVFileDetailsReader::text(SVFileDetailsReader::read(path, *volumes));
        } catch (const std::exception&) {
            SVFileDetails unknown;
            const QString dash = SVFileDetailsReader::unknown();
            unknown = {dash, dash, dash, dash, dash, dash, path};
            text = SVFileDetailsReader::text(unknown);
        }
        if (_inspectorGeneration.load() != generation)
            return;
        QMetaObject::invokeMethod(
            this, [this, generation, text, path] { showDetails(generation, text, path); },
            Qt::QueuedConnection);
    });
}

void SVInspector::showDetails(std::uint64_t generation, const QString& text, const QString& path) {
    if (_inspectorGeneration.load() != generation)
        return;
    QLabel* details = view()->detailsLabel();
    details->setText(text);
    details->setToolTip(path);
    ++_detailsShown;
    emit detailsShown();
}
