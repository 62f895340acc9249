#include "bench/support/app_bench_support.h"

#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdlib>

#include "app/window/sv_controller.h"

namespace sv::bench {

std::filesystem::path dataFolder(const std::string& name) {
    const char* binary = std::getenv("SV_BINARY_DIR");
    return std::filesystem::path(binary ? binary : ".") / name;
}

std::unique_ptr<SVController> launchWindow(const std::filesystem::path& catalogue, QRect screen) {
    SVControllerOptions options;
    options.catalogue = catalogue;
    options.warmUpAudio = false;
    options.stopWaveformWorkersOnQuit = false;
    options.visibleFrame = [screen] { return screen; };
    auto controller = std::make_unique<SVController>(options);
    controller->applicationDidFinishLaunching();
    return controller;
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double elapsedMilliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

Timing timed(const std::function<void()>& step) {
    QElapsedTimer timer;
    const double cpuStart = threadCpuMilliseconds();
    timer.start();
    step();
    const double ms = elapsedMilliseconds(timer);
    return {ms, threadCpuMilliseconds() - cpuStart};
}

double timedMilliseconds(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    return elapsedMilliseconds(timer);
}

Figures figuresOf(std::vector<double> ms) {
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.front(),
            ms.back()};
}

void reportPercentiles(benchmark::State& state, const std::vector<double>& ms,
                       const std::string& prefix) {
    if (ms.empty())
        return;
    const Figures figures = figuresOf(ms);
    state.counters[prefix + "median_ms"] = figures.median;
    state.counters[prefix + "p95_ms"] = figures.p95;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

void useFreshHome(const std::filesystem::path& home) {
    std::filesystem::remove_all(home);
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        std::filesystem::create_directories(home / variable);
        setenv(variable, (home / variable).c_str(), 1);
    }
}

int runWindowBenchmarks(int argc, char** argv, const std::filesystem::path& settingsFolder) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::filesystem::create_directories(settingsFolder);
    QApplication application(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settingsFolder.string()));
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}

}  // namespace sv::bench
