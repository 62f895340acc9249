#include "audio/waveforms/waveform_job_queue.h"

#include <QMutexLocker>
#include <QRunnable>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <memory>

namespace sv {

class WaveformJobQueue::Job : public QRunnable {
  public:
    Job(WaveformJobQueue& queue, std::uint64_t id, Work work, Work completion)
        : queue_(queue), id_(id), work_(std::move(work)), completion_(std::move(completion)) {
        setAutoDelete(true);
    }

    void run() override {
        queue_.markStarted(id_);
        runGuarded(work_);
        runGuarded(completion_);
        queue_.markFinished(id_);
    }

    void cancel() { runGuarded(completion_); }

  private:
    static void runGuarded(const Work& step) {
        try {
            if (step)
                step();
        } catch (...) {
            // A job must never take its worker thread down; the work reports its own failures.
        }
    }

    WaveformJobQueue& queue_;
    std::uint64_t id_;
    Work work_;
    Work completion_;
};

namespace {

int poolPriority(WaveformJobQueue::Priority priority) {
    return priority == WaveformJobQueue::Priority::VeryHigh ? 8 : -4;
}

}  // namespace

WaveformJobQueue::WaveformJobQueue(int maxWorkers) {
    pool_.setMaxThreadCount(maxWorkers);
}

WaveformJobQueue::~WaveformJobQueue() {
    cancelQueued(false);
    pool_.waitForDone();
}

std::size_t WaveformJobQueue::enqueue(Work work, Work completion, Priority priority) {
    const QMutexLocker lock(&mutex_);
    const std::uint64_t id = nextId_++;
    auto job = std::make_unique<Job>(*this, id, std::move(work), std::move(completion));
    records_.push_back(Record{id, job.get(), priority, false});
    // The pool owns and deletes the job once it has run.
    pool_.start(job.release(), poolPriority(priority));
    maximumObserved_ = std::max(maximumObserved_, records_.size());
    return records_.size();
}

std::size_t WaveformJobQueue::liveCount() const {
    const QMutexLocker lock(&mutex_);
    return records_.size();
}

std::size_t WaveformJobQueue::runningCount() const {
    const QMutexLocker lock(&mutex_);
    return static_cast<std::size_t>(
        std::count_if(records_.begin(), records_.end(), [](const Record& r) { return r.started; }));
}

std::size_t WaveformJobQueue::maximumObservedCount() const {
    const QMutexLocker lock(&mutex_);
    return maximumObserved_;
}

std::size_t WaveformJobQueue::cancelQueued(bool lowOnly) {
    std::vector<std::unique_ptr<Job>> cancelled;
    {
        const QMutexLocker lock(&mutex_);
        // A record not yet marked started still has its job alive: run() marks it first.
        auto taken = [&](const Record& record) {
            if (record.started || (lowOnly && record.priority != Priority::Low))
                return false;
            if (!pool_.tryTake(record.job))
                return false;
            cancelled.emplace_back(record.job);  // tryTake hands ownership back
            return true;
        };
        records_.erase(std::remove_if(records_.begin(), records_.end(), taken), records_.end());
    }
    // Completions run outside the lock; they take other locks of their own.
    for (const auto& job : cancelled)
        job->cancel();
    return cancelled.size();
}

bool WaveformJobQueue::waitUntilIdle(double seconds) const {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(std::max(seconds, 0.0));
    while (liveCount() > 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(10);
    }
    return true;
}

void WaveformJobQueue::markStarted(std::uint64_t id) {
    const QMutexLocker lock(&mutex_);
    for (Record& record : records_) {
        if (record.id == id)
            record.started = true;
    }
}

void WaveformJobQueue::markFinished(std::uint64_t id) {
    const QMutexLocker lock(&mutex_);
    records_.erase(std::remove_if(records_.begin(), records_.end(),
                                  [id](const Record& record) { return record.id == id; }),
                   records_.end());
}

}  // namespace sv
