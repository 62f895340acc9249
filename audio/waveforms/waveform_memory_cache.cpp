#include "audio/waveforms/waveform_memory_cache.h"

#include <QMutexLocker>

#include <memory>

namespace sv {

WaveformMemoryCache::WaveformMemoryCache(int capacity) : cache_(capacity) {}

std::optional<WaveformPeaks> WaveformMemoryCache::find(const QString& key) const {
    const QMutexLocker lock(&mutex_);
    if (const WaveformPeaks* peaks = cache_.object(key))
        return *peaks;
    return std::nullopt;
}

bool WaveformMemoryCache::contains(const QString& key) const {
    const QMutexLocker lock(&mutex_);
    return cache_.contains(key);
}

bool WaveformMemoryCache::insert(const QString& key, const WaveformPeaks& peaks) {
    if (!isValidWaveformSummary(peaks))
        return false;
    auto entry = std::make_unique<WaveformPeaks>(peaks);
    const QMutexLocker lock(&mutex_);
    // QCache takes ownership of the entry (and deletes it at once if it cannot hold it).
    return cache_.insert(key, entry.release(), 1);
}

int WaveformMemoryCache::count() const {
    const QMutexLocker lock(&mutex_);
    return static_cast<int>(cache_.count());
}

}  // namespace sv
