#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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
// owner's thread, not even when the monitor is stopped.
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
    // How one library folder is judged; the real folder check unless a test hands in its own.
    using FolderCheck = std::function<FolderProblem(
        const std::filesystem::path&, const std::function<bool()>&, const MountTable&)>;

    // `mountInfo` is the mount table to watch (tests hand in a plain file, which never signals
    // a change: the interval still re-reads it). `known` is what the launch check decided, so
    // that a first check finding the same reports nothing.
    LibraryAvailabilityMonitor(Database& db, std::filesystem::path mountInfo, Listener listener,
                               const std::vector<LibraryState>& known = {},
                               std::chrono::milliseconds interval = std::chrono::seconds(1),
                               FolderCheck folderCheck = libraryFolderProblem);
    ~LibraryAvailabilityMonitor();
    LibraryAvailabilityMonitor(const LibraryAvailabilityMonitor&) = delete;
    LibraryAvailabilityMonitor& operator=(const LibraryAvailabilityMonitor&) = delete;

    // Wakes the worker for a check now (the window came to the front, a test moved a folder).
    void checkSoon();
    // Stops the worker and waits for it, unless it is stuck in a folder on a dead mount: then
    // it is left to end on its own once the system lets go of it, and from this call on it
    // touches neither the catalogue nor the listener. Also done by the destructor.
    void stop();
    // Checks completed so far.
    std::uint64_t checks() const;

  private:
    struct Worker;

    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};

}  // namespace sv
