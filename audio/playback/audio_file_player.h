#pragma once

// A player for one audio file, used to audition samples: created on a path, prepared, played,
// paused, stopped and positioned, with a volume. Audio goes to the process-wide SVAudioOutput
// (a device, or the silent clock when there is none), streamed from the file while it plays so
// memory stays flat however long the file is.
//
// Threads:
// - The player lives on the application's main thread: when it is created on another thread it
//   moves itself there. Its signals are always emitted on the main thread.
// - prepare() may be called on any thread (it reads the file; call it off the main thread).
// - The other functions are cheap and may be called from any thread, also before prepare() and
//   after a failure; none of them blocks on the device or the disk.
// - Destroying the player is safe in every state, also while it plays and on any thread; a
//   signal already queued for a destroyed player is dropped.
//
// A file that disappears or changes between prepare() and play() (or while it plays) is
// reported by decodeErrorOccurred(); playback stops.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

namespace sv {
class PlaybackVoice;
}

class SVAudioFilePlayer : public QObject {
    Q_OBJECT

  public:
    explicit SVAudioFilePlayer(const QString& path, QObject* parent = nullptr);
    ~SVAudioFilePlayer() override;

    QString path() const { return path_; }

    // Opens the file, checks that it decodes and buffers its first frames. Returns false with
    // errorString() set when it cannot be decoded. Repeated calls return the first result.
    bool prepare();
    bool isPrepared() const;
    // The last error: why prepare() failed, or the decode error reported during playback.
    QString errorString() const;

    // Starts or resumes playback from currentTime(); prepares first when needed. Returns false
    // when the file cannot be decoded. Playback starts as soon as the output is open.
    bool play();
    // Stops playback, keeping the position.
    void pause();
    // Stops playback and releases the file; the position is kept, play() starts again from it.
    void stop();

    // Position in seconds; setting it clamps to 0..duration() and works while playing.
    double currentTime() const;
    void setCurrentTime(double seconds);
    // Length in seconds; 0 until prepared.
    double duration() const;
    bool isPlaying() const;
    // Gain 0..1 (clamped), applied to the samples as they are mixed.
    float volume() const;
    void setVolume(float volume);

    int sampleRate() const;
    int channels() const;

  signals:
    // Playback reached the end of the file (the position then returns to 0).
    void finishedPlaying(bool successfully);
    // The file could not be read while playing: missing, changed or damaged since prepare().
    void decodeErrorOccurred(const QString& message);

  private:
    struct Link;
    struct Format {
        std::int64_t frames = 0;
        int sampleRate = 0;
        int channels = 0;
    };

    void startStreaming();
    void onFinished(std::uint64_t generation);
    void onDecodeError(std::uint64_t session, const QString& message);
    std::shared_ptr<sv::PlaybackVoice> voice() const;

    const QString path_;
    std::shared_ptr<Link> link_;

    mutable std::mutex mutex_;
    bool prepareAttempted_ = false;
    bool prepared_ = false;
    QString error_;
    Format format_;
    std::shared_ptr<sv::PlaybackVoice> voice_;
    std::uint64_t session_ = 0;  // 0 while no streaming thread runs
    float volume_ = 1.0f;
    double pendingStart_ = 0.0;
};
