#pragma once

// Reading audio files (WAV in integer, float and extensible forms, AIFF, MP3 and whatever else
// libsndfile opens) as interleaved float samples in chunks.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sv {

// What the header of an opened file says.
struct AudioFileInfo {
    std::int64_t frames = 0;
    int sampleRate = 0;
    int channels = 0;
    // libsndfile's format word (major format | subtype).
    int format = 0;

    double durationSeconds() const;
    // "8-bit" .. "32-bit" for integer PCM, "32-bit float", "64-bit float", "—" otherwise.
    std::string sampleFormatDescription() const;
};

// Thrown when a file cannot be opened or read. `code()` is libsndfile's error number, or 1
// when the header was readable but describes no playable audio.
class AudioDecodeError : public std::runtime_error {
  public:
    AudioDecodeError(const std::string& message, int code)
        : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

// An open audio file. Construction throws AudioDecodeError (a std::runtime_error) with a readable
// message when the file cannot be opened or its header describes something no real file holds.
class AudioFileDecoder {
  public:
    // Frames read per chunk by readChunk() unless the caller asks for fewer.
    static constexpr std::int64_t kChunkFrames = 8192;
    // Headers claiming more channels or a higher rate than this are rejected as damaged.
    static constexpr int kMaxChannels = 256;
    static constexpr int kMaxSampleRate = 1'536'000;

    explicit AudioFileDecoder(const std::filesystem::path& path);
    ~AudioFileDecoder();
    AudioFileDecoder(AudioFileDecoder&&) noexcept;
    AudioFileDecoder& operator=(AudioFileDecoder&&) noexcept;
    AudioFileDecoder(const AudioFileDecoder&) = delete;
    AudioFileDecoder& operator=(const AudioFileDecoder&) = delete;

    const AudioFileInfo& info() const { return info_; }
    std::int64_t frames() const { return info_.frames; }
    int sampleRate() const { return info_.sampleRate; }
    int channels() const { return info_.channels; }
    double durationSeconds() const { return info_.durationSeconds(); }
    const std::filesystem::path& path() const { return path_; }

    // Reads up to maxFrames frames into `buffer`, resized to framesRead * channels samples.
    // Returns the number of frames read; 0 at the end of the file. Throws AudioDecodeError on a
    // read error.
    std::int64_t readChunk(std::vector<float>& buffer, std::int64_t maxFrames = kChunkFrames);

    // Reads up to `frameCount` frames into `destination`, which holds frameCount * channels
    // floats. Returns the frames read; 0 at the end of the file. Throws AudioDecodeError on a read
    // error.
    std::int64_t read(float* destination, std::int64_t frameCount);

    // Moves the read position to `frame` (clamped to 0..frames). Returns false when the file
    // cannot seek.
    bool seek(std::int64_t frame);

    // Decodes the rest of the file. The buffer grows with what is actually read, so a header
    // claiming an absurd length costs nothing. Throws when more than `maxFrames` frames arrive.
    std::vector<float> readAll(std::int64_t maxFrames = INT64_MAX);

  private:
    struct Closer {
        void operator()(sf_private_tag* file) const;
    };

    std::filesystem::path path_;
    std::unique_ptr<sf_private_tag, Closer> file_;
    AudioFileInfo info_;
};

}  // namespace sv
