#include "app/window/sv_controller.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMetaObject>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

#include <cstring>
#include <exception>

#include "app/accessibility/accessible_controls.h"
#include "app/accessibility/focus_ring.h"
#include "app/dragdrop/drag_and_drop.h"
#include "app/dragdrop/drop_view.h"
#include "app/dragdrop/file_drag_view.h"
#include "app/featured/featured_panel.h"
#include "app/featured/featured_sets.h"
#include "app/featured/help_panel.h"
#include "app/featured/quick_tour.h"
#include "app/filters/filter_bar.h"
#include "app/filters/inline_metadata.h"
#include "app/filters/quick_filters.h"
#include "app/inspector/inspector.h"
#include "app/inspector/inspector_view.h"
#include "app/inspector/side_panel.h"
#include "app/menus/context_menus.h"
#include "app/menus/library_label_editor.h"
#include "app/menus/location_actions.h"
#include "app/menus/menus.h"
#include "app/menus/organising_actions.h"
#include "app/menus/playlist_actions.h"
#include "app/player/player_bar.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/scans/drive_watcher.h"
#include "app/scans/scan_orchestration.h"
#include "app/shortcuts/customize_shortcuts_dialog.h"
#include "app/shortcuts/keyboard_shortcuts.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/folder_outline_model.h"
#include "app/sidebar/folder_paths.h"
#include "app/sidebar/launch_location.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_button.h"
#include "app/sidebar/sidebar_panel.h"
#include "app/theme/application_theme.h"
#include "app/theme/settings_dialog.h"
#include "app/theme/theme_notifier.h"
#include "app/theme/theme_switch.h"
#include "app/window/layout_modes.h"
#include "app/window/main_menu.h"
#include "app/window/main_window.h"
#include "app/window/resource_monitor.h"
#include "audio/playback/audio_file_player.h"
#include "audio/playback/playhead_diagnostics.h"
#include "audio/waveforms/waveform_notifier.h"
#include "audio/waveforms/waveform_service.h"
#include "core/browse/folder_tree.h"
#include "core/catalogue/database.h"
#include "core/scanning/library_scanner.h"

namespace {

constexpr int kWarmupMilliseconds = 140;
constexpr double kWorkerShutdownSeconds = 10.0;
constexpr int kSearchIndexDelayMs = 1000;

void putLittleEndian(QByteArray& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A RIFF/WAVE header for 16-bit mono PCM at 44.1 kHz followed by 8,820 zero bytes.
QByteArray silentWav() {
    constexpr std::uint32_t dataBytes = 8820;
    QByteArray bytes;
    bytes.append("RIFF");
    putLittleEndian(bytes, 36 + dataBytes, 4);
    bytes.append("WAVEfmt ");
    putLittleEndian(bytes, 16, 4);
    putLittleEndian(bytes, 1, 2);      // PCM
    putLittleEndian(bytes, 1, 2);      // channels
    putLittleEndian(bytes, 44100, 4);  // frame rate
    putLittleEndian(bytes, 88200, 4);  // bytes per second
    putLittleEndian(bytes, 2, 2);      // bytes per frame
    putLittleEndian(bytes, 16, 2);     // bits
    bytes.append("data");
    putLittleEndian(bytes, dataBytes, 4);
    bytes.append(QByteArray(static_cast<int>(dataBytes), '\0'));
    return bytes;
}

}  // namespace

SVController::SVController(SVControllerOptions options) : _options(std::move(options)) {
    _warmupQueue.setMaxThreadCount(1);
}

SVController::~SVController() {
    applicationWillTerminate();
}

void SVController::applicationDidFinishLaunching() {
    SVTheme::applySelectedApplicationTheme();
    SVAccessibility::installFactory();
    const QIcon icon(QStringLiteral(":/SampleVorlan.png"));
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);

    const std::filesystem::path file =
        _options.catalogue.empty() ? sv::Database::defaultPath() : _options.catalogue;
    _driveWatcher.reset();
    _scans.reset();
    _scanner.reset();
    _db.reset();
    _db = std::make_unique<sv::Database>(file);
    _scanner = std::make_unique<sv::LibraryScanner>(*_db, _options.mountInfo);
    _launchCheck = sv::checkLibraryAvailability(*_db, sv::MountTable::read(_options.mountInfo),
                                                sv::LibraryCounts::Skipped);
    _scans = std::make_unique<SVScanOrchestration>(*_db, *_scanner);
    _driveWatcher = std::make_unique<SVDriveWatcher>(*_db, _options.mountInfo, _launchCheck,
                                                     _options.driveCheckInterval);

    _window = std::make_unique<SVMainWindow>();
    _layoutModes = new SVLayoutModes(_window.get(), _options.visibleFrame, this);
    const QSize size = _layoutModes->restoreLaunchMode();
    _layoutModes->applyWindowConstraintsForMode(_layoutModes->currentLayoutMode());
    _layoutModes->placeWindow(size);

    buildViews();
    connectWaveformNotifications();
    reloadSidebars();
    refresh();
    // Ready for the first typed search, once the launch has settled: the first refresh needs
    // no index, and preparing it would compete with the launch for the processor.
    QTimer::singleShot(kSearchIndexDelayMs, _browser,
                       [browser = _browser] { browser->prepareSearchInBackground(); });

    _window->show();
    _window->raise();
    _window->activateWindow();
    // The transport keys work at once: the keyboard rests on the results, not the search field.
    _browser->table()->setFocus(Qt::ActiveWindowFocusReason);
    QTimer::singleShot(0, this, &SVController::applicationDidBecomeActive);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    applicationDidBecomeActive();
            });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SVController::applicationWillTerminate);
    if (_options.warmUpAudio)
        startAudioWarmup();
}

void SVController::buildViews() {
    _menu = new SVMainMenu(_window.get());
    _browser = new SVResultsBrowser(*_db);
    _window->setResultsBrowser(_browser);
    _window->setLayoutMode(_layoutModes->currentLayoutMode());
    _resourceMonitor = new SVResourceMonitor(this);

    connect(_menu, &SVMainMenu::focusSearch, this, &SVController::focusSearch);
    connect(_menu, &SVMainMenu::quitRequested, this, [this] {
        if (_window)
            _window->close();
        QCoreApplication::quit();
    });
    connect(_window.get(), &SVMainWindow::contentResized, _layoutModes,
            &SVLayoutModes::windowDidResize);
    connect(_window.get(), &SVMainWindow::switchLayoutRequested, this, &SVController::switchLayout);
    connect(_layoutModes, &SVLayoutModes::layoutModeChanged, _window.get(),
            &SVMainWindow::setLayoutMode);
    connect(_window->sidebar(), &SVSidebarPanel::addLibraryRequested, this,
            &SVController::addLibrary);
    _window->dropView()->setDropHandler(
        [this](const QStringList& folders) { handleDroppedURLs(folders); });
    buildSidebar();
    buildFilters();
    connectRowDrags();
    buildPlayer();
    buildInspector();
    buildMenus();
    buildFeatured();
    // Tab walks the window as it reads: places, featured cards, search, filters, crumbs,
    // results, player, panel.
    _window->setKeyboardOrder(std::vector<QWidget*>{
        _window->sidebar(), &_featured->panel(), _browser->searchField()->parentWidget(),
        _window->layoutSwitch(), _filterBar, &_sidebar->breadcrumbBar(), _browser, _playerBar,
        _window->sidePanel()});
    _shortcuts = new SVKeyboardShortcuts(
        _window.get(), [this](const QString& action) { performShortcutAction(action); },
        [this] { _browser->table()->selectRows({}); },
        [this] { _browser->table()->setFocus(Qt::OtherFocusReason); });
    _shortcuts->installTransportShortcuts();
    new SVFocusRing(_window.get());
    connect(_menu, &SVMainMenu::customizeShortcuts, this, [this] {
        auto* dialog = SVCustomizeShortcutsDialog::customizeShortcuts(_window.get());
        // The guide lists the keys: it shows the new ones at once.
        connect(dialog, &SVCustomizeShortcutsDialog::saved, _helpPanel,
                &SVHelpPanel::refreshHelpText);
    });
    connect(_menu, &SVMainMenu::showFeaturedSettings, this, &SVController::showFeaturedSettings);
    buildQuickTour();
    connectThemeChanges();

    connect(_browser, &SVResultsBrowser::addLibraryRequested, this, &SVController::addLibrary);
    connect(_browser, &SVResultsBrowser::rescanRequested, this, &SVController::rescan);
    connect(_browser, &SVResultsBrowser::removeRequested, this, &SVController::remove);

    connect(_scans.get(), &SVScanOrchestration::statusText, _browser,
            &SVResultsBrowser::setStatusText);
    connect(_scans.get(), &SVScanOrchestration::maintenanceScanningChanged, _browser,
            &SVResultsBrowser::setMaintenanceScanning);
    connect(_scans.get(), &SVScanOrchestration::scanFinished, this, &SVController::scanFinished);
    connect(_scans.get(), &SVScanOrchestration::libraryRemoved, this, [this] {
        reloadSidebars();
        refresh();
    });
    _browser->setLibraryOfflineTest(
        [this](const sv::Library& library) { return _driveWatcher->isOffline(library.path); });
    connect(_driveWatcher.get(), &SVDriveWatcher::libraryAvailabilityChanged, this,
            &SVController::libraryAvailabilityChanged);
}

void SVController::buildFilters() {
    _filterBar = new SVFilterBar(*_db, *_browser);
    _browser->setFilterBar(_filterBar);
    _browser->setRefreshBeginHook([this] { _filterBar->quickFilters()->updateQuickFilters(); });
    _inlineMetadata = new SVInlineMetadata(*_filterBar, this);
    connect(_browser, &SVResultsBrowser::metadataLinkActivated, _inlineMetadata,
            &SVInlineMetadata::openInlineMetadata);
    _inlineMetadata->setCategorySelector(
        [this](const QString& type) { _sidebar->selectCategory(type.toStdString()); });
    _inlineMetadata->setFolderNavigator([this](const QString& path) {
        return _sidebar->navigateToFolderPath(path.toStdString(), true);
    });
}

void SVController::buildSidebar() {
    _sidebar = new SVSidebar(*_db, *_browser, *_window->sidebar(), this);
    _playlists = &_sidebar->playlistList();
    _sidebar->setScopeApplied(
        [this](bool withTransition, std::int64_t page) { scopeApplied(withTransition, page); });
    _sidebar->setLayoutMode(_layoutModes->currentLayoutMode());
    connect(_layoutModes, &SVLayoutModes::layoutModeChanged, _sidebar, &SVSidebar::setLayoutMode);
}

void SVController::scopeApplied(bool withTransition, std::int64_t page) {
    if (_featured)
        _featured->updateActiveCard();
    if (_filterBar)
        _filterBar->updateFilterContext();
    if (_player)
        _player->discardPendingLoads();
    if (withTransition && page == 0) {
        _browser->resetPageAndRefresh();
        return;
    }
    _browser->resetPagination(page);
    _browser->refresh();
}

void SVController::connectRowDrags() {
    SVResultsTable* table = _browser->table();
    table->setDragProvider([this](const std::set<int>& rows) -> std::unique_ptr<QMimeData> {
        if (_browser->scope().libraryMode)
            return nullptr;
        std::vector<std::string> paths;
        for (const int row : rows) {
            if (row < 0 || static_cast<std::size_t>(row) >= _browser->rows().size())
                return nullptr;
            paths.push_back(_browser->rows()[static_cast<std::size_t>(row)].path);
        }
        return SVDragAndDrop::mimeDataForPaths(paths);
    });
    table->setDragRefusal(
        [this](QPoint globalPosition) { return dragStartedInsideMobilePlayer(globalPosition); });
}

bool SVController::dragStartedInsideMobilePlayer(QPoint globalPosition) const {
    if (currentLayoutMode() != 0 || !_playerBar || !_playerBar->isVisible())
        return false;
    return _playerBar->rect().contains(_playerBar->mapFromGlobal(globalPosition));
}

void SVController::buildPlayer() {
    _playerBar = new SVPlayerBar;
    auto* handle = new SVFileDragView;
    _playerBar->setDragHandle(handle);
    _playerBar->setLayoutMode(_layoutModes->currentLayoutMode());
    _window->setPlayerView(_playerBar);
    _player = new SVPlayerController(*_db, *_browser, *_playerBar, this);
    _player->setDragHandleUpdater([handle](const QString& path) {
        const QUrl url = path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
        if (handle->fileURL() != url)
            handle->setFileURL(url);
        handle->setDimmed(path.isEmpty());
    });
    connect(_player, &SVPlayerController::playlistsChanged, _sidebar, &SVSidebar::reloadPlaylists);
    _browser->setNavigationEventRecorder(
        [this](const QString& event) { _player->recordPlayheadNavigationEvent(event); });
    _browser->setDiagnosticSource([this] { return _player->playheadDiagnosticSource(); });
    connect(_layoutModes, &SVLayoutModes::layoutModeChanged, _playerBar,
            &SVPlayerBar::setLayoutMode);
}

void SVController::buildInspector() {
    auto* side = new SVSidePanel;
    side->applyCollapsedSetting();
    _window->setSidePanel(side);
    connect(side, &SVSidePanel::collapsedChanged, _window.get(), &SVMainWindow::layoutDiscovery);
    buildHelpPanel(*side);
    _inspector = new SVInspector(*side, this);
    _inspector->setStatusPresenter([this](const QString& text) { _browser->setStatusText(text); });
    _browser->setRowDecorationProvider(
        [this](const sv::Sample& sample) { return _inspector->rowDecorationForSample(sample); });
    connect(_inspector, &SVInspector::rowDecorationsChanged, _browser,
            &SVResultsBrowser::redecorateRows);
    connect(_player, &SVPlayerController::loadedSampleChanged, _inspector,
            &SVInspector::updateInspectorForSample);
}

void SVController::buildHelpPanel(SVSidePanel& side) {
    _helpPanel = new SVHelpPanel;
    side.setGuideContent(_helpPanel);
    connect(_resourceMonitor, &SVResourceMonitor::figuresChanged, _helpPanel,
            &SVHelpPanel::setFigures);
    connect(_helpPanel, &SVHelpPanel::figuresShownChanged, this,
            &SVController::updateResourceUsageMonitoring);
}

void SVController::buildFeatured() {
    auto* panel = new SVFeaturedPanel;
    _window->setFeaturedPanel(panel);
    _featured = new SVFeaturedSets(*panel, this);
    _featured->setFolderNavigator([this](const QString& path) {
        return _sidebar->navigateToFolderPath(path.toStdString(), true);
    });
    _featured->setPlaylistSelector(
        [this](std::int64_t id) { return _playlists->selectPlaylistAlone(id); });
    _featured->setScopeSource([this] { return _browser->scope(); });
    _featured->setStatusPresenter([this](const QString& text) { _browser->setStatusText(text); });
    connect(_featured, &SVFeaturedSets::layoutNeeded, _window.get(),
            &SVMainWindow::layoutDiscovery);
    connect(&_menus->locations(), &SVLocationActions::featuredItemsChanged, _featured,
            &SVFeaturedSets::reloadFeaturedItems);
    connect(_scans.get(), &SVScanOrchestration::scanFinished, _featured,
            [this](const sv::ScanJobResult& result) {
                if (result.force)
                    _featured->relinkFeaturedItemsFromMoves(result.totals.moved);
            });
    _featured->reloadFeaturedItems();
}

void SVController::buildQuickTour() {
    _quickTour = new SVQuickTour(
        _window->dropView(),
        [this](SVQuickTourStep::Target target) { return quickTourTarget(target); }, this);
    connect(_menu, &SVMainMenu::startQuickTour, _quickTour, &SVQuickTour::startQuickTour);
    connect(_layoutModes, &SVLayoutModes::layoutModeChanged, _quickTour,
            &SVQuickTour::layoutQuickTour, Qt::QueuedConnection);
}

QWidget* SVController::quickTourTarget(SVQuickTourStep::Target target) const {
    using Target = SVQuickTourStep::Target;
    switch (target) {
        case Target::Libraries:
            return _window->sidebar()->categoryButtons()->button(SVCategoryButtons::kLibraries);
        case Target::SearchField:
            return _browser->searchBar();
        case Target::QuickFilter:
            return _filterBar ? _filterBar->quickFilters()->quickFilterButton() : nullptr;
        case Target::Results:
            return _browser->table();
        case Target::Favorites:
            return _window->sidebar()->categoryButtons()->button(SVCategoryButtons::kFavorites);
        case Target::Playlists:
            return _window->sidebar()->playlistList();
        case Target::Player:
            return _playerBar;
        case Target::LayoutSwitch:
            return _window->layoutSwitchButton(0);
        case Target::QuickActions: {
            auto* side = qobject_cast<SVSidePanel*>(_window->sidePanel());
            return side ? side->inspectorView()->quickActionsLabel() : nullptr;
        }
    }
    return nullptr;
}

void SVController::connectThemeChanges() {
    // Areas that keep theme colours of their own take the new ones; the rest read them while
    // painting.
    connect(SVThemeNotifier::instance(), &SVThemeNotifier::themeChanged, this, [this] {
        if (_filterBar)
            _filterBar->applySelectedTheme();
        if (_inspector)
            _inspector->themeChanged();
    });
}

SVSettingsDialog* SVController::showFeaturedSettings() {
    SVSettingsDialog* dialog = SVSettingsDialog::showFeaturedSettings(_window.get());
    connect(dialog, &SVSettingsDialog::applied, this, [this] {
        SVTheme::applySelectedTheme();
        _featured->reloadFeaturedItems();
        _window->layoutDiscovery();
    });
    return dialog;
}

void SVController::updateResourceUsageMonitoring() {
    if (!_resourceMonitor)
        return;
    const bool shown = _window && _window->isVisible() && !_window->isMinimized() && _helpPanel &&
                       _helpPanel->figuresShown();
    _resourceMonitor->updateResourceUsageMonitoring(shown);
}

void SVController::buildMenus() {
    _menus = new SVMenus(*_db, *_browser, _window.get(), this);
    SVContextMenus& contextMenus = _menus->contextMenus();
    contextMenus.attachPlaylistList(_playlists);
    SVFolderOutline* outline = _window->sidebar()->folderOutline();
    contextMenus.attachFolderOutline(
        outline, [outline](const QModelIndex& index) -> std::optional<std::string> {
            const sv::FolderNode* node = outline->outlineModel()->nodeAt(index);
            if (!node)
                return std::nullopt;
            return node->path.empty() ? node->path
                                      : SVFolderPaths::withoutTrailingSeparator(node->path);
        });
    contextMenus.attachFavoritesButton(
        _window->sidebar()->categoryButtons()->button(SVCategoryButtons::kFavorites));
    connect(&_menus->organising(), &SVOrganisingActions::samplesChanged, this,
            &SVController::refresh);
    SVPlaylistActions& playlists = _menus->playlists();
    playlists.setStatusPresenter([this](const QString& text) { _browser->setStatusText(text); });
    playlists.setPlaybackKeeper(
        [this]() -> std::optional<SVPlaybackMark> {
            SVAudioFilePlayer* sound = _player->sound();
            if (!sound)
                return std::nullopt;
            return SVPlaybackMark{sound->currentTime(), sound->isPlaying()};
        },
        [this](const SVPlaybackMark& mark) {
            SVAudioFilePlayer* sound = _player->sound();
            if (!sound)
                return;
            sound->setCurrentTime(mark.time);
            if (mark.playing && !sound->isPlaying())
                sound->play();
            _player->updatePlayer();
        });
    connect(&playlists, &SVPlaylistActions::playlistsChanged, _sidebar,
            &SVSidebar::reloadPlaylists);
    connect(&playlists, &SVPlaylistActions::playlistMembersRemoved, this, &SVController::refresh);
    connect(&playlists, &SVPlaylistActions::playlistDeleted, this, &SVController::playlistDeleted);
    SVLaunchLocation& launch = _sidebar->launchLocation();
    _menus->locations().setLaunchLocationSetters(
        {[&launch](const std::string& path) { launch.setFolderOpenAtLaunch(path); },
         [&launch](std::int64_t id) { launch.setPlaylistOpenAtLaunch(id); },
         [&launch] { launch.setFavoritesOpenAtLaunch(); },
         [&launch] { launch.clearLaunchLocation(); }});
    _menus->locations().setArtworkOperations(
        {[this](const QString& folder) { _inspector->setFolderArtwork(folder); },
         [this](const QString& folder) { return _inspector->removeFolderArtwork(folder); },
         [this](const QString& folder) { return _inspector->hasFolderArtwork(folder); }});
    _menus->labelEditor().attachRenameKey(_window.get());
    connect(&_menus->labelEditor(), &SVLibraryLabelEditor::labelEditingEnded, this,
            [this](const QString& error) {
                reloadSidebars();
                refresh();
                // After the refresh, which writes its own line.
                if (!error.isEmpty())
                    _browser->setStatusText(error);
            });
}

void SVController::playlistDeleted(qint64 playlistId) {
    _menus->locations().forgetPlaylist(playlistId);
    if (_browser->scope().playlistId == playlistId) {
        _sidebar->navigation().sidebar(SVCategoryButtons::kAllSamples);
        return;
    }
    refresh();
}

void SVController::connectWaveformNotifications() {
    SVWaveformNotifier* notifier = SVWaveformNotifier::instance();
    connect(notifier, &SVWaveformNotifier::waveformCacheDidUpdate, _browser,
            [this](const QString& path, const QString&) { _browser->waveformCacheUpdated(path); });
    connect(notifier, &SVWaveformNotifier::waveformDurationDidUpdate, _browser,
            &SVResultsBrowser::waveformDurationUpdated);
}

void SVController::applicationDidBecomeActive() {
    if (!_window)
        return;
    if (_player)
        _player->startPlayerProgressTimer();
    // A drive may have come or gone while another program had the focus.
    if (_driveWatcher)
        _driveWatcher->checkNow();
    QTimer::singleShot(0, this, [this] {
        polishOnce();
        updateResourceUsageMonitoring();
    });
    if (!_didRestoreLaunchLocation) {
        _didRestoreLaunchLocation = true;
        // The compact layout has no sidebar to show the place in.
        if (currentLayoutMode() == SVLayout::kDesktop)
            _sidebar->launchLocation().restoreLaunchLocation();
    }
}

void SVController::polishOnce() {
    if (_uiPolished || !_window)
        return;
    _uiPolished = true;
    _menu->installFindMenu();
    _menu->installShortcutMenu();
    SVMainMenu::installSearchFieldMenu(_browser->searchField());
}

void SVController::applicationWillTerminate() {
    if (_terminated)
        return;
    _terminated = true;
    if (_browser)
        _browser->stopBackgroundWork();
    if (_resourceMonitor)
        _resourceMonitor->stop();
    if (_player) {
        _player->stopPlayerProgressTimer();
        _player->stopPlayback();
        _player->waitForDecodes();
    }
    if (_inspector)
        _inspector->waitForDetails();
    SVPlayheadDiagnostics::shared().flushAndWait();
    if (_driveWatcher)
        _driveWatcher->stop();
    if (_scans)
        _scans->stopAndWait();
    _warmupQueue.waitForDone();
    _warmupSound.reset();
    if (_options.stopWaveformWorkersOnQuit)
        SVWaveformCache::shutdownWithTimeout(kWorkerShutdownSeconds);
    else
        SVWaveformCache::waitUntilIdleWithTimeout(kWorkerShutdownSeconds);
}

void SVController::startAudioWarmup() {
    _warmupActive = true;
    _window->showWarmupOverlay(true);
    _warmupQueue.start([this] {
        auto file = std::make_shared<QTemporaryFile>();
        std::shared_ptr<SVAudioFilePlayer> player;
        if (file->open() && file->write(silentWav()) > 0 && file->flush()) {
            player = std::make_shared<SVAudioFilePlayer>(file->fileName());
            player->setVolume(0.0f);
            if (!player->prepare())
                player.reset();
        }
        QMetaObject::invokeMethod(
            this,
            [this, file, player] {
                if (player && !_terminated) {
                    _warmupFile = file;
                    _warmupSound = player;
                    _warmupSound->play();
                }
                QTimer::singleShot(kWarmupMilliseconds, this, &SVController::finishAudioWarmup);
            },
            Qt::QueuedConnection);
    });
}

void SVController::finishAudioWarmup() {
    if (_warmupSound)
        _warmupSound->stop();
    _warmupSound.reset();
    _warmupFile.reset();
    _warmupActive = false;
    if (_window)
        _window->showWarmupOverlay(false);
    if (_quickTour && !_terminated)
        _quickTour->showQuickTourWelcomeIfNeeded();
}

bool SVController::warmupRunning() const {
    return _warmupActive;
}

void SVController::addLibrary() {
    _scans->addLibrary(_window.get());
}

void SVController::handleDroppedURLs(const QStringList& folders) {
    _scans->handleDroppedURLs(folders);
}

void SVController::rescan(int tag) {
    _scans->rescan(tag, _browser->libraries());
}

void SVController::remove(int tag) {
    _scans->remove(tag, _browser->libraries(), _window.get());
}

void SVController::scanRoots(const std::vector<std::filesystem::path>& locations, bool force) {
    _scans->scanRoots(locations, force);
}

bool SVController::maintenanceScanning() const {
    return _scans && _scans->maintenanceScanning();
}

void SVController::scanFinished() {
    reloadSidebars();
    refresh();
}

void SVController::libraryAvailabilityChanged() {
    if (_terminated)
        return;
    reloadSidebars();
    refresh();
}

void SVController::focusSearch() {
    _window->activateWindow();
    _browser->focusSearch();
}

void SVController::performShortcutAction(const QString& actionId) {
    if (!_player)
        return;
    if (actionId == QLatin1String("play"))
        _player->playerPlayPause();
    else if (actionId == QLatin1String("restart"))
        _player->restartCurrentSample();
    else if (actionId == QLatin1String("seekBack"))
        _player->seekByFraction(-0.07);
    else if (actionId == QLatin1String("seekForward"))
        _player->seekByFraction(0.07);
    else if (actionId == QLatin1String("previousSample")) {
        _browser->suppressSampleHoverForKeyboardNavigation();
        _player->previousSample();
    } else if (actionId == QLatin1String("nextSample")) {
        _browser->suppressSampleHoverForKeyboardNavigation();
        _player->nextSample();
    } else if (actionId == QLatin1String("previousPage"))
        _browser->previousPage();
    else if (actionId == QLatin1String("nextPage"))
        _browser->nextPage();
    else if (actionId == QLatin1String("love"))
        _player->playerToggleFavorite();
    else if (actionId == QLatin1String("unlove"))
        _player->removeLoveFromCurrentSample();
    else if (actionId == QLatin1String("repeat"))
        _player->repeatPressed();
    else if (actionId == QLatin1String("search"))
        focusSearch();
}

void SVController::switchLayout(int tag) {
    _layoutModes->switchLayout(tag);
    _window->setLayoutMode(_layoutModes->currentLayoutMode());
}

int SVController::currentLayoutMode() const {
    return _layoutModes ? _layoutModes->currentLayoutMode() : 1;
}

void SVController::reloadSidebars() {
    if (_sidebar)
        _sidebar->reloadSidebars();
    if (_inspector && _sidebar)
        _inspector->setFolderRoot(_sidebar->navigation().sharedFolderRoot());
    if (_filterBar)
        _filterBar->updateFilterContext();
    _window->layoutDiscovery();
}

void SVController::refresh() {
    _browser->refresh();
}
