#pragma once

// What the window benchmarks share: their data folders under the build folder, launching the
// window on a catalogue, timing with the main thread's processor time beside the wall clock,
// medians and percentiles, and running the event loop for a while or until something is done.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QRect>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class SVController;

namespace sv::bench {

// `name` under the folder the benchmarks are run from ($SV_BINARY_DIR, else the working folder).
std::filesystem::path dataFolder(const std::string& name);

// A window launched on `catalogue` as the application does, without the audio warm-up, on a
// screen whose visible frame is `screen`. The event loop has not run yet.
std::unique_ptr<SVController> launchWindow(const std::filesystem::path& catalogue,
                                           QRect screen = QRect(0, 0, 1920, 1080));

// This thread's processor time: on a machine shared with other work, what the main thread
// itself spent, whatever share of the processor it was given.
double threadCpuMilliseconds();

double elapsedMilliseconds(const QElapsedTimer& timer);

struct Timing {
    double ms = 0;
    double cpuMs = 0;
};

// Wall-clock and main-thread processor time of `step`.
Timing timed(const std::function<void()>& step);
double timedMilliseconds(const std::function<void()>& step);

// Median, 95th percentile, least and greatest of a set of times (zeros when it is empty).
struct Figures {
    double median = 0;
    double p95 = 0;
    double low = 0;
    double high = 0;
};
Figures figuresOf(std::vector<double> ms);

// The median and 95th percentile as the counters `prefix`median_ms and `prefix`p95_ms.
void reportPercentiles(benchmark::State& state, const std::vector<double>& ms,
                       const std::string& prefix = "");

// Runs the event loop for `ms` milliseconds.
void runEventLoop(int ms);

// Runs the event loop until `done` holds or `ms` milliseconds have passed; false on time-out.
// It sleeps until something arrives, as the window's event loop does, instead of taking a core
// from the background workers.
bool waitFor(const std::function<bool()>& done, int ms = 10000);

// Fresh XDG data, configuration and state folders under `home`, so that nothing of the user's
// own is read or written.
void useFreshHome(const std::filesystem::path& home);

// The main of a Google Benchmark program over the window: the offscreen platform unless another
// is asked for, the application, settings kept in `settingsFolder`, then every benchmark.
int runWindowBenchmarks(int argc, char** argv, const std::filesystem::path& settingsFolder);

}  // namespace sv::bench
