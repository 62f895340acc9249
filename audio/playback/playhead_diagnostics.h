#pragma once

// An opt-in recorder for diagnosing a playhead that stops moving: when the environment variable
// SAMPLEVORLAN_PLAYHEAD_DIAGNOSTICS is "1", "yes" or "true" (any case), it keeps the newest
// 1,200 lines "<uptime with three decimals> <message>" in memory, rewrites them atomically to
// playhead-diagnostics.log in $XDG_STATE_HOME/SampleVorlan at most every 5 s and on demand, and
// watches the main thread with a heartbeat that records "MAIN_THREAD_STALL_DETECTED
// seconds=%.3f" when the main thread answered late. Disabled, every call returns at once.
//
// Threads: record() and the flushes may be called from any thread (the application calls them
// on the main thread). File writes happen on the recorder's own writer thread, except
// flushAndWait(), which writes on the calling thread. The heartbeat runs on its own thread and
// measures the delay on the main thread of the QCoreApplication.

#include <QString>
#include <QStringList>

#include <memory>
#include <thread>

class SVPlayheadDiagnostics {
  public:
    static constexpr int kMaxLines = 1200;
    static constexpr double kFlushIntervalSeconds = 5.0;
    // The heartbeat samples the main thread ten times a second so that a stall of one second
    // is always seen at nearly its full length, whatever its phase against the ticks.
    static constexpr double kHeartbeatIntervalSeconds = 0.1;
    static constexpr double kMainThreadStallSeconds = 0.75;

    // The process-wide recorder, enabled or not by the environment when first used. It lives
    // until the process exits; its last pending write reaches the disk before the exit ends.
    static SVPlayheadDiagnostics& shared();

    // Whether a value of SAMPLEVORLAN_PLAYHEAD_DIAGNOSTICS switches the recorder on.
    static bool isEnablingValue(const QString& value);
    // $XDG_STATE_HOME/SampleVorlan/playhead-diagnostics.log (~/.local/state by default).
    static QString defaultLogPath();
    // Seconds since boot on the monotonic clock, the time stamp of every line.
    static double uptime();

    // A recorder of its own (tests); shared() is the one the application uses.
    SVPlayheadDiagnostics(bool enabled, const QString& logPath);
    // Stops the heartbeat and finishes the pending write before returning.
    ~SVPlayheadDiagnostics();
    SVPlayheadDiagnostics(const SVPlayheadDiagnostics&) = delete;
    SVPlayheadDiagnostics& operator=(const SVPlayheadDiagnostics&) = delete;

    bool enabled() const { return enabled_; }
    QString logPath() const;

    // Appends one line (ignored when disabled or empty); flushes when 5 s passed since the last
    // automatic flush.
    void record(const QString& message);
    // Builds the file text now and writes it on the writer thread.
    void flushNow();
    // The termination flush: writes the current lines on the calling thread, so they are on
    // disk when it returns (an older write still queued cannot overwrite them). Returns whether
    // the file was written.
    bool flushAndWait();

    // The lines held in memory, oldest first.
    QStringList lines() const;
    double lastMainThreadStallTime() const;
    double lastMainThreadStallDuration() const;

  private:
    struct Core;

    void runHeartbeat();
    void runWriter();

    const bool enabled_;
    std::shared_ptr<Core> core_;
    std::thread writer_;
    std::thread heartbeat_;
};
