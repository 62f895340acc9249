#include "tests/playback/playback_test_support.h"

#include "tests/support/wav_writer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

namespace sv::testing {

namespace {

// Every test runs with an application object; the player's signals and the heartbeat need its
// event loop. Sound stays off unless a child process was started to use a device.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty(kChildRoleVariable))
            qputenv("SAMPLEVORLAN_AUDIO_OUTPUT", "silent");
        static int argc = 1;
        static char name[] = "sv_playback_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }
    // A child that leaves through exit() never reaches TearDown(); destroying the application
    // among the static destructors would find Qt's own statics gone.
    ~QtApplicationEnvironment() override { (void)application_.release(); }

  private:
    std::unique_ptr<QCoreApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

bool isChildRole(const char* role) {
    return qEnvironmentVariable(kChildRoleVariable) == QLatin1String(role);
}

bool spinUntil(const std::function<bool()>& done, int timeoutMilliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void spinFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

ChildResult runChildTest(const QString& testFilter, const char* role,
                         const QProcessEnvironment& extra, int timeoutMilliseconds) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("SAMPLEVORLAN_AUDIO_OUTPUT"));  // the parent's silence
    environment.insert(extra);
    environment.insert(QString::fromLatin1(kChildRoleVariable), QString::fromLatin1(role));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + testFilter});
    ChildResult result;
    if (!child.waitForFinished(timeoutMilliseconds)) {
        child.kill();
        child.waitForFinished(2000);
        result.output = QString::fromLocal8Bit(child.readAll());
        return result;
    }
    result.crashed = child.exitStatus() != QProcess::NormalExit;
    result.exitCode = child.exitCode();
    result.output = QString::fromLocal8Bit(child.readAll());
    return result;
}

std::filesystem::path writeLevelWav(const std::filesystem::path& path, double seconds,
                                    int sampleRate, int channels, float level) {
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    std::vector<float> mono(framesFor(seconds, rate), level);
    WavOptions options;
    options.channels = channels;
    options.sampleRate = rate;
    return writeWav(path, toChannels(mono, channels), options);
}

}  // namespace sv::testing
