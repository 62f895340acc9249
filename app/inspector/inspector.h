#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/inspector/artwork_images.h"
#include "app/inspector/folder_artwork.h"
#include "app/inspector/letter_images.h"
#include "app/inspector/pack_names.h"
#include "app/inspector/volume_lookup.h"
#include "app/results/row_decoration.h"
#include "core/browse/folder_tree.h"
#include "core/records/sample.h"

class SVSidePanel;
class SVInspectorView;
class QWidget;

// What the inspector asks of the desktop; tests replace them.
struct SVInspectorDesktop {
    // Shows a file selected in the file manager.
    std::function<void(const QString& filePath)> revealFile;
    // Opens a folder (the sample's folder, or the drive's root).
    std::function<void(const QString& folderPath)> openFolder;
    // Asks the user for one image file; empty when cancelled.
    std::function<QString(QWidget* parent)> chooseImageFile;
};

// The inspector: describes the loaded sample in the side panel (name, pack artwork, file
// details read on one background thread, and the reveal / open folder / open drive actions),
// and serves the pack names, pack links, artwork and letter images that result rows show.
// Everything runs on the main thread except the reading of file details; a newer sample makes
// the details of every older one invisible.
class SVInspector : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kReadingText = "Reading file information…";
    static constexpr int kRowArtworkSide = 40;
    static constexpr int kRowArtworkRadius = 6;
    static constexpr int kPanelArtworkRadius = 22;

    explicit SVInspector(SVSidePanel& panel, QObject* parent = nullptr);
    ~SVInspector() override;

    void setDesktop(SVInspectorDesktop desktop) { _desktop = std::move(desktop); }
    // The drives' mount table and labels (tests use a fake one).
    void setVolumeLookup(SVVolumeLookup lookup);
    // Shows a one-line message (the status line under the search field).
    void setStatusPresenter(std::function<void(const QString&)> present) {
        _presentStatus = std::move(present);
    }
    // The libraries' folder tree, for pack names and pack links.
    void setFolderRoot(std::shared_ptr<const sv::FolderNode> root);

    // The inspector follows every sample the player loads.
    void updateInspectorForSample(const sv::Sample& sample);

    // Pack names, links, artwork and letter images.
    QString artworkPathForSample(const sv::Sample& sample);
    QString packNameForSample(const sv::Sample& sample);
    std::optional<SVPackLink> packNavigationForSample(const sv::Sample& sample);
    QPixmap placeholderArtworkForSample(const sv::Sample& sample);
    QPixmap sampleAvatarForSample(const sv::Sample& sample, bool selected);
    // What a result row shows of its sample's pack.
    SVRowDecoration rowDecorationForSample(const sv::Sample& sample);

    // Artwork choices: the well's click and drop, and the folder menu's "Set Pack Artwork…" and
    // "Remove Pack Artwork".
    bool storeArtworkURL(const QUrl& url, const QString& folder);
    void chooseInspectorArtwork();
    void setFolderArtwork(const QString& folder);
    bool removeFolderArtwork(const QString& folder);
    bool hasFolderArtwork(const QString& folder);

    // The drive and the location actions.
    QString volumeURLForSamplePath(const QString& path) const;
    void updateInspectorLocationActions();
    void revealInspectorSample();
    void openInspectorFolder();
    void openInspectorDrive();

    // The theme changed: letter images are drawn again.
    void themeChanged();

    // State, read by the window and the tests.
    bool inspectorActive() const { return _inspectorActive; }
    std::uint64_t inspectorGeneration() const { return _inspectorGeneration.load(); }
    const QString& inspectorSamplePath() const { return _inspectorSamplePath; }
    const QString& inspectorFolderPath() const { return _inspectorFolderPath; }
    const QString& inspectorVolumePath() const { return _inspectorVolumePath; }
    const std::optional<sv::Sample>& currentSample() const { return _currentSample; }
    SVInspectorView* view() const;
    SVFolderArtwork& folderArtwork() { return _folderArtwork; }
    SVArtworkImages& artworkImages() { return _images; }
    // Details texts shown so far (stale ones are never shown), for the tests.
    std::uint64_t detailsShownCount() const { return _detailsShown; }
    // Waits for the details reader (tests, shutdown).
    void waitForDetails() { _detailsQueue.waitForDone(); }

  signals:
    // Row artwork or pack links may have changed: rows ask for their decoration again.
    void rowDecorationsChanged();
    // The details of the sample shown have arrived.
    void detailsShown();

  private:
    void showArtwork();
    void showDetails(std::uint64_t generation, const QString& text, const QString& path);
    void readDetailsInBackground(std::uint64_t generation, const QString& path);
    void imageReady(const QString& path, int side);
    void status(const QString& text) const;

    SVSidePanel& _panel;
    SVInspectorDesktop _desktop;
    std::function<void(const QString&)> _presentStatus;
    std::shared_ptr<const SVVolumeLookup> _volumes;
    SVFolderArtwork _folderArtwork;
    SVArtworkImages _images;
    SVLetterImages _letters;
    SVPackNames _packs;

    std::optional<sv::Sample> _currentSample;
    bool _inspectorActive = false;
    std::atomic<std::uint64_t> _inspectorGeneration{0};
    QString _inspectorSamplePath;
    QString _inspectorFolderPath;
    QString _inspectorVolumePath;
    QString _inspectorArtworkPath;
    std::uint64_t _detailsShown = 0;
    QTimer _decorationsChanged;
    // Last: destroyed (waiting for the reader) before anything the reader touches.
    QThreadPool _detailsQueue;
};
