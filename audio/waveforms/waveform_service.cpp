#include "audio/waveforms/waveform_service.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <atomic>

#include "audio/waveforms/waveform_duration_memory.h"
#include "audio/waveforms/waveform_generator.h"
#include "audio/waveforms/waveform_job_queue.h"
#include "audio/waveforms/waveform_key.h"
#include "audio/waveforms/waveform_memory_cache.h"

namespace {

using sv::WaveformJobQueue;
using sv::WaveformPeaks;

class WaveformService {
  public:
    static WaveformService& shared() {
        static WaveformService service;
        return service;
    }

    std::optional<WaveformPeaks> request(const QString& path, std::int64_t modifiedAt,
                                         std::uint64_t fileSize, bool preload);
    std::optional<double> requestDuration(const QString& path, std::int64_t modifiedAt,
                                          std::uint64_t fileSize);
    void beginPreloadGeneration();
    bool shutdown(double seconds);
    bool hasFailed(const QString& key) const {
        const QMutexLocker lock(&setsMutex_);
        return failures_.contains(key);
    }

    sv::WaveformMemoryCache memory;
    sv::WaveformDurationMemory durations;
    std::atomic<std::uint64_t> preloadGeneration{0};
    // Declared last so that it is destroyed first: running jobs still find everything above.
    WaveformJobQueue queue{SVWaveformCache::kMaxWorkers};

  private:
    WaveformService() { SVWaveformNotifier::instance(); }  // outlives the service
    void generate(const QString& key, const QString& path);
    void readDuration(const QString& key, const QString& path);
    bool takeDurationWanted(const QString& key) {
        const QMutexLocker lock(&setsMutex_);
        return durationWanted_.remove(key);
    }
    void leaveInFlight(const QString& key) {
        const QMutexLocker lock(&setsMutex_);
        inFlight_.remove(key);
    }

    mutable QMutex setsMutex_;
    QSet<QString> inFlight_;
    QSet<QString> failures_;
    // Keys of the rows shown whose duration nobody knows yet, and those whose header is being
    // read; the first is emptied by every new preload generation (a new page of rows).
    QSet<QString> durationWanted_;
    QSet<QString> durationReads_;
    bool accepting_ = true;
};

std::optional<WaveformPeaks> WaveformService::request(const QString& path, std::int64_t modifiedAt,
                                                      std::uint64_t fileSize, bool preload) {
    const QString key = sv::waveformKey(path, modifiedAt, fileSize);
    if (auto cached = memory.find(key))
        return cached;

    const QMutexLocker lock(&setsMutex_);
    if (!accepting_ || failures_.contains(key) || inFlight_.contains(key))
        return std::nullopt;
    const std::size_t live = queue.liveCount();
    if (live >= SVWaveformCache::kMaxLiveOperations) {
        if (SVWaveformCache::debugLogging())
            qInfo("wave reject live=%lu %s", static_cast<unsigned long>(live), qPrintable(path));
        return std::nullopt;
    }
    inFlight_.insert(key);
    // A cancelled job runs only its completion, which is what takes the key out of flight.
    queue.enqueue([this, key, path] { generate(key, path); }, [this, key] { leaveInFlight(key); },
                  preload ? WaveformJobQueue::Priority::Low : WaveformJobQueue::Priority::VeryHigh);
    return std::nullopt;
}

std::optional<double> WaveformService::requestDuration(const QString& path, std::int64_t modifiedAt,
                                                       std::uint64_t fileSize) {
    const QString key = sv::waveformKey(path, modifiedAt, fileSize);
    if (auto known = durations.find(key))
        return known;
    {
        const QMutexLocker lock(&setsMutex_);
        if (!accepting_ || failures_.contains(key))
            return std::nullopt;
        // Wanted first, then the memory cache looked at: a generation storing its summary
        // meanwhile either sees the wish or is seen here.
        durationWanted_.insert(key);
        if (!memory.contains(key) || durationReads_.contains(key))
            return std::nullopt;
        durationReads_.insert(key);
    }
    // The summary is in memory, so no generation will come for this key: read the header alone.
    queue.enqueue([this, key, path] { readDuration(key, path); },
                  [this, key] {
                      const QMutexLocker lock(&setsMutex_);
                      durationReads_.remove(key);
                  },
                  WaveformJobQueue::Priority::Low);
    return std::nullopt;
}

void WaveformService::readDuration(const QString& key, const QString& path) {
    if (!takeDurationWanted(key))
        return;
    const double seconds = sv::readAudioFileDuration(path);
    if (!(seconds > 0.0))
        return;
    durations.insert(key, seconds);
    SVWaveformNotifier::instance()->postDuration(path, seconds);
}

void WaveformService::generate(const QString& key, const QString& path) {
    sv::WaveformGeneration generation = sv::generateWaveform(key, path);
    if (generation.peaks)
        memory.insert(key, *generation.peaks);
    // A summary from the cache file measured nothing: a row that lacks its duration gets it from
    // the file's header, which costs an open, not a decode.
    if (generation.peaks && generation.fromCacheFile && takeDurationWanted(key))
        generation.duration = sv::readAudioFileDuration(path);
    durations.insert(key, generation.duration);
    if (SVWaveformCache::debugLogging()) {
        qInfo("wave complete count=%lu %s",
              static_cast<unsigned long>(generation.peaks ? generation.peaks->size() : 0),
              qPrintable(path));
    }
    SVWaveformNotifier* notifier = SVWaveformNotifier::instance();
    if (generation.peaks) {
        notifier->postSucceeded(path, key, generation.duration);
        return;
    }
    {
        const QMutexLocker lock(&setsMutex_);
        failures_.insert(key);
    }
    SVWaveformError error;
    error.code = generation.errorCode != 0 ? generation.errorCode : 1;
    error.detail = QString::fromStdString(generation.errorDetail);
    notifier->postFailed(path, key, error, generation.duration);
}

void WaveformService::beginPreloadGeneration() {
    const std::uint64_t generation = ++preloadGeneration;
    const std::size_t operations = queue.liveCount();
    if (SVWaveformCache::debugLogging()) {
        qInfo("wave begin generation=%lu operations=%lu", static_cast<unsigned long>(generation),
              static_cast<unsigned long>(operations));
    }
    {
        const QMutexLocker lock(&setsMutex_);
        durationWanted_.clear();
    }
    queue.cancelQueued(true);
}

bool WaveformService::shutdown(double seconds) {
    {
        const QMutexLocker lock(&setsMutex_);
        accepting_ = false;
    }
    queue.cancelQueued(false);
    return queue.waitUntilIdle(seconds);
}

}  // namespace

std::optional<sv::WaveformPeaks> SVRequestWaveform(const QString& path, std::int64_t modifiedAt,
                                                   std::uint64_t fileSize, bool preload) {
    return WaveformService::shared().request(path, modifiedAt, fileSize, preload);
}

void SVWaveformCache::preloadAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                         std::uint64_t fileSize) {
    SVRequestWaveform(path, modifiedAt, fileSize, true);
}

std::optional<double> SVWaveformCache::knownDurationAtPath(const QString& path,
                                                           std::int64_t modifiedAt,
                                                           std::uint64_t fileSize) {
    return WaveformService::shared().durations.find(sv::waveformKey(path, modifiedAt, fileSize));
}

std::optional<double> SVWaveformCache::requestDurationAtPath(const QString& path,
                                                             std::int64_t modifiedAt,
                                                             std::uint64_t fileSize) {
    return WaveformService::shared().requestDuration(path, modifiedAt, fileSize);
}

void SVWaveformCache::beginPreloadGeneration() {
    WaveformService::shared().beginPreloadGeneration();
}

bool SVWaveformCache::hasCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                           std::uint64_t fileSize) {
    return WaveformService::shared().memory.contains(sv::waveformKey(path, modifiedAt, fileSize));
}

bool SVWaveformCache::hasFailedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                           std::uint64_t fileSize) {
    return hasFailedKey(sv::waveformKey(path, modifiedAt, fileSize));
}

std::optional<sv::WaveformPeaks> SVWaveformCache::cachedPeaksForKey(const QString& key) {
    return WaveformService::shared().memory.find(key);
}

bool SVWaveformCache::hasFailedKey(const QString& key) {
    return WaveformService::shared().hasFailed(key);
}

std::size_t SVWaveformCache::pendingJobCount() {
    return WaveformService::shared().queue.liveCount();
}

std::size_t SVWaveformCache::activeWorkerCount() {
    return WaveformService::shared().queue.runningCount();
}

std::size_t SVWaveformCache::maximumObservedJobCount() {
    return WaveformService::shared().queue.maximumObservedCount();
}

std::uint64_t SVWaveformCache::preloadGeneration() {
    return WaveformService::shared().preloadGeneration.load();
}

bool SVWaveformCache::waitUntilIdleWithTimeout(double seconds) {
    return WaveformService::shared().queue.waitUntilIdle(seconds);
}

bool SVWaveformCache::shutdownWithTimeout(double seconds) {
    return WaveformService::shared().shutdown(seconds);
}

bool SVWaveformCache::debugLogging() {
    static const bool enabled = qEnvironmentVariableIsSet("SAMPLEVORLAN_WAVEFORM_DEBUG");
    return enabled;
}
