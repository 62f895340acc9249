#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "app/results/refresh_job.h"
#include "app/results/result_count_cache.h"

namespace sv {
class Database;
}

// Runs the catalogue work of refreshes on a thread of its own, so that typing a search never
// waits for it. Only the newest job counts: one posted while another waits replaces it. Before
// each job, and once when asked while idle, the catalogue's in-memory search index is brought up
// to date there. Results come back on this object's thread through the handler.
class SVSearchWorker : public QObject {
    Q_OBJECT
  public:
    explicit SVSearchWorker(sv::Database& db, QObject* parent = nullptr);
    // Stops the thread, ending a long index preparation early.
    ~SVSearchWorker() override;

    void setResultHandler(std::function<void(SVRefreshResult&&)> handler) {
        _handler = std::move(handler);
    }
    void post(SVRefreshJob job);
    // Prepares the search index when nothing else is waiting.
    void prepareIndex();
    // Whether a job is waiting or running, or its result has not been handed over yet.
    bool busy() const;
    // Ends the thread for good; later posts are dropped.
    void stop();

  private:
    void loop();
    void deliver(SVRefreshResult&& result);

    sv::Database& _db;
    std::function<void(SVRefreshResult&&)> _handler;
    // Used on the worker thread only.
    SVResultCountCache _counts;
    mutable std::mutex _mutex;
    std::condition_variable _wake;
    std::optional<SVRefreshJob> _pending;
    bool _prepareWanted = false;
    bool _running = false;
    int _undelivered = 0;
    bool _stopping = false;
    std::thread _thread;
};
