#pragma once

// One playing file as the output sees it: a ring of decoded frames filled by a streaming thread,
// a play position, a volume and the converter to the output's rate.
//
// Threads: the output's render thread calls render() while it holds the output's voice-list
// lock; the player's streaming thread fills the ring; the player's thread seeks and switches
// playing on and off. The ring lock is held only for copies of at most one chunk; render() only
// tries it and renders nothing for this block when it is busy, so the audio thread never waits.

#include <samplerate.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sv {

// Frames the ring holds: about 1.4 s at 48 kHz, enough to ride out a slow disk.
inline constexpr std::int64_t kVoiceRingFrames = 65536;

class PlaybackVoice {
  public:
    PlaybackVoice(int channels, int sampleRate, std::int64_t totalFrames);
    ~PlaybackVoice();
    PlaybackVoice(const PlaybackVoice&) = delete;
    PlaybackVoice& operator=(const PlaybackVoice&) = delete;

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    std::int64_t totalFrames() const { return totalFrames_; }

    // Prepares the converter for an output running at `outputRate` with `outputChannels`
    // channels and blocks of at most `maxBlockFrames`. Allocates; never call from render().
    void prepareForOutput(int outputRate, int outputChannels, int maxBlockFrames,
                          int converterType);

    // Adds this voice's next `frames` frames into `out` (interleaved, output channel count and
    // rate as prepared). Lock-free apart from a try-lock of the ring; no allocation.
    void render(float* out, int frames);

    // --- control, any thread but the render thread ---
    void setPlaying(bool playing) { playing_.store(playing, std::memory_order_release); }
    bool isPlaying() const { return playing_.load(std::memory_order_acquire); }
    void setVolume(float volume) { volume_.store(volume, std::memory_order_relaxed); }
    float volume() const { return volume_.load(std::memory_order_relaxed); }
    std::int64_t position() const { return position_.load(std::memory_order_acquire); }

    // Empties the ring and moves play and decode positions to `frame` (clamped). Returns the
    // new stream generation; frames decoded for an older generation are dropped.
    std::uint64_t seek(std::int64_t frame);

    // --- streaming side ---
    struct StreamRequest {
        std::uint64_t generation = 0;
        std::int64_t decodeFrame = 0;
        std::int64_t freeFrames = 0;
        bool endOfStream = false;
    };
    // Current generation, decode position and free ring space, under the ring lock.
    StreamRequest streamRequest();
    // Appends decoded frames that start at `startFrame` if `generation` is still current and
    // the ring expects exactly that frame next; returns false otherwise.
    bool appendFrames(std::uint64_t generation, std::int64_t startFrame, const float* interleaved,
                      std::int64_t frames);
    // The decoder reached the end of the file for `generation`.
    void markEndOfStream(std::uint64_t generation);

    // A streaming session lasts from play() to stop(). Starting one ends the previous one; a
    // streaming thread exits as soon as its session is no longer current.
    std::uint64_t beginStreamSession();
    void endStreamSession();
    bool isCurrentSession(std::uint64_t session) const {
        return streamSession_.load(std::memory_order_acquire) == session;
    }
    // The streaming thread reopened and checked the file for `session`. Until then the voice
    // plays what it buffered but does not report the end.
    void markValidated(std::uint64_t session);
    // Blocks the streaming thread until woken or `timeout` passes.
    void waitForWork(std::chrono::milliseconds timeout);
    void wakeStreamer();

    // The end of playback is a flag raised by the render thread without allocating; the output's
    // notifier collects it and calls the finished handler with the stream generation at which
    // playback ended (a seek afterwards makes that generation stale).
    bool hasPendingEvents() const { return finishedRaised_.load(std::memory_order_acquire); }
    void setFinishedHandler(std::function<void(std::uint64_t generation)> handler) {
        finishedHandler_ = std::move(handler);
    }
    void dispatchEvents();
    std::uint64_t generation();

  private:
    std::int64_t bufferedFramesLocked() const;
    std::int64_t readRing(float* destination, std::int64_t frames);
    void renderDirect(float* out, int frames, float gain);
    void renderConverted(float* out, int frames, float gain);
    bool drainedLocked() const;
    void finish();
    void addMapped(const float* in, float* out, int frames, float gain) const;

    const int channels_;
    const int sampleRate_;
    const std::int64_t totalFrames_;

    // Ring state, guarded by ringMutex_.
    std::mutex ringMutex_;
    std::condition_variable streamerWake_;
    std::vector<float> ring_;
    std::int64_t readIndex_ = 0;
    std::int64_t writeIndex_ = 0;
    std::int64_t decodeFrame_ = 0;
    std::uint64_t generation_ = 0;
    std::uint64_t validatedSession_ = 0;
    bool endOfStream_ = false;
    bool converterNeedsReset_ = false;

    std::atomic<std::int64_t> position_{0};
    std::atomic<bool> playing_{false};
    std::atomic<float> volume_{1.0f};
    std::atomic<std::uint64_t> streamSession_{0};
    std::atomic<bool> finishedRaised_{false};
    std::atomic<std::uint64_t> finishedGeneration_{0};
    std::function<void(std::uint64_t)> finishedHandler_;

    // Output side, touched only by prepareForOutput() and the render thread.
    int outputRate_ = 0;
    int outputChannels_ = 2;
    int maxBlockFrames_ = 0;
    SRC_STATE* converter_ = nullptr;
    double ratio_ = 1.0;
    std::vector<float> convertIn_;
    std::vector<float> convertOut_;
    std::int64_t convertInFrames_ = 0;
    std::int64_t convertInCapacity_ = 0;
};

}  // namespace sv
