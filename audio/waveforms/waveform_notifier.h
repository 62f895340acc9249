#pragma once

// The process-wide object whose signals announce waveform results. Its signals are always
// emitted on the main thread, whichever thread posted them.

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariantMap>

// Names of the three notifications, as carried by notificationPosted().
inline constexpr char kSVWaveformCacheDidUpdate[] = "SVWaveformCacheDidUpdate";
inline constexpr char kSVWaveformCacheDidFail[] = "SVWaveformCacheDidFail";
inline constexpr char kSVWaveformDurationDidUpdate[] = "SVWaveformDurationDidUpdate";

// Why a summary could not be generated.
struct SVWaveformError {
    QString domain = QStringLiteral("SampleVorlanWaveform");
    // The decoder's status, or 1.
    int code = 1;
    QString description = QStringLiteral("Audio decoder rejected the file");
    // The decoder's own message, for logs.
    QString detail;
};
Q_DECLARE_METATYPE(SVWaveformError)

class SVWaveformNotifier : public QObject {
    Q_OBJECT

  public:
    // Created on first use and moved to the application's main thread.
    static SVWaveformNotifier* instance();

    // Thread-safe: queue the notifications of one finished generation for the main thread.
    // `duration` above 0 adds "SVWaveformDurationDidUpdate" after the first.
    void postSucceeded(const QString& path, const QString& key, double duration);
    void postFailed(const QString& path, const QString& key, const SVWaveformError& error,
                    double duration);
    // Thread-safe: "SVWaveformDurationDidUpdate" alone, for a duration above 0 read from a header.
    void postDuration(const QString& path, double duration);

  signals:
    // "SVWaveformCacheDidUpdate": a valid summary for `key` is in the memory cache.
    void waveformCacheDidUpdate(const QString& path, const QString& key);
    // "SVWaveformCacheDidFail": generation for `key` produced no valid summary.
    void waveformCacheDidFail(const QString& path, const QString& key,
                              const SVWaveformError& error);
    // "SVWaveformDurationDidUpdate": a decode measured this length in seconds, or the file's
    // header gave it for a row that lacked it.
    void waveformDurationDidUpdate(const QString& path, double duration);

    // Every one of the three above with its name, the path as object, and its userInfo
    // ("key"; "error" as a map of "domain", "code", "description"; "duration").
    void notificationPosted(const QString& name, const QString& path, const QVariantMap& userInfo);

  private:
    SVWaveformNotifier();
    void emitSucceeded(const QString& path, const QString& key, double duration);
    void emitFailed(const QString& path, const QString& key, const SVWaveformError& error,
                    double duration);
    void emitDuration(const QString& path, double duration);
};
