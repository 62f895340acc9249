#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/records/sample.h"

namespace sv {

// Reads and analyses files on a worker thread while the scan goes on with the next entries and
// writes the records of the previous ones. Results come back in the order the files went in.
class AnalysisPipeline {
  public:
    using Analysis = std::function<Sample(const std::string& path)>;

    // `workers` threads (at least one) analyse up to `depth` files between them.
    AnalysisPipeline(Analysis analysis, std::size_t depth, std::size_t workers = 1);
    // Stops the workers after their current files; results not taken are dropped.
    ~AnalysisPipeline();
    AnalysisPipeline(const AnalysisPipeline&) = delete;
    AnalysisPipeline& operator=(const AnalysisPipeline&) = delete;

    bool full() const;
    bool empty() const;
    void submit(std::string path);
    // The result of the oldest file handed in, waiting for it; rethrows what its analysis
    // threw. Only when not empty.
    Sample takeOldest();

  private:
    struct Job {
        std::string path;
        std::optional<Sample> result;
        std::exception_ptr error;
        bool done = false;
    };

    void work();
    std::size_t unstartedLocked() const { return frontNumber_ + jobs_.size() - nextToStart_; }

    const Analysis analysis_;
    const std::size_t depth_;
    mutable std::mutex mutex_;
    // Workers wait for jobs on one, the taker for its result on the other, so that finishing a
    // file wakes only a taker that waits for it.
    std::condition_variable jobsQueued_;
    std::condition_variable resultReady_;
    std::deque<Job> jobs_;
    // Jobs are numbered in the order they went in: the front one and the next to start.
    std::size_t frontNumber_ = 0;
    std::size_t nextToStart_ = 0;
    bool stopping_ = false;
    // Workers asleep for want of a job. They are woken once several jobs wait, or when a
    // result is wanted: waking one for every file cost a system call and a switch each.
    std::size_t idleWorkers_ = 0;
    bool takerWaiting_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace sv
