// Throughput of the audio structure analysis against reading the same WAV file into memory.
// Each iteration analyses the file (timed) and reads it whole (timed separately), so both see
// the same page cache; the counter ratio_to_read is read time / analysis time, i.e. analysis
// throughput as a share of read throughput.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "core/inference/audio_structure_analyzer.h"

namespace {

void appendLittle(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A drum-like signal: a decaying tone every quarter second over a quiet bed.
double sampleAt(std::size_t frame, int channel, std::uint32_t rate) {
    const double t = static_cast<double>(frame) / rate;
    const double sinceHit = std::fmod(t, 0.25);
    const double hit = 0.7 * std::exp(-sinceHit / 0.03) *
                       std::sin(2.0 * std::numbers::pi * (180.0 + 40.0 * channel) * sinceHit);
    return hit + 0.05 * std::sin(2.0 * std::numbers::pi * 330.0 * t);
}

std::filesystem::path writeWav(const std::filesystem::path& folder, double seconds, int bits,
                               int channels) {
    constexpr std::uint32_t rate = 44100;
    const auto frames = static_cast<std::size_t>(seconds * rate);
    const int bytes = bits / 8;
    std::string data;
    data.reserve(frames * channels * bytes);
    const double full = std::ldexp(1.0, bits - 1) - 1.0;
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            appendLittle(data, static_cast<std::uint64_t>(std::lround(sampleAt(f, c, rate) * full)),
                         bytes);
    std::string fmt;
    appendLittle(fmt, 1, 2);
    appendLittle(fmt, channels, 2);
    appendLittle(fmt, rate, 4);
    appendLittle(fmt, rate * channels * bytes, 4);
    appendLittle(fmt, channels * bytes, 2);
    appendLittle(fmt, bits, 2);
    std::string file = "RIFF";
    appendLittle(file, 4 + 8 + fmt.size() + 8 + data.size(), 4);
    file += "WAVEfmt ";
    appendLittle(file, fmt.size(), 4);
    file += fmt + "data";
    appendLittle(file, data.size(), 4);
    file += data;
    const auto path =
        folder / (std::to_string(static_cast<int>(seconds)) + "s-" + std::to_string(bits) + "bit-" +
                  std::to_string(channels) + "ch.wav");
    std::ofstream(path, std::ios::binary)
        .write(file.data(), static_cast<std::streamsize>(file.size()));
    return path;
}

std::size_t readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    auto buffer = std::make_unique_for_overwrite<char[]>(size);
    in.read(buffer.get(), static_cast<std::streamsize>(size));
    benchmark::DoNotOptimize(buffer.get());
    return static_cast<std::size_t>(in.gcount());
}

class Files {
  public:
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sv-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        folder_ = pattern;
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::filesystem::path& get(double seconds, int bits, int channels) {
        const std::string key =
            std::to_string(seconds) + "/" + std::to_string(bits) + "/" + std::to_string(channels);
        for (const auto& [name, path] : made_)
            if (name == key)
                return path;
        made_.emplace_back(key, writeWav(folder_, seconds, bits, channels));
        return made_.back().second;
    }

  private:
    std::filesystem::path folder_;
    std::vector<std::pair<std::string, std::filesystem::path>> made_;
};

Files& files() {
    static Files instance;
    return instance;
}

void BM_Analyze(benchmark::State& state) {
    const double seconds = static_cast<double>(state.range(0));
    const int bits = static_cast<int>(state.range(1));
    const int channels = static_cast<int>(state.range(2));
    const auto& path = files().get(seconds, bits, channels);
    const std::uintmax_t size = std::filesystem::file_size(path);
    const sv::AudioStructureAnalyzer analyzer;
    using Clock = std::chrono::steady_clock;
    Clock::duration readTime{};
    Clock::duration analyzeTime{};
    int onsets = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto structure = analyzer.analyze(path);
        const auto analysed = Clock::now();
        benchmark::DoNotOptimize(readWhole(path));
        const auto read = Clock::now();
        analyzeTime += analysed - start;
        readTime += read - analysed;
        state.SetIterationTime(std::chrono::duration<double>(analysed - start).count());
        onsets = structure ? structure->onsetCount : -1;
    }
    const double analyzeSeconds = std::chrono::duration<double>(analyzeTime).count();
    const double readSeconds = std::chrono::duration<double>(readTime).count();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["read_MBps"] =
        static_cast<double>(size) * state.iterations() / readSeconds / 1e6;
    state.counters["analyze_MBps"] =
        static_cast<double>(size) * state.iterations() / analyzeSeconds / 1e6;
    state.counters["ratio_to_read"] = readSeconds / analyzeSeconds;
    state.counters["onsets"] = onsets;
}

}  // namespace

// Arguments: seconds, bits, channels.
BENCHMARK(BM_Analyze)
    ->ArgNames({"seconds", "bits", "channels"})
    ->Args({1, 16, 2})
    ->Args({10, 16, 2})
    ->Args({60, 16, 2})
    ->Args({1, 24, 2})
    ->Args({10, 24, 2})
    ->Args({60, 24, 2})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
