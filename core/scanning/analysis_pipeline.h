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

#include "core/records/sample.h"

namespace sv {

// Reads and analyses files on a worker thread while the scan goes on with the next entries and
// writes the records of the previous ones. Results come back in the order the files went in.
class AnalysisPipeline {
  public:
    using Analysis = std::function<Sample(const std::string& path)>;

    AnalysisPipeline(Analysis analysis, std::size_t depth);
    // Stops the worker after its current file; results not taken are dropped.
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

    const Analysis analysis_;
    const std::size_t depth_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    // Jobs are numbered in the order they went in: the front one and the next to start.
    std::size_t frontNumber_ = 0;
    std::size_t nextToStart_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace sv
