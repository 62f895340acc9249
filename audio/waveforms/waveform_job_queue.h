#pragma once

// A pool of at most a few workers running jobs by priority, which knows how many jobs are
// queued and running and can cancel queued ones.

#include <QMutex>
#include <QThreadPool>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sv {

class WaveformJobQueue {
  public:
    enum class Priority { VeryHigh, Low };
    using Work = std::function<void()>;

    explicit WaveformJobQueue(int maxWorkers);
    // Cancels queued jobs and waits for running ones.
    ~WaveformJobQueue();
    WaveformJobQueue(const WaveformJobQueue&) = delete;
    WaveformJobQueue& operator=(const WaveformJobQueue&) = delete;

    // Queues `work`. `completion` runs once after the work, or in place of it when the job is
    // cancelled before it starts. Returns the number of live jobs right after queueing.
    std::size_t enqueue(Work work, Work completion, Priority priority);

    // Jobs queued or running (not finished, not cancelled).
    std::size_t liveCount() const;
    std::size_t runningCount() const;
    std::size_t maximumObservedCount() const;

    // Cancels every job not yet started (only those of low priority when `lowOnly`), running
    // their completions. Returns how many were cancelled.
    std::size_t cancelQueued(bool lowOnly);

    // Sleeps in steps of 10 ms until no job is live or `seconds` have passed; returns whether
    // the queue is empty.
    bool waitUntilIdle(double seconds) const;

  private:
    class Job;
    struct Record {
        std::uint64_t id;
        Job* job;  // owned by the pool while queued; valid while the record is not started
        Priority priority;
        bool started;
    };

    void markStarted(std::uint64_t id);
    void markFinished(std::uint64_t id);

    mutable QMutex mutex_;
    std::vector<Record> records_;
    std::uint64_t nextId_ = 1;
    std::size_t maximumObserved_ = 0;
    // Last member: destroyed first, waiting for running jobs while the rest is intact.
    QThreadPool pool_;
};

}  // namespace sv
