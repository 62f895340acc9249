#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "app/player/playhead_checks.h"

// One waveform summary drawn as a row of bars, with the played part, the playhead, seeking by
// click and drag, and a placeholder for MIDI files. Its class operations are the window's
// face of the process-wide waveform cache.
class SVWaveformView : public QWidget {
    Q_OBJECT
  public:
    explicit SVWaveformView(QWidget* parent = nullptr);

    // The player's view: shows a cached summary or asks for one at high priority, then waits.
    void loadAudioAtPath(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize);
    // A result row's view: shows a cached summary or waits for the preloads without asking.
    void loadCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                               std::uint64_t fileSize);
    void showMIDIPlaceholder();
    void clear();

    const std::optional<std::vector<float>>& peaks() const { return _peaks; }
    bool loading() const { return _loading; }
    bool midiMode() const { return _midiMode; }
    QString audioPath() const { return _audioPath; }
    QString cacheKey() const { return _cacheKey; }

    double duration() const { return _duration; }
    void setDuration(double seconds);
    double progress() const { return _progress; }
    void setProgress(double progress);
    bool showsPlayhead() const { return _showsPlayhead; }
    void setShowsPlayhead(bool shows);
    double value() const { return _value; }
    void setValue(double seconds) { _value = seconds; }
    // Seeking needs an enabled view with a duration, not showing the MIDI placeholder.
    bool canSeek() const;
    // Seeks to `seconds` (clamped to the duration) as a click at that point would.
    void seekToValue(double seconds);
    // Without a double-click action a double click seeks like a single click.
    void setHasDoubleClickAction(bool has) { _hasDoubleClickAction = has; }

    // Class operations over the shared cache.
    static void preloadAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                   std::uint64_t fileSize);
    static void beginPreloadGeneration();
    static bool hasCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                     std::uint64_t fileSize);
    static bool hasFailedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                     std::uint64_t fileSize);
    static std::size_t pendingJobCount();
    static bool waitUntilIdleWithTimeout(double seconds);

    // Progress updates and redraws, for the playhead diagnostics.
    SVWaveformDiagnostics diagnostics() const;

    // Test hook: the bar rectangles and colours the view draws.
    struct Bar {
        QRectF rect;
        bool played = false;
    };
    std::vector<Bar> barsForSize(QSizeF size) const;

  signals:
    // The action: the user sought to `value()` seconds.
    void seeked(double value);
    void doubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void load(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize, bool request);
    void pollWaveform(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize,
                      std::uint64_t generation, int attempt);
    void showSummary(std::vector<float> peaks);
    void cacheDidUpdate(const QString& key);
    void cacheDidFail(const QString& key);
    void seekWithPosition(double x);

    std::optional<std::vector<float>> _peaks;
    bool _loading = false;
    bool _midiMode = false;
    QString _audioPath;
    QString _cacheKey;
    std::uint64_t _requestGeneration = 0;
    double _duration = 0.0;
    double _progress = 0.0;
    bool _showsPlayhead = false;
    double _value = 0.0;
    bool _hasDoubleClickAction = false;
    bool _tracking = false;
    double _lastDrawnProgress = 0.0;
    bool _hasDrawnProgress = false;
    unsigned long _progressUpdateCount = 0;
    unsigned long _redrawCount = 0;
    double _lastProgressTime = 0.0;
    double _lastRedrawTime = 0.0;
};
