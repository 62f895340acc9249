#include "core/scanning/library_availability_monitor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <utility>

#include "core/catalogue/database.h"
#include "core/scanning/mount_table.h"

namespace sv {
namespace {

// A mount table that keeps signalling is checked at most this often.
constexpr auto kLeastSpacing = std::chrono::milliseconds(100);
// How long stop() waits for a check in progress. A check takes microseconds unless a folder
// sits on a dead mount, which may never answer.
constexpr auto kStopWait = std::chrono::milliseconds(500);

int milliseconds(std::chrono::steady_clock::duration duration) {
    const auto count = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
    return count < 0 ? 0 : static_cast<int>(count);
}

void drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(fd, &count, sizeof count);
}

// Reads an open mount table to its end: some kernels clear its change mark only on a read.
void consume(int mountTable) {
    if (::lseek(mountTable, 0, SEEK_SET) < 0)
        return;
    char buffer[4096];
    while (::read(mountTable, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace

// Everything the worker thread uses. It is shared with the thread, so that a worker left
// behind on a dead mount still has it when the monitor is long gone.
struct LibraryAvailabilityMonitor::Worker {
    Worker(Database& database, std::filesystem::path table, Listener onChange,
           std::chrono::milliseconds every, FolderCheck judge)
        : db(database),
          mountInfo(std::move(table)),
          listener(std::move(onChange)),
          interval(every),
          folderCheck(std::move(judge)),
          wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Worker() {
        if (wake >= 0)
            ::close(wake);
    }

    void run();
    bool waitForWork(int mountTable, std::chrono::steady_clock::time_point lastCheck);
    void check();
    void poke() const {
        const std::uint64_t one = 1;
        if (wake >= 0) [[maybe_unused]]
            const auto written = ::write(wake, &one, sizeof one);
    }

    Database& db;
    const std::filesystem::path mountInfo;
    const Listener listener;
    const std::chrono::milliseconds interval;
    const FolderCheck folderCheck;
    const int wake;  // wakes the worker's poll: written by checkSoon() and stop()
    std::set<std::string> lastOffline;
    std::atomic<std::uint64_t> checks{0};

    // Held for every use of the catalogue and the listener. `stopping` is set under it, so
    // once stop() has set it neither is used again, whatever the worker is stuck in.
    std::mutex gate;
    std::atomic<bool> stopping{false};

    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;
};

LibraryAvailabilityMonitor::LibraryAvailabilityMonitor(Database& db,
                                                       std::filesystem::path mountInfo,
                                                       Listener listener,
                                                       const std::vector<LibraryState>& known,
                                                       std::chrono::milliseconds interval,
                                                       FolderCheck folderCheck)
    : worker_(std::make_shared<Worker>(db, std::move(mountInfo), std::move(listener), interval,
                                       std::move(folderCheck))) {
    for (const LibraryState& state : known) {
        if (!state.available)
            worker_->lastOffline.insert(state.library.path);
    }
    thread_ = std::thread([worker = worker_] {
        worker->run();
        {
            const std::lock_guard lock(worker->doneMutex);
            worker->done = true;
        }
        worker->doneChanged.notify_all();
    });
}

LibraryAvailabilityMonitor::~LibraryAvailabilityMonitor() {
    stop();
}

void LibraryAvailabilityMonitor::checkSoon() {
    worker_->poke();
}

std::uint64_t LibraryAvailabilityMonitor::checks() const {
    return worker_->checks.load();
}

void LibraryAvailabilityMonitor::stop() {
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(worker_->gate);
        worker_->stopping = true;
    }
    worker_->poke();
    std::unique_lock lock(worker_->doneMutex);
    const bool ended =
        worker_->doneChanged.wait_for(lock, kStopWait, [this] { return worker_->done; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

void LibraryAvailabilityMonitor::Worker::run() {
    // The kernel marks an open mount table with POLLPRI (and POLLERR) when anything is mounted
    // or unmounted; a plain file never does, so the interval covers it and renames alike.
    const int mountTable = ::open(mountInfo.c_str(), O_RDONLY | O_CLOEXEC);
    if (mountTable >= 0)
        consume(mountTable);
    auto lastCheck = std::chrono::steady_clock::now();
    while (waitForWork(mountTable, lastCheck)) {
        lastCheck = std::chrono::steady_clock::now();
        try {
            check();
        } catch (const std::exception&) {
            // A busy or failing catalogue: the next check tries again.
        }
    }
    if (mountTable >= 0)
        ::close(mountTable);
}

bool LibraryAvailabilityMonitor::Worker::waitForWork(
    int mountTable, std::chrono::steady_clock::time_point lastCheck) {
    const auto deadline = lastCheck + interval;
    while (!stopping) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return true;
        pollfd watched[2] = {{wake, POLLIN, 0}, {mountTable, POLLPRI, 0}};
        // poll() passes over a descriptor of -1 (a table that could not be opened).
        const int ready = ::poll(watched, 2, milliseconds(deadline - now));
        if (ready <= 0)
            continue;  // the interval passed, or a signal interrupted the wait
        if (watched[0].revents != 0) {
            drain(wake);
            return !stopping;
        }
        if (watched[1].revents != 0) {
            consume(mountTable);
            // Mounting one drive can change the table several times in a row.
            const auto since = std::chrono::steady_clock::now() - lastCheck;
            if (since < kLeastSpacing) {
                pollfd nap = {wake, POLLIN, 0};
                ::poll(&nap, 1, milliseconds(kLeastSpacing - since));
            }
            return !stopping;
        }
    }
    return false;
}

void LibraryAvailabilityMonitor::Worker::check() {
    std::vector<Library> libraries;
    {
        const std::lock_guard lock(gate);
        if (stopping)
            return;
        libraries = db.libraryFolders();
    }
    // The folders are looked at outside the gate: a dead mount may hold the worker here.
    const MountTable mounts = MountTable::read(mountInfo);
    std::vector<std::pair<std::string, bool>> found;
    for (const Library& library : libraries) {
        const auto holdsRecords = [&] {
            const std::lock_guard lock(gate);
            return !stopping && db.libraryHoldsSamples(library.id);
        };
        const bool available =
            folderCheck(library.path, holdsRecords, mounts) == FolderProblem::None;
        found.emplace_back(library.path, available);
    }

    const std::lock_guard lock(gate);
    if (stopping)
        return;
    Report report;
    for (const auto& [path, available] : found) {
        // Marking a library as it already is writes nothing and leaves the change stamp alone.
        if (db.setLibraryAvailable(path, available))
            report.catalogueChanged = true;
        if (!available)
            report.offlinePaths.insert(path);
    }
    ++checks;
    if (report.catalogueChanged || report.offlinePaths != lastOffline) {
        lastOffline = report.offlinePaths;
        listener(report);
    }
}

}  // namespace sv
