#include "audio/waveforms/waveform_generator.h"

#include "audio/waveforms/waveform_disk_cache.h"

namespace sv {

WaveformGeneration generateWaveform(const QString& key, const QString& path,
                                    CacheFileUse cacheUse) {
    WaveformGeneration generation;
    const QString cacheFile = waveformCacheFilePath(key);
    if (cacheUse == CacheFileUse::ReadAndWrite) {
        if (auto cached = readWaveformCacheFile(cacheFile)) {
            generation.peaks = std::move(cached);
            generation.fromCacheFile = true;
            return generation;
        }
    }

    WaveformDecodeResult decoded = decodeWaveformSummary(path.toStdString());
    generation.duration = decoded.duration;
    generation.errorCode = decoded.errorCode;
    generation.errorDetail = std::move(decoded.errorDetail);
    if (decoded.peaks && isValidWaveformSummary(*decoded.peaks)) {
        generation.peaks = std::move(decoded.peaks);
        // A summary that cannot be written is still shown; the next run decodes again.
        if (cacheUse == CacheFileUse::ReadAndWrite)
            writeWaveformCacheFile(cacheFile, *generation.peaks);
    } else if (generation.errorCode == 0) {
        generation.errorCode = 1;
    }
    return generation;
}

}  // namespace sv
