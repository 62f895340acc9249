#pragma once

// Hands work to the thread of the QCoreApplication from any thread.

#include <functional>

namespace sv {

// Queues `work` to run on the application's main thread. Returns false (and drops the work)
// when no QCoreApplication exists or it is already being destroyed, so background threads that
// outlive the application cannot post into a dead event loop.
bool postToMainThread(std::function<void()> work);

// True on the application's main thread (false when there is no application).
bool isMainThread();

}  // namespace sv
