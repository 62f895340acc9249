// Scans next to readers of the same catalogue, and a scan killed halfway.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

class ScanRobustness : public ScanFixture {
  protected:
    void fillLibrary(int files) {
        for (int i = 0; i < files; ++i)
            addWav("Folder " + std::to_string(i % 7) + "/Sample " + std::to_string(i) + ".wav",
                   0.05 + 0.001 * i);
    }
};

TEST_F(ScanRobustness, ReadersDuringAScanSeeOnlyCountsTheCatalogueHeld) {
    constexpr int kFiles = 150;
    fillLibrary(kFiles);
    std::atomic<bool> done = false;
    std::atomic<bool> readerReady = false;
    std::vector<std::string> failures;
    std::vector<std::int64_t> sameConnection;
    std::vector<std::int64_t> ownConnection;

    std::thread reader([&] {
        Database second(home_.catalogue());
        while (!done) {
            try {
                sameConnection.push_back(db_->countMatching(SearchQuery{}));
                sameConnection.push_back(db_->countSamples());
                ownConnection.push_back(second.countMatching(SearchQuery{}));
                SearchQuery page;
                page.limit = 50;
                const auto rows = second.search(page);
                if (rows.size() > 50)
                    failures.push_back("page larger than its limit");
                readerReady = true;
            } catch (const std::exception& error) {
                failures.push_back(error.what());
                readerReady = true;
            }
        }
    });
    // Opening the second connection is slow in sanitizer builds: start scanning only once
    // the reader is really reading.
    while (!readerReady)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ScanStats first;
    ScanStats forced;
    try {
        first = scanner_->scan(library_);
        forced = scanner_->scan(library_, {}, true);
    } catch (const std::exception& error) {
        failures.push_back(std::string("scan: ") + error.what());
    }
    done = true;
    reader.join();

    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(first.added, static_cast<std::uint64_t>(kFiles));
    EXPECT_EQ(forced.updated, static_cast<std::uint64_t>(kFiles));
    // The scan only adds rows, so every count lies in 0..kFiles and never goes down.
    for (const auto* counts : {&sameConnection, &ownConnection}) {
        ASSERT_FALSE(counts->empty());
        std::int64_t previous = 0;
        for (const std::int64_t count : *counts) {
            EXPECT_GE(count, previous);
            EXPECT_LE(count, kFiles);
            previous = count;
        }
    }
    EXPECT_EQ(db_->countSamples(), kFiles);
}

TEST_F(ScanRobustness, ScanKilledHalfwayLeavesAHealthyCatalogue) {
    constexpr int kFiles = 120;
    fillLibrary(kFiles);
    db_.reset();
    scanner_.reset();

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        Database db(home_.catalogue());
        LibraryScanner scanner(db, home_.root() / "no-mountinfo");
        scanner.scan(library_, [&](std::size_t count, const std::string&) {
            const char tick = count >= kFiles / 2 ? 'h' : '.';
            [[maybe_unused]] const auto written = ::write(pipeFds[1], &tick, 1);
            // Slowed down, not stopped: the kill lands wherever the scan happens to be.
            if (count >= kFiles / 2)
                ::usleep(3000);
        });
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char tick = 0;
    while (::read(pipeFds[0], &tick, 1) == 1 && tick != 'h') {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(tick, 'h');

    db_ = std::make_unique<Database>(home_.catalogue());
    scanner_ = std::make_unique<LibraryScanner>(*db_, home_.root() / "no-mountinfo");
    EXPECT_EQ(reader().value("PRAGMA integrity_check"), "ok");
    const std::int64_t written = sampleCount();
    EXPECT_GE(written, kFiles / 2);
    EXPECT_LT(written, kFiles);

    const ScanStats rest = scanner_->scan(library_);
    EXPECT_EQ(rest.unchanged, static_cast<std::uint64_t>(written));
    EXPECT_EQ(rest.added, static_cast<std::uint64_t>(kFiles - written));
    EXPECT_EQ(rest.removed, 0u);
    EXPECT_EQ(sampleCount(), kFiles);
    EXPECT_EQ(reader().value("PRAGMA integrity_check"), "ok");
}

}  // namespace
}  // namespace sv::testing
