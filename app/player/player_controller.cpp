#include "app/player/player_controller.h"

#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QSettings>
#include <QSlider>
#include <QThread>

#include <unistd.h>

#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/player/player_bar.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/waveform_view.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"
#include "app/window/settings.h"
#include "audio/playback/audio_file_player.h"
#include "audio/playback/playhead_diagnostics.h"
#include "core/catalogue/database.h"
#include "core/inference/key_display.h"
#include "core/records/sample_type.h"

namespace {

constexpr int kPageSize = SVResultsBrowser::kPageSize;
constexpr int kRetryPauseMs = 50;
constexpr const char* kDecoderRejected = "decoder rejected the file";

// An existing, readable file that is not a folder.
bool sampleFileAvailable(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return false;
    return ::access(path.c_str(), R_OK) == 0;
}

bool isMidi(const sv::Sample& sample) {
    return sample.type == sv::SampleType::Midi;
}

QString fileName(const sv::Sample& sample) {
    return QString::fromStdString(sample.filename);
}

double uptime() {
    return SVPlayheadDiagnostics::uptime();
}

}  // namespace

SVPlayerController::SVPlayerController(sv::Database& db, SVResultsBrowser& browser,
                                       SVPlayerBar& bar, QObject* parent)
    : QObject(parent),
      _db(db),
      _browser(browser),
      _bar(bar),
      _checks(SVPlayheadDiagnostics::shared()) {
    _decodeQueue.setMaxThreadCount(1);
    _decodeQueue.setObjectName(QStringLiteral("com.orvaneproducer.samplevorlan.preview"));
    _playerTimer.setInterval(kTimerIntervalMs);
    _playerTimer.setTimerType(Qt::PreciseTimer);
    connect(&_playerTimer, &QTimer::timeout, this, [this] { updatePlayer(true); });

    connect(_bar.previousButton(), &QPushButton::clicked, this,
            &SVPlayerController::previousSample);
    connect(_bar.playButton(), &QPushButton::clicked, this, &SVPlayerController::playerPlayPause);
    connect(_bar.stopButton(), &QPushButton::clicked, this,
            &SVPlayerController::stopPlaybackAction);
    connect(_bar.nextButton(), &QPushButton::clicked, this, &SVPlayerController::nextSample);
    connect(_bar.favoriteButton(), &QPushButton::clicked, this,
            &SVPlayerController::playerToggleFavorite);
    connect(_bar.playlistButton(), &QPushButton::clicked, this,
            &SVPlayerController::playerPlaylistMenu);
    connect(_bar.repeatButton(), &QPushButton::clicked, this, &SVPlayerController::repeatPressed);
    connect(_bar.volumeSlider(), &QSlider::valueChanged, this,
            [this](int value) { volumeChanged(value / 1000.0); });
    connect(_bar.waveform(), &SVWaveformView::seeked, this, &SVPlayerController::seekWaveform);
    connect(_bar.waveform(), &SVWaveformView::doubleClicked, this,
            &SVPlayerController::previewPlayerWaveform);
    _bar.waveform()->setHasDoubleClickAction(true);

    connect(&_browser, &SVResultsBrowser::previewRequested, this, &SVPlayerController::preview);
    connect(&_browser, &SVResultsBrowser::previewRowWaveform, this,
            &SVPlayerController::previewRowWaveform);
    connect(&_browser, &SVResultsBrowser::seekRowWaveform, this,
            &SVPlayerController::seekRowWaveform);
    connect(&_browser, &SVResultsBrowser::pageApplied, this, &SVPlayerController::pageApplied);
    connect(&_browser, &SVResultsBrowser::pendingPageSelectionCleared, this, [this] {
        _pendingSamplePageSelection = 0;
        _pendingSampleTargetPage = -1;
    });
    connect(&_browser, &SVResultsBrowser::favoriteChanged, this,
            [this](std::int64_t id, bool favorite) {
                if (_currentSample && _currentSample->id == id) {
                    _currentSample->favorite = favorite;
                    updatePlayer();
                }
            });
    connect(&_browser, &SVResultsBrowser::refreshed, this, [this] { updatePlayer(); });

    const QSettings settings = SVSettings::open();
    _repeatEnabled = settings.value(kRepeatKey, false).toBool();
    _bar.setRepeatLook(_repeatEnabled, SVTheme::selectedColor(SVTheme::kAccent));
    SVTheme::onThemeChanged(this, [this] {
        _bar.setRepeatLook(_repeatEnabled, SVTheme::selectedColor(SVTheme::kAccent));
    });
    const double volume =
        settings.contains(kVolumeKey) ? settings.value(kVolumeKey).toDouble() : kDefaultVolume;
    const QSignalBlocker block(_bar.volumeSlider());
    _bar.volumeSlider()->setValue(
        static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 1000)));
    volumeChanged(volume);
    setPlaybackState(Idle);
    startPlayerProgressTimer();
}

SVPlayerController::~SVPlayerController() {
    ++_playbackGeneration;
    _playerTimer.stop();
    _decodeQueue.waitForDone();
    dropSound();
}

void SVPlayerController::record(const QString& message) const {
    SVPlayheadDiagnostics::shared().record(message);
}

// Loading ----------------------------------------------------------------------------------------

void SVPlayerController::loadSampleAtIndex(int row, bool autoplay, int navigationDirection) {
    const std::vector<sv::Sample>& rows = _browser.rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return;
    _manualPageNavigationAnchorActive = false;
    const int previousRow = visibleIndexForPlayingSample();
    const sv::Sample sample = rows[static_cast<std::size_t>(row)];
    if (_checks.enabled())
        record(QString::asprintf(
            "load-request sample=%lld index=%d autoplay=%d direction=%d source=%s browseGen=%llu",
            static_cast<long long>(sample.id), row, autoplay ? 1 : 0, navigationDirection,
            playheadDiagnosticSource().toUtf8().constData(),
            static_cast<unsigned long long>(_browser.browseContextGeneration())));
    emit loadedSampleChanged(sample);

    if (isMidi(sample)) {
        _bar.waveform()->showMIDIPlaceholder();
        return;
    }
    focusSampleRow(row);
    DecodeRequest request;
    request.token = ++_playbackGeneration;
    request.contextGeneration = _browser.browseContextGeneration();
    request.row = row;
    request.direction = navigationDirection;
    request.autoplay = autoplay;
    request.sample = sample;

    if (!sampleFileAvailable(sample.path)) {
        qWarning("Sample Vorlan preview path is unavailable: %s", sample.path.c_str());
        setPlaybackState(stateAfterFailure());
        _browser.setStatusText(QStringLiteral("Sample unavailable: %1 — open Libraries and run "
                                              "Full Scan to find its new path")
                                   .arg(fileName(sample)));
        _manualPageNavigationAnchorActive = true;
        if (navigationDirection != 0)
            navigateSamplesInDirection(navigationDirection, row + navigationDirection);
        return;
    }

    dropSound();
    _currentSample = sample;
    _playingSampleId = sample.id;
    _currentIndex = row;
    _browser.setLoadedSampleId(sample.id);
    if (_browser.hasActiveSort())
        _browser.setSortedNavigationIndex(_browser.page() * kPageSize + row);
    else
        _browser.setSortedNavigationIndex(std::nullopt);
    _loadedSampleContextGeneration = request.contextGeneration;
    _activeSmartSkipDirection = navigationDirection;
    _bar.waveform()->setEnabled(false);
    _bar.waveform()->clear();
    _bar.positionLabel()->setText(QStringLiteral("0:00"));
    _bar.durationLabel()->setText(QStringLiteral("0:00"));
    _bar.keyLabel()->setText(QStringLiteral("Key  ") +
                             QString::fromStdString(SVDisplayKey(sample)));
    _bar.tempoLabel()->setText(QStringLiteral("BPM  ") +
                               (sample.bpm ? QString::number(*sample.bpm) : QStringLiteral("--")));
    if (previousRow >= 0 && previousRow != row)
        redrawRow(previousRow);
    setPlaybackState(Loading);

    auto result = std::make_shared<SVPreviewDecodeResult>();
    const QString path = QString::fromStdString(sample.path);
    const int attempts = navigationDirection != 0 ? 1 : 2;
    _decodeQueue.start([this, result, path, request, attempts] {
        if (request.token != _playbackGeneration.load())
            return;
        decode(*result, path, _playbackGeneration, request.token, attempts);
        QMetaObject::invokeMethod(
            this, [this, result, request] { completeDecode(result, request); },
            Qt::QueuedConnection);
    });
}

void SVPlayerController::decode(SVPreviewDecodeResult& result, const QString& path,
                                const std::atomic<std::uint64_t>& generation, std::uint64_t token,
                                int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (result.player) {
            result.player->stop();
            result.player.reset();
        }
        auto player = std::make_shared<SVAudioFilePlayer>(path);
        if (token != generation.load())
            return;
        if (player->prepare()) {
            result.player = std::move(player);
            result.errorDescription.clear();
        } else {
            const QString error = player->errorString();
            result.errorDescription =
                error.isEmpty() ? QString::fromLatin1(kDecoderRejected) : error;
        }
        if (result.player || attempt + 1 >= attempts || token != generation.load())
            return;
        QThread::msleep(kRetryPauseMs);
    }
}

void SVPlayerController::completeDecode(const std::shared_ptr<SVPreviewDecodeResult>& result,
                                        const DecodeRequest& request) {
    if (request.token != _playbackGeneration.load() ||
        request.contextGeneration != _browser.browseContextGeneration()) {
        if (result->player)
            result->player->stop();
        result->player.reset();
        return;
    }
    const sv::Sample& sample = request.sample;
    if (!result->player) {
        const QString error = result->errorDescription.isEmpty()
                                  ? QString::fromLatin1(kDecoderRejected)
                                  : result->errorDescription;
        qWarning("Sample Vorlan preview unavailable for %s: %s", sample.path.c_str(),
                 error.toUtf8().constData());
        setPlaybackState(stateAfterFailure());
        _browser.setStatusText(
            QStringLiteral("Cannot preview %1: %2")
                .arg(fileName(sample), result->errorDescription.isEmpty()
                                           ? QStringLiteral("Audio decoder failed")
                                           : result->errorDescription));
        if (request.direction != 0)
            navigateSamplesInDirection(request.direction, request.row + request.direction);
        return;
    }
    adoptSound(std::move(result->player));
    const double duration = _sound->duration();
    _bar.waveform()->setEnabled(true);
    _bar.waveform()->setDuration(duration);
    _bar.waveform()->setValue(0.0);
    _bar.durationLabel()->setText(clock(duration));
    _bar.waveform()->loadAudioAtPath(QString::fromStdString(sample.path), sample.modifiedAt,
                                     sample.fileSize);
    if (request.autoplay) {
        const bool played = play();
        if (!played && request.direction != 0) {
            navigateSamplesInDirection(request.direction, request.row + request.direction);
            return;
        }
    } else {
        setPlaybackState(Idle);
    }
    redrawAllRows();
    // The page may have changed under the decode (a new search keeps the context): focus the
    // sample where it is now, if it is still on the page.
    const int row = visibleIndexForPlayingSample();
    if (row >= 0)
        focusSampleRow(row);
}

void SVPlayerController::adoptSound(std::shared_ptr<SVAudioFilePlayer> player) {
    _sound = std::move(player);
    SVAudioFilePlayer* raw = _sound.get();
    _sound->setVolume(static_cast<float>(_bar.volumeSlider()->value() / 1000.0));
    connect(raw, &SVAudioFilePlayer::finishedPlaying, this,
            [this, raw](bool successfully) { audioPlayerDidFinishPlaying(raw, successfully); });
    connect(raw, &SVAudioFilePlayer::decodeErrorOccurred, this,
            [this, raw](const QString& error) { audioPlayerDecodeErrorDidOccur(raw, error); });
}

void SVPlayerController::dropSound() {
    if (!_sound)
        return;
    QObject::disconnect(_sound.get(), nullptr, this, nullptr);
    _sound->stop();
    _sound.reset();
}

bool SVPlayerController::sameContext() const {
    return _loadedSampleContextGeneration == _browser.browseContextGeneration();
}

int SVPlayerController::stateAfterFailure() const {
    if (!_sound)
        return Failed;
    return _sound->isPlaying() ? Playing : Paused;
}

bool SVPlayerController::play() {
    const bool played = _sound && _sound->play();
    setPlaybackState(played ? Playing : Failed);
    return played;
}

// Transport --------------------------------------------------------------------------------------

void SVPlayerController::playerPlayPause() {
    const bool same = sameContext();
    if (_playbackState == Failed && same) {
        const int row = visibleIndexForPlayingSample();
        if (row >= 0) {
            loadSampleAtIndex(row, true);
            return;
        }
    }
    if (_playbackState == Loading && same)
        return;
    if (!_sound || !same) {
        if (_sound && _sound->isPlaying()) {
            _sound->pause();
            setPlaybackState(Paused);
        }
        const std::vector<sv::Sample>& rows = _browser.rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!isMidi(rows[i])) {
                loadSampleAtIndex(static_cast<int>(i), true);
                break;
            }
        }
        return;
    }
    switch (_playbackState) {
        case Idle:
        case Finished:
        case Failed:
            _sound->setCurrentTime(0.0);
            play();
            break;
        case Playing:
            _sound->pause();
            setPlaybackState(Paused);
            break;
        default:
            play();
            break;
    }
    const int row = visibleIndexForPlayingSample();
    if (row >= 0) {
        focusSampleRow(row);
        redrawRow(row);
    }
}

void SVPlayerController::stopPlayback() {
    ++_playbackGeneration;
    if (_sound) {
        _sound->stop();
        _sound->setCurrentTime(0.0);
    }
    setPlaybackState(Idle);
}

void SVPlayerController::discardPendingLoads() {
    ++_playbackGeneration;
    if (_playbackState == Loading)
        setPlaybackState(Idle);
}

void SVPlayerController::stopPlaybackAction() {
    stopPlayback();
    redrawRow(visibleIndexForPlayingSample());
}

void SVPlayerController::restartCurrentSample() {
    if (!_sound || !sameContext()) {
        playerPlayPause();
        return;
    }
    _sound->setCurrentTime(0.0);
    play();
    redrawRow(visibleIndexForPlayingSample());
}

void SVPlayerController::seekByFraction(double fraction) {
    if (!_sound)
        return;
    const double duration = _sound->duration();
    if (!(duration > 0))
        return;
    _sound->setCurrentTime(
        std::min(std::max(_sound->currentTime() + duration * fraction, 0.0), duration));
    updatePlayer();
}

void SVPlayerController::seekWaveform(double seconds) {
    if (!_sound)
        return;
    if (_checks.enabled())
        record(QString::asprintf("seek source=bottom-waveform from=%.3f to=%.3f",
                                 _sound->currentTime(), seconds));
    _sound->setCurrentTime(seconds);
    updatePlayer();
}

void SVPlayerController::previewPlayerWaveform() {
    playerPlayPause();
}

void SVPlayerController::preview(int row) {
    const std::vector<sv::Sample>& rows = _browser.rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return;
    focusSampleRow(row);
    const sv::Sample& sample = rows[static_cast<std::size_t>(row)];
    if (isMidi(sample)) {
        _bar.waveform()->showMIDIPlaceholder();
        return;
    }
    if (sample.id == _playingSampleId && _sound && sameContext() && _playbackState != Failed) {
        playerPlayPause();
        return;
    }
    loadSampleAtIndex(row, true);
}

void SVPlayerController::previewRowWaveform(int row) {
    const std::vector<sv::Sample>& rows = _browser.rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() ||
        isMidi(rows[static_cast<std::size_t>(row)]))
        return;
    _browser.table()->selectRows({row});
    loadSampleAtIndex(row, true);
}

void SVPlayerController::seekRowWaveform(int row, double seconds) {
    const std::vector<sv::Sample>& rows = _browser.rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return;
    if (rows[static_cast<std::size_t>(row)].id != _playingSampleId) {
        loadSampleAtIndex(row, false);
        return;
    }
    if (_sound) {
        _sound->setCurrentTime(seconds);
        updatePlayer();
    }
}

void SVPlayerController::audioPlayerDidFinishPlaying(SVAudioFilePlayer* player, bool successfully) {
    if (player != _sound.get())
        return;
    if (!successfully) {
        setPlaybackState(Failed);
        return;
    }
    _sound->setCurrentTime(0.0);
    if (_repeatEnabled) {
        play();
        return;
    }
    setPlaybackState(Finished);
    redrawRow(visibleIndexForPlayingSample());
}

void SVPlayerController::audioPlayerDecodeErrorDidOccur(SVAudioFilePlayer* player,
                                                        const QString& error) {
    if (player != _sound.get())
        return;
    setPlaybackState(Failed);
    _browser.setStatusText(
        QStringLiteral("Preview failed: %1")
            .arg(error.isEmpty() ? QStringLiteral("Audio decode error") : error));
    const int direction = _activeSmartSkipDirection;
    _activeSmartSkipDirection = 0;
    const int row = visibleIndexForPlayingSample();
    if (direction != 0 && row >= 0)
        navigateSamplesInDirection(direction, row + direction);
}

// Navigation -------------------------------------------------------------------------------------

int SVPlayerController::manualNavigationIndex() {
    const std::vector<sv::Sample>& rows = _browser.rows();
    const int count = static_cast<int>(rows.size());
    const int selected = _browser.table()->selectedRow();
    if (_manualPageNavigationAnchorActive) {
        if (selected >= 0 && selected < count) {
            _currentIndex = selected;
            return selected;
        }
        _manualPageNavigationAnchorActive = false;
    }
    const std::int64_t loadedId = _currentSample ? _currentSample->id : _playingSampleId;
    if (_currentIndex >= 0 && _currentIndex < count && _currentSample &&
        rows[static_cast<std::size_t>(_currentIndex)].id == _currentSample->id)
        return _currentIndex;
    if (loadedId != 0) {
        for (int i = 0; i < count; ++i) {
            if (rows[static_cast<std::size_t>(i)].id == loadedId) {
                _currentIndex = i;
                return i;
            }
        }
    }
    if (selected >= 0 && selected < count) {
        _currentIndex = selected;
        return selected;
    }
    return -1;
}

int SVPlayerController::visibleIndexForPlayingSample() const {
    if (_playingSampleId == 0)
        return -1;
    const std::vector<sv::Sample>& rows = _browser.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == _playingSampleId)
            return static_cast<int>(i);
    }
    return -1;
}

void SVPlayerController::focusSampleRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= _browser.rows().size())
        return;
    _browser.table()->selectRows({row});
    _browser.table()->scrollToRow(row);
    _currentIndex = row;
}

void SVPlayerController::nextSample() {
    if (_browser.pageTransitionScheduled() || _pendingSamplePageSelection != 0)
        return;
    if (_checks.enabled())
        recordPlayheadNavigationEvent(QStringLiteral("next"));
    const int count = static_cast<int>(_browser.rows().size());
    const int i = manualNavigationIndex();
    if (i >= 0 && i < count) {
        if (i + 1 < count)
            navigateSamplesInDirection(+1, i + 1);
        else
            beginCrossPageSampleNavigation(+1);
        return;
    }
    const std::optional<std::int64_t> sorted = _browser.sortedNavigationIndex();
    if (_browser.hasActiveSort() && sorted && *sorted + 1 < _browser.sortedNavigationTotal())
        navigateToSortedGlobalIndex(*sorted + 1, +1);
}

void SVPlayerController::previousSample() {
    if (_browser.pageTransitionScheduled() || _pendingSamplePageSelection != 0)
        return;
    if (_checks.enabled())
        recordPlayheadNavigationEvent(QStringLiteral("previous"));
    const int i = manualNavigationIndex();
    if (i >= 1) {
        navigateSamplesInDirection(-1, i - 1);
        return;
    }
    if (i == 0) {
        beginCrossPageSampleNavigation(-1);
        return;
    }
    const std::optional<std::int64_t> sorted = _browser.sortedNavigationIndex();
    if (_browser.hasActiveSort() && sorted && *sorted > 0)
        navigateToSortedGlobalIndex(*sorted - 1, -1);
}

void SVPlayerController::navigateSamplesInDirection(int direction, int fromIndex) {
    if (direction == 0 || _browser.pageTransitionScheduled() || _pendingSamplePageSelection != 0 ||
        _browser.scope().libraryMode)
        return;
    const std::vector<sv::Sample>& rows = _browser.rows();
    const int count = static_cast<int>(rows.size());
    const auto playable = [&rows](int row) {
        const sv::Sample& sample = rows[static_cast<std::size_t>(row)];
        return isMidi(sample) || sampleFileAvailable(sample.path);
    };
    if (fromIndex >= 0 && fromIndex < count) {
        if (playable(fromIndex)) {
            loadSampleAtIndex(fromIndex, true, direction);
            return;
        }
        for (int row = fromIndex + direction; row >= 0 && row < count; row += direction) {
            if (playable(row)) {
                _browser.setStatusText(QStringLiteral("Skipped unavailable sample"));
                loadSampleAtIndex(row, true, direction);
                return;
            }
        }
    }
    _browser.setStatusText(QStringLiteral("Skipped unavailable samples"));
    if (direction > 0) {
        if (_browser.hasNextPage()) {
            beginCrossPageSampleNavigation(direction);
        } else {
            focusSampleRow(count - 1);
            _manualPageNavigationAnchorActive = true;
        }
    } else {
        if (_browser.page() > 0) {
            beginCrossPageSampleNavigation(direction);
        } else {
            focusSampleRow(0);
            _manualPageNavigationAnchorActive = true;
        }
    }
}

void SVPlayerController::beginCrossPageSampleNavigation(int direction) {
    if (_browser.pageTransitionScheduled() || _pendingSamplePageSelection != 0 ||
        _browser.scope().libraryMode)
        return;
    if (direction > 0 && !_browser.hasNextPage())
        return;
    if (direction < 0 && _browser.page() <= 0)
        return;
    if (direction == 0)
        return;
    _pendingSamplePageSelection = direction > 0 ? +1 : -1;
    _pendingSampleTargetPage = _browser.page() + direction;
    _browser.requestPageDelta(direction);
}

void SVPlayerController::pageApplied(int delta) {
    const bool pending = _pendingSamplePageSelection != 0;
    applyPendingSampleSelectionAfterRefresh();
    if (pending || _browser.rows().empty())
        return;
    _manualPageNavigationAnchorActive = true;
    focusSampleRow(delta >= 1 ? 0 : static_cast<int>(_browser.rows().size()) - 1);
}

void SVPlayerController::applyPendingSampleSelectionAfterRefresh() {
    const int pending = _pendingSamplePageSelection;
    const std::int64_t target = _pendingSampleTargetPage;
    _pendingSamplePageSelection = 0;
    _pendingSampleTargetPage = -1;
    if (pending == 0 || _browser.scope().libraryMode)
        return;
    const int count = static_cast<int>(_browser.rows().size());
    if (_browser.page() != target || _browser.lastAppliedResultsPage() != target || count == 0)
        return;
    if (pending > 0)
        navigateSamplesInDirection(+1, 0);
    else
        navigateSamplesInDirection(-1, count - 1);
}

void SVPlayerController::navigateToSortedGlobalIndex(std::int64_t globalIndex, int direction) {
    if (globalIndex < 0)
        return;
    const std::int64_t page = globalIndex / kPageSize;
    if (page != _browser.page()) {
        _browser.resetPagination(page);
        _browser.refresh();
    }
    const std::int64_t row = globalIndex % kPageSize;
    if (row < static_cast<std::int64_t>(_browser.rows().size()))
        navigateSamplesInDirection(direction, static_cast<int>(row));
}

// Repeat, volume, favourites and playlists -------------------------------------------------------

void SVPlayerController::repeatPressed() {
    _repeatEnabled = !_repeatEnabled;
    QSettings settings = SVSettings::open();
    settings.setValue(kRepeatKey, _repeatEnabled);
    _bar.setRepeatLook(_repeatEnabled, SVTheme::selectedColor(SVTheme::kAccent));
}

void SVPlayerController::volumeChanged(double value) {
    const double volume = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : kDefaultVolume;
    if (_sound)
        _sound->setVolume(static_cast<float>(volume));
    QSettings settings = SVSettings::open();
    settings.setValue(kVolumeKey, volume);
    _bar.setVolumeIcon(volume);
}

void SVPlayerController::setFavoriteOfLoadedSample(bool favorite) {
    const std::int64_t id = _currentSample->id;
    _db.setFavorite(id, favorite);
    _currentSample->favorite = favorite;
    _browser.setRowFavorite(id, favorite);
    if (!favorite && _browser.scope().favoriteMode)
        _browser.refresh();
    updatePlayer();
}

void SVPlayerController::playerToggleFavorite() {
    if (!_currentSample)
        return;
    try {
        setFavoriteOfLoadedSample(!_db.isFavorite(_currentSample->id));
    } catch (const std::exception& error) {
        _browser.setStatusText(QString::fromUtf8(error.what()));
    }
}

void SVPlayerController::removeLoveFromCurrentSample() {
    if (!_currentSample)
        return;
    try {
        if (_db.isFavorite(_currentSample->id))
            setFavoriteOfLoadedSample(false);
    } catch (const std::exception& error) {
        _browser.setStatusText(QString::fromUtf8(error.what()));
    }
}

void SVPlayerController::playerPlaylistMenu() {
    if (!_currentSample)
        return;
    QMenu menu;
    try {
        for (const sv::Playlist& playlist : _db.playlists()) {
            const std::int64_t id = playlist.id;
            menu.addAction(QString::fromStdString(playlist.name), this,
                           [this, id] { addLoadedSampleToPlaylist(id); });
        }
    } catch (const std::exception& error) {
        _browser.setStatusText(QString::fromUtf8(error.what()));
    }
    menu.addAction(QStringLiteral("New Playlist…"), this,
                   &SVPlayerController::newPlaylistForLoadedSample);
    QPushButton* button = _bar.playlistButton();
    menu.exec(button->mapToGlobal(QPoint(0, button->height())));
}

void SVPlayerController::addLoadedSampleToPlaylist(std::int64_t playlistId) {
    if (!_currentSample)
        return;
    try {
        _db.addToPlaylist(playlistId, _currentSample->id);
        emit playlistsChanged();
    } catch (const std::exception& error) {
        _browser.setStatusText(QString::fromUtf8(error.what()));
    }
}

void SVPlayerController::newPlaylistForLoadedSample() {
    if (!_currentSample)
        return;
    std::optional<QString> name;
    if (_askPlaylistName) {
        name = _askPlaylistName();
    } else {
        QInputDialog dialog(_bar.window());
        dialog.setWindowTitle(QStringLiteral("New Playlist"));
        dialog.setLabelText(QStringLiteral("Enter a unique playlist name."));
        dialog.setOkButtonText(QStringLiteral("Create"));
        dialog.setCancelButtonText(QStringLiteral("Cancel"));
        if (auto* field = dialog.findChild<QLineEdit*>())
            field->setPlaceholderText(QStringLiteral("Playlist name"));
        if (dialog.exec() == QDialog::Accepted)
            name = dialog.textValue();
    }
    if (!name)
        return;
    try {
        const std::int64_t id = _db.createPlaylist(name->trimmed().toStdString());
        _db.addToPlaylist(id, _currentSample->id);
        emit playlistsChanged();
    } catch (const std::exception& error) {
        const QString title = QStringLiteral("Couldn’t create playlist");
        if (_alert)
            _alert(title, QString::fromUtf8(error.what()));
        else
            QMessageBox::warning(_bar.window(), title, QString::fromUtf8(error.what()));
    }
}

// Display ----------------------------------------------------------------------------------------

void SVPlayerController::setPlaybackState(int state) {
    if (_checks.enabled())
        record(QString::asprintf("playback-state from=%d to=%d sound=%d isPlaying=%d sample=%lld",
                                 _playbackState, state, _sound ? 1 : 0,
                                 _sound && _sound->isPlaying() ? 1 : 0,
                                 static_cast<long long>(_playingSampleId)));
    _playbackState = state;
    if (_sound)
        _sound->setVolume(static_cast<float>(_bar.volumeSlider()->value() / 1000.0));
    _bar.setPlaying(state == Playing);
    _browser.setPlayingSample(_playingSampleId, state == Playing);
    updatePlayer();
}

void SVPlayerController::startPlayerProgressTimer() {
    const bool enabled = _checks.enabled();
    if (_playerTimer.isActive()) {
        if (enabled)
            record(QString::asprintf("timer-reuse id=%p valid=1",
                                     static_cast<const void*>(&_playerTimer)));
        return;
    }
    if (enabled && _timerActive)
        record(QString::asprintf("timer-invalidate reason=replace id=%p valid=0",
                                 static_cast<const void*>(&_playerTimer)));
    _playerTimer.start();
    _timerActive = true;
    if (enabled)
        record(QString::asprintf("timer-create id=%p valid=1 mode=common",
                                 static_cast<const void*>(&_playerTimer)));
}

void SVPlayerController::stopPlayerProgressTimer() {
    if (_checks.enabled())
        record(QStringLiteral("timer-invalidate reason=terminate"));
    _playerTimer.stop();
    _timerActive = false;
}

void SVPlayerController::updateNavigationButtons() {
    const int count = static_cast<int>(_browser.rows().size());
    const int i = manualNavigationIndex();
    const std::optional<std::int64_t> sorted = _browser.sortedNavigationIndex();
    bool previous = false;
    bool next = false;
    if (i < 0 && _browser.hasActiveSort() && sorted) {
        previous = *sorted != 0;
        next = *sorted + 1 < _browser.sortedNavigationTotal();
    } else if (i >= 0) {
        previous = i > 0 || _browser.page() > 0;
        next = i + 1 < count || (i == count - 1 && _browser.hasNextPage());
    }
    _bar.previousButton()->setEnabled(previous);
    _bar.nextButton()->setEnabled(next);
}

void SVPlayerController::updateDragHandle() {
    if (!_updateDragHandle)
        return;
    std::error_code error;
    const bool draggable = _currentSample &&
                           std::filesystem::path(_currentSample->path).is_absolute() &&
                           std::filesystem::is_regular_file(_currentSample->path, error);
    _updateDragHandle(draggable ? QString::fromStdString(_currentSample->path) : QString());
}

void SVPlayerController::updatePlayer(bool fromTimer) {
    const bool diagnostics = _checks.enabled();
    SVPlayheadInputs inputs;
    if (diagnostics) {
        inputs.now = uptime();
        inputs.fromTimer = fromTimer;
        inputs.timerExists = _timerActive;
        inputs.timerValid = _playerTimer.isActive();
        inputs.state = _playbackState;
        inputs.hasSound = _sound != nullptr;
        inputs.hasSample = _currentSample.has_value();
        inputs.audioPlaying = _sound && _sound->isPlaying();
        inputs.position = _sound ? _sound->currentTime() : 0.0;
        inputs.duration = _sound ? _sound->duration() : 0.0;
        inputs.targetProgress = inputs.duration > 0 ? inputs.position / inputs.duration : 0.0;
        inputs.sampleId = _playingSampleId;
        const int selected = _browser.table()->selectedRow();
        if (selected >= 0 && static_cast<std::size_t>(selected) < _browser.rows().size())
            inputs.selectedId = _browser.rows()[static_cast<std::size_t>(selected)].id;
        inputs.visibleRow = visibleIndexForPlayingSample();
        inputs.source = playheadDiagnosticSource();
        inputs.browseGeneration = _browser.browseContextGeneration();
        inputs.loadedGeneration = _loadedSampleContextGeneration;
        inputs.playbackGeneration = _playbackGeneration.load();
        inputs.bottom = _bar.waveform()->diagnostics();
    }

    const bool loaded = _currentSample.has_value();
    const bool active = _playbackState == Playing || _playbackState == Paused;
    _bar.playButton()->setEnabled(true);
    _bar.stopButton()->setEnabled(active && loaded && _sound);
    _bar.favoriteButton()->setEnabled(loaded);
    _bar.playlistButton()->setEnabled(loaded);
    _bar.waveform()->setShowsPlayhead(active);
    updateNavigationButtons();
    updateDragHandle();
    _bar.setFavoriteLook(loaded && _currentSample->favorite);

    if (diagnostics && !_checks.beforeUpdate(inputs))
        return;
    if (!loaded || !_sound)
        return;

    const double position = _sound->currentTime();
    const double duration = _sound->duration();
    const double progress = duration > 0 ? position / duration : 0.0;
    _bar.positionLabel()->setText(clock(position));
    _bar.durationLabel()->setText(clock(duration));
    _bar.waveform()->setDuration(duration);
    _bar.waveform()->setValue(position);
    _bar.waveform()->setProgress(progress);
    updateRowDisplay(position, duration);
    _bar.setPlaying(_playbackState == Playing);

    if (diagnostics) {
        inputs.bottom = _bar.waveform()->diagnostics();
        if (SVSampleCell* cell = _browser.sampleCellForRow(visibleIndexForPlayingSample()))
            inputs.row = cell->waveform()->diagnostics();
        _checks.afterUpdate(inputs);
    }
}

void SVPlayerController::updateRowDisplay(double position, double duration) {
    SVSampleCell* cell = _browser.sampleCellForRow(visibleIndexForPlayingSample());
    if (!cell)
        return;
    const bool active = _playbackState == Playing || _playbackState == Paused;
    SVWaveformView* waveform = cell->waveform();
    waveform->setDuration(duration);
    waveform->setValue(position);
    waveform->setProgress(_bar.waveform()->progress());
    waveform->setShowsPlayhead(active);
    cell->setPlaying(_playbackState == Playing);
}

void SVPlayerController::redrawRow(int row) {
    SVSampleCell* cell = _browser.sampleCellForRow(row);
    if (!cell)
        return;
    const bool loadedRow = _browser.rows()[static_cast<std::size_t>(row)].id == _playingSampleId;
    cell->setPlaying(loadedRow && _playbackState == Playing);
    if (!loadedRow || !_sound) {
        cell->waveform()->setShowsPlayhead(false);
        cell->waveform()->setProgress(0.0);
    }
    cell->update();
}

void SVPlayerController::redrawAllRows() {
    const int count = static_cast<int>(_browser.rows().size());
    for (int row = 0; row < count; ++row)
        redrawRow(row);
}

QString SVPlayerController::clock(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00");
    const auto whole = static_cast<long long>(seconds);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

// Diagnostics ------------------------------------------------------------------------------------

QString SVPlayerController::playheadDiagnosticSource() const {
    const SVBrowseScope& scope = _browser.scope();
    if (scope.libraryMode)
        return QStringLiteral("libraries");
    if (scope.favoriteMode)
        return QStringLiteral("favorites");
    if (scope.playlistId)
        return QString::asprintf("playlist:%lld", static_cast<long long>(*scope.playlistId));
    if (!scope.folderScope.empty())
        return QStringLiteral("folder");
    if (scope.sectionType.empty())
        return QStringLiteral("all");
    return QString::asprintf("category:%s", scope.sectionType.c_str());
}

void SVPlayerController::recordPlayheadNavigationEvent(const QString& event) const {
    if (!_checks.enabled())
        return;
    record(QString::asprintf(
        "nav event=%s source=%s browseGen=%llu queryGen=%llu selected=%lld playing=%lld "
        "rows=%lu page=%lld",
        event.toUtf8().constData(), playheadDiagnosticSource().toUtf8().constData(),
        static_cast<unsigned long long>(_browser.browseContextGeneration()),
        static_cast<unsigned long long>(_browser.queryGeneration()),
        static_cast<long long>(_currentSample ? _currentSample->id : 0),
        static_cast<long long>(_playingSampleId),
        static_cast<unsigned long>(_browser.rows().size()),
        static_cast<long long>(_browser.page())));
}
