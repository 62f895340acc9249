#include "audio/waveforms/waveform_disk_cache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <cmath>

#include "audio/waveforms/waveform_key.h"

namespace sv {

namespace {

// A summary file is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxCacheFileBytes = 256 * 1024;

bool readNumber(QXmlStreamReader& xml, WaveformPeaks& peaks) {
    const QStringView name = xml.name();
    if (name != u"real" && name != u"integer")
        return false;
    bool ok = false;
    const double value = xml.readElementText().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > 1.0)
        return false;
    peaks.push_back(static_cast<float>(value));
    return peaks.size() <= kWaveformPointCount;
}

// Reads the children of <array> up to its end tag.
bool readArray(QXmlStreamReader& xml, WaveformPeaks& peaks) {
    while (xml.readNextStartElement()) {
        if (!readNumber(xml, peaks))
            return false;
    }
    return !xml.hasError();
}

}  // namespace

QString waveformCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvane Producer/SampleVorlan/Waveforms");
}

QString waveformCacheFilePath(const QString& key) {
    return waveformCacheFolder() + QLatin1Char('/') + waveformCacheFileName(key);
}

QByteArray waveformPropertyListBytes(const WaveformPeaks& peaks) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(peaks.size() * 40 + 256));
    bytes +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<array>\n";
    for (const float value : peaks) {
        bytes += "\t<real>";
        bytes += QByteArray::number(static_cast<double>(value), 'g', 17);
        bytes += "</real>\n";
    }
    bytes += "</array>\n</plist>\n";
    return bytes;
}

std::optional<WaveformPeaks> parseWaveformPropertyList(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return std::nullopt;
    if (!xml.readNextStartElement() || xml.name() != u"array")
        return std::nullopt;
    WaveformPeaks peaks;
    peaks.reserve(kWaveformPointCount);
    if (!readArray(xml, peaks))
        return std::nullopt;
    // Nothing but the end of <plist> may follow the array.
    if (xml.readNextStartElement() || xml.hasError())
        return std::nullopt;
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return std::nullopt;
    if (!isValidWaveformSummary(peaks))
        return std::nullopt;
    return peaks;
}

std::optional<WaveformPeaks> readWaveformCacheFile(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > kMaxCacheFileBytes)
        return std::nullopt;
    return parseWaveformPropertyList(file.read(kMaxCacheFileBytes));
}

bool writeWaveformCacheFile(const QString& filePath, const WaveformPeaks& peaks) {
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = waveformPropertyListBytes(peaks);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace sv
