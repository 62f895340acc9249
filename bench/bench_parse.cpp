// Metadata assembly per file against the filesystem metadata queries for the same files.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/inference/file_size_and_time.h"
#include "core/inference/metadata_parser.h"

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 12> kPacks{
    "Trap Soul Vol 2",     "Lo-Fi House Essentials", "Cinematic_Textures", "Hip-Hop Drums 3",
    "RnB Keys Collection", "Latin Percussion",       "Pop Vocal Toolkit",  "Deep House 124",
    "Acoustic Guitars",    "Future Bass Sounds",     "Dark Techno Tools",  "Boom Bap Breaks",
};
constexpr std::array<const char*, 10> kFolders{
    "Drums/Kicks",  "Drums/Snares", "Drums/Hats", "Loops/Melodies", "Loops/Drum Loops 90 BPM",
    "One Shots/FX", "Bass/808s",    "Keys Am",    "Vocals/Phrases", "MIDI",
};
constexpr std::array<const char*, 16> kStems{
    "Kick_Hard_%02d",  "Dark Keys %d BPM Am", "Synth-Loop-%dbpm-C#m", "Open Hat %02d",
    "Snare Roll %02d", "808 Bass C# %02d",    "Vocal Chop Eb %02d",   "Riser_FX_%02d",
    "Pad Warm %02d",   "Guitar Strum %d G",   "Perc_Shaker_%02d",     "Lead 128bpm F#m %d",
    "Chord Stab %02d", "Funk %d Drum Loop",   "Pluck Arp %02d",       "Texture %02d",
};
constexpr std::array<const char*, 4> kExtensions{".wav", ".wav", ".aif", ".mid"};

struct Library {
    fs::path base;
    fs::path root;
    std::vector<fs::path> files;

    Library() {
        std::string pattern = (fs::temp_directory_path() / "svbench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        base = pattern;
        root = base / "Sample Library";
        std::mt19937 random(42);
        char stem[64];
        for (int i = 0; i < 3000; ++i) {
            const fs::path folder =
                root / kPacks[random() % kPacks.size()] / kFolders[random() % kFolders.size()];
            std::snprintf(stem, sizeof stem, kStems[random() % kStems.size()],
                          static_cast<int>(60 + random() % 120));
            fs::create_directories(folder);
            const fs::path file =
                folder / (std::string(stem) + kExtensions[random() % kExtensions.size()]);
            std::ofstream(file) << "sample " << i;
            files.push_back(file);
        }
    }
    ~Library() {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
};

const Library& library() {
    static const Library instance;
    return instance;
}

// The three metadata queries of one file: status, size and modification time.
void queryFilesystem(const fs::path& file) {
    std::error_code error;
    benchmark::DoNotOptimize(fs::status(file, error));
    benchmark::DoNotOptimize(fs::file_size(file, error));
    benchmark::DoNotOptimize(fs::last_write_time(file, error));
}

// What parse asks the filesystem: one status for size and time, and the canonical forms of
// the file's folder and the root for the relative folder.
void queryLikeParse(const fs::path& file, const fs::path& root) {
    std::array<char, PATH_MAX> buffer{};
    benchmark::DoNotOptimize(sv::readFileSizeAndTime(file));
    benchmark::DoNotOptimize(::realpath(file.parent_path().c_str(), buffer.data()));
    benchmark::DoNotOptimize(::realpath(root.c_str(), buffer.data()));
}

void BM_FilesystemQueries(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& file : library().files)
            queryFilesystem(file);
    }
    state.SetItemsProcessed(state.iterations() * library().files.size());
}

void BM_ParseFilesystemPart(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& file : library().files)
            queryLikeParse(file, library().root);
    }
    state.SetItemsProcessed(state.iterations() * library().files.size());
}

void BM_Parse(benchmark::State& state) {
    const sv::MetadataParser parser;
    for (auto _ : state) {
        for (const auto& file : library().files)
            benchmark::DoNotOptimize(parser.parse(file, library().root, std::nullopt));
    }
    state.SetItemsProcessed(state.iterations() * library().files.size());
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU time of this thread (system calls included), so that other processes on the machine
// do not distort the ratios.
template <typename Work>
double secondsFor(Work work) {
    const double start = threadCpuSeconds();
    for (const auto& file : library().files)
        work(file);
    return threadCpuSeconds() - start;
}

// Interleaves the three measurements in every iteration so that they share the same
// state of the caches, and reports the ratios per file.
void BM_ParseRatio(benchmark::State& state) {
    const sv::MetadataParser parser;
    const fs::path& root = library().root;
    double baseline = 0;
    double parseOwn = 0;
    double parse = 0;
    for (auto _ : state) {
        baseline += secondsFor([](const fs::path& file) { queryFilesystem(file); });
        parseOwn += secondsFor([&](const fs::path& file) { queryLikeParse(file, root); });
        parse += secondsFor([&](const fs::path& file) {
            benchmark::DoNotOptimize(parser.parse(file, root, std::nullopt));
        });
    }
    const double files = static_cast<double>(state.iterations() * library().files.size());
    state.counters["baseline_us"] = baseline / files * 1e6;
    state.counters["parse_fs_us"] = parseOwn / files * 1e6;
    state.counters["parse_us"] = parse / files * 1e6;
    state.counters["parse_to_3_queries"] = parse / baseline;
    state.counters["names_to_3_queries"] = (parse - parseOwn) / baseline;
    state.counters["parse_to_own_queries"] = parse / parseOwn;
}

BENCHMARK(BM_FilesystemQueries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseFilesystemPart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Parse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseRatio)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
