// Audition latency through the whole window: from a row click (the row's preview) to the first
// audio block that carries the sample, and from pressing Down to the next sample sounding,
// median and 95th percentile over 50 presses. The baseline, measured in the same run, is a bare
// player created, prepared and started on the main thread: the part of the latency the player
// controller cannot avoid.
//
// The output is the process-wide one: run once as it is (a device when one opens) and once with
// SAMPLEVORLAN_AUDIO_OUTPUT=silent for the clock-driven output.

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSettings>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/window/main_window.h"
#include "app/window/sv_controller.h"
#include "audio/playback/audio_file_player.h"
#include "audio/playback/audio_output.h"
#include "bench/support/app_bench_support.h"
#include "core/catalogue/database.h"
#include "core/scanning/library_scanner.h"

#include <sndfile.h>

namespace {

constexpr int kPresses = 50;

std::filesystem::path benchFolder() {
    return sv::bench::dataFolder("bench-player-data");
}

void writeTone(const std::filesystem::path& file, double seconds) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    const auto frames = static_cast<std::size_t>(seconds * info.samplerate);
    std::vector<float> samples(frames * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.3f * static_cast<float>(std::sin(0.04 * static_cast<double>(i / 2)));
    sf_writef_float(out, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(out);
}

std::filesystem::path library() {
    const auto folder = benchFolder() / "Library";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kPresses + 2; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Tone %02d.wav", i);
        if (!std::filesystem::exists(folder / name))
            writeTone(folder / name, 4.0);
    }
    return folder;
}

// Polls without sleeping: the time until a sound is heard is measured to the millisecond.
bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

using sv::bench::Figures;

Figures figures(std::vector<double> ms) {
    return sv::bench::figuresOf(std::move(ms));
}

// Milliseconds from `action` until `started` holds and then the output carries one more block
// (the new sample's first, not the end of the previous one).
double untilAudible(const std::function<void()>& action, const std::function<bool()>& started) {
    SVAudioOutput& output = SVAudioOutput::shared();
    QElapsedTimer timer;
    timer.start();
    action();
    waitFor(started);
    const std::uint64_t before = output.audibleBlocks();
    waitFor([&] { return output.audibleBlocks() > before; });
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void print(const char* name, const Figures& f, const Figures& base) {
    std::printf("%-28s median %7.2f ms  p95 %7.2f ms  ratio to bare player %5.2f\n", name, f.median,
                f.p95, base.median > 0 ? f.median / base.median : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const auto home = benchFolder() / "home";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        setenv(variable, (home / variable).c_str(), 1);
    QApplication app(argc, argv);
    const auto folder = library();

    SVControllerOptions options;
    options.warmUpAudio = false;
    options.visibleFrame = [] { return QRect(0, 0, 1920, 1080); };
    auto controller = std::make_unique<SVController>(options);
    controller->applicationDidFinishLaunching();
    controller->scanRoots({folder}, false);
    waitFor([&] { return !controller->maintenanceScanning(); }, 60000);
    controller->refresh();
    SVAudioOutput::shared().waitUntilReady(10000);
    SVPlayerController* player = controller->player();
    SVResultsBrowser* browser = controller->browser();
    const int rows = static_cast<int>(browser->rows().size());

    std::vector<double> bare;
    for (int i = 0; i < kPresses; ++i) {
        const QString path = QString::fromStdString(browser->rows()[i % rows].path);
        std::unique_ptr<SVAudioFilePlayer> sound;
        bare.push_back(untilAudible(
            [&] {
                sound = std::make_unique<SVAudioFilePlayer>(path);
                sound->prepare();
                sound->play();
            },
            [&] { return sound->isPlaying(); }));
        sound->stop();
    }

    std::vector<double> clicks;
    const auto playingRow = [&](int row) {
        return [&, row] {
            return player->playbackState() == SVPlayerController::Playing &&
                   player->currentIndex() == row && player->sound() && player->sound()->isPlaying();
        };
    };
    for (int i = 0; i < kPresses; ++i)
        clicks.push_back(untilAudible([&] { player->preview(i % rows); }, playingRow(i % rows)));
    player->stopPlayback();

    std::vector<double> downs;
    player->loadSampleAtIndex(0, true);
    waitFor([&] { return player->playbackState() == SVPlayerController::Playing; });
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget()
                                                 : static_cast<QWidget*>(controller->window());
    for (int i = 0; i < kPresses && i + 1 < rows; ++i) {
        downs.push_back(untilAudible(
            [&] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(focus, &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(focus, &release);
            },
            playingRow(i + 1)));
        if (player->currentIndex() != i + 1)
            break;
    }
    const bool downMoved = player->currentIndex() > 1;

    std::printf("output: %s\n", SVAudioOutput::shared().description().toUtf8().constData());
    const Figures base = figures(bare);
    print("bare player to first block", base, base);
    print("row click to first block", figures(clicks), base);
    print("Down to next sample playing", figures(downs), base);
    if (!downMoved)
        std::printf("Down did not move to the next sample: the shortcuts are not installed\n");
    controller->applicationWillTerminate();
    return 0;
}
