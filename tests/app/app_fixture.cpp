#include "tests/app/app_fixture.h"

#include <QDir>
#include <QThread>

#include <cstdlib>
#include <fstream>

#include "app/theme/theme.h"
#include "app/window/settings.h"
#include "core/records/sample_type.h"

namespace svapp_test {

namespace {

// One QApplication for the whole test program, offscreen.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "sv_app_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { application.reset(); }

  private:
    std::unique_ptr<QApplication> application;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void AppTest::SetUp() {
    home = std::make_unique<sv::testing::TempHome>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((home->root() / "config").string()));
    libraryFolder = home->root() / "Samples";
    std::filesystem::create_directories(libraryFolder);
    // The first-run question about the quick tour would cover the window; tests that want it
    // remove this answer.
    SVSettings::open().setValue(QStringLiteral("SVQuickTourWelcomeAnswered"), true);
    // Each test starts with the theme of its own (empty) settings.
    SVTheme::forgetShownTheme();
}

void AppTest::TearDown() {
    if (controller)
        controller->applicationWillTerminate();
    controller.reset();
    QCoreApplication::processEvents();
    home.reset();
}

std::filesystem::path AppTest::addSamples(int count, const std::string& prefix,
                                          const std::string& type, const std::string& extension) {
    sv::Database db(sv::Database::defaultPath());
    const std::int64_t libraryId = db.addLibrary(libraryFolder.string());
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i + 1);
        sv::Sample sample;
        sample.filename = prefix + " " + number + extension;
        sample.path = (libraryFolder / sample.filename).string();
        std::ofstream(sample.path) << "x";
        sample.library = "Samples";
        sample.genre = "trap";
        sample.instrument = "Bass";
        sample.musicalKey = "A min";
        sample.type = sv::sampleTypeFromString(type);
        sample.autoDetectedType = sample.type;
        sample.bpm = 120 + (i % 20);
        sample.duration = 1.0 + i % 7;
        sample.fileSize = 1;
        sample.modifiedAt = 1'700'000'000;
        db.upsert(sample, libraryId);
    }
    return libraryFolder;
}

void AppTest::startApp(const std::function<QRect()>& screen) {
    SVControllerOptions options;
    options.visibleFrame = screen ? screen : [] { return QRect(0, 0, 1440, 875); };
    options.warmUpAudio = false;
    if (!mountInfo.empty())
        options.mountInfo = mountInfo;
    if (driveCheckInterval)
        options.driveCheckInterval = *driveCheckInterval;
    // The waveform service lives for the whole test program.
    options.stopWaveformWorkersOnQuit = false;
    controller = std::make_unique<SVController>(options);
    controller->applicationDidFinishLaunching();
    QCoreApplication::processEvents();
}

QString AppTest::pngPath(const std::string& name) const {
    const char* binary = std::getenv("SV_BINARY_DIR");
    const QString folder =
        QString::fromUtf8(binary ? binary : ".") + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + QString::fromStdString(name);
}

}  // namespace svapp_test
