#include "app/player/playhead_checks.h"

#include <cmath>

#include "audio/playback/playhead_diagnostics.h"

namespace {

QString pointer(const void* id) {
    return QString::asprintf("%p", id);
}

QString waveformPart(const char* name, const SVWaveformDiagnostics& w, double now) {
    return QString::asprintf(
        "%s={id:%s attached:%d hidden:%d applied:%.5f drawn:%.5f hasDrawn:%d set:%lu draw:%lu "
        "setAge:%.3f drawAge:%.3f}",
        name, pointer(w.id).toUtf8().constData(), w.attached ? 1 : 0, w.hidden ? 1 : 0,
        w.appliedProgress, w.drawnProgress, w.hasDrawnProgress ? 1 : 0, w.progressUpdateCount,
        w.redrawCount, w.lastProgressTime > 0 ? now - w.lastProgressTime : -1.0,
        w.lastRedrawTime > 0 ? now - w.lastRedrawTime : -1.0);
}

QString rowPart(const std::optional<SVWaveformDiagnostics>& w, double now) {
    if (!w)
        return QStringLiteral(
            "browser={present:0 attached:0 hidden:0 set:0 draw:0 setAge:-1.000 drawAge:-1.000}");
    return QString::asprintf(
        "browser={present:1 attached:%d hidden:%d set:%lu draw:%lu setAge:%.3f drawAge:%.3f}",
        w->attached ? 1 : 0, w->hidden ? 1 : 0, w->progressUpdateCount, w->redrawCount,
        w->lastProgressTime > 0 ? now - w->lastProgressTime : -1.0,
        w->lastRedrawTime > 0 ? now - w->lastRedrawTime : -1.0);
}

}  // namespace

bool SVPlayheadChecks::enabled() const {
    return _recorder.enabled();
}

bool SVPlayheadChecks::playing(const SVPlayheadInputs& in) {
    return in.state == 2 && in.audioPlaying && in.duration > 0;
}

bool SVPlayheadChecks::beforeUpdate(const SVPlayheadInputs& in) {
    if (in.fromTimer) {
        const double gap = _lastCallbackTime > 0 ? in.now - _lastCallbackTime : 0.0;
        _lastCallbackTime = in.now;
        ++_callbackCount;
        if (gap > kTimerGapSeconds)
            _recorder.record(QString::asprintf("timer-gap seconds=%.3f callback=%lu valid=%d", gap,
                                               _callbackCount, in.timerValid ? 1 : 0));
    }
    if (!in.hasSample || !in.hasSound) {
        if (in.now - _lastSnapshotTime >= kSnapshotSeconds) {
            _lastSnapshotTime = in.now;
            _recorder.record(QString::asprintf(
                "snapshot early=no-loaded-sample timer=%d state=%d sound=%d current=%d "
                "source=%s browseGen=%llu playGen=%llu bottomId=%s",
                in.timerExists ? 1 : 0, in.state, in.hasSound ? 1 : 0, in.hasSample ? 1 : 0,
                in.source.toUtf8().constData(),
                static_cast<unsigned long long>(in.browseGeneration),
                static_cast<unsigned long long>(in.playbackGeneration),
                pointer(in.bottom.id).toUtf8().constData()));
        }
        _lastBottomAdvanceTime = 0.0;
        _trackedSampleId = 0;
        _stallReported = false;
        return false;
    }
    if (playing(in)) {
        if (_trackedSampleId == in.sampleId && _lastBottomAdvanceTime > 0) {
            const double since = in.now - _lastBottomAdvanceTime;
            if (!_stallReported && since > kStallSeconds) {
                recordStall(in, since);
                _stallReported = true;
            }
        } else {
            restartTracking(in);
        }
    } else {
        restartTracking(in);
    }
    return true;
}

void SVPlayheadChecks::afterUpdate(const SVPlayheadInputs& in) {
    _lastSuccessTime = in.now;
    ++_successCount;
    if (playing(in) && std::fabs(in.bottom.appliedProgress - _lastBottomProgress) > 0.000001) {
        _lastBottomProgress = in.bottom.appliedProgress;
        _lastBottomAdvanceTime = in.now;
        _trackedPlaybackGeneration = in.playbackGeneration;
        _stallReported = false;
    }
    if (in.now - _lastSnapshotTime >= kSnapshotSeconds) {
        _lastSnapshotTime = in.now;
        recordSnapshot(in);
    }
}

void SVPlayheadChecks::restartTracking(const SVPlayheadInputs& in) {
    _trackedSampleId = in.sampleId;
    _trackedPlaybackGeneration = in.playbackGeneration;
    _lastBottomProgress = in.bottom.appliedProgress;
    _lastBottomAdvanceTime = in.now;
    _stallReported = false;
}

void SVPlayheadChecks::recordStall(const SVPlayheadInputs& in, double seconds) {
    const double stallTime = _recorder.lastMainThreadStallTime();
    _recorder.record(QString::asprintf(
        "PLAYHEAD_STALL_DETECTED seconds=%.3f timer=%d timerValid=%d callbacks=%lu success=%lu "
        "audioPos=%.3f targetProgress=%.5f appliedProgress=%.5f drawnProgress=%.5f hasDrawn=%d "
        "bottomId=%s sample=%lld trackedPlayGen=%llu playGen=%llu browseGen=%llu loadedGen=%llu "
        "mainStallAge=%.3f mainStallDuration=%.3f",
        seconds, in.timerExists ? 1 : 0, in.timerValid ? 1 : 0, _callbackCount, _successCount,
        in.position, in.targetProgress, in.bottom.appliedProgress, in.bottom.drawnProgress,
        in.bottom.hasDrawnProgress ? 1 : 0, pointer(in.bottom.id).toUtf8().constData(),
        static_cast<long long>(in.sampleId),
        static_cast<unsigned long long>(_trackedPlaybackGeneration),
        static_cast<unsigned long long>(in.playbackGeneration),
        static_cast<unsigned long long>(in.browseGeneration),
        static_cast<unsigned long long>(in.loadedGeneration),
        stallTime > 0 ? in.now - stallTime : -1.0, _recorder.lastMainThreadStallDuration()));
}

void SVPlayheadChecks::recordSnapshot(const SVPlayheadInputs& in) {
    const QString head = QString::asprintf(
        "snapshot timer=%d timerValid=%d callbacks=%lu success=%lu state=%d audioPlaying=%d "
        "pos=%.3f dur=%.3f progress=%.5f sample=%lld selected=%lld visibleRow=%ld source=%s "
        "browseGen=%llu loadedGen=%llu playGen=%llu ",
        in.timerExists ? 1 : 0, in.timerValid ? 1 : 0, _callbackCount, _successCount, in.state,
        in.audioPlaying ? 1 : 0, in.position, in.duration, in.targetProgress,
        static_cast<long long>(in.sampleId), static_cast<long long>(in.selectedId), in.visibleRow,
        in.source.toUtf8().constData(), static_cast<unsigned long long>(in.browseGeneration),
        static_cast<unsigned long long>(in.loadedGeneration),
        static_cast<unsigned long long>(in.playbackGeneration));
    _recorder.record(head + waveformPart("bottom", in.bottom, in.now) + QLatin1Char(' ') +
                     rowPart(in.row, in.now));
}
