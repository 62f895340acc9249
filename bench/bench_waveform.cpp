// Waveform summaries: generation against a bare libsndfile decode of the same file, and a
// cache-file hit against generation from audio. Ratios are measured within the same run.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "audio/waveforms/waveform_disk_cache.h"
#include "audio/waveforms/waveform_generator.h"
#include "audio/waveforms/waveform_key.h"
#include "audio/waveforms/waveform_summary.h"

namespace {

enum Format { Wav16 = 0, Wav24 = 1, Mp3 = 2 };
const char* const kFormatNames[] = {"wav16", "wav24", "mp3"};
constexpr int kRate = 44100;
constexpr int kChannels = 2;

std::filesystem::path benchFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("sv-bench-waveform-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        setenv("XDG_DATA_HOME", (path / "data").c_str(), 1);
        return path;
    }();
    return folder;
}

// A stereo file of a slowly swelling tone, written once per format and length.
std::string audioFile(Format format, int seconds) {
    static std::map<std::pair<int, int>, std::string> written;
    const auto found = written.find({format, seconds});
    if (found != written.end())
        return found->second;
    const auto path = benchFolder() / (std::string(kFormatNames[format]) + "-" +
                                       std::to_string(seconds) + (format == Mp3 ? ".mp3" : ".wav"));
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = kChannels;
    info.format = format == Mp3     ? (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)
                  : format == Wav16 ? (SF_FORMAT_WAV | SF_FORMAT_PCM_16)
                                    : (SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error(sf_strerror(nullptr));
    std::vector<float> chunk(8192 * kChannels);
    const std::int64_t frames = std::int64_t{seconds} * kRate;
    for (std::int64_t start = 0; start < frames; start += 8192) {
        const std::int64_t count = std::min<std::int64_t>(8192, frames - start);
        for (std::int64_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(start + i) / kRate;
            const float value =
                static_cast<float>(0.8 * std::sin(t * 0.7) * std::sin(t * 2 * M_PI * 220));
            chunk[2 * i] = value;
            chunk[2 * i + 1] = -value * 0.5f;
        }
        sf_writef_float(file, chunk.data(), count);
    }
    sf_close(file);
    return written[{format, seconds}] = path.string();
}

// The floor: open the file and read every frame in 8,192-frame chunks, nothing else.
double bareDecode(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return 0.0;
    std::vector<float> buffer(8192 * static_cast<std::size_t>(info.channels));
    double sum = 0.0;
    while (const sf_count_t got = sf_readf_float(file, buffer.data(), 8192))
        sum += buffer[0] + got;
    sf_close(file);
    return sum;
}

// CPU time of this thread: the machine is shared, so wall time would measure the neighbours.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Body>
double fastestSeconds(int runs, Body body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuSeconds();
        body();
        best = std::min(best, cpuSeconds() - start);
    }
    return best;
}

long residentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_BareDecode(benchmark::State& state) {
    const std::string path =
        audioFile(static_cast<Format>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bareDecode(path));
    state.SetLabel(kFormatNames[state.range(0)]);
}

void BM_SummaryGeneration(benchmark::State& state) {
    const std::string path =
        audioFile(static_cast<Format>(state.range(0)), static_cast<int>(state.range(1)));
    const int runs = state.range(1) >= 60 ? 3 : 5;
    const double bare = fastestSeconds(runs, [&] { benchmark::DoNotOptimize(bareDecode(path)); });
    const long residentBefore = residentKiB();
    double summary = 1e30;
    for (auto _ : state) {
        const double start = cpuSeconds();
        auto result = sv::decodeWaveformSummary(path);
        benchmark::DoNotOptimize(result);
        summary = std::min(summary, cpuSeconds() - start);
    }
    state.counters["ratio_to_bare_decode"] = summary / bare;
    state.counters["bare_decode_ms"] = bare * 1000.0;
    state.counters["rss_growth_KiB"] = static_cast<double>(residentKiB() - residentBefore);
    state.SetLabel(kFormatNames[state.range(0)]);
}

void BM_DiskCacheHit(benchmark::State& state) {
    const std::string path = audioFile(Wav16, static_cast<int>(state.range(0)));
    const QString qpath = QString::fromStdString(path);
    const auto stamp = sv::readFileStamp(path).value();
    const QString key = sv::waveformKey(qpath, stamp.modifiedAt, stamp.fileSize);
    const double fromAudio = fastestSeconds(3, [&] {
        benchmark::DoNotOptimize(sv::generateWaveform(key, qpath, sv::CacheFileUse::Bypass));
    });
    sv::writeWaveformCacheFile(sv::waveformCacheFilePath(key),
                               *sv::decodeWaveformSummary(path).peaks);
    // Hits are timed in batches: reading this thread's CPU clock is itself a system call of
    // about a microsecond here, a tenth of one hit.
    constexpr int kBatch = 32;
    double hit = 1e30;
    for (auto _ : state) {
        const double start = cpuSeconds();
        for (int i = 0; i < kBatch; ++i) {
            auto generation = sv::generateWaveform(key, qpath);
            if (!generation.fromCacheFile)
                state.SkipWithError("cache file not used");
            benchmark::DoNotOptimize(generation);
        }
        hit = std::min(hit, (cpuSeconds() - start) / kBatch);
    }
    state.counters["hit_us"] = hit * 1e6;
    state.counters["speedup_over_generation"] = fromAudio / hit;
    state.counters["generation_ms"] = fromAudio * 1000.0;
}

void summaryArguments(benchmark::internal::Benchmark* benchmark) {
    for (int format : {Wav16, Wav24, Mp3})
        for (int seconds : {1, 10, 60})
            benchmark->Args({format, seconds});
}

BENCHMARK(BM_BareDecode)->Apply(summaryArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryGeneration)->Apply(summaryArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiskCacheHit)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchFolder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(benchFolder(), ignored);
    return 0;
}
