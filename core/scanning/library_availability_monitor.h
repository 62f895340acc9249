#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/scanning/library_availability.h"

namespace sv {

class Database;

// Keeps the catalogue's offline marks in step with the library folders while the program
// runs: a drive unplugged or plugged in, a library folder renamed away or restored. A worker
// thread re-checks every library folder whenever the kernel's mount table changes and, since a
// rename on the same drive changes no mount table, at a fixed interval as well. Every file
// system call happens on the worker, so a dead mount can stall the monitor but never its
// owner's thread.
class LibraryAvailabilityMonitor {
  public:
    // What one check found: the libraries whose folders are unusable and whether the check
    // changed any mark in the catalogue.
    struct Report {
        std::set<std::string> offlinePaths;
        bool catalogueChanged = false;
    };
    // Called on the worker after a check whose outcome differs from the previous one.
    using Listener = std::function<void(const Report&)>;

    // `mountInfo` is the mount table to watch (tests hand in a plain file, which never signals
    // a change: the interval still re-reads it). `known` is what the launch check decided, so
    // that a first check finding the same reports nothing.
    LibraryAvailabilityMonitor(Database& db, std::filesystem::path mountInfo, Listener listener,
                               const std::vector<LibraryState>& known = {},
                               std::chrono::milliseconds interval = std::chrono::seconds(1));
    ~LibraryAvailabilityMonitor();
    LibraryAvailabilityMonitor(const LibraryAvailabilityMonitor&) = delete;
    LibraryAvailabilityMonitor& operator=(const LibraryAvailabilityMonitor&) = delete;

    // Wakes the worker for a check now (the window came to the front, a test moved a folder).
    void checkSoon();
    // Stops the worker after its current check and waits for it. Also done by the destructor.
    void stop();
    // Checks completed so far.
    std::uint64_t checks() const { return checks_.load(); }

  private:
    void run();
    // Sleeps until the mount table changes, checkSoon() is called or the interval passes.
    // False once the monitor is stopping.
    bool waitForWork(int mountTable, std::chrono::steady_clock::time_point lastCheck);
    void check();

    Database& db_;
    const std::filesystem::path mountInfo_;
    const Listener listener_;
    const std::chrono::milliseconds interval_;
    std::set<std::string> lastOffline_;
    std::atomic<std::uint64_t> checks_{0};
    // Wakes the worker's poll: written by checkSoon() and stop().
    int wake_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

}  // namespace sv
