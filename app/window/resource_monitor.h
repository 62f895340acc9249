#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>

// CPU and memory figures of the own process, sampled every 2 seconds while the figures are
// on screen. The CPU figure is the share of one core used since the previous sample.
class SVResourceMonitor : public QObject {
    Q_OBJECT
  public:
    explicit SVResourceMonitor(QObject* parent = nullptr);

    // Starts (taking one sample at once) or stops the monitor.
    void updateResourceUsageMonitoring(bool figuresShown);
    void stop();
    bool running() const { return _resourceUsageTimer.isActive(); }

    // One sample: updates the figures from the process's resource usage.
    void sample();

    QString cpuText() const { return _cpuText; }
    QString memoryText() const { return _memoryText; }

    // "%.1f%%" of the CPU share, or "--" when there is no usable previous sample.
    static QString cpuFigure(std::uint64_t previousCpu, std::uint64_t previousWall,
                             std::uint64_t cpu, std::uint64_t wall);
    // "%.0f MB" below 1024 MB, else "%.1f GB".
    static QString memoryFigure(std::uint64_t bytes);
    // Resident memory of the own process in bytes, read from /proc/self/statm.
    static std::optional<std::uint64_t> residentBytes();

  signals:
    void figuresChanged(const QString& cpu, const QString& memory);

  private:
    QTimer _resourceUsageTimer;
    std::uint64_t _resourcePreviousCPUTime = 0;
    std::uint64_t _resourcePreviousWallTime = 0;
    QString _cpuText = QStringLiteral("--");
    QString _memoryText;
};
