#pragma once

// Writers of small but real audio and MIDI files for tests, and the signals to put in them.
//
// Audio is passed as interleaved float samples in -1..1 (frame after frame, channel after
// channel within a frame). Integer formats clamp and round; the float format writes the values
// as they are, NaN and infinity included.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sv::testing {

enum class WavSampleFormat { UInt8, Int16, Int24, Int32, Float32 };

// Bits per sample of a format (8, 16, 24, 32, 32).
int bitsOf(WavSampleFormat format);

// A chunk placed verbatim into the RIFF body: 4-character identifier and body bytes. The pad
// byte of an odd-sized body is added by the writer.
struct RiffChunk {
    std::string id;
    std::string body;
};

struct WavOptions {
    WavSampleFormat format = WavSampleFormat::Int16;
    int channels = 1;
    std::uint32_t sampleRate = 44100;

    // Writes the 40-byte extensible header with format code 0xFFFE and the PCM or float
    // sub-format GUID instead of the plain 16-byte header.
    bool extensible = false;
    // Replace the format code or bits-per-sample field written in "fmt " (unsupported formats).
    std::optional<std::uint16_t> formatCode;
    std::optional<std::uint16_t> bitsField;
    // Size of the "fmt " body written; smaller than 16 cuts the body short.
    std::optional<std::uint32_t> fmtSize;

    // Chunks written before "fmt ", between the two, and after "data".
    std::vector<RiffChunk> chunksBeforeFmt;
    std::vector<RiffChunk> chunksBetween;
    std::vector<RiffChunk> chunksAfterData;
    // Writes "data" before "fmt ".
    bool dataBeforeFmt = false;
    // Leaves out the "fmt " or "data" chunk.
    bool omitFmt = false;
    bool omitData = false;

    // Size field written in the "data" header instead of the real size (a lying header).
    std::optional<std::uint32_t> dataSizeField;
    // Extra raw bytes appended to the data body (a trailing partial frame).
    std::string dataTail;
    // Cuts the finished file to this many bytes.
    std::optional<std::size_t> truncateTo;
};

// Bytes of one RIFF chunk: identifier, little-endian size, body, pad byte when odd.
std::string riffChunkBytes(const std::string& id, const std::string& body);
std::string riffChunkBytes(const std::string& id, std::uint32_t sizeField, const std::string& body);

// Encoded sample data only (the "data" body) in the given format.
std::string encodeSamples(const std::vector<float>& interleaved, WavSampleFormat format);

// The complete WAV file.
std::string wavBytes(const std::vector<float>& interleaved, const WavOptions& options = {});
std::filesystem::path writeWav(const std::filesystem::path& path,
                               const std::vector<float>& interleaved,
                               const WavOptions& options = {});
// Writes raw bytes to a file (parents created) and returns the path.
std::filesystem::path writeBytes(const std::filesystem::path& path, const std::string& bytes);

// Interleaved samples from a generator called for every (frame, channel).
std::vector<float> generateFrames(std::size_t frameCount, int channels,
                                  const std::function<float(std::size_t, int)>& sampleAt);
// Copies a mono signal to every channel.
std::vector<float> toChannels(const std::vector<float>& mono, int channels);
// Interleaves equally long (or padded with silence) mono channels.
std::vector<float> interleave(const std::vector<std::vector<float>>& channels);

// Mono test signals. Lengths are in seconds and rounded to whole frames.
std::size_t framesFor(double seconds, std::uint32_t sampleRate);
std::vector<float> silence(double seconds, std::uint32_t sampleRate);
std::vector<float> sine(double seconds, std::uint32_t sampleRate, double frequency,
                        float amplitude = 0.5f);

struct HitShape {
    float amplitude = 0.8f;
    // Time constant of the exponential decay; each hit is cut to silence after `length`.
    double decaySeconds = 0.02;
    double lengthSeconds = 0.12;
    // Carrier frequency; 0 gives a decaying one-signed pulse (a click) instead of a tone.
    double frequency = 1000.0;
};
// Silence with a hit starting at each of `times` (seconds), later hits added on top.
std::vector<float> hits(double seconds, std::uint32_t sampleRate, const std::vector<double>& times,
                        const HitShape& shape = {});

// 16-bit big-endian AIFF (FORM/AIFF with COMM and SSND).
std::string aiffBytes(const std::vector<float>& interleaved, int channels,
                      std::uint32_t sampleRate);
std::filesystem::path writeAiff(const std::filesystem::path& path,
                                const std::vector<float>& interleaved, int channels = 1,
                                std::uint32_t sampleRate = 44100);

// A valid format-0 standard MIDI file with one track of `noteCount` quarter notes.
std::string midiBytes(int noteCount = 4);
std::filesystem::path writeMidi(const std::filesystem::path& path, int noteCount = 4);

}  // namespace sv::testing
