#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class SVPlayheadDiagnostics;

// What a waveform view reports about its progress updates and redraws.
struct SVWaveformDiagnostics {
    const void* id = nullptr;
    bool attached = false;
    bool hidden = false;
    double appliedProgress = 0.0;
    double drawnProgress = 0.0;
    bool hasDrawnProgress = false;
    unsigned long progressUpdateCount = 0;
    unsigned long redrawCount = 0;
    double lastProgressTime = 0.0;
    double lastRedrawTime = 0.0;
};

// The player's state at one display update, as the playhead checks see it.
struct SVPlayheadInputs {
    double now = 0.0;
    bool fromTimer = false;
    bool timerExists = false;
    bool timerValid = false;
    int state = 0;
    bool hasSound = false;
    bool hasSample = false;
    bool audioPlaying = false;
    double position = 0.0;
    double duration = 0.0;
    double targetProgress = 0.0;
    std::int64_t sampleId = 0;
    std::int64_t selectedId = 0;
    long visibleRow = -1;
    QString source;
    std::uint64_t browseGeneration = 0;
    std::uint64_t loadedGeneration = 0;
    std::uint64_t playbackGeneration = 0;
    SVWaveformDiagnostics bottom;
    std::optional<SVWaveformDiagnostics> row;  // the playing row's waveform, when displayed
};

// Watches the playhead while audio plays: timer gaps, periodic snapshots and a playhead that
// has not advanced for two seconds, each written to the diagnostics recorder. With the recorder
// disabled the player skips these calls entirely.
class SVPlayheadChecks {
  public:
    static constexpr double kTimerGapSeconds = 0.5;
    static constexpr double kSnapshotSeconds = 2.0;
    static constexpr double kStallSeconds = 2.0;

    explicit SVPlayheadChecks(SVPlayheadDiagnostics& recorder) : _recorder(recorder) {}

    bool enabled() const;
    // Before the display update. Returns false when nothing is loaded (the display then stops).
    bool beforeUpdate(const SVPlayheadInputs& in);
    // After the display update, with the progress the big waveform applied.
    void afterUpdate(const SVPlayheadInputs& in);

    unsigned long callbackCount() const { return _callbackCount; }
    unsigned long successCount() const { return _successCount; }
    bool stallReported() const { return _stallReported; }

  private:
    static bool playing(const SVPlayheadInputs& in);
    void restartTracking(const SVPlayheadInputs& in);
    void recordStall(const SVPlayheadInputs& in, double seconds);
    void recordSnapshot(const SVPlayheadInputs& in);

    SVPlayheadDiagnostics& _recorder;
    unsigned long _callbackCount = 0;
    unsigned long _successCount = 0;
    double _lastCallbackTime = 0.0;
    double _lastSuccessTime = 0.0;
    double _lastSnapshotTime = 0.0;
    double _lastBottomProgress = 0.0;
    double _lastBottomAdvanceTime = 0.0;
    std::uint64_t _trackedPlaybackGeneration = 0;
    std::int64_t _trackedSampleId = 0;
    bool _stallReported = false;
};
