#include "audio/playback/audio_file_player.h"

#include "audio/playback/audio_output.h"
#include "audio/playback/main_thread_dispatch.h"
#include "audio/playback/playback_voice.h"
#include "audio/waveforms/audio_file_decoder.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

// Connects queued deliveries to the player: cleared by the destructor, so a delivery that
// arrives after the player is gone finds no one. Recursive because a slot may destroy the
// player while its signal is being emitted.
struct SVAudioFilePlayer::Link {
    std::recursive_mutex mutex;
    SVAudioFilePlayer* player = nullptr;
};

namespace {

using sv::AudioFileDecoder;
using sv::PlaybackVoice;

constexpr std::int64_t kChunkFrames = AudioFileDecoder::kChunkFrames;
constexpr auto kRingFullWait = std::chrono::milliseconds(10);
constexpr auto kIdleWait = std::chrono::milliseconds(100);

// Frames a file may fall short of its announced length without being damaged: compressed
// formats only estimate their length from the header.
std::int64_t shortfallTolerance(std::int64_t frames) {
    return std::max<std::int64_t>(4096, frames / 100);
}

struct StreamJob {
    std::shared_ptr<PlaybackVoice> voice;
    std::filesystem::path path;
    std::int64_t frames = 0;
    int sampleRate = 0;
    int channels = 0;
    std::uint64_t session = 0;
    std::function<void(const QString&)> fail;
};

std::optional<AudioFileDecoder> reopen(const StreamJob& job) {
    try {
        AudioFileDecoder decoder(job.path);
        if (decoder.frames() != job.frames || decoder.sampleRate() != job.sampleRate ||
            decoder.channels() != job.channels) {
            job.fail(QStringLiteral("The audio file \"%1\" changed after it was opened")
                         .arg(QString::fromStdString(job.path.string())));
            return std::nullopt;
        }
        return decoder;
    } catch (const std::exception& error) {
        job.fail(QString::fromUtf8(error.what()));
        return std::nullopt;
    }
}

// Runs on the player's streaming thread for one play session: keeps the voice's ring filled
// from the file, following seeks, until the session ends.
void streamFile(const StreamJob& job) {
    std::optional<AudioFileDecoder> decoder = reopen(job);
    if (!decoder)
        return;
    PlaybackVoice& voice = *job.voice;
    voice.markValidated(job.session);
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames * job.channels));
    std::uint64_t generation = UINT64_MAX;
    std::int64_t fileFrame = 0;
    try {
        while (voice.isCurrentSession(job.session)) {
            const PlaybackVoice::StreamRequest request = voice.streamRequest();
            if (request.generation != generation) {
                generation = request.generation;
                fileFrame = request.decodeFrame;
                if (!decoder->seek(fileFrame)) {
                    job.fail(QStringLiteral("Could not seek in audio file \"%1\"")
                                 .arg(QString::fromStdString(job.path.string())));
                    return;
                }
            }
            if (request.endOfStream) {
                voice.waitForWork(kIdleWait);
                continue;
            }
            const std::int64_t wanted = std::min(kChunkFrames, request.freeFrames);
            if (wanted < std::min<std::int64_t>(kChunkFrames, job.frames - fileFrame + 1)) {
                voice.waitForWork(kRingFullWait);
                continue;
            }
            const std::int64_t got = decoder->read(chunk.data(), wanted);
            if (got == 0) {
                if (fileFrame < job.frames - shortfallTolerance(job.frames)) {
                    job.fail(QStringLiteral("The audio file \"%1\" ended early")
                                 .arg(QString::fromStdString(job.path.string())));
                    return;
                }
                voice.markEndOfStream(generation);
                continue;
            }
            if (voice.appendFrames(generation, fileFrame, chunk.data(), got))
                fileFrame += got;
            else
                generation = UINT64_MAX;  // a seek came in between: start over from it
        }
    } catch (const std::exception& error) {
        job.fail(QString::fromUtf8(error.what()));
    }
}

}  // namespace

SVAudioFilePlayer::SVAudioFilePlayer(const QString& path, QObject* parent)
    : QObject(parent), path_(path), link_(std::make_shared<Link>()) {
    link_->player = this;
    const QCoreApplication* application = QCoreApplication::instance();
    if (parent == nullptr && application != nullptr && thread() != application->thread())
        moveToThread(application->thread());
}

SVAudioFilePlayer::~SVAudioFilePlayer() {
    {
        const std::lock_guard linkLock(link_->mutex);
        link_->player = nullptr;
    }
    const std::shared_ptr<PlaybackVoice> held = voice();
    if (!held)
        return;
    held->setPlaying(false);
    SVAudioOutput::shared().detach(held.get());
    // The streaming thread keeps its own reference and ends on its own.
    held->endStreamSession();
}

std::shared_ptr<PlaybackVoice> SVAudioFilePlayer::voice() const {
    const std::lock_guard lock(mutex_);
    return voice_;
}

bool SVAudioFilePlayer::prepare() {
    double startSeconds = 0.0;
    {
        const std::lock_guard lock(mutex_);
        if (prepareAttempted_)
            return prepared_;
        prepareAttempted_ = true;
        startSeconds = pendingStart_;
    }
    QString error;
    std::shared_ptr<PlaybackVoice> voice;
    Format format;
    try {
        AudioFileDecoder decoder(path_.toStdString());
        if (decoder.frames() <= 0)
            throw sv::AudioDecodeError(
                "The audio file \"" + path_.toStdString() + "\" holds no audio", 1);
        format = {decoder.frames(), decoder.sampleRate(), decoder.channels()};
        voice = std::make_shared<PlaybackVoice>(format.channels, format.sampleRate, format.frames);
        const auto startFrame = static_cast<std::int64_t>(
            std::clamp(startSeconds, 0.0, decoder.durationSeconds()) * format.sampleRate);
        const std::uint64_t generation = voice->seek(startFrame);
        if (startFrame > 0 && !decoder.seek(startFrame))
            throw sv::AudioDecodeError(
                "Could not seek in audio file \"" + path_.toStdString() + "\"", 1);
        std::vector<float> chunk;
        const std::int64_t got = decoder.readChunk(chunk);
        if (got == 0 && startFrame == 0)
            throw sv::AudioDecodeError(
                "The audio file \"" + path_.toStdString() + "\" holds no audio", 1);
        voice->appendFrames(generation, startFrame, chunk.data(), got);
        if (got < kChunkFrames)
            voice->markEndOfStream(generation);
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
        voice.reset();
    }

    const std::lock_guard lock(mutex_);
    if (!voice) {
        error_ = error;
        return false;
    }
    std::weak_ptr<Link> link = link_;
    voice->setFinishedHandler([link](std::uint64_t generation) {
        sv::postToMainThread([link, generation] {
            if (const auto held = link.lock()) {
                const std::lock_guard linkLock(held->mutex);
                if (held->player != nullptr)
                    held->player->onFinished(generation);
            }
        });
    });
    voice->setVolume(volume_);
    voice_ = std::move(voice);
    format_ = format;
    prepared_ = true;
    return true;
}

bool SVAudioFilePlayer::isPrepared() const {
    const std::lock_guard lock(mutex_);
    return prepared_;
}

QString SVAudioFilePlayer::errorString() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

bool SVAudioFilePlayer::play() {
    if (!prepare())
        return false;
    const std::shared_ptr<PlaybackVoice> held = voice();
    startStreaming();
    SVAudioOutput::shared().attach(held);
    held->setPlaying(true);
    return true;
}

void SVAudioFilePlayer::startStreaming() {
    const std::lock_guard lock(mutex_);
    if (session_ != 0)
        return;
    session_ = voice_->beginStreamSession();
    StreamJob job;
    job.voice = voice_;
    job.path = path_.toStdString();
    job.frames = format_.frames;
    job.sampleRate = format_.sampleRate;
    job.channels = format_.channels;
    job.session = session_;
    std::weak_ptr<Link> link = link_;
    const std::uint64_t session = session_;
    std::weak_ptr<PlaybackVoice> weakVoice = voice_;
    job.fail = [link, session, weakVoice](const QString& message) {
        if (const auto failed = weakVoice.lock())
            failed->setPlaying(false);
        sv::postToMainThread([link, session, message] {
            if (const auto held = link.lock()) {
                const std::lock_guard linkLock(held->mutex);
                if (held->player != nullptr)
                    held->player->onDecodeError(session, message);
            }
        });
    };
    std::thread([job = std::move(job)] { streamFile(job); }).detach();
}

void SVAudioFilePlayer::pause() {
    if (const auto held = voice())
        held->setPlaying(false);
}

void SVAudioFilePlayer::stop() {
    const std::shared_ptr<PlaybackVoice> held = voice();
    if (!held)
        return;
    held->setPlaying(false);
    SVAudioOutput::shared().detach(held.get());
    const std::lock_guard lock(mutex_);
    if (session_ == 0)
        return;
    held->endStreamSession();
    session_ = 0;
    // The next session streams from the kept position with a fresh ring.
    held->seek(held->position());
}

double SVAudioFilePlayer::currentTime() const {
    const std::lock_guard lock(mutex_);
    if (!voice_)
        return pendingStart_;
    return static_cast<double>(std::min(voice_->position(), format_.frames)) / format_.sampleRate;
}

void SVAudioFilePlayer::setCurrentTime(double seconds) {
    if (!std::isfinite(seconds))
        seconds = 0.0;
    std::shared_ptr<PlaybackVoice> held;
    Format format;
    {
        const std::lock_guard lock(mutex_);
        if (!voice_) {
            pendingStart_ = std::max(seconds, 0.0);
            return;
        }
        held = voice_;
        format = format_;
    }
    const double length = static_cast<double>(format.frames) / format.sampleRate;
    held->seek(std::llround(std::clamp(seconds, 0.0, length) * format.sampleRate));
}

double SVAudioFilePlayer::duration() const {
    const std::lock_guard lock(mutex_);
    if (format_.sampleRate <= 0)
        return 0.0;
    return static_cast<double>(format_.frames) / format_.sampleRate;
}

bool SVAudioFilePlayer::isPlaying() const {
    const auto held = voice();
    return held && held->isPlaying();
}

float SVAudioFilePlayer::volume() const {
    const std::lock_guard lock(mutex_);
    return volume_;
}

void SVAudioFilePlayer::setVolume(float volume) {
    if (!std::isfinite(volume))
        volume = 0.0f;
    const std::lock_guard lock(mutex_);
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    if (voice_)
        voice_->setVolume(volume_);
}

int SVAudioFilePlayer::sampleRate() const {
    const std::lock_guard lock(mutex_);
    return format_.sampleRate;
}

int SVAudioFilePlayer::channels() const {
    const std::lock_guard lock(mutex_);
    return format_.channels;
}

void SVAudioFilePlayer::onFinished(std::uint64_t generation) {
    const std::shared_ptr<PlaybackVoice> held = voice();
    if (!held || held->isPlaying() || held->generation() != generation)
        return;  // a seek or a new play came first
    held->seek(0);
    emit finishedPlaying(true);
}

void SVAudioFilePlayer::onDecodeError(std::uint64_t session, const QString& message) {
    const std::shared_ptr<PlaybackVoice> held = voice();
    {
        const std::lock_guard lock(mutex_);
        if (session != session_ || !held)
            return;
        error_ = message;
        session_ = 0;
    }
    held->setPlaying(false);
    SVAudioOutput::shared().detach(held.get());
    held->endStreamSession();
    held->seek(held->position());
    emit decodeErrorOccurred(message);
}
