#pragma once

#include <QCache>
#include <QMutex>
#include <QString>

#include <optional>

#include "audio/waveforms/waveform_summary.h"

namespace sv {

// Summaries by key, evicting the least recently used beyond its capacity. Safe for concurrent use.
class WaveformMemoryCache {
  public:
    static constexpr int kDefaultCapacity = 1000;

    explicit WaveformMemoryCache(int capacity = kDefaultCapacity);

    std::optional<WaveformPeaks> find(const QString& key) const;
    bool contains(const QString& key) const;
    // Stores a valid summary; anything else is refused.
    bool insert(const QString& key, const WaveformPeaks& peaks);
    int count() const;

  private:
    mutable QMutex mutex_;
    // Looking an entry up refreshes its recency, hence mutable.
    mutable QCache<QString, WaveformPeaks> cache_;
};

}  // namespace sv
