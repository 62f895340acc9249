#include "audio/playback/audio_output.h"

#include "audio/playback/playback_voice.h"

#include <QtGlobal>

#include <RtAudio.h>
#include <samplerate.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> silentForced{false};
// Set by RtAudio's error callback, which carries no user data.
std::atomic<bool> deviceFailed{false};

constexpr unsigned int kDeviceBlockFrames = 512;
constexpr auto kSilentTick = std::chrono::milliseconds(10);

bool silentRequestedByEnvironment() {
    return qEnvironmentVariable("SAMPLEVORLAN_AUDIO_OUTPUT")
               .compare("silent", Qt::CaseInsensitive) == 0;
}

void onDeviceError(RtAudioError::Type type, const std::string&) {
    if (type == RtAudioError::WARNING || type == RtAudioError::DEBUG_WARNING)
        return;
    deviceFailed.store(true);
}

void raisePeak(std::atomic<float>& peak, float value) {
    float current = peak.load(std::memory_order_relaxed);
    while (value > current && !peak.compare_exchange_weak(current, value))
        ;
}

QString apiName(RtAudio::Api api) {
    return QString::fromStdString(RtAudio::getApiName(api));
}

unsigned int chooseRate(const RtAudio::DeviceInfo& info) {
    if (info.preferredSampleRate > 0)
        return info.preferredSampleRate;
    for (const unsigned int rate : {48000u, 44100u}) {
        if (std::find(info.sampleRates.begin(), info.sampleRates.end(), rate) !=
            info.sampleRates.end())
            return rate;
    }
    return info.sampleRates.empty() ? 48000u : info.sampleRates.back();
}

}  // namespace

SVAudioOutput& SVAudioOutput::shared() {
    static SVAudioOutput output;
    return output;
}

void SVAudioOutput::forceSilentOutput(bool silent) {
    silentForced.store(silent);
}

SVAudioOutput::SVAudioOutput() {
    voices_.reserve(64);
    notifier_ = std::thread([this] { runNotifier(); });
}

SVAudioOutput::~SVAudioOutput() {
    stopping_.store(true);
    if (opener_.joinable())
        opener_.join();
    stopDevice();
    silentRunning_.store(false);
    if (silentClock_.joinable())
        silentClock_.join();
    eventsPending_.release();
    if (notifier_.joinable())
        notifier_.join();
}

void SVAudioOutput::warmUp() {
    const std::lock_guard lock(stateMutex_);
    if (backend_ != Backend::NotOpened)
        return;
    backend_ = Backend::Opening;
    opener_ = std::thread([this] { openOutput(); });
}

bool SVAudioOutput::waitUntilReady(int timeoutMilliseconds) {
    warmUp();
    std::unique_lock lock(stateMutex_);
    return readyChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds), [this] {
        return backend_ == Backend::Device || backend_ == Backend::Silent;
    });
}

SVAudioOutput::Backend SVAudioOutput::backend() const {
    const std::lock_guard lock(stateMutex_);
    return backend_;
}

int SVAudioOutput::sampleRate() const {
    const std::lock_guard lock(stateMutex_);
    return sampleRate_;
}

int SVAudioOutput::channels() const {
    const std::lock_guard lock(stateMutex_);
    return channels_;
}

QString SVAudioOutput::description() const {
    const std::lock_guard lock(stateMutex_);
    return description_;
}

namespace {
constexpr int kDeviceBuffers = 4;
}  // namespace

void SVAudioOutput::openOutput() {
    if (!silentForced.load() && !silentRequestedByEnvironment() && openDevice())
        return;
    startSilent();
}

bool SVAudioOutput::openDevice() {
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    for (const RtAudio::Api api : {RtAudio::LINUX_PULSE, RtAudio::UNIX_JACK, RtAudio::LINUX_ALSA}) {
        if (stopping_.load())
            return false;
        if (std::find(compiled.begin(), compiled.end(), api) == compiled.end())
            continue;
        try {
            auto device = std::make_unique<RtAudio>(api);
            device->showWarnings(false);
            if (device->getDeviceCount() == 0)
                continue;
            const unsigned int deviceId = device->getDefaultOutputDevice();
            const RtAudio::DeviceInfo info = device->getDeviceInfo(deviceId);
            if (!info.probed || info.outputChannels == 0)
                continue;
            RtAudio::StreamParameters parameters;
            parameters.deviceId = deviceId;
            parameters.nChannels = std::min(info.outputChannels, 2u);
            unsigned int rate = chooseRate(info);
            unsigned int blockFrames = kDeviceBlockFrames;
            RtAudio::StreamOptions options;
            options.streamName = "Sample Vorlan";
            // Auditioning wants the sound right after the click: ask the server for a short
            // playback buffer (a few blocks) instead of its default of a large fraction of a
            // second.
            options.flags = RTAUDIO_MINIMIZE_LATENCY;
            options.numberOfBuffers = kDeviceBuffers;
            deviceFailed.store(false);
            device->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, rate, &blockFrames,
                               &SVAudioOutput::deviceCallback, this, &options, &onDeviceError);
            rate = device->getStreamSampleRate();
            if (blockFrames > static_cast<unsigned int>(kMaxBlockFrames)) {
                device->closeStream();
                continue;
            }
            device_ = std::move(device);
            becomeReady(Backend::Device, static_cast<int>(rate),
                        static_cast<int>(parameters.nChannels),
                        apiName(api) + ": " + QString::fromStdString(info.name));
            device_->startStream();
            return true;
        } catch (const RtAudioError&) {
            device_.reset();
            const std::lock_guard lock(stateMutex_);
            backend_ = Backend::Opening;
        }
    }
    return false;
}

void SVAudioOutput::startSilent() {
    becomeReady(Backend::Silent, kSilentSampleRate, kSilentChannels, QStringLiteral("silent"));
    silentRunning_.store(true);
    silentClock_ = std::thread([this] { runSilentClock(); });
}

void SVAudioOutput::becomeReady(Backend backend, int rate, int channels,
                                const QString& description) {
    {
        const std::lock_guard voicesLock(voicesMutex_);
        // A device gets the best converter; the silent clock only needs positions to advance.
        converterType_ = backend == Backend::Device ? SRC_SINC_MEDIUM_QUALITY : SRC_LINEAR;
        for (const auto& voice : voices_)
            voice->prepareForOutput(rate, channels, kMaxBlockFrames, converterType_);
        const std::lock_guard stateLock(stateMutex_);
        sampleRate_ = rate;
        channels_ = channels;
        renderChannels_.store(channels, std::memory_order_release);
        description_ = description;
        backend_ = backend;
        voicesPrepared_ = true;
    }
    readyChanged_.notify_all();
}

void SVAudioOutput::attach(const std::shared_ptr<sv::PlaybackVoice>& voice) {
    if (!voice)
        return;
    warmUp();
    const std::lock_guard lock(voicesMutex_);
    if (std::find(voices_.begin(), voices_.end(), voice) != voices_.end())
        return;
    if (voicesPrepared_) {
        int rate = 0;
        int channels = 0;
        {
            const std::lock_guard stateLock(stateMutex_);
            rate = sampleRate_;
            channels = channels_;
        }
        voice->prepareForOutput(rate, channels, kMaxBlockFrames, converterType_);
    }
    voices_.push_back(voice);
}

void SVAudioOutput::detach(const sv::PlaybackVoice* voice) {
    std::shared_ptr<sv::PlaybackVoice> removed;  // released after the lock
    const std::lock_guard lock(voicesMutex_);
    const auto found = std::find_if(voices_.begin(), voices_.end(),
                                    [voice](const auto& held) { return held.get() == voice; });
    if (found == voices_.end())
        return;
    removed = std::move(*found);
    voices_.erase(found);
}

void SVAudioOutput::render(float* out, int frames) {
    const int channels = renderChannels_.load(std::memory_order_acquire);
    std::memset(out, 0, static_cast<std::size_t>(frames) * channels * sizeof(float));
    bool audible = false;
    bool eventRaised = false;
    {
        std::unique_lock lock(voicesMutex_, std::try_to_lock);
        if (lock.owns_lock()) {
            for (const auto& voice : voices_) {
                if (!voice->isPlaying())
                    continue;
                audible = true;
                voice->render(out, frames);
                eventRaised = eventRaised || voice->hasPendingEvents();
            }
        }
    }
    float peak = 0.0f;
    const std::size_t samples = static_cast<std::size_t>(frames) * channels;
    for (std::size_t i = 0; i < samples; ++i) {
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
        peak = std::max(peak, std::fabs(out[i]));
    }
    raisePeak(peak_, peak);
    renderedBlocks_.fetch_add(1, std::memory_order_relaxed);
    if (audible)
        audibleBlocks_.fetch_add(1, std::memory_order_relaxed);
    if (eventRaised || deviceFailed.load(std::memory_order_relaxed))
        eventsPending_.release();
}

int SVAudioOutput::deviceCallback(void* output, void*, unsigned int frames, double, unsigned int,
                                  void* self) {
    auto* engine = static_cast<SVAudioOutput*>(self);
    auto* out = static_cast<float*>(output);
    // The block size is fixed at opening and was checked against kMaxBlockFrames.
    engine->render(out, static_cast<int>(frames));
    return 0;
}

void SVAudioOutput::runSilentClock() {
    std::vector<float> block(static_cast<std::size_t>(kMaxBlockFrames) * kSilentChannels);
    const Clock::time_point start = Clock::now();
    std::int64_t rendered = 0;
    Clock::time_point next = start;
    while (silentRunning_.load() && !stopping_.load()) {
        next += kSilentTick;
        std::this_thread::sleep_until(next);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::int64_t due = static_cast<std::int64_t>(elapsed * kSilentSampleRate) - rendered;
        while (due > 0) {
            const int frames = static_cast<int>(std::min<std::int64_t>(due, kMaxBlockFrames));
            render(block.data(), frames);
            rendered += frames;
            due -= frames;
        }
    }
}

void SVAudioOutput::runNotifier() {
    while (!stopping_.load()) {
        eventsPending_.try_acquire_for(std::chrono::milliseconds(50));
        if (stopping_.load())
            break;
        if (deviceFailed.exchange(false))
            failOverToSilent();
        std::vector<std::shared_ptr<sv::PlaybackVoice>> withEvents;
        {
            const std::lock_guard lock(voicesMutex_);
            for (const auto& voice : voices_) {
                if (voice->hasPendingEvents())
                    withEvents.push_back(voice);
            }
        }
        for (const auto& voice : withEvents)
            voice->dispatchEvents();
    }
}

void SVAudioOutput::failOverToSilent() {
    {
        const std::lock_guard lock(stateMutex_);
        if (backend_ != Backend::Device)
            return;
    }
    stopDevice();
    startSilent();
}

void SVAudioOutput::stopDevice() {
    if (!device_)
        return;
    try {
        if (device_->isStreamRunning())
            device_->abortStream();
        if (device_->isStreamOpen())
            device_->closeStream();
    } catch (const RtAudioError&) {
    }
    device_.reset();
}
