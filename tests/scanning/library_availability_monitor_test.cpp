// Library folders going away and coming back while the program runs: the monitor's worker
// marks them offline and available again in the catalogue, on real folders.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "core/scanning/library_availability_monitor.h"
#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

using namespace std::chrono_literals;
using Report = LibraryAvailabilityMonitor::Report;

// Collects the monitor's reports, which arrive on its worker.
class Reports {
  public:
    LibraryAvailabilityMonitor::Listener listener() {
        return [this](const Report& report) {
            const std::lock_guard lock(mutex_);
            reports_.push_back(report);
            arrived_.notify_all();
        };
    }

    // Waits for a report whose offline set is `offline`; false after a few seconds without.
    bool waitFor(const std::set<std::string>& offline) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, 10s, [&] {
            return !reports_.empty() && reports_.back().offlinePaths == offline;
        });
    }

    std::size_t count() {
        const std::lock_guard lock(mutex_);
        return reports_.size();
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Report> reports_;
};

class MonitorTest : public ScanFixture {
  protected:
    MonitorTest() : second_(home_.root() / "Second") {
        addWav("Kick.wav");
        addWav("Kits/Snare.wav", 0.3);
        writeTone(second_ / "Pad.wav");
        scanner_->scan(library_);
        scanner_->scan(second_);
        mountInfo_ = home_.writeFile("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    }

    std::int64_t visibleSamples() { return db_->countMatching(SearchQuery{}); }

    fs::path second_;
    fs::path mountInfo_;
    Reports reports_;
};

TEST_F(MonitorTest, FolderRenamedAwayGoesOfflineAndComesBack) {
    LibraryAvailabilityMonitor monitor(*db_, mountInfo_, reports_.listener(), {}, 50ms);
    const fs::path away = home_.root() / "Renamed";
    fs::rename(library_, away);
    ASSERT_TRUE(reports_.waitFor({library_.string()}));
    EXPECT_TRUE(offline(library_.string()));
    EXPECT_FALSE(offline(second_.string()));
    EXPECT_EQ(visibleSamples(), 1);
    EXPECT_EQ(sampleCount(), 3);  // hidden, not deleted

    fs::rename(away, library_);
    ASSERT_TRUE(reports_.waitFor({}));
    EXPECT_FALSE(offline(library_.string()));
    EXPECT_EQ(visibleSamples(), 3);

    // An unplugged drive leaves its mount point behind as an empty folder.
    fs::rename(second_, home_.root() / "Unplugged");
    fs::create_directory(second_);
    ASSERT_TRUE(reports_.waitFor({second_.string()}));
    EXPECT_TRUE(offline(second_.string()));
    EXPECT_EQ(visibleSamples(), 2);
}

TEST_F(MonitorTest, ChecksThatFindNothingNewWriteAndReportNothing) {
    db_->setLibraryAvailable(second_.string(), false);  // stale: the folder is there
    const std::uint64_t before = db_->changeStamp();
    {
        LibraryAvailabilityMonitor monitor(*db_, mountInfo_, reports_.listener(), {}, 20ms);
        ASSERT_TRUE(reports_.waitFor({}));
        EXPECT_FALSE(offline(second_.string()));
        const std::uint64_t corrected = db_->changeStamp();
        EXPECT_NE(corrected, before);
        const std::uint64_t checks = monitor.checks();
        while (monitor.checks() < checks + 5)
            std::this_thread::sleep_for(10ms);
        // Idle checks leave the stamp alone, so nothing kept under it is thrown away.
        EXPECT_EQ(db_->changeStamp(), corrected);
        EXPECT_EQ(reports_.count(), 1u);
    }

    // Started with what the launch check found, a first check that agrees says nothing.
    fs::remove_all(second_);
    const std::vector<LibraryState> known = checkLibraryAvailability(*db_);
    Reports quiet;
    LibraryAvailabilityMonitor monitor(*db_, mountInfo_, quiet.listener(), known, 20ms);
    while (monitor.checks() < 3)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(quiet.count(), 0u);
}

TEST_F(MonitorTest, CheckSoonLooksAtOnceAndStopIsPrompt) {
    const auto started = std::chrono::steady_clock::now();
    {
        LibraryAvailabilityMonitor monitor(*db_, mountInfo_, reports_.listener(), {}, 1h);
        fs::remove_all(second_);
        monitor.checkSoon();
        ASSERT_TRUE(reports_.waitFor({second_.string()}));
        EXPECT_TRUE(offline(second_.string()));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
}

TEST_F(MonitorTest, TheRealMountTableOnlyWakesTheWorkerOnChanges) {
    // An open mount table signals only when something is mounted or unmounted; a worker that
    // misread it would check over and over.
    LibraryAvailabilityMonitor monitor(*db_, MountTable::kDefaultSource, reports_.listener(), {},
                                       1h);
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(monitor.checks(), 2u);
    EXPECT_EQ(reports_.count(), 0u);
}

TEST_F(MonitorTest, StopLeavesAWorkerStuckOnADeadMountBehind) {
    // A folder on a dead network mount can hold a status call for minutes: the owner's
    // thread must not wait for it, and the worker must not touch the catalogue afterwards.
    struct Mount {
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
        std::atomic<bool> entered = false;
        std::atomic<bool> left = false;
    };
    const auto dead = std::make_shared<Mount>();
    // Shared with the worker, which may outlive this test's locals.
    const auto stuck = [dead](const fs::path&, const std::function<bool()>&, const MountTable&) {
        dead->entered = true;
        std::unique_lock lock(dead->mutex);
        dead->released.wait(lock, [&] { return dead->release; });
        dead->left = true;
        return FolderProblem::Missing;
    };
    const std::uint64_t stamp = db_->changeStamp();
    {
        LibraryAvailabilityMonitor monitor(*db_, mountInfo_, reports_.listener(), {}, 1h, stuck);
        monitor.checkSoon();
        while (!dead->entered)
            std::this_thread::sleep_for(1ms);
        const auto started = std::chrono::steady_clock::now();
        monitor.stop();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    }
    {
        const std::lock_guard lock(dead->mutex);
        dead->release = true;
    }
    dead->released.notify_all();
    while (!dead->left)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);  // the worker left behind ends on its own
    EXPECT_EQ(reports_.count(), 0u);
    EXPECT_EQ(db_->changeStamp(), stamp);
    EXPECT_FALSE(offline(library_.string()));
}

}  // namespace
}  // namespace sv::testing
