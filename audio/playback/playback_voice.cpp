#include "audio/playback/playback_voice.h"

#include <algorithm>
#include <cstring>

namespace sv {

PlaybackVoice::PlaybackVoice(int channels, int sampleRate, std::int64_t totalFrames)
    : channels_(std::max(channels, 1)),
      sampleRate_(std::max(sampleRate, 1)),
      totalFrames_(std::max<std::int64_t>(totalFrames, 0)),
      ring_(static_cast<std::size_t>(kVoiceRingFrames * channels_)) {}

PlaybackVoice::~PlaybackVoice() {
    if (converter_ != nullptr)
        src_delete(converter_);
}

void PlaybackVoice::prepareForOutput(int outputRate, int outputChannels, int maxBlockFrames,
                                     int converterType) {
    outputRate_ = outputRate;
    outputChannels_ = std::max(outputChannels, 1);
    maxBlockFrames_ = std::max(maxBlockFrames, 1);
    if (converter_ != nullptr) {
        src_delete(converter_);
        converter_ = nullptr;
    }
    convertInFrames_ = 0;
    if (outputRate == sampleRate_)
        return;
    int error = 0;
    converter_ = src_new(converterType, channels_, &error);
    if (converter_ == nullptr)
        return;  // plays unconverted rather than not at all
    ratio_ = static_cast<double>(outputRate) / static_cast<double>(sampleRate_);
    convertInCapacity_ = std::min<std::int64_t>(
        static_cast<std::int64_t>(maxBlockFrames_ / ratio_) + 64, kVoiceRingFrames);
    convertIn_.assign(static_cast<std::size_t>(convertInCapacity_ * channels_), 0.0f);
    convertOut_.assign(static_cast<std::size_t>(maxBlockFrames_ * channels_), 0.0f);
}

void PlaybackVoice::render(float* out, int frames) {
    if (!isPlaying() || frames <= 0)
        return;
    std::unique_lock lock(ringMutex_, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    if (converterNeedsReset_) {
        if (converter_ != nullptr)
            src_reset(converter_);
        convertInFrames_ = 0;
        converterNeedsReset_ = false;
    }
    const float gain = volume();
    if (converter_ != nullptr)
        renderConverted(out, frames, gain);
    else
        renderDirect(out, frames, gain);
    if (drainedLocked())
        finish();
}

void PlaybackVoice::addMapped(const float* in, float* out, int frames, float gain) const {
    const int inChannels = channels_;
    const int outChannels = outputChannels_;
    if (outChannels == 1) {
        const float scale = gain / static_cast<float>(inChannels);
        for (int f = 0; f < frames; ++f) {
            float sum = 0.0f;
            for (int c = 0; c < inChannels; ++c)
                sum += in[f * inChannels + c];
            out[f] += sum * scale;
        }
        return;
    }
    // Mono goes to every channel; wider files give their first channels to the first outputs.
    for (int f = 0; f < frames; ++f) {
        const float* frame = in + static_cast<std::ptrdiff_t>(f) * inChannels;
        float* target = out + static_cast<std::ptrdiff_t>(f) * outChannels;
        for (int c = 0; c < outChannels; ++c)
            target[c] += frame[std::min(c, inChannels - 1)] * gain;
    }
}

std::int64_t PlaybackVoice::bufferedFramesLocked() const {
    return writeIndex_ - readIndex_;
}

std::int64_t PlaybackVoice::readRing(float* destination, std::int64_t frames) {
    // The position is advanced by the caller when the converter has used the frames.
    const std::int64_t count = std::min(frames, bufferedFramesLocked());
    std::int64_t done = 0;
    while (done < count) {
        const std::int64_t start = (readIndex_ + done) % kVoiceRingFrames;
        const std::int64_t piece = std::min(count - done, kVoiceRingFrames - start);
        std::memcpy(destination + done * channels_, ring_.data() + start * channels_,
                    static_cast<std::size_t>(piece * channels_) * sizeof(float));
        done += piece;
    }
    readIndex_ += count;
    return count;
}

void PlaybackVoice::renderDirect(float* out, int frames, float gain) {
    int done = 0;
    while (done < frames && bufferedFramesLocked() > 0) {
        const std::int64_t start = readIndex_ % kVoiceRingFrames;
        const std::int64_t piece = std::min<std::int64_t>(
            {frames - done, bufferedFramesLocked(), kVoiceRingFrames - start});
        addMapped(ring_.data() + start * channels_,
                  out + static_cast<std::ptrdiff_t>(done) * outputChannels_,
                  static_cast<int>(piece), gain);
        readIndex_ += piece;
        position_.store(position_.load(std::memory_order_relaxed) + piece,
                        std::memory_order_release);
        done += static_cast<int>(piece);
    }
}

void PlaybackVoice::renderConverted(float* out, int frames, float gain) {
    const bool inputComplete = endOfStream_ && validatedSession_ == streamSession_.load();
    int done = 0;
    while (done < frames) {
        convertInFrames_ += readRing(convertIn_.data() + convertInFrames_ * channels_,
                                     convertInCapacity_ - convertInFrames_);
        const bool lastInput = inputComplete && bufferedFramesLocked() == 0;
        SRC_DATA data{};
        data.data_in = convertIn_.data();
        data.input_frames = static_cast<long>(convertInFrames_);
        data.data_out = convertOut_.data();
        data.output_frames = std::min(frames - done, maxBlockFrames_);
        data.end_of_input = lastInput ? 1 : 0;
        data.src_ratio = ratio_;
        if (src_process(converter_, &data) != 0)
            break;
        const std::int64_t used = data.input_frames_used;
        if (used > 0 && used < convertInFrames_) {
            std::memmove(
                convertIn_.data(), convertIn_.data() + used * channels_,
                static_cast<std::size_t>((convertInFrames_ - used) * channels_) * sizeof(float));
        }
        convertInFrames_ -= used;
        position_.store(position_.load(std::memory_order_relaxed) + used,
                        std::memory_order_release);
        if (data.output_frames_gen == 0) {
            if (lastInput) {
                // The converter has nothing more to give.
                position_.store(position_.load(std::memory_order_relaxed) + convertInFrames_,
                                std::memory_order_release);
                convertInFrames_ = 0;
            }
            break;
        }
        addMapped(convertOut_.data(), out + static_cast<std::ptrdiff_t>(done) * outputChannels_,
                  static_cast<int>(data.output_frames_gen), gain);
        done += static_cast<int>(data.output_frames_gen);
    }
}

bool PlaybackVoice::drainedLocked() const {
    return endOfStream_ && validatedSession_ == streamSession_.load() &&
           bufferedFramesLocked() == 0 && convertInFrames_ == 0;
}

void PlaybackVoice::finish() {
    playing_.store(false, std::memory_order_release);
    finishedGeneration_.store(generation_, std::memory_order_release);
    finishedRaised_.store(true, std::memory_order_release);
}

std::uint64_t PlaybackVoice::seek(std::int64_t frame) {
    const std::lock_guard lock(ringMutex_);
    frame = std::clamp<std::int64_t>(frame, 0, totalFrames_);
    ++generation_;
    readIndex_ = 0;
    writeIndex_ = 0;
    decodeFrame_ = frame;
    endOfStream_ = false;
    converterNeedsReset_ = true;
    position_.store(frame, std::memory_order_release);
    streamerWake_.notify_all();
    return generation_;
}

PlaybackVoice::StreamRequest PlaybackVoice::streamRequest() {
    const std::lock_guard lock(ringMutex_);
    return StreamRequest{generation_, decodeFrame_, kVoiceRingFrames - bufferedFramesLocked(),
                         endOfStream_};
}

bool PlaybackVoice::appendFrames(std::uint64_t generation, std::int64_t startFrame,
                                 const float* interleaved, std::int64_t frames) {
    const std::lock_guard lock(ringMutex_);
    if (generation != generation_ || startFrame != decodeFrame_)
        return false;
    frames = std::min(frames, kVoiceRingFrames - bufferedFramesLocked());
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t start = (writeIndex_ + done) % kVoiceRingFrames;
        const std::int64_t piece = std::min(frames - done, kVoiceRingFrames - start);
        std::memcpy(ring_.data() + start * channels_, interleaved + done * channels_,
                    static_cast<std::size_t>(piece * channels_) * sizeof(float));
        done += piece;
    }
    writeIndex_ += frames;
    decodeFrame_ += frames;
    return true;
}

void PlaybackVoice::markEndOfStream(std::uint64_t generation) {
    const std::lock_guard lock(ringMutex_);
    if (generation == generation_)
        endOfStream_ = true;
}

std::uint64_t PlaybackVoice::beginStreamSession() {
    const std::lock_guard lock(ringMutex_);
    const std::uint64_t session = streamSession_.fetch_add(1) + 1;
    streamerWake_.notify_all();
    return session;
}

void PlaybackVoice::endStreamSession() {
    const std::lock_guard lock(ringMutex_);
    streamSession_.fetch_add(1);
    streamerWake_.notify_all();
}

void PlaybackVoice::markValidated(std::uint64_t session) {
    const std::lock_guard lock(ringMutex_);
    validatedSession_ = session;
}

void PlaybackVoice::waitForWork(std::chrono::milliseconds timeout) {
    std::unique_lock lock(ringMutex_);
    streamerWake_.wait_for(lock, timeout);
}

void PlaybackVoice::wakeStreamer() {
    streamerWake_.notify_all();
}

void PlaybackVoice::dispatchEvents() {
    if (!finishedRaised_.exchange(false, std::memory_order_acq_rel))
        return;
    if (finishedHandler_)
        finishedHandler_(finishedGeneration_.load(std::memory_order_acquire));
}

std::uint64_t PlaybackVoice::generation() {
    const std::lock_guard lock(ringMutex_);
    return generation_;
}

}  // namespace sv
