// `waveform FILE`: the 192-point summary of an audio file and its duration, read from or
// written to the same cache files as the application.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "audio/waveforms/audio_file_decoder.h"
#include "audio/waveforms/waveform_disk_cache.h"
#include "audio/waveforms/waveform_generator.h"
#include "audio/waveforms/waveform_key.h"
#include "tools/cli/cli_context.h"

namespace sv::cli {

namespace {

struct WaveformOptions {
    std::string file;
    bool json = false;
    bool noCache = false;
};

// A cache hit decodes nothing, so the length comes from the file's header.
std::optional<double> headerDuration(const std::filesystem::path& path) {
    try {
        return AudioFileDecoder(path).durationSeconds();
    } catch (const AudioDecodeError&) {
        return std::nullopt;
    }
}

void printText(const WaveformGeneration& generation, std::optional<double> duration,
               const QString& cacheFile, bool usedCache) {
    if (duration)
        std::printf("Duration: %.3f s\n", *duration);
    else
        std::printf("Duration: unknown\n");
    std::printf("Source: %s\n", generation.fromCacheFile ? "cache file" : "audio");
    if (usedCache)
        std::printf("Cache file: %s\n", qPrintable(cacheFile));
    const WaveformPeaks& peaks = *generation.peaks;
    for (std::size_t i = 0; i < peaks.size(); ++i)
        std::printf("%.4f%c", static_cast<double>(peaks[i]), (i % 16 == 15) ? '\n' : ' ');
}

void runWaveform(const WaveformOptions& options) {
    const std::filesystem::path path = std::filesystem::absolute(options.file).lexically_normal();
    const std::optional<FileStamp> stamp = readFileStamp(path);
    if (!stamp || std::filesystem::is_directory(path))
        throw std::runtime_error("No such file: " + path.string());

    const QString qpath = QString::fromStdString(path.string());
    const QString key = waveformKey(qpath, stamp->modifiedAt, stamp->fileSize);
    const CacheFileUse cacheUse =
        options.noCache ? CacheFileUse::Bypass : CacheFileUse::ReadAndWrite;
    const WaveformGeneration generation = generateWaveform(key, qpath, cacheUse);
    if (!generation.peaks) {
        std::string message = "Audio decoder rejected the file";
        if (!generation.errorDetail.empty())
            message += ": " + generation.errorDetail;
        throw std::runtime_error(message);
    }
    const std::optional<double> duration = generation.fromCacheFile
                                               ? headerDuration(path)
                                               : std::optional<double>(generation.duration);
    const QString cacheFile = waveformCacheFilePath(key);

    if (!options.json) {
        printText(generation, duration, cacheFile, !options.noCache);
        return;
    }
    nlohmann::json report{{"path", path.string()},
                          {"key", key.toStdString()},
                          {"source", generation.fromCacheFile ? "cache" : "audio"},
                          {"duration", duration ? nlohmann::json(*duration) : nlohmann::json()},
                          {"peaks", *generation.peaks}};
    report["cacheFile"] =
        options.noCache ? nlohmann::json() : nlohmann::json(cacheFile.toStdString());
    printJsonLine(report);
}

}  // namespace

void addWaveformCommands(CLI::App& app, CliContext& /*context*/) {
    auto options = std::make_shared<WaveformOptions>();
    CLI::App* command = app.add_subcommand(
        "waveform", "Print an audio file's 192-point waveform summary and its duration");
    command->add_option("FILE", options->file, "Audio file (WAV, AIFF, MP3)")->required();
    command->add_flag("--json", options->json, "Print one JSON object");
    command->add_flag("--no-cache", options->noCache,
                      "Decode the audio without reading or writing the waveform cache");
    command->callback([options] { runWaveform(*options); });
}

}  // namespace sv::cli
