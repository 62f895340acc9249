#pragma once

// Helpers shared by the waveform tests: the application object the service's signals need,
// waiting with the event loop running, and MP3 files written through libsndfile.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sndfile.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace sv::testing {

// The application object lives from the first test that needs it until gtest's global tear-down:
// destroying it later, among the exit handlers, finds Qt's own globals already gone.
class ApplicationEnvironment : public ::testing::Environment {
  public:
    static std::unique_ptr<QCoreApplication>& application() {
        static std::unique_ptr<QCoreApplication> instance;
        return instance;
    }
    void TearDown() override { application().reset(); }
};

inline QCoreApplication& ensureApplication() {
    static int argc = 1;
    static char name[] = "sv_waveforms_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        ApplicationEnvironment::application() = std::make_unique<QCoreApplication>(argc, argv);
        // gtest owns registered environments.
        ::testing::AddGlobalTestEnvironment(std::make_unique<ApplicationEnvironment>().release());
    }
    return *QCoreApplication::instance();
}

// Runs the event loop until `done` holds or `milliseconds` pass; returns `done()`.
inline bool waitFor(const std::function<bool()>& done, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Lets queued notifications arrive for `milliseconds`.
inline void processEventsFor(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

// A 128 kbit/s MPEG layer III file of interleaved samples.
inline std::filesystem::path writeMp3(const std::filesystem::path& path,
                                      const std::vector<float>& interleaved, int channels = 1,
                                      int sampleRate = 44100) {
    std::filesystem::create_directories(path.parent_path());
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error(sf_strerror(nullptr));
    sf_writef_float(
        file, interleaved.data(),
        static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(channels)));
    sf_close(file);
    return path;
}

}  // namespace sv::testing
