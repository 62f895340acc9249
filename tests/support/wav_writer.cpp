#include "tests/support/wav_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace sv::testing {
namespace {

void appendLittle(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void appendBig(std::string& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::int64_t quantise(float sample, int bits) {
    const double clamped = std::isnan(sample) ? 0.0 : std::clamp<double>(sample, -1.0, 1.0);
    const double full = std::ldexp(1.0, bits - 1);
    const auto value = static_cast<std::int64_t>(std::lround(clamped * full));
    return std::clamp<std::int64_t>(value, static_cast<std::int64_t>(-full),
                                    static_cast<std::int64_t>(full) - 1);
}

std::uint16_t formatCodeOf(WavSampleFormat format) {
    return format == WavSampleFormat::Float32 ? 3 : 1;
}

std::string fmtBody(const WavOptions& options) {
    const int bits = bitsOf(options.format);
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(bits / 8 * options.channels);
    const std::uint16_t code =
        options.formatCode.value_or(options.extensible ? 0xFFFE : formatCodeOf(options.format));
    std::string body;
    appendLittle(body, code, 2);
    appendLittle(body, static_cast<std::uint16_t>(options.channels), 2);
    appendLittle(body, options.sampleRate, 4);
    appendLittle(body, static_cast<std::uint64_t>(options.sampleRate) * blockAlign, 4);
    appendLittle(body, blockAlign, 2);
    appendLittle(body, options.bitsField.value_or(static_cast<std::uint16_t>(bits)), 2);
    if (options.extensible) {
        appendLittle(body, 22, 2);                                 // extension size
        appendLittle(body, bits, 2);                               // valid bits
        appendLittle(body, options.channels == 2 ? 0x3 : 0x4, 4);  // channel mask
        // Sub-format GUID: the plain format code followed by the fixed GUID tail.
        appendLittle(body, formatCodeOf(options.format), 2);
        const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        body.append(reinterpret_cast<const char*>(tail), sizeof tail);
    }
    if (options.fmtSize)
        body.resize(*options.fmtSize, '\0');
    return body;
}

void appendChunks(std::string& out, const std::vector<RiffChunk>& chunks) {
    for (const RiffChunk& chunk : chunks)
        out += riffChunkBytes(chunk.id, chunk.body);
}

// 80-bit IEEE extended value of a whole, positive sample rate (AIFF's COMM field).
std::string extendedRate(std::uint32_t rate) {
    std::string out;
    if (rate == 0) {
        out.assign(10, '\0');
        return out;
    }
    const int exponent = std::bit_width(rate) - 1;
    appendBig(out, 16383 + exponent, 2);
    appendBig(out, static_cast<std::uint64_t>(rate) << (63 - exponent), 8);
    return out;
}

}  // namespace

int bitsOf(WavSampleFormat format) {
    switch (format) {
        case WavSampleFormat::UInt8:
            return 8;
        case WavSampleFormat::Int16:
            return 16;
        case WavSampleFormat::Int24:
            return 24;
        case WavSampleFormat::Int32:
        case WavSampleFormat::Float32:
            return 32;
    }
    return 16;
}

std::string riffChunkBytes(const std::string& id, std::uint32_t sizeField,
                           const std::string& body) {
    if (id.size() != 4)
        throw std::invalid_argument("chunk identifier must have 4 characters");
    std::string out = id;
    appendLittle(out, sizeField, 4);
    out += body;
    if (body.size() % 2 == 1)
        out.push_back('\0');
    return out;
}

std::string riffChunkBytes(const std::string& id, const std::string& body) {
    return riffChunkBytes(id, static_cast<std::uint32_t>(body.size()), body);
}

std::string encodeSamples(const std::vector<float>& interleaved, WavSampleFormat format) {
    std::string out;
    out.reserve(interleaved.size() * static_cast<std::size_t>(bitsOf(format) / 8));
    for (const float sample : interleaved) {
        switch (format) {
            case WavSampleFormat::UInt8:
                out.push_back(static_cast<char>(quantise(sample, 8) + 128));
                break;
            case WavSampleFormat::Int16:
                appendLittle(out, static_cast<std::uint64_t>(quantise(sample, 16)), 2);
                break;
            case WavSampleFormat::Int24:
                appendLittle(out, static_cast<std::uint64_t>(quantise(sample, 24)), 3);
                break;
            case WavSampleFormat::Int32:
                appendLittle(out, static_cast<std::uint64_t>(quantise(sample, 32)), 4);
                break;
            case WavSampleFormat::Float32:
                appendLittle(out, std::bit_cast<std::uint32_t>(sample), 4);
                break;
        }
    }
    return out;
}

std::string wavBytes(const std::vector<float>& interleaved, const WavOptions& options) {
    const std::string data = encodeSamples(interleaved, options.format) + options.dataTail;
    const std::string fmtChunk = options.omitFmt ? "" : riffChunkBytes("fmt ", fmtBody(options));
    const std::string dataChunk =
        options.omitData
            ? ""
            : riffChunkBytes(
                  "data", options.dataSizeField.value_or(static_cast<std::uint32_t>(data.size())),
                  data);
    std::string body = "WAVE";
    appendChunks(body, options.chunksBeforeFmt);
    body += options.dataBeforeFmt ? dataChunk : fmtChunk;
    appendChunks(body, options.chunksBetween);
    body += options.dataBeforeFmt ? fmtChunk : dataChunk;
    appendChunks(body, options.chunksAfterData);

    std::string file = "RIFF";
    appendLittle(file, body.size(), 4);
    file += body;
    if (options.truncateTo && *options.truncateTo < file.size())
        file.resize(*options.truncateTo);
    return file;
}

std::filesystem::path writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write test file " + path.string());
    return path;
}

std::filesystem::path writeWav(const std::filesystem::path& path,
                               const std::vector<float>& interleaved, const WavOptions& options) {
    return writeBytes(path, wavBytes(interleaved, options));
}

std::vector<float> generateFrames(std::size_t frameCount, int channels,
                                  const std::function<float(std::size_t, int)>& sampleAt) {
    std::vector<float> out;
    out.reserve(frameCount * static_cast<std::size_t>(channels));
    for (std::size_t frame = 0; frame < frameCount; ++frame)
        for (int channel = 0; channel < channels; ++channel)
            out.push_back(sampleAt(frame, channel));
    return out;
}

std::vector<float> toChannels(const std::vector<float>& mono, int channels) {
    return generateFrames(mono.size(), channels,
                          [&](std::size_t frame, int) { return mono[frame]; });
}

std::vector<float> interleave(const std::vector<std::vector<float>>& channels) {
    std::size_t frames = 0;
    for (const auto& channel : channels)
        frames = std::max(frames, channel.size());
    return generateFrames(frames, static_cast<int>(channels.size()),
                          [&](std::size_t frame, int channel) {
                              const auto& samples = channels[static_cast<std::size_t>(channel)];
                              return frame < samples.size() ? samples[frame] : 0.0f;
                          });
}

std::size_t framesFor(double seconds, std::uint32_t sampleRate) {
    return static_cast<std::size_t>(std::llround(std::max(0.0, seconds) * sampleRate));
}

std::vector<float> silence(double seconds, std::uint32_t sampleRate) {
    return std::vector<float>(framesFor(seconds, sampleRate), 0.0f);
}

std::vector<float> sine(double seconds, std::uint32_t sampleRate, double frequency,
                        float amplitude) {
    std::vector<float> out(framesFor(seconds, sampleRate));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * frequency *
                                                         static_cast<double>(i) / sampleRate));
    return out;
}

std::vector<float> hits(double seconds, std::uint32_t sampleRate, const std::vector<double>& times,
                        const HitShape& shape) {
    std::vector<float> out = silence(seconds, sampleRate);
    const std::size_t length = framesFor(shape.lengthSeconds, sampleRate);
    for (const double time : times) {
        const std::size_t start = framesFor(time, sampleRate);
        for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double carrier = shape.frequency > 0.0
                                       ? std::sin(2.0 * std::numbers::pi * shape.frequency * t +
                                                  std::numbers::pi / 2.0)
                                       : 1.0;
            out[start + i] +=
                static_cast<float>(shape.amplitude * std::exp(-t / shape.decaySeconds) * carrier);
        }
    }
    return out;
}

std::string aiffBytes(const std::vector<float>& interleaved, int channels,
                      std::uint32_t sampleRate) {
    const std::size_t frames = channels > 0 ? interleaved.size() / channels : 0;
    std::string comm;
    appendBig(comm, static_cast<std::uint16_t>(channels), 2);
    appendBig(comm, static_cast<std::uint32_t>(frames), 4);
    appendBig(comm, 16, 2);
    comm += extendedRate(sampleRate);

    std::string ssnd;
    appendBig(ssnd, 0, 4);  // offset
    appendBig(ssnd, 0, 4);  // block size
    for (std::size_t i = 0; i < frames * channels; ++i)
        appendBig(ssnd, static_cast<std::uint16_t>(quantise(interleaved[i], 16)), 2);

    std::string body = "AIFF";
    for (const auto& [id, chunk] : {std::pair{"COMM", &comm}, std::pair{"SSND", &ssnd}}) {
        body += id;
        appendBig(body, chunk->size(), 4);
        body += *chunk;
        if (chunk->size() % 2 == 1)
            body.push_back('\0');
    }
    std::string file = "FORM";
    appendBig(file, body.size(), 4);
    return file + body;
}

std::filesystem::path writeAiff(const std::filesystem::path& path,
                                const std::vector<float>& interleaved, int channels,
                                std::uint32_t sampleRate) {
    return writeBytes(path, aiffBytes(interleaved, channels, sampleRate));
}

std::string midiBytes(int noteCount) {
    constexpr int ticksPerQuarter = 96;
    std::string track;
    // Tempo 120 bpm (500000 microseconds per quarter note).
    track += std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7);
    for (int i = 0; i < noteCount; ++i) {
        const char note = static_cast<char>(60 + (i % 12));
        track += std::string("\x00\x90", 2) + note + '\x64';
        // Delta of one quarter note as a variable-length quantity (96 fits in one byte).
        track += std::string(1, static_cast<char>(ticksPerQuarter)) + '\x80' + note + '\x40';
    }
    track += std::string("\x00\xFF\x2F\x00", 4);

    std::string file = "MThd";
    appendBig(file, 6, 4);
    appendBig(file, 0, 2);  // format 0
    appendBig(file, 1, 2);  // one track
    appendBig(file, ticksPerQuarter, 2);
    file += "MTrk";
    appendBig(file, track.size(), 4);
    return file + track;
}

std::filesystem::path writeMidi(const std::filesystem::path& path, int noteCount) {
    return writeBytes(path, midiBytes(noteCount));
}

}  // namespace sv::testing
