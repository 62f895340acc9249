#include "app/window/resource_monitor.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <fstream>

namespace {

std::uint64_t nanoseconds(const timeval& value) {
    return static_cast<std::uint64_t>(value.tv_sec) * 1'000'000'000ULL +
           static_cast<std::uint64_t>(value.tv_usec) * 1'000ULL;
}

std::uint64_t monotonicRawNanoseconds() {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &now) != 0)
        return 0;
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000ULL +
           static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace

SVResourceMonitor::SVResourceMonitor(QObject* parent) : QObject(parent) {
    _resourceUsageTimer.setInterval(2000);
    _resourceUsageTimer.setTimerType(Qt::CoarseTimer);
    connect(&_resourceUsageTimer, &QTimer::timeout, this, &SVResourceMonitor::sample);
}

void SVResourceMonitor::updateResourceUsageMonitoring(bool figuresShown) {
    if (!figuresShown) {
        stop();
        return;
    }
    if (_resourceUsageTimer.isActive())
        return;
    sample();
    _resourceUsageTimer.start();
}

void SVResourceMonitor::stop() {
    _resourceUsageTimer.stop();
    _resourcePreviousCPUTime = 0;
    _resourcePreviousWallTime = 0;
}

void SVResourceMonitor::sample() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        _cpuText = QStringLiteral("--");
        emit figuresChanged(_cpuText, _memoryText);
        return;
    }
    const std::uint64_t cpu = nanoseconds(usage.ru_utime) + nanoseconds(usage.ru_stime);
    const std::uint64_t wall = monotonicRawNanoseconds();
    _cpuText = cpuFigure(_resourcePreviousCPUTime, _resourcePreviousWallTime, cpu, wall);
    _resourcePreviousCPUTime = cpu;
    _resourcePreviousWallTime = wall;
    if (const auto bytes = residentBytes())
        _memoryText = memoryFigure(*bytes);
    emit figuresChanged(_cpuText, _memoryText);
}

QString SVResourceMonitor::cpuFigure(std::uint64_t previousCpu, std::uint64_t previousWall,
                                     std::uint64_t cpu, std::uint64_t wall) {
    const bool havePrevious = previousCpu != 0 || previousWall != 0;
    if (!havePrevious || wall <= previousWall || cpu < previousCpu)
        return QStringLiteral("--");
    const double share =
        static_cast<double>(cpu - previousCpu) / static_cast<double>(wall - previousWall) * 100.0;
    return QString::asprintf("%.1f%%", share);
}

QString SVResourceMonitor::memoryFigure(std::uint64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / 1048576.0;
    if (megabytes >= 1024.0)
        return QString::asprintf("%.1f GB", megabytes / 1024.0);
    return QString::asprintf("%.0f MB", megabytes);
}

std::optional<std::uint64_t> SVResourceMonitor::residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t totalPages = 0;
    std::uint64_t residentPages = 0;
    if (!(statm >> totalPages >> residentPages))
        return std::nullopt;
    const long pageSize = sysconf(_SC_PAGESIZE);
    return residentPages * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 4096);
}
