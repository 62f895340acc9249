#include "core/scanning/library_availability_monitor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <utility>

#include "core/catalogue/database.h"
#include "core/scanning/mount_table.h"

namespace sv {
namespace {

// A mount table that keeps signalling is checked at most this often.
constexpr auto kLeastSpacing = std::chrono::milliseconds(100);

int milliseconds(std::chrono::steady_clock::duration duration) {
    const auto count = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
    return count < 0 ? 0 : static_cast<int>(count);
}

void drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(fd, &count, sizeof count);
}

}  // namespace

LibraryAvailabilityMonitor::LibraryAvailabilityMonitor(Database& db,
                                                       std::filesystem::path mountInfo,
                                                       Listener listener,
                                                       const std::vector<LibraryState>& known,
                                                       std::chrono::milliseconds interval)
    : db_(db),
      mountInfo_(std::move(mountInfo)),
      listener_(std::move(listener)),
      interval_(interval),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    for (const LibraryState& state : known) {
        if (!state.available)
            lastOffline_.insert(state.library.path);
    }
    worker_ = std::thread([this] { run(); });
}

LibraryAvailabilityMonitor::~LibraryAvailabilityMonitor() {
    stop();
    if (wake_ >= 0)
        ::close(wake_);
}

void LibraryAvailabilityMonitor::checkSoon() {
    const std::uint64_t one = 1;
    if (wake_ >= 0) [[maybe_unused]]
        const auto written = ::write(wake_, &one, sizeof one);
}

void LibraryAvailabilityMonitor::stop() {
    stopping_ = true;
    checkSoon();
    if (worker_.joinable())
        worker_.join();
}

void LibraryAvailabilityMonitor::run() {
    // The kernel marks an open mount table with POLLPRI (and POLLERR) when anything is mounted
    // or unmounted; a plain file never does, so the interval covers it and renames alike.
    const int mountTable = ::open(mountInfo_.c_str(), O_RDONLY | O_CLOEXEC);
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

bool LibraryAvailabilityMonitor::waitForWork(int mountTable,
                                             std::chrono::steady_clock::time_point lastCheck) {
    const auto deadline = lastCheck + interval_;
    while (!stopping_) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return true;
        pollfd watched[2] = {{wake_, POLLIN, 0}, {mountTable, POLLPRI, 0}};
        // poll() passes over a descriptor of -1 (a table that could not be opened).
        const int ready = ::poll(watched, 2, milliseconds(deadline - now));
        if (ready <= 0)
            continue;  // the interval passed, or a signal interrupted the wait
        if (watched[0].revents != 0) {
            drain(wake_);
            return !stopping_;
        }
        if (watched[1].revents != 0) {
            // Mounting one drive can change the table several times in a row.
            const auto since = std::chrono::steady_clock::now() - lastCheck;
            if (since < kLeastSpacing) {
                pollfd wake = {wake_, POLLIN, 0};
                ::poll(&wake, 1, milliseconds(kLeastSpacing - since));
            }
            return !stopping_;
        }
    }
    return false;
}

void LibraryAvailabilityMonitor::check() {
    const MountTable mounts = MountTable::read(mountInfo_);
    Report report;
    for (const Library& library : db_.libraryFolders()) {
        const auto holdsRecords = [&] { return db_.libraryHoldsSamples(library.id); };
        const bool available =
            libraryFolderProblem(library.path, holdsRecords, mounts) == FolderProblem::None;
        // Marking a library as it already is writes nothing and leaves the change stamp alone.
        if (db_.setLibraryAvailable(library.path, available))
            report.catalogueChanged = true;
        if (!available)
            report.offlinePaths.insert(library.path);
    }
    ++checks_;
    if (report.catalogueChanged || report.offlinePaths != lastOffline_) {
        lastOffline_ = report.offlinePaths;
        listener_(report);
    }
}

}  // namespace sv
