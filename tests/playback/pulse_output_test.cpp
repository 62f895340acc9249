#include "audio/playback/audio_file_player.h"
#include "audio/playback/audio_output.h"
#include "tests/playback/playback_test_support.h"
#include "tests/support/temp_home.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using sv::testing::spinUntil;

namespace {

// A PulseAudio server of our own with a null sink, on a temporary runtime folder.
class PrivatePulseServer {
  public:
    explicit PrivatePulseServer(const fs::path& folder)
        : folder_(QString::fromStdString(folder.string())) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), folder_);
        environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), folder_);
        environment.insert(QStringLiteral("PULSE_STATE_PATH"), folder_);
        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--system=false"),
             QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=false"),
             QStringLiteral("-L"), QStringLiteral("module-null-sink"), QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix socket=") + socket()});
    }
    ~PrivatePulseServer() {
        server_.kill();
        server_.waitForFinished(3000);
    }
    bool waitUntilListening(int timeoutMilliseconds) {
        return server_.waitForStarted(timeoutMilliseconds) &&
               spinUntil(
                   [this] {
                       return fs::exists(socket().toStdString()) ||
                              server_.state() == QProcess::NotRunning;
                   },
                   timeoutMilliseconds) &&
               server_.state() == QProcess::Running;
    }
    QString socket() const { return folder_ + QStringLiteral("/native"); }
    QString folder() const { return folder_; }
    QString log() { return QString::fromLocal8Bit(server_.readAll()); }

  private:
    QString folder_;
    QProcess server_;
};

// Runs in a child process whose output may open a device.
TEST(PulseOutputChild, PlaysThroughTheDevice) {
    if (!sv::testing::isChildRole("pulse"))
        GTEST_SKIP() << "runs as a child of PlaysAFileThroughAPrivatePulseAudioServer";
    sv::testing::TempHome home;
    const fs::path path = sv::testing::writeLevelWav(home.root() / "tone.wav", 0.5, 48000, 2, 0.5f);
    SVAudioOutput& output = SVAudioOutput::shared();
    SVAudioFilePlayer player(QString::fromStdString(path.string()));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(player.prepare());
    ASSERT_TRUE(player.play());  // before the device is open: honoured once it is
    ASSERT_TRUE(output.waitUntilReady(10000));
    const qint64 readyAfter = clock.elapsed();
    ASSERT_EQ(output.backend(), SVAudioOutput::Backend::Device)
        << output.description().toStdString();
    EXPECT_TRUE(output.description().startsWith(QStringLiteral("pulse")))
        << output.description().toStdString();
    ASSERT_TRUE(spinUntil([&] { return output.audibleBlocks() > 0; }, 5000));
    const qint64 audibleAfter = clock.elapsed();
    QSignalSpy finished(&player, &SVAudioFilePlayer::finishedPlaying);
    ASSERT_TRUE(spinUntil([&] { return finished.count() == 1; }, 8000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_GE(clock.elapsed(), 450);
    // The converter's filter rings a little at the steps where the file starts and ends.
    EXPECT_NEAR(output.peakSinceReset(), 0.5f, 0.05f);
    std::printf(
        "pulse output: %s at %d Hz, %d channels; ready after %lld ms, first audible block "
        "after %lld ms, finished after %lld ms\n",
        qUtf8Printable(output.description()), output.sampleRate(), output.channels(),
        static_cast<long long>(readyAfter), static_cast<long long>(audibleAfter),
        static_cast<long long>(clock.elapsed()));
}

TEST(PulseOutputTest, PlaysAFileThroughAPrivatePulseAudioServer) {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        GTEST_SKIP() << "pulseaudio is not installed";
    sv::testing::TempHome home;
    const fs::path runtime = home.root() / "pulse";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    PrivatePulseServer server(runtime);
    ASSERT_TRUE(server.waitUntilListening(10000)) << server.log().toStdString();

    QProcessEnvironment extra;
    extra.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + server.socket());
    extra.insert(QStringLiteral("PULSE_RUNTIME_PATH"), server.folder());
    const auto result = sv::testing::runChildTest(
        QStringLiteral("PulseOutputChild.PlaysThroughTheDevice"), "pulse", extra, 30000);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << result.output.toStdString();
    std::printf("%s", qUtf8Printable(result.output.section(QStringLiteral("pulse output:"), 1, 1)
                                         .prepend(QStringLiteral("pulse output:"))
                                         .section(QLatin1Char('\n'), 0, 0) +
                                     QLatin1Char('\n')));
}

}  // namespace
