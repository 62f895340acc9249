#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/window/sv_controller.h"
#include "core/catalogue/database.h"
#include "tests/support/temp_home.h"

namespace svapp_test {

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
bool waitFor(const std::function<bool()>& done, int ms = 10000);

// A folder of the test's home holding a library.
struct CatalogueSample {
    std::string name;
    std::string type = "Loop";
    std::string instrument = "Bass";
    std::string genre = "trap";
    std::string key = "A min";
    int bpm = 120;
};

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a library at `folder` (created) with `count` samples named "<prefix> NNN.wav".
    std::filesystem::path addSamples(int count, const std::string& prefix = "Sample",
                                     const std::string& type = "Loop",
                                     const std::string& extension = ".wav");
    void startApp(const std::function<QRect()>& screen = {});
    QString pngPath(const std::string& name) const;

    std::unique_ptr<sv::testing::TempHome> home;
    std::unique_ptr<SVController> controller;
    std::filesystem::path libraryFolder;
    // The mount table the application reads and watches; the system's when empty.
    std::filesystem::path mountInfo;
    std::optional<std::chrono::milliseconds> driveCheckInterval;
};

}  // namespace svapp_test
