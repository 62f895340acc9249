#pragma once

// The process-wide waveform service: requests answered from the memory cache or scheduled on
// two workers (ordinary requests before preloads), failures remembered for the process, and
// results announced through SVWaveformNotifier on the main thread.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/waveforms/waveform_notifier.h"
#include "audio/waveforms/waveform_summary.h"

// The summary of (path, modification time in Unix seconds, size) when the memory cache holds
// it. Otherwise schedules its generation (unless it failed before, is already in flight, or 64
// operations are live) and returns nothing. Callable from any thread.
std::optional<sv::WaveformPeaks> SVRequestWaveform(const QString& path, std::int64_t modifiedAt,
                                                   std::uint64_t fileSize, bool preload);

// The class operations of the waveform cache, shared by the player, every results row and the
// companion tool.
class SVWaveformCache {
  public:
    static constexpr int kMaxWorkers = 2;
    static constexpr std::size_t kMaxLiveOperations = 64;

    // SVRequestWaveform with preload = true.
    static void preloadAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                   std::uint64_t fileSize);
    // Raises the preload generation, cancels every queued preload and forgets the durations
    // asked for by the rows of the previous page.
    static void beginPreloadGeneration();

    // The duration of (path, modification time, size) measured by a decode or read from the
    // file's header in this process, if any.
    static std::optional<double> knownDurationAtPath(const QString& path, std::int64_t modifiedAt,
                                                     std::uint64_t fileSize);
    // For a row whose duration the catalogue lacks: the known duration, or none, and then the
    // workers read it from the file's header when the summary comes from the cache file or is
    // already in memory (a decode measures it anyway), and post "SVWaveformDurationDidUpdate"
    // as a decode does. The wish lasts until the next preload generation.
    static std::optional<double> requestDurationAtPath(const QString& path, std::int64_t modifiedAt,
                                                       std::uint64_t fileSize);

    static bool hasCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                     std::uint64_t fileSize);
    static bool hasFailedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                     std::uint64_t fileSize);
    // The memory cache's summary for a key, as named by the notifications.
    static std::optional<sv::WaveformPeaks> cachedPeaksForKey(const QString& key);
    static bool hasFailedKey(const QString& key);

    // Operations in the queue (waiting or executing), those executing, and the largest live
    // count seen right after a request was queued.
    static std::size_t pendingJobCount();
    static std::size_t activeWorkerCount();
    static std::size_t maximumObservedJobCount();
    static std::uint64_t preloadGeneration();

    // Sleeps in steps of 0.01 s until the queue is empty or `seconds` have passed; returns
    // whether it is empty.
    static bool waitUntilIdleWithTimeout(double seconds);

    // For quitting: refuses new requests from now on, cancels every queued operation and
    // waits up to `seconds` for those executing. Returns whether the queue became empty.
    static bool shutdownWithTimeout(double seconds);

    // Whether "SAMPLEVORLAN_WAVEFORM_DEBUG" was set (to anything) when first read.
    static bool debugLogging();
};
