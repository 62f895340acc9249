// The file-name ranking of typical names of 3 to 8 tokens, against tokenising the same name.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/search/search_tokens.h"

namespace {

const std::vector<std::string> kNames = {
    "Kick 808 Hard.wav",
    "Snare Tight 02.wav",
    "Trap Hat Loop 140 BPM.wav",
    "Deep House Bass A min 124.wav",
    "Lofi Keys Chord Progression C maj 85bpm.wav",
    "Vocal Chop Female Dry Take 3 F# min.aif",
    "SV_Techno_Perc_Loop_130_Shaker_Groove_07.wav",
    "Boom Bap Drum Break 92 BPM Vinyl Dusty.mp3",
    "Ambient Pad Evolving Dark D min 70.wav",
    "Hi-Hat Open Short 01.wav",
    "Melody Loop Pluck Bright 128 G maj Wet.wav",
    "chords_piano_soft_75.mid",
};

const std::vector<std::string> kQueries = {"kick", "808 kick", "loop 140", "bass a min"};

double tokenNanos = 0;
double rankNanos = 0;

void BM_searchTokens(benchmark::State& state) {
    std::size_t names = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const auto& name : kNames) {
            auto tokens = sv::searchTokens(name);
            benchmark::DoNotOptimize(tokens);
        }
        names += kNames.size();
    }
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    tokenNanos = took.count() / static_cast<double>(names);
    state.SetItemsProcessed(static_cast<std::int64_t>(names));
    state.counters["ns_per_name"] = tokenNanos;
}

void BM_filenameSearchRank(benchmark::State& state) {
    std::size_t calls = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const auto& query : kQueries) {
            for (const auto& name : kNames) {
                auto rank = sv::filenameSearchRank(name, query);
                benchmark::DoNotOptimize(rank);
            }
        }
        calls += kQueries.size() * kNames.size();
    }
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    rankNanos = took.count() / static_cast<double>(calls);
    state.SetItemsProcessed(static_cast<std::int64_t>(calls));
    state.counters["ns_per_name"] = rankNanos;
}

BENCHMARK(BM_searchTokens)->MinTime(1.0);
BENCHMARK(BM_filenameSearchRank)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (tokenNanos > 0 && rankNanos > 0)
        std::printf(
            "searchTokens: %.0f ns per name, filenameSearchRank: %.0f ns per name and query, "
            "ratio rank / tokens: %.2f\n",
            tokenNanos, rankNanos, rankNanos / tokenNanos);
    return 0;
}
