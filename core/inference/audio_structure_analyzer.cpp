#include "core/inference/audio_structure_analyzer.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "core/inference/onset_detection.h"
#include "core/inference/peak_envelope.h"
#include "core/inference/riff_reader.h"

namespace sv {
namespace {

bool hasUsableLayout(const WavFormat& format, std::size_t dataSize) {
    if (format.sampleRate == 0 || format.channels < 1 || format.bitsPerSample < 8)
        return false;
    const std::size_t frameSize =
        static_cast<std::size_t>(format.bitsPerSample / 8) * format.channels;
    return frameSize >= 1 && dataSize >= frameSize;
}

std::optional<AudioStructure> measure(const WavContents& contents) {
    const WavFormat& format = contents.format;
    if (!hasUsableLayout(format, contents.data.size))
        return std::nullopt;
    const std::optional<SampleEncoding> encoding = sampleEncodingOf(format);
    if (!encoding)
        return std::nullopt;

    const std::size_t frameSize = bytesPerSample(*encoding) * format.channels;
    const std::size_t frames = contents.data.size / frameSize;
    const double duration = static_cast<double>(frames) / format.sampleRate;
    const std::size_t hop = std::max<std::size_t>(1, format.sampleRate / 100);

    const std::vector<float> envelope =
        peakEnvelope(*encoding, format.channels, contents.data.bytes.get(), frames, hop);
    return summariseOnsets(smoothEnvelope(envelope), duration);
}

}  // namespace

std::optional<AudioStructure> AudioStructureAnalyzer::analyze(
    const std::filesystem::path& path) const {
    try {
        const std::optional<WavContents> contents = readWavChunks(path);
        if (!contents)
            return std::nullopt;
        return measure(*contents);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sv
