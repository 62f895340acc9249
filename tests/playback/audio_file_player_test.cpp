#include "audio/playback/audio_file_player.h"
#include "audio/playback/audio_output.h"
#include "tests/playback/playback_test_support.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using sv::testing::spinFor;
using sv::testing::spinUntil;
using sv::testing::writeLevelWav;

namespace {

class AudioFilePlayerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SVAudioOutput::shared().waitUntilReady(5000)); }

    fs::path wav(const char* name, double seconds, int rate = 44100, int channels = 1,
                 float level = 0.5f) {
        return writeLevelWav(home_.root() / name, seconds, rate, channels, level);
    }
    static QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

    sv::testing::TempHome home_;
};

TEST_F(AudioFilePlayerTest, SilentOutputIsUsedWithoutADevice) {
    EXPECT_EQ(SVAudioOutput::shared().backend(), SVAudioOutput::Backend::Silent);
    EXPECT_EQ(SVAudioOutput::shared().sampleRate(), SVAudioOutput::kSilentSampleRate);
}

TEST_F(AudioFilePlayerTest, PlaysToTheEndInRealTimeAndReportsSuccess) {
    SVAudioFilePlayer player(q(wav("end.wav", 0.3)));
    ASSERT_TRUE(player.prepare()) << player.errorString().toStdString();
    EXPECT_NEAR(player.duration(), 0.3, 1e-6);
    QSignalSpy finished(&player, &SVAudioFilePlayer::finishedPlaying);
    QSignalSpy failed(&player, &SVAudioFilePlayer::decodeErrorOccurred);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(player.play());
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(spinUntil([&] { return finished.count() > 0; }, 3000));
    // Driven by the clock, not as fast as the mixer can go.
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_EQ(failed.count(), 0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.currentTime(), 0.0);
    spinFor(100);
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(AudioFilePlayerTest, RepeatingAtTheCallersSideRestartsFromZero) {
    SVAudioFilePlayer player(q(wav("loop.wav", 0.12)));
    int ends = 0;
    QObject::connect(&player, &SVAudioFilePlayer::finishedPlaying, [&](bool ok) {
        EXPECT_TRUE(ok);
        if (++ends < 3) {
            player.setCurrentTime(0);
            EXPECT_TRUE(player.play());
        }
    });
    ASSERT_TRUE(player.play());  // prepares on its own
    ASSERT_TRUE(spinUntil([&] { return ends == 3; }, 4000));
    EXPECT_FALSE(player.isPlaying());
    // Restarting after the end plays the whole file again.
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > 0.02; }, 2000));
    ASSERT_TRUE(spinUntil([&] { return ends == 4; }, 2000));
}

TEST_F(AudioFilePlayerTest, PauseAndResumeKeepThePosition) {
    SVAudioFilePlayer player(q(wav("pause.wav", 2.0)));
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > 0.2; }, 3000));
    player.pause();
    EXPECT_FALSE(player.isPlaying());
    const double paused = player.currentTime();
    spinFor(300);
    EXPECT_DOUBLE_EQ(player.currentTime(), paused);
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > paused + 0.1; }, 3000));
    // Stop keeps the position as well and releases the file; play continues from it.
    player.stop();
    const double stopped = player.currentTime();
    EXPECT_GE(stopped, paused + 0.1);
    spinFor(100);
    EXPECT_DOUBLE_EQ(player.currentTime(), stopped);
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > stopped + 0.05; }, 3000));
    EXPECT_LT(player.currentTime(), stopped + 1.0);
}

TEST_F(AudioFilePlayerTest, SeekingClampsToTheFile) {
    SVAudioFilePlayer player(q(wav("seek.wav", 1.5)));
    ASSERT_TRUE(player.prepare());
    const struct {
        double requested;
        double expected;
    } cases[] = {{-5.0, 0.0},
                 {0.5, 0.5},
                 {1.5, 1.5},
                 {99.0, 1.5},
                 {std::numeric_limits<double>::quiet_NaN(), 0.0},
                 {std::numeric_limits<double>::infinity(), 0.0}};
    for (const auto& c : cases) {
        player.setCurrentTime(c.requested);
        EXPECT_NEAR(player.currentTime(), c.expected, 1e-4) << c.requested;
    }
    // Seeking while playing continues from the new place.
    player.setCurrentTime(0.0);
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > 0.05; }, 2000));
    player.setCurrentTime(1.0);
    EXPECT_GE(player.currentTime(), 1.0);
    ASSERT_TRUE(spinUntil([&] { return player.currentTime() > 1.1; }, 2000));
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(AudioFilePlayerTest, SeekBeforePrepareStartsThere) {
    SVAudioFilePlayer player(q(wav("early-seek.wav", 1.0)));
    player.setCurrentTime(0.75);
    ASSERT_TRUE(player.prepare());
    EXPECT_NEAR(player.currentTime(), 0.75, 1e-4);
    QSignalSpy finished(&player, &SVAudioFilePlayer::finishedPlaying);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(spinUntil([&] { return finished.count() == 1; }, 3000));
    EXPECT_LT(clock.elapsed(), 700);
}

TEST_F(AudioFilePlayerTest, VolumeScalesTheRenderedSamples) {
    SVAudioOutput& output = SVAudioOutput::shared();
    // 44.1 kHz goes to the output as it is, 48 kHz through the rate converter.
    for (const int rate : {44100, 48000}) {
        SVAudioFilePlayer player(q(wav("level.wav", 3.0, rate, 2, 0.5f)));
        ASSERT_TRUE(player.play());
        for (const float volume : {1.0f, 0.5f, 0.0f, 2.0f}) {
            player.setVolume(volume);
            spinFor(60);
            output.resetPeak();
            spinFor(120);
            const float expected = 0.5f * std::clamp(volume, 0.0f, 1.0f);
            EXPECT_NEAR(output.peakSinceReset(), expected, 0.01)
                << "rate " << rate << " volume " << volume;
        }
        EXPECT_FLOAT_EQ(player.volume(), 1.0f);
    }
    // Nothing playing renders silence.
    spinFor(60);
    output.resetPeak();
    spinFor(100);
    EXPECT_EQ(output.peakSinceReset(), 0.0f);
}

TEST_F(AudioFilePlayerTest, FileGoneOrDamagedAfterPrepareReportsADecodeError) {
    const auto deleteFile = [](const fs::path& path) { fs::remove(path); };
    const auto garble = [](const fs::path& path) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(4096, 'x');
    };
    const auto truncate = [](const fs::path& path) { fs::resize_file(path, 1000); };
    const auto replaceWithMidi = [](const fs::path& path) { sv::testing::writeMidi(path); };
    const struct {
        const char* name;
        std::function<void(const fs::path&)> damage;
    } cases[] = {{"deleted", deleteFile},
                 {"garbled", garble},
                 {"truncated", truncate},
                 {"midi", replaceWithMidi}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = wav((std::string(c.name) + ".wav").c_str(), 1.0);
        SVAudioFilePlayer player(q(path));
        ASSERT_TRUE(player.prepare());
        c.damage(path);
        QSignalSpy failed(&player, &SVAudioFilePlayer::decodeErrorOccurred);
        QSignalSpy finished(&player, &SVAudioFilePlayer::finishedPlaying);
        player.play();
        ASSERT_TRUE(spinUntil([&] { return failed.count() == 1; }, 3000));
        EXPECT_FALSE(failed.at(0).at(0).toString().isEmpty());
        EXPECT_EQ(player.errorString(), failed.at(0).at(0).toString());
        EXPECT_FALSE(player.isPlaying());
        spinFor(100);
        EXPECT_EQ(finished.count(), 0);
        EXPECT_EQ(failed.count(), 1);
    }
}

TEST_F(AudioFilePlayerTest, FilesThatDoNotDecodeFailToPrepare) {
    const fs::path missing = home_.root() / "missing.wav";
    const fs::path midi = sv::testing::writeMidi(home_.root() / "song.mid");
    const fs::path garbage = sv::testing::writeBytes(home_.root() / "noise.wav", "RIFFnope");
    const fs::path empty = sv::testing::writeWav(home_.root() / "empty.wav", {});
    for (const fs::path& path : {missing, midi, garbage, empty}) {
        SCOPED_TRACE(path.filename().string());
        SVAudioFilePlayer player(q(path));
        EXPECT_FALSE(player.prepare());
        EXPECT_FALSE(player.errorString().isEmpty());
        EXPECT_FALSE(player.play());
        EXPECT_FALSE(player.isPlaying());
        EXPECT_DOUBLE_EQ(player.duration(), 0.0);
        EXPECT_DOUBLE_EQ(player.currentTime(), 0.0);
        player.setCurrentTime(3.0);
        player.setVolume(0.3f);
        player.pause();
        player.stop();
    }
}

TEST_F(AudioFilePlayerTest, EveryCallIsSafeBeforePrepare) {
    SVAudioFilePlayer player(q(wav("idle.wav", 0.5)));
    EXPECT_FALSE(player.isPrepared());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.duration(), 0.0);
    player.pause();
    player.stop();
    player.setVolume(0.25f);
    EXPECT_FLOAT_EQ(player.volume(), 0.25f);
    ASSERT_TRUE(player.prepare());
    EXPECT_TRUE(player.prepare());
    EXPECT_EQ(player.sampleRate(), 44100);
    EXPECT_EQ(player.channels(), 1);
}

TEST_F(AudioFilePlayerTest, DestroyingAPlayingPlayerIsSafe) {
    const fs::path path = wav("destroy.wav", 2.0);
    {
        SVAudioFilePlayer player(q(path));
        ASSERT_TRUE(player.play());
        spinFor(50);
    }
    // With its end already queued for the main thread.
    {
        auto player = std::make_unique<SVAudioFilePlayer>(q(wav("short.wav", 0.05)));
        bool delivered = false;
        QObject::connect(player.get(), &SVAudioFilePlayer::finishedPlaying,
                         [&] { delivered = true; });
        ASSERT_TRUE(player->play());
        QThread::msleep(300);  // ends without the event loop running
        player.reset();
        spinFor(100);
        EXPECT_FALSE(delivered);
    }
    // On another thread while it plays, and by its own finished slot.
    {
        auto player = std::make_unique<SVAudioFilePlayer>(q(path));
        ASSERT_TRUE(player->play());
        spinFor(30);
        std::thread([owned = std::move(player)]() mutable { owned.reset(); }).join();
    }
    {
        auto* player = new SVAudioFilePlayer(q(wav("self.wav", 0.05)));
        bool deleted = false;
        QObject::connect(player, &QObject::destroyed, [&] { deleted = true; });
        QObject::connect(player, &SVAudioFilePlayer::finishedPlaying, [player] { delete player; });
        ASSERT_TRUE(player->play());
        ASSERT_TRUE(spinUntil([&] { return deleted; }, 2000));
    }
    spinFor(100);
}

TEST_F(AudioFilePlayerTest, PreparedOnAWorkerSignalsOnTheMainThread) {
    const QString path = q(wav("worker.wav", 0.1));
    std::unique_ptr<SVAudioFilePlayer> player;
    std::thread([&] {
        player = std::make_unique<SVAudioFilePlayer>(path);
        EXPECT_TRUE(player->prepare());
    }).join();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->thread(), QCoreApplication::instance()->thread());
    QThread* signalled = nullptr;
    QObject::connect(player.get(), &SVAudioFilePlayer::finishedPlaying,
                     [&] { signalled = QThread::currentThread(); });
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(spinUntil([&] { return signalled != nullptr; }, 2000));
    EXPECT_EQ(signalled, QCoreApplication::instance()->thread());
}

TEST_F(AudioFilePlayerTest, StereoAndMonoLongFilesStreamToTheEnd) {
    // Longer than the ring, so the streaming thread refills it while playing.
    for (const int channels : {1, 2}) {
        SVAudioFilePlayer player(q(wav("long.wav", 2.0, 48000, channels)));
        ASSERT_TRUE(player.prepare());
        player.setCurrentTime(0.4);
        QSignalSpy finished(&player, &SVAudioFilePlayer::finishedPlaying);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(player.play());
        ASSERT_TRUE(spinUntil([&] { return finished.count() == 1; }, 5000)) << channels;
        EXPECT_GE(clock.elapsed(), 1400);
        EXPECT_TRUE(finished.at(0).at(0).toBool());
    }
}

}  // namespace
