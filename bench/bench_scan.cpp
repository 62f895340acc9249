// Scanning a generated library of WAV files (10,000 unless SV_BENCH_SCAN_FILES says otherwise):
// the first scan against reading every byte of the same files once, and an unchanged rescan
// against one status query per file. Each size of library is generated once into a cache
// folder under /tmp and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "core/scanning/library_scanner.h"
#include "core/scanning/scan_job.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSampleRate = 44100;

int fileCount() {
    const char* text = std::getenv("SV_BENCH_SCAN_FILES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : 10'000;
}
const int kFileCount = fileCount();
const fs::path kCache = kFileCount == 10'000
                            ? fs::path("/tmp/sv-bench-scan-library")
                            : fs::path("/tmp/sv-bench-scan-library-" + std::to_string(kFileCount));

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A mono 16-bit file of decaying tone hits, `seconds` long.
std::string wavBytes(double seconds, double frequency, double hitEvery) {
    const auto frames = static_cast<std::uint32_t>(seconds * kSampleRate);
    std::string data;
    data.reserve(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double sinceHit = std::fmod(t, hitEvery);
        const double value = 0.7 * std::exp(-sinceHit * 18.0) * std::sin(6.2831853 * frequency * t);
        putLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(value * 32767.0)), 2);
    }
    std::string out = "RIFF";
    putLe(out, 36 + static_cast<std::uint32_t>(data.size()), 4);
    out += "WAVEfmt ";
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, 1, 2);
    putLe(out, kSampleRate, 4);
    putLe(out, kSampleRate * 2, 4);
    putLe(out, 2, 2);
    putLe(out, 16, 2);
    out += "data";
    putLe(out, static_cast<std::uint32_t>(data.size()), 4);
    return out + data;
}

std::vector<fs::path> generateLibrary() {
    const char* genres[] = {"House", "Trap", "Techno", "Hip Hop", "Drum and Bass"};
    const char* kinds[] = {"Loops", "One Shots"};
    const char* instruments[] = {"Kick", "Snare", "Hat", "Bass", "Pad", "Keys", "Vocal", "Lead"};
    const char* keys[] = {"Am", "C", "F#m", "Ebmaj", "G", "Dmin"};
    std::mt19937 random(42);
    std::vector<fs::path> files;
    const bool complete = fs::exists(kCache / ".complete");
    for (int i = 0; i < kFileCount; ++i) {
        const std::string instrument = instruments[i % 8];
        const int bpm = 80 + (i * 7) % 100;
        const fs::path folder = kCache / "Library" / genres[i % 5] / kinds[(i / 5) % 2] /
                                instrument / ("Pack " + std::to_string(i % 25));
        const fs::path file = folder / (instrument + " " + std::to_string(bpm) + " BPM " +
                                        keys[i % 6] + " " + std::to_string(i) + ".wav");
        files.push_back(file);
        if (complete)
            continue;
        const double seconds = 0.1 + 2.9 * std::uniform_real_distribution<double>(0, 1)(random);
        fs::create_directories(folder);
        std::ofstream(file, std::ios::binary)
            << wavBytes(seconds, 110.0 + i % 400, 0.25 + (i % 4) * 0.125);
    }
    if (!complete)
        std::ofstream(kCache / ".complete") << "ok";
    return files;
}

const std::vector<fs::path>& library() {
    static const std::vector<fs::path> files = generateLibrary();
    return files;
}

std::uint64_t readEveryByte(const std::vector<fs::path>& files) {
    std::vector<char> buffer(1 << 16);
    std::uint64_t total = 0;
    for (const fs::path& file : files) {
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in)
            continue;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
            total += n;
        std::fclose(in);
    }
    return total;
}

// Mean seconds per iteration of each measurement.
struct Figures {
    double readSeconds = 0;
    double firstScanSeconds = 0;
    double statSeconds = 0;
    double rescanSeconds = 0;
    // Scans with and without the window's progress reports, in alternating pairs.
    double quietFirstScanSeconds = 0;
    double reportingFirstScanSeconds = 0;
    double quietRescanSeconds = 0;
    double reportingRescanSeconds = 0;
    // The same scans' processor time (every thread of the process): other work on a shared
    // machine stretches wall time far more than it does this.
    double quietFirstScanCpu = 0;
    double reportingFirstScanCpu = 0;
    double quietRescanCpu = 0;
    double reportingRescanCpu = 0;
    // Time spent inside the progress callback, and the reports passed on to the status text.
    double callbackSeconds = 0;
    double reportingSeconds = 0;
    std::size_t callbacks = 0;
    std::size_t texts = 0;
};
Figures figures;

double seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void removeCatalogue(const fs::path& file) {
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(file.string() + suffix);
}

const fs::path kCatalogue = kCache / "bench.db";

void BM_ReadEveryByte(benchmark::State& state) {
    const auto& files = library();
    readEveryByte(files);  // warm the page cache
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(readEveryByte(files));
        const double elapsed = seconds(std::chrono::steady_clock::now() - start);
        figures.readSeconds += elapsed / static_cast<double>(state.max_iterations);
        state.SetIterationTime(elapsed);
    }
}

void BM_FirstScan(benchmark::State& state) {
    const auto& files = library();
    for (auto _ : state) {
        removeCatalogue(kCatalogue);
        sv::Database db(kCatalogue);
        sv::LibraryScanner scanner(db);
        const auto start = std::chrono::steady_clock::now();
        const sv::ScanStats stats = scanner.scan(kCache / "Library");
        const double elapsed = seconds(std::chrono::steady_clock::now() - start);
        figures.firstScanSeconds += elapsed / static_cast<double>(state.max_iterations);
        state.SetIterationTime(elapsed);
        state.counters["added"] = static_cast<double>(stats.added);
    }
    state.counters["files"] = static_cast<double>(files.size());
}

void BM_StatEveryFile(benchmark::State& state) {
    const auto& files = library();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::uint64_t total = 0;
        for (const fs::path& file : files) {
            struct stat info {};
            if (::stat(file.c_str(), &info) == 0)
                total += static_cast<std::uint64_t>(info.st_size);
        }
        benchmark::DoNotOptimize(total);
        const double elapsed = seconds(std::chrono::steady_clock::now() - start);
        figures.statSeconds += elapsed / static_cast<double>(state.max_iterations);
        state.SetIterationTime(elapsed);
    }
}

void BM_UnchangedRescan(benchmark::State& state) {
    sv::Database db(kCatalogue);
    sv::LibraryScanner scanner(db);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const sv::ScanStats stats = scanner.scan(kCache / "Library");
        const double elapsed = seconds(std::chrono::steady_clock::now() - start);
        figures.rescanSeconds += elapsed / static_cast<double>(state.max_iterations);
        state.SetIterationTime(elapsed);
        state.counters["unchanged"] = static_cast<double>(stats.unchanged);
    }
}

// One scan as the window runs it: reports per committed batch, passed on at most four times a
// second as the status text, which here is built and dropped instead of posted to a window.
struct ScanTime {
    double wall = 0;
    double cpu = 0;
};

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto secondsOf = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
}

ScanTime timedScan(sv::LibraryScanner& scanner, bool reporting) {
    std::size_t textBytes = 0;
    sv::ScanProgressThrottle throttle([&](std::size_t files, const std::string& lastPath) {
        textBytes += sv::scanProgressText(sv::folderNameOf(lastPath), files).size();
        ++figures.texts;
    });
    const sv::LibraryScanner::Progress passOn = throttle.callback();
    const sv::LibraryScanner::Progress timed = [&](std::size_t files, const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        passOn(files, path);
        figures.callbackSeconds += seconds(std::chrono::steady_clock::now() - start);
        ++figures.callbacks;
    };
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (reporting)
        scanner.scan(kCache / "Library", timed, false, nullptr,
                     sv::LibraryScanner::ProgressEvery::Batch);
    else
        scanner.scan(kCache / "Library");
    benchmark::DoNotOptimize(textBytes);
    const ScanTime time{seconds(std::chrono::steady_clock::now() - start),
                        processCpuSeconds() - cpuStart};
    if (reporting)
        figures.reportingSeconds += time.wall;
    return time;
}

// The cost of progress reports: first scans and unchanged rescans with and without them, in
// pairs whose order alternates, so that a machine busy with other work weighs on both alike.
void BM_ProgressCost(benchmark::State& state) {
    library();
    const fs::path catalogue = kCache / "progress.db";
    for (auto _ : state) {
        double elapsed = 0;
        for (int pair = 0; pair < 2; ++pair) {
            const bool reportingFirst = pair % 2 == 1;
            for (const bool reporting : {reportingFirst, !reportingFirst}) {
                removeCatalogue(catalogue);
                sv::Database db(catalogue);
                sv::LibraryScanner scanner(db);
                const ScanTime first = timedScan(scanner, reporting);
                const ScanTime rescan = timedScan(scanner, reporting);
                (reporting ? figures.reportingFirstScanSeconds : figures.quietFirstScanSeconds) +=
                    first.wall;
                (reporting ? figures.reportingRescanSeconds : figures.quietRescanSeconds) +=
                    rescan.wall;
                (reporting ? figures.reportingFirstScanCpu : figures.quietFirstScanCpu) +=
                    first.cpu;
                (reporting ? figures.reportingRescanCpu : figures.quietRescanCpu) += rescan.cpu;
                elapsed += first.wall + rescan.wall;
            }
        }
        state.SetIterationTime(elapsed);
    }
    removeCatalogue(catalogue);
}

BENCHMARK(BM_ReadEveryByte)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatEveryFile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedRescan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgressCost)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (figures.readSeconds > 0 && figures.firstScanSeconds > 0)
        std::printf("first scan / read every byte: %.2f (target <= 2.5)\n",
                    figures.firstScanSeconds / figures.readSeconds);
    if (figures.statSeconds > 0 && figures.rescanSeconds > 0)
        std::printf("unchanged rescan / stat every file: %.2f (target <= 5)\n",
                    figures.rescanSeconds / figures.statSeconds);
    if (figures.quietFirstScanSeconds > 0 && figures.quietRescanSeconds > 0) {
        std::printf("first scan with progress / without: %.3f (target <= 1.02)\n",
                    figures.reportingFirstScanSeconds / figures.quietFirstScanSeconds);
        std::printf("unchanged rescan with progress / without: %.3f (target <= 1.02)\n",
                    figures.reportingRescanSeconds / figures.quietRescanSeconds);
        std::printf("processor time, first scan with progress / without: %.3f\n",
                    figures.reportingFirstScanCpu / figures.quietFirstScanCpu);
        std::printf("processor time, unchanged rescan with progress / without: %.3f\n",
                    figures.reportingRescanCpu / figures.quietRescanCpu);
        std::printf(
            "inside the progress callback: %.4f %% of the reporting scans' time "
            "(%zu calls, %zu status texts)\n",
            100.0 * figures.callbackSeconds / figures.reportingSeconds, figures.callbacks,
            figures.texts);
    }
    return 0;
}
