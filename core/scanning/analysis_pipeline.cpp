#include "core/scanning/analysis_pipeline.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace sv {

AnalysisPipeline::AnalysisPipeline(Analysis analysis, std::size_t depth, std::size_t workers)
    : analysis_(std::move(analysis)), depth_(depth == 0 ? 1 : depth) {
    for (std::size_t i = 0; i < std::max<std::size_t>(workers, 1); ++i)
        workers_.emplace_back([this] { work(); });
}

AnalysisPipeline::~AnalysisPipeline() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobsQueued_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool AnalysisPipeline::full() const {
    const std::lock_guard lock(mutex_);
    return jobs_.size() >= depth_;
}

bool AnalysisPipeline::empty() const {
    const std::lock_guard lock(mutex_);
    return jobs_.empty();
}

namespace {
constexpr std::size_t kJobsPerWake = 4;
}

void AnalysisPipeline::submit(std::string path) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(Job{std::move(path), std::nullopt, nullptr, false});
        wake = idleWorkers_ > 0 &&
               (unstartedLocked() >= std::min(kJobsPerWake, depth_) || jobs_.size() >= depth_);
    }
    if (wake)
        jobsQueued_.notify_all();
}

Sample AnalysisPipeline::takeOldest() {
    std::unique_lock lock(mutex_);
    if (jobs_.empty())
        throw std::logic_error("no file is being analysed");
    if (!jobs_.front().done) {
        if (idleWorkers_ > 0)
            jobsQueued_.notify_all();
        takerWaiting_ = true;
        resultReady_.wait(lock, [this] { return jobs_.front().done; });
        takerWaiting_ = false;
    }
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    ++frontNumber_;
    lock.unlock();
    if (job.error)
        std::rethrow_exception(job.error);
    return std::move(*job.result);
}

void AnalysisPipeline::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stopping_ && unstartedLocked() == 0) {
            ++idleWorkers_;
            jobsQueued_.wait(lock, [this] { return stopping_ || unstartedLocked() > 0; });
            --idleWorkers_;
        }
        if (stopping_)
            return;
        // A job leaves the queue only once done, so this one stays while it is worked on.
        const std::size_t number = nextToStart_++;
        const std::string path = jobs_[number - frontNumber_].path;
        lock.unlock();
        std::optional<Sample> result;
        std::exception_ptr error;
        try {
            result = analysis_(path);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        Job& job = jobs_[number - frontNumber_];
        job.result = std::move(result);
        job.error = error;
        job.done = true;
        if (takerWaiting_)
            resultReady_.notify_one();
    }
}

}  // namespace sv
