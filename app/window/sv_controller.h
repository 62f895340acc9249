#pragma once

#include <QObject>
#include <QRect>
#include <QStringList>
#include <QThreadPool>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/featured/quick_tour_steps.h"
#include "core/scanning/library_availability.h"

namespace sv {
class Database;
class LibraryScanner;
}  // namespace sv

class QTemporaryFile;
class SVAudioFilePlayer;
class SVDriveWatcher;
class SVFilterBar;
class SVFeaturedSets;
class SVHelpPanel;
class SVQuickTour;
class SVSettingsDialog;
class SVInlineMetadata;
class SVLayoutModes;
class SVMainMenu;
class SVMenus;
class SVMainWindow;
class SVPlaylistList;
class SVKeyboardShortcuts;
class SVPlayerBar;
class SVPlayerController;
class SVResourceMonitor;
class SVInspector;
class SVResultsBrowser;
class SVScanOrchestration;
class SVSidePanel;
class SVSidebar;

// How the application starts; the defaults are those of the real program.
struct SVControllerOptions {
    // The catalogue file; empty for the default location in the user's data folder.
    std::filesystem::path catalogue;
    // The visible frame of the screen; empty asks the window's screen.
    std::function<QRect()> visibleFrame;
    // The scanner's mount table source, also watched for drives coming and going.
    std::filesystem::path mountInfo = "/proc/self/mountinfo";
    // How often library folders are looked at when the mount table does not change.
    std::chrono::milliseconds driveCheckInterval = std::chrono::seconds(1);
    bool warmUpAudio = true;
    // Quitting also stops the process-wide waveform workers for good.
    bool stopWaveformWorkersOnQuit = true;
};

// The application object: opens the catalogue and the scanner, checks the libraries, builds the
// window in the remembered layout mode and wires every area of it together. Owns the catalogue
// and the scanner until the process ends.
class SVController : public QObject {
    Q_OBJECT
  public:
    explicit SVController(SVControllerOptions options = {});
    ~SVController() override;

    // The launch, in order: catalogue, scanner, availability check, window in its layout mode,
    // views, first refresh, show, audio warm-up. Throws when the catalogue cannot be opened.
    void applicationDidFinishLaunching();
    void applicationDidBecomeActive();
    // Quitting: stops the running scan between files and waits for it and for the waveform
    // workers, so nothing writes into a catalogue that is going away.
    void applicationWillTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }

    // Scans from the window.
    void addLibrary();
    void handleDroppedURLs(const QStringList& folders);
    void rescan(int tag);
    void remove(int tag);
    void scanRoots(const std::vector<std::filesystem::path>& locations, bool force);
    bool maintenanceScanning() const;

    void focusSearch();
    // Runs one action of the keyboard shortcut table ("play", "nextSample", …).
    void performShortcutAction(const QString& actionId);
    void switchLayout(int tag);
    int currentLayoutMode() const;
    void reloadSidebars();
    void refresh();
    // "Settings…": the theme and the featured grid's size; Apply shows them at once.
    SVSettingsDialog* showFeaturedSettings();
    // Samples the CPU and memory figures exactly while they are on screen.
    void updateResourceUsageMonitoring();

    sv::Database& database() const { return *_db; }
    sv::LibraryScanner& scanner() const { return *_scanner; }
    SVMainWindow* window() const { return _window.get(); }
    SVResultsBrowser* browser() const { return _browser; }
    SVLayoutModes* layoutModes() const { return _layoutModes; }
    SVScanOrchestration* scans() const { return _scans.get(); }
    SVDriveWatcher* driveWatcher() const { return _driveWatcher.get(); }
    SVMainMenu* mainMenu() const { return _menu; }
    SVResourceMonitor* resourceMonitor() const { return _resourceMonitor; }
    SVPlayerController* player() const { return _player; }
    SVPlayerBar* playerBar() const { return _playerBar; }
    SVPlaylistList* playlists() const { return _playlists; }
    SVSidebar* sidebar() const { return _sidebar; }
    SVKeyboardShortcuts* shortcuts() const { return _shortcuts; }
    SVInspector* inspector() const { return _inspector; }
    SVFilterBar* filterBar() const { return _filterBar; }
    SVInlineMetadata* inlineMetadata() const { return _inlineMetadata; }
    SVFeaturedSets* featuredSets() const { return _featured; }
    SVHelpPanel* helpPanel() const { return _helpPanel; }
    SVQuickTour* quickTour() const { return _quickTour; }
    SVMenus* menus() const { return _menus; }
    const std::vector<sv::LibraryState>& launchCheck() const { return _launchCheck; }
    bool warmupRunning() const;

  private:
    void buildViews();
    void buildPlayer();
    void buildInspector();
    void buildFilters();
    void buildMenus();
    void playlistDeleted(qint64 playlistId);
    void connectRowDrags();
    bool dragStartedInsideMobilePlayer(QPoint globalPosition) const;
    void connectWaveformNotifications();
    void buildSidebar();
    void buildHelpPanel(SVSidePanel& side);
    void buildFeatured();
    void buildQuickTour();
    void connectThemeChanges();
    QWidget* quickTourTarget(SVQuickTourStep::Target target) const;
    // The common ending of every change of place: the chips that apply, `page` of the new
    // place, and the loads started for the previous one dropped.
    void scopeApplied(bool withTransition, std::int64_t page);
    void polishOnce();
    void startAudioWarmup();
    void finishAudioWarmup();
    void scanFinished();
    void libraryAvailabilityChanged();

    SVControllerOptions _options;
    std::unique_ptr<sv::Database> _db;
    std::unique_ptr<sv::LibraryScanner> _scanner;
    std::unique_ptr<SVScanOrchestration> _scans;
    std::unique_ptr<SVDriveWatcher> _driveWatcher;
    std::unique_ptr<SVMainWindow> _window;
    SVLayoutModes* _layoutModes = nullptr;
    SVMainMenu* _menu = nullptr;
    SVResultsBrowser* _browser = nullptr;
    SVResourceMonitor* _resourceMonitor = nullptr;
    SVPlayerBar* _playerBar = nullptr;
    SVPlaylistList* _playlists = nullptr;
    SVSidebar* _sidebar = nullptr;
    SVKeyboardShortcuts* _shortcuts = nullptr;
    SVPlayerController* _player = nullptr;
    SVInspector* _inspector = nullptr;
    SVFilterBar* _filterBar = nullptr;
    SVInlineMetadata* _inlineMetadata = nullptr;
    SVFeaturedSets* _featured = nullptr;
    SVHelpPanel* _helpPanel = nullptr;
    SVQuickTour* _quickTour = nullptr;
    SVMenus* _menus = nullptr;
    std::vector<sv::LibraryState> _launchCheck;
    std::shared_ptr<SVAudioFilePlayer> _warmupSound;
    std::shared_ptr<QTemporaryFile> _warmupFile;
    QThreadPool _warmupQueue;
    bool _uiPolished = false;
    bool _didRestoreLaunchLocation = false;
    bool _warmupActive = false;
    bool _terminated = false;
};
