#pragma once

#include <QCache>
#include <QMutex>
#include <QString>

#include <optional>

namespace sv {

// Durations in seconds by waveform key, as measured by a decode or read from a file's header,
// evicting the least recently used beyond its capacity. They live only as long as the process:
// the catalogue is not changed. Safe for concurrent use.
class WaveformDurationMemory {
  public:
    static constexpr int kDefaultCapacity = 20'000;

    explicit WaveformDurationMemory(int capacity = kDefaultCapacity);

    std::optional<double> find(const QString& key) const;
    // Keeps a duration above 0; anything else is ignored.
    void insert(const QString& key, double seconds);

  private:
    mutable QMutex mutex_;
    mutable QCache<QString, double> cache_;
};

// The duration a file's header gives (frames ÷ rate); 0 when it cannot be opened or says nothing.
double readAudioFileDuration(const QString& path);

}  // namespace sv
