#include "app/results/search_worker.h"

#include <exception>

#include "core/catalogue/database.h"

SVSearchWorker::SVSearchWorker(sv::Database& db, QObject* parent) : QObject(parent), _db(db) {}

SVSearchWorker::~SVSearchWorker() {
    stop();
}

void SVSearchWorker::stop() {
    {
        const std::lock_guard lock(_mutex);
        if (_stopping && !_thread.joinable())
            return;
        _stopping = true;
        _pending.reset();
    }
    _db.cancelSearchIndexPreparation();
    _wake.notify_all();
    if (_thread.joinable())
        _thread.join();
}

void SVSearchWorker::post(SVRefreshJob job) {
    {
        const std::lock_guard lock(_mutex);
        if (_stopping)
            return;
        _pending = std::move(job);
        if (!_thread.joinable())
            _thread = std::thread([this] { loop(); });
    }
    _wake.notify_one();
}

void SVSearchWorker::prepareIndex() {
    {
        const std::lock_guard lock(_mutex);
        if (_stopping)
            return;
        _prepareWanted = true;
        if (!_thread.joinable())
            _thread = std::thread([this] { loop(); });
    }
    _wake.notify_one();
}

bool SVSearchWorker::busy() const {
    const std::lock_guard lock(_mutex);
    return _pending.has_value() || _running || _undelivered > 0;
}

void SVSearchWorker::loop() {
    for (;;) {
        std::optional<SVRefreshJob> job;
        {
            std::unique_lock lock(_mutex);
            _wake.wait(lock, [this] { return _stopping || _pending || _prepareWanted; });
            if (_stopping)
                return;
            job.swap(_pending);
            _prepareWanted = false;
            _running = true;
        }
        // A failure to prepare leaves the searches to the catalogue's SQL.
        _db.prepareSearchIndex();
        std::optional<SVRefreshResult> result;
        if (job)
            result = job->run(_db, _counts);
        const std::lock_guard lock(_mutex);
        _running = false;
        if (result && !_stopping) {
            ++_undelivered;
            QMetaObject::invokeMethod(
                this,
                [this, delivered = std::move(*result)]() mutable { deliver(std::move(delivered)); },
                Qt::QueuedConnection);
        }
    }
}

void SVSearchWorker::deliver(SVRefreshResult&& result) {
    {
        const std::lock_guard lock(_mutex);
        --_undelivered;
    }
    if (_handler)
        _handler(std::move(result));
}
