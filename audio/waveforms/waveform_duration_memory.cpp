#include "audio/waveforms/waveform_duration_memory.h"

#include <QMutexLocker>

#include <cmath>

#include "audio/waveforms/audio_file_decoder.h"

namespace sv {

WaveformDurationMemory::WaveformDurationMemory(int capacity) : cache_(capacity) {}

std::optional<double> WaveformDurationMemory::find(const QString& key) const {
    const QMutexLocker lock(&mutex_);
    if (const double* seconds = cache_.object(key))
        return *seconds;
    return std::nullopt;
}

void WaveformDurationMemory::insert(const QString& key, double seconds) {
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return;
    const QMutexLocker lock(&mutex_);
    cache_.insert(key, new double(seconds));
}

double readAudioFileDuration(const QString& path) {
    try {
        return AudioFileDecoder(path.toStdString()).durationSeconds();
    } catch (const AudioDecodeError&) {
        return 0.0;
    }
}

}  // namespace sv
