// The folder tree of 100,000 indexed samples in 5,000 real folders (target: under 150 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/browse/folder_tree.h"

namespace {

namespace fs = std::filesystem;

const fs::path kLibrary = "/tmp/sv-bench-folder-tree/Library";

std::vector<sv::IndexedPath> indexedPaths() {
    std::vector<sv::IndexedPath> paths;
    paths.reserve(100'000);
    for (int folder = 0; folder < 5'000; ++folder) {
        const fs::path dir = kLibrary / ("Genre " + std::to_string(folder % 10)) /
                             ("Kind " + std::to_string(folder % 4)) /
                             ("Pack " + std::to_string(folder / 40)) /
                             ("Folder " + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < 20; ++file) {
            paths.push_back({kLibrary.string(),
                             (dir / ("Sample " + std::to_string(file) + ".wav")).string(), ""});
        }
    }
    // The catalogue hands them over in byte order of the sample path.
    std::sort(paths.begin(), paths.end(),
              [](const auto& a, const auto& b) { return a.samplePath < b.samplePath; });
    return paths;
}

std::size_t countNodes(const sv::FolderNode& node) {
    std::size_t count = 1;
    for (const auto& child : node.children)
        count += countNodes(child);
    return count;
}

void BM_BuildFolderTree(benchmark::State& state) {
    const std::vector<sv::IndexedPath> paths = indexedPaths();
    std::size_t nodes = 0;
    for (auto _ : state) {
        const sv::FolderNode root = sv::buildFolderTree(paths);
        nodes = countNodes(root);
        benchmark::DoNotOptimize(nodes);
    }
    state.counters["samples"] = static_cast<double>(paths.size());
    state.counters["nodes"] = static_cast<double>(nodes);
}

BENCHMARK(BM_BuildFolderTree)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
