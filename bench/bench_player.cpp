// Start-up latency of the preview player: from prepare() to the first audio block that carries
// the file, and from play() to the first nonzero currentTime(). The baseline is a bare libsndfile
// open and first-chunk read of the same file, the decoding part of prepare().
//
// The output is the process-wide one: run once as it is (a device when one opens) and once with
// SAMPLEVORLAN_AUDIO_OUTPUT=silent for the clock-driven output. PULSE_SERVER selects a server.

#include "audio/playback/audio_file_player.h"
#include "audio/playback/audio_output.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <QString>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const std::filesystem::path& benchFile() {
    static const std::filesystem::path path = [] {
        const auto file = std::filesystem::temp_directory_path() / "sv_bench_player.wav";
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
        std::vector<float> samples(44100 * 2 * 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.3f * static_cast<float>(std::sin(0.05 * static_cast<double>(i / 2)));
        sf_writef_float(out, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
        sf_close(out);
        return file;
    }();
    return path;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Done>
void waitFor(Done done) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!done() && Clock::now() < deadline)
        std::this_thread::yield();
}

void BM_BareDecodeOfFirstChunk(benchmark::State& state) {
    std::vector<float> chunk(8192 * 2);
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* file = sf_open(benchFile().c_str(), SFM_READ, &info);
        benchmark::DoNotOptimize(sf_readf_float(file, chunk.data(), 8192));
        sf_close(file);
    }
}
BENCHMARK(BM_BareDecodeOfFirstChunk)->Unit(benchmark::kMicrosecond);

void BM_PrepareToFirstAudioBlock(benchmark::State& state) {
    SVAudioOutput& output = SVAudioOutput::shared();
    output.waitUntilReady(10000);
    double prepareTotal = 0.0;
    for (auto _ : state) {
        SVAudioFilePlayer player(QString::fromStdString(benchFile().string()));
        const std::uint64_t before = output.audibleBlocks();
        const Clock::time_point start = Clock::now();
        player.prepare();
        prepareTotal += millisecondsSince(start);
        player.play();
        waitFor([&] { return output.audibleBlocks() > before; });
        state.SetIterationTime(millisecondsSince(start) / 1000.0);
        player.stop();
    }
    state.counters["prepare_ms"] = prepareTotal / static_cast<double>(state.iterations());
    state.SetLabel(output.description().toStdString());
}
BENCHMARK(BM_PrepareToFirstAudioBlock)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

void BM_PlayToFirstNonzeroPosition(benchmark::State& state) {
    SVAudioOutput& output = SVAudioOutput::shared();
    output.waitUntilReady(10000);
    for (auto _ : state) {
        SVAudioFilePlayer player(QString::fromStdString(benchFile().string()));
        player.prepare();
        const Clock::time_point start = Clock::now();
        player.play();
        waitFor([&] { return player.currentTime() > 0.0; });
        state.SetIterationTime(millisecondsSince(start) / 1000.0);
        player.stop();
    }
    state.SetLabel(output.description().toStdString());
}
BENCHMARK(BM_PlayToFirstNonzeroPosition)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
