#pragma once

// The process-wide audio output shared by every player: one RtAudio stream on the default
// device (PulseAudio or PipeWire's Pulse server, JACK, then ALSA), opened once on a worker thread
// and kept running, mixing every attached voice. When no device opens, or the device fails
// later, a silent output takes over that consumes frames on a steady clock, so positions, ends
// of playback and finished events behave exactly as with sound.
//
// Threads: every public function may be called from any thread and returns at once, apart from
// waitUntilReady(). Opening happens on the output's own opener thread; rendering on RtAudio's
// callback thread or the silent clock thread; voice events are collected on a notifier thread
// and passed to each voice's event handler there.

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

class RtAudio;

namespace sv {
class PlaybackVoice;
}

class SVAudioOutput {
  public:
    enum class Backend { NotOpened, Opening, Device, Silent };

    // Rate and block size of the silent output.
    static constexpr int kSilentSampleRate = 44100;
    static constexpr int kSilentChannels = 2;
    static constexpr int kMaxBlockFrames = 4096;

    static SVAudioOutput& shared();

    // Forces the silent output instead of a device: for tests and machines where sound must stay
    // off. Effective only before the output is opened. The environment variable
    // SAMPLEVORLAN_AUDIO_OUTPUT=silent does the same.
    static void forceSilentOutput(bool silent);

    // Starts opening the output in the background (the application's audio warm-up). Repeated
    // calls do nothing. Voices attached before the output is ready start when it is.
    void warmUp();
    // Waits until the output is open (device or silent). True when it is.
    bool waitUntilReady(int timeoutMilliseconds);

    Backend backend() const;
    int sampleRate() const;
    int channels() const;
    // The API and device in use, e.g. "pulse: Default Device", or "silent".
    QString description() const;

    void attach(const std::shared_ptr<sv::PlaybackVoice>& voice);
    void detach(const sv::PlaybackVoice* voice);

    // Highest absolute sample value mixed since the last reset (a level meter; tests use it to
    // check what was rendered).
    float peakSinceReset() const { return peak_.load(std::memory_order_relaxed); }
    void resetPeak() { peak_.store(0.0f, std::memory_order_relaxed); }
    // Blocks rendered so far, and blocks in which at least one voice was playing.
    std::uint64_t renderedBlocks() const { return renderedBlocks_.load(std::memory_order_relaxed); }
    std::uint64_t audibleBlocks() const { return audibleBlocks_.load(std::memory_order_relaxed); }

    // Mixes every playing voice into `out` (interleaved, channels() channels). Real-time safe:
    // it only tries the voice-list lock and allocates nothing.
    void render(float* out, int frames);

    ~SVAudioOutput();
    SVAudioOutput(const SVAudioOutput&) = delete;
    SVAudioOutput& operator=(const SVAudioOutput&) = delete;

  private:
    SVAudioOutput();

    void openOutput();
    bool openDevice();
    void startSilent();
    void becomeReady(Backend backend, int rate, int channels, const QString& description);
    void runSilentClock();
    void runNotifier();
    void failOverToSilent();
    void stopDevice();
    static int deviceCallback(void* output, void* input, unsigned int frames, double streamTime,
                              unsigned int status, void* self);

    mutable std::mutex stateMutex_;
    std::condition_variable readyChanged_;
    Backend backend_ = Backend::NotOpened;
    int sampleRate_ = kSilentSampleRate;
    int channels_ = kSilentChannels;
    // The channel count render() writes; only changes while no stream renders.
    std::atomic<int> renderChannels_{kSilentChannels};
    QString description_;

    // The voice list: render() only tries this lock; attach() and detach() hold it briefly.
    std::mutex voicesMutex_;
    std::vector<std::shared_ptr<sv::PlaybackVoice>> voices_;
    bool voicesPrepared_ = false;
    int converterType_ = 0;

    std::unique_ptr<RtAudio> device_;
    std::thread opener_;
    std::thread silentClock_;
    std::thread notifier_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> silentRunning_{false};
    std::counting_semaphore<> eventsPending_{0};

    std::atomic<float> peak_{0.0f};
    std::atomic<std::uint64_t> renderedBlocks_{0};
    std::atomic<std::uint64_t> audibleBlocks_{0};
};
