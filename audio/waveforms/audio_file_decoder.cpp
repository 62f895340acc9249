#include "audio/waveforms/audio_file_decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <stdexcept>

namespace sv {

namespace {

std::string describe(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

[[noreturn]] void failOpen(const std::filesystem::path& path, const std::string& reason,
                           int code = 1) {
    throw AudioDecodeError("Could not open audio file " + describe(path) + ": " + reason, code);
}

}  // namespace

double AudioFileInfo::durationSeconds() const {
    if (sampleRate <= 0 || frames <= 0)
        return 0.0;
    return static_cast<double>(frames) / static_cast<double>(sampleRate);
}

std::string AudioFileInfo::sampleFormatDescription() const {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return "8-bit";
        case SF_FORMAT_PCM_16:
            return "16-bit";
        case SF_FORMAT_PCM_24:
            return "24-bit";
        case SF_FORMAT_PCM_32:
            return "32-bit";
        case SF_FORMAT_FLOAT:
            return "32-bit float";
        case SF_FORMAT_DOUBLE:
            return "64-bit float";
        default:
            return "—";
    }
}

void AudioFileDecoder::Closer::operator()(sf_private_tag* file) const {
    if (file != nullptr)
        sf_close(file);
}

AudioFileDecoder::AudioFileDecoder(const std::filesystem::path& path) : path_(path) {
    SF_INFO header{};
    SNDFILE* opened = sf_open(path.c_str(), SFM_READ, &header);
    if (opened == nullptr)
        failOpen(path, sf_strerror(nullptr));
    file_.reset(opened);

    if (header.channels < 1 || header.channels > kMaxChannels)
        failOpen(path, "unsupported channel count " + std::to_string(header.channels));
    if (header.samplerate < 1 || header.samplerate > kMaxSampleRate)
        failOpen(path, "unsupported sample rate " + std::to_string(header.samplerate));
    if (header.frames < 0)
        failOpen(path, "invalid frame count");

    info_.frames = header.frames;
    info_.sampleRate = header.samplerate;
    info_.channels = header.channels;
    info_.format = header.format;
}

AudioFileDecoder::~AudioFileDecoder() = default;
AudioFileDecoder::AudioFileDecoder(AudioFileDecoder&&) noexcept = default;
AudioFileDecoder& AudioFileDecoder::operator=(AudioFileDecoder&&) noexcept = default;

std::int64_t AudioFileDecoder::read(float* destination, std::int64_t frameCount) {
    if (frameCount <= 0)
        return 0;
    const sf_count_t got = sf_readf_float(file_.get(), destination, frameCount);
    const int status = sf_error(file_.get());
    if (got < 0 || (got == 0 && status != SF_ERR_NO_ERROR)) {
        throw AudioDecodeError(
            "Could not read audio file " + describe(path_) + ": " + sf_strerror(file_.get()),
            status != SF_ERR_NO_ERROR ? status : 1);
    }
    return got;
}

std::int64_t AudioFileDecoder::readChunk(std::vector<float>& buffer, std::int64_t maxFrames) {
    maxFrames = std::clamp<std::int64_t>(maxFrames, 0, kChunkFrames * 16);
    buffer.resize(static_cast<std::size_t>(maxFrames * info_.channels));
    const std::int64_t got = read(buffer.data(), maxFrames);
    buffer.resize(static_cast<std::size_t>(got * info_.channels));
    return got;
}

bool AudioFileDecoder::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, std::max<std::int64_t>(info_.frames, 0));
    return sf_seek(file_.get(), frame, SEEK_SET) >= 0;
}

std::vector<float> AudioFileDecoder::readAll(std::int64_t maxFrames) {
    std::vector<float> samples;
    // Reserve from the header only up to a modest size; beyond that the buffer grows with
    // the data actually decoded.
    constexpr std::int64_t kTrustedReserveFrames = 48000 * 60 * 10;
    const std::int64_t expected = std::min({info_.frames, maxFrames, kTrustedReserveFrames});
    samples.reserve(static_cast<std::size_t>(std::max<std::int64_t>(expected, 0) * info_.channels));

    std::vector<float> chunk;
    std::int64_t total = 0;
    while (const std::int64_t got = readChunk(chunk)) {
        total += got;
        if (total > maxFrames)
            throw AudioDecodeError("Audio file " + describe(path_) + " is too long", 1);
        samples.insert(samples.end(), chunk.begin(), chunk.end());
    }
    return samples;
}

}  // namespace sv
