#include "audio/playback/playhead_diagnostics.h"

#include "audio/playback/main_thread_dispatch.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include <time.h>

// Everything the heartbeat's queued main-thread calls may touch, shared so that such a call
// arriving after the recorder is gone finds nothing instead of a dead object.
struct SVPlayheadDiagnostics::Core {
    QString logPath;

    mutable std::mutex linesMutex;
    std::deque<QString> lines;
    double lastFlushTime = 0.0;
    double lastStallTime = 0.0;
    double lastStallDuration = 0.0;

    // Writer queue: the newest text waiting to be written, and sequence numbers that keep an
    // older text from replacing a newer one on disk.
    std::mutex writerMutex;
    std::condition_variable writerWake;
    std::optional<QString> pendingText;
    std::uint64_t pendingSequence = 0;
    std::uint64_t nextSequence = 0;
    bool writerStopping = false;

    std::mutex fileMutex;
    std::uint64_t writtenSequence = 0;

    std::atomic<int> heartbeatPending{0};

    QString fileText() const {
        const std::lock_guard lock(linesMutex);
        QString text;
        for (const QString& line : lines) {
            text += line;
            text += QLatin1Char('\n');
        }
        return text;
    }

    std::uint64_t takeSequence() {
        const std::lock_guard lock(writerMutex);
        return ++nextSequence;
    }

    void queueWrite() {
        QString text = fileText();
        const std::lock_guard lock(writerMutex);
        pendingText = std::move(text);
        pendingSequence = ++nextSequence;
        writerWake.notify_all();  // the heartbeat waits on the same condition
    }

    // Replaces the file with `text` unless a newer text was written already.
    bool write(const QString& text, std::uint64_t sequence) {
        const std::lock_guard lock(fileMutex);
        if (sequence <= writtenSequence)
            return false;
        writtenSequence = sequence;
        QSaveFile file(logPath);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(text.toUtf8());
        return file.commit();
    }

    void append(const QString& message) {
        const double now = SVPlayheadDiagnostics::uptime();
        bool flush = false;
        {
            const std::lock_guard lock(linesMutex);
            lines.push_back(QString::asprintf("%.3f ", now) + message);
            while (lines.size() > static_cast<std::size_t>(kMaxLines))
                lines.pop_front();
            if (now - lastFlushTime >= kFlushIntervalSeconds) {
                lastFlushTime = now;
                flush = true;
            }
        }
        if (flush)
            queueWrite();
    }

    // On the main thread: `tickTime` is when the heartbeat thread asked for this call.
    void answerHeartbeat(double tickTime) {
        const double now = SVPlayheadDiagnostics::uptime();
        const double delay = now - tickTime;
        if (delay > kMainThreadStallSeconds) {
            {
                const std::lock_guard lock(linesMutex);
                lastStallTime = now;
                lastStallDuration = delay;
            }
            append(QString::asprintf("MAIN_THREAD_STALL_DETECTED seconds=%.3f", delay));
        }
        heartbeatPending.store(0);
    }
};

SVPlayheadDiagnostics& SVPlayheadDiagnostics::shared() {
    static SVPlayheadDiagnostics recorder(
        isEnablingValue(qEnvironmentVariable("SAMPLEVORLAN_PLAYHEAD_DIAGNOSTICS")),
        defaultLogPath());
    return recorder;
}

bool SVPlayheadDiagnostics::isEnablingValue(const QString& value) {
    return value == QLatin1String("1") ||
           value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString SVPlayheadDiagnostics::defaultLogPath() {
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || !QDir::isAbsolutePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/SampleVorlan/playhead-diagnostics.log");
}

double SVPlayheadDiagnostics::uptime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

SVPlayheadDiagnostics::SVPlayheadDiagnostics(bool enabled, const QString& logPath)
    : enabled_(enabled), core_(std::make_shared<Core>()) {
    core_->logPath = logPath;
    if (!enabled_)
        return;
    QDir().mkpath(QFileInfo(logPath).absolutePath());
    record(QString::asprintf(
        "session-start diagnostics=v2 interval=0.12 snapshot=2.0 stall-threshold=2.0 "
        "heartbeat=%.1f max-lines=%d",
        kHeartbeatIntervalSeconds, kMaxLines));
    writer_ = std::thread([this] { runWriter(); });
    heartbeat_ = std::thread([this] { runHeartbeat(); });
    qInfo("SampleVorlan playhead diagnostics enabled: %s", qUtf8Printable(logPath));
}

SVPlayheadDiagnostics::~SVPlayheadDiagnostics() {
    {
        const std::lock_guard lock(core_->writerMutex);
        core_->writerStopping = true;
        core_->writerWake.notify_all();
    }
    if (heartbeat_.joinable())
        heartbeat_.join();
    if (writer_.joinable())
        writer_.join();
}

QString SVPlayheadDiagnostics::logPath() const {
    return core_->logPath;
}

void SVPlayheadDiagnostics::record(const QString& message) {
    if (!enabled_ || message.isEmpty())
        return;
    core_->append(message);
}

void SVPlayheadDiagnostics::flushNow() {
    if (!enabled_)
        return;
    core_->queueWrite();
}

bool SVPlayheadDiagnostics::flushAndWait() {
    if (!enabled_)
        return false;
    const std::uint64_t sequence = core_->takeSequence();
    return core_->write(core_->fileText(), sequence);
}

QStringList SVPlayheadDiagnostics::lines() const {
    const std::lock_guard lock(core_->linesMutex);
    return QStringList(core_->lines.begin(), core_->lines.end());
}

double SVPlayheadDiagnostics::lastMainThreadStallTime() const {
    const std::lock_guard lock(core_->linesMutex);
    return core_->lastStallTime;
}

double SVPlayheadDiagnostics::lastMainThreadStallDuration() const {
    const std::lock_guard lock(core_->linesMutex);
    return core_->lastStallDuration;
}

void SVPlayheadDiagnostics::runWriter() {
    Core& core = *core_;
    std::unique_lock lock(core.writerMutex);
    for (;;) {
        core.writerWake.wait(lock, [&core] { return core.pendingText || core.writerStopping; });
        if (core.pendingText) {
            const QString text = std::move(*core.pendingText);
            const std::uint64_t sequence = core.pendingSequence;
            core.pendingText.reset();
            lock.unlock();
            core.write(text, sequence);
            lock.lock();
            continue;  // drain what arrived meanwhile before stopping
        }
        if (core.writerStopping)
            return;
    }
}

void SVPlayheadDiagnostics::runHeartbeat() {
    using namespace std::chrono;
    const auto interval =
        duration_cast<steady_clock::duration>(duration<double>(kHeartbeatIntervalSeconds));
    auto next = steady_clock::now() + interval;
    std::unique_lock lock(core_->writerMutex);
    while (!core_->writerStopping) {
        if (core_->writerWake.wait_until(lock, next, [this] { return core_->writerStopping; }))
            return;
        next += interval;
        int idle = 0;
        if (!core_->heartbeatPending.compare_exchange_strong(idle, 1))
            continue;
        const double tickTime = uptime();
        const std::weak_ptr<Core> weak = core_;
        lock.unlock();
        const bool posted = sv::postToMainThread([weak, tickTime] {
            if (const auto core = weak.lock())
                core->answerHeartbeat(tickTime);
        });
        if (!posted)
            core_->heartbeatPending.store(0);
        lock.lock();
    }
}
