#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/player/playhead_checks.h"
#include "core/records/sample.h"

namespace sv {
class Database;
}

class SVAudioFilePlayer;
class SVPlayerBar;
class SVResultsBrowser;

// What a decode job hands from the preview decode queue to the main thread.
struct SVPreviewDecodeResult {
    std::shared_ptr<SVAudioFilePlayer> player;  // set only when creating and preparing succeeded
    QString errorDescription;
};

// The preview player: loads one sample of the results page at a time (decoding on a serial
// background queue and keeping only the newest request), plays, pauses, stops, seeks, repeats,
// moves to the previous or next sample across page boundaries skipping files that are gone, and
// drives the player bar ten times a second. Everything but the decode runs on the main thread.
class SVPlayerController : public QObject {
    Q_OBJECT
  public:
    enum PlaybackState { Idle = 0, Loading = 1, Playing = 2, Paused = 3, Finished = 4, Failed = 5 };

    static constexpr const char* kRepeatKey = "SVPlayerRepeat";
    static constexpr const char* kVolumeKey = "SVPlayerVolume";
    static constexpr double kDefaultVolume = 0.8;
    static constexpr int kTimerIntervalMs = 120;

    SVPlayerController(sv::Database& db, SVResultsBrowser& browser, SVPlayerBar& bar,
                       QObject* parent = nullptr);
    ~SVPlayerController() override;

    // Receives the loaded sample's path whenever it can be dragged out, or an empty path.
    void setDragHandleUpdater(std::function<void(const QString& draggablePath)> update) {
        _updateDragHandle = std::move(update);
    }
    // Asks the name of a new playlist; empty when the user cancelled. Tests replace it.
    void setPlaylistNamePrompt(std::function<std::optional<QString>()> prompt) {
        _askPlaylistName = std::move(prompt);
    }
    // Shows a catalogue error in an alert. Tests replace it.
    void setAlertPresenter(std::function<void(const QString&, const QString&)> alert) {
        _alert = std::move(alert);
    }

    // Loading and transport.
    void loadSampleAtIndex(int row, bool autoplay, int navigationDirection = 0);
    void playerPlayPause();
    void stopPlayback();
    // The browser moved to another place: a load still decoding for the previous one is
    // dropped, while a sample already playing goes on.
    void discardPendingLoads();
    void stopPlaybackAction();
    void restartCurrentSample();
    void seekByFraction(double fraction);
    void seekWaveform(double seconds);
    void previewPlayerWaveform();

    // Row controls.
    void preview(int row);
    void previewRowWaveform(int row);
    void seekRowWaveform(int row, double seconds);

    // Navigation.
    void previousSample();
    void nextSample();
    void navigateSamplesInDirection(int direction, int fromIndex);
    void beginCrossPageSampleNavigation(int direction);
    void navigateToSortedGlobalIndex(std::int64_t globalIndex, int direction);
    void applyPendingSampleSelectionAfterRefresh();
    int manualNavigationIndex();
    int visibleIndexForPlayingSample() const;
    void focusSampleRow(int row);

    // Repeat, volume, favourites and playlists.
    void repeatPressed();
    void volumeChanged(double value);
    void playerToggleFavorite();
    void removeLoveFromCurrentSample();
    void playerPlaylistMenu();
    void addLoadedSampleToPlaylist(std::int64_t playlistId);
    void newPlaylistForLoadedSample();

    // Display.
    void setPlaybackState(int state);
    void startPlayerProgressTimer();
    void stopPlayerProgressTimer();
    // A timer tick (`fromTimer`) or an immediate refresh.
    void updatePlayer(bool fromTimer = false);
    static QString clock(double seconds);

    // Diagnostics.
    QString playheadDiagnosticSource() const;
    void recordPlayheadNavigationEvent(const QString& event) const;

    // State, read by the window and the tests.
    int playbackState() const { return _playbackState; }
    SVAudioFilePlayer* sound() const { return _sound.get(); }
    const std::optional<sv::Sample>& currentSample() const { return _currentSample; }
    std::int64_t playingSampleId() const { return _playingSampleId; }
    int currentIndex() const { return _currentIndex; }
    bool repeatEnabled() const { return _repeatEnabled; }
    std::uint64_t playbackGeneration() const { return _playbackGeneration.load(); }
    int pendingSamplePageSelection() const { return _pendingSamplePageSelection; }
    bool manualPageNavigationAnchorActive() const { return _manualPageNavigationAnchorActive; }
    const SVPlayheadChecks& playheadChecks() const { return _checks; }
    // Waits for the decode queue (tests, shutdown).
    void waitForDecodes() { _decodeQueue.waitForDone(); }

  signals:
    // A playlist was created or received the loaded sample.
    void playlistsChanged();
    // A sample of the page is being loaded (the inspector follows it), even one that turns out
    // to be missing or is MIDI.
    void loadedSampleChanged(const sv::Sample& sample);

  private:
    struct DecodeRequest {
        std::uint64_t token = 0;
        std::uint64_t contextGeneration = 0;
        int row = -1;
        int direction = 0;
        bool autoplay = false;
        sv::Sample sample;
    };

    static void decode(SVPreviewDecodeResult& result, const QString& path,
                       const std::atomic<std::uint64_t>& generation, std::uint64_t token,
                       int attempts);
    void completeDecode(const std::shared_ptr<SVPreviewDecodeResult>& result,
                        const DecodeRequest& request);
    void adoptSound(std::shared_ptr<SVAudioFilePlayer> player);
    void dropSound();
    bool sameContext() const;
    int stateAfterFailure() const;
    bool play();
    void redrawRow(int row);
    void redrawAllRows();
    void updateRowDisplay(double position, double duration);
    void updateNavigationButtons();
    void updateDragHandle();
    void setFavoriteOfLoadedSample(bool favorite);
    void audioPlayerDidFinishPlaying(SVAudioFilePlayer* player, bool successfully);
    void audioPlayerDecodeErrorDidOccur(SVAudioFilePlayer* player, const QString& error);
    void pageApplied(int delta);
    void record(const QString& message) const;

    sv::Database& _db;
    SVResultsBrowser& _browser;
    SVPlayerBar& _bar;
    std::function<void(const QString&)> _updateDragHandle;

    std::shared_ptr<SVAudioFilePlayer> _sound;
    std::optional<sv::Sample> _currentSample;
    std::int64_t _playingSampleId = 0;
    int _currentIndex = -1;
    int _playbackState = Idle;
    std::atomic<std::uint64_t> _playbackGeneration{0};
    std::uint64_t _loadedSampleContextGeneration = 0;
    int _activeSmartSkipDirection = 0;
    int _pendingSamplePageSelection = 0;
    std::int64_t _pendingSampleTargetPage = -1;
    bool _manualPageNavigationAnchorActive = false;
    bool _repeatEnabled = false;
    QTimer _playerTimer;
    bool _timerActive = false;
    SVPlayheadChecks _checks;

    QThreadPool _decodeQueue;
    std::function<std::optional<QString>()> _askPlaylistName;
    std::function<void(const QString&, const QString&)> _alert;
};
