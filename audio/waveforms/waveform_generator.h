#pragma once

// Producing the summary of one key on the calling thread: from its cache file when that holds a
// valid summary, otherwise by decoding the audio file and writing the cache file.

#include <QString>

#include <optional>
#include <string>

#include "audio/waveforms/waveform_summary.h"

namespace sv {

enum class CacheFileUse {
    // Read the cache file first and write it after decoding.
    ReadAndWrite,
    // Decode without reading or writing the cache file.
    Bypass,
};

struct WaveformGeneration {
    std::optional<WaveformPeaks> peaks;
    // Seconds measured by an actual decode; 0 for a cache-file hit or a file that never opened.
    double duration = 0.0;
    bool fromCacheFile = false;
    // For a failure: the decoder's status (or 1) and its message.
    int errorCode = 0;
    std::string errorDetail;
};

WaveformGeneration generateWaveform(const QString& key, const QString& path,
                                    CacheFileUse cacheUse = CacheFileUse::ReadAndWrite);

}  // namespace sv
