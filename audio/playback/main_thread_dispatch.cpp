#include "audio/playback/main_thread_dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <mutex>

namespace sv {

namespace {

std::mutex& gateMutex() {
    static std::mutex mutex;
    return mutex;
}
// The application whose destruction we have been told about, and the one whose destruction we
// asked to be told about.
QCoreApplication* dyingApplication = nullptr;
QCoreApplication* watchedApplication = nullptr;

void closeGate() {
    const std::lock_guard lock(gateMutex());
    dyingApplication = watchedApplication;
    watchedApplication = nullptr;
}

}  // namespace

bool postToMainThread(std::function<void()> work) {
    const std::lock_guard lock(gateMutex());
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || application == dyingApplication)
        return false;
    if (application != watchedApplication) {
        qAddPostRoutine(closeGate);
        watchedApplication = application;
    }
    return QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
}

bool isMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace sv
