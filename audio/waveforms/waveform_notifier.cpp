#include "audio/waveforms/waveform_notifier.h"

#include <QCoreApplication>
#include <QThread>

SVWaveformNotifier::SVWaveformNotifier() {
    qRegisterMetaType<SVWaveformError>();
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

SVWaveformNotifier* SVWaveformNotifier::instance() {
    static SVWaveformNotifier notifier;
    return &notifier;
}

void SVWaveformNotifier::postSucceeded(const QString& path, const QString& key, double duration) {
    // Without an application (the companion tool, or a job finishing at exit) nobody listens.
    if (!QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        this, [this, path, key, duration] { emitSucceeded(path, key, duration); },
        Qt::QueuedConnection);
}

void SVWaveformNotifier::postFailed(const QString& path, const QString& key,
                                    const SVWaveformError& error, double duration) {
    if (!QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        this, [this, path, key, error, duration] { emitFailed(path, key, error, duration); },
        Qt::QueuedConnection);
}

void SVWaveformNotifier::postDuration(const QString& path, double duration) {
    if (!QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        this, [this, path, duration] { emitDuration(path, duration); }, Qt::QueuedConnection);
}

void SVWaveformNotifier::emitSucceeded(const QString& path, const QString& key, double duration) {
    emit waveformCacheDidUpdate(path, key);
    emit notificationPosted(QString::fromLatin1(kSVWaveformCacheDidUpdate), path,
                            QVariantMap{{QStringLiteral("key"), key}});
    emitDuration(path, duration);
}

void SVWaveformNotifier::emitFailed(const QString& path, const QString& key,
                                    const SVWaveformError& error, double duration) {
    emit waveformCacheDidFail(path, key, error);
    const QVariantMap errorInfo{{QStringLiteral("domain"), error.domain},
                                {QStringLiteral("code"), error.code},
                                {QStringLiteral("description"), error.description}};
    emit notificationPosted(
        QString::fromLatin1(kSVWaveformCacheDidFail), path,
        QVariantMap{{QStringLiteral("key"), key}, {QStringLiteral("error"), errorInfo}});
    emitDuration(path, duration);
}

void SVWaveformNotifier::emitDuration(const QString& path, double duration) {
    if (!(duration > 0.0))
        return;
    emit waveformDurationDidUpdate(path, duration);
    emit notificationPosted(QString::fromLatin1(kSVWaveformDurationDidUpdate), path,
                            QVariantMap{{QStringLiteral("duration"), duration}});
}
