#include "app/inspector/file_details.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/inspector/volume_lookup.h"

namespace SVFileDetailsReader {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// Bit depth of libsndfile's subtype: integer PCM "N-bit", floating point "N-bit float",
// compressed and other encodings unknown.
QString bitDepthOfSubtype(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return QStringLiteral("8-bit");
        case SF_FORMAT_PCM_16:
            return QStringLiteral("16-bit");
        case SF_FORMAT_PCM_24:
            return QStringLiteral("24-bit");
        case SF_FORMAT_PCM_32:
            return QStringLiteral("32-bit");
        case SF_FORMAT_FLOAT:
            return QStringLiteral("32-bit float");
        case SF_FORMAT_DOUBLE:
            return QStringLiteral("64-bit float");
        default:
            return unknown();
    }
}

QString fileTypeOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? unknown() : suffix.toUpper();
}

QString fileSizeOf(const QString& path) {
    std::error_code error;
    const std::filesystem::path file(path.toStdString());
    if (!std::filesystem::is_regular_file(file, error))
        return unknown();
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return error ? unknown() : byteCountText(size);
}

}  // namespace

QString unknown() {
    return QStringLiteral("—");
}

QString channelsText(int channels) {
    if (channels <= 0)
        return unknown();
    if (channels == 1)
        return QStringLiteral("Mono");
    if (channels == 2)
        return QStringLiteral("Stereo");
    return QStringLiteral("%1 channels").arg(channels);
}

AudioFormat readAudioFormat(const QString& path) {
    AudioFormat format{unknown(), unknown(), unknown()};
    std::error_code error;
    // libsndfile would open a folder or a device and read it; only regular files are audio.
    if (!std::filesystem::is_regular_file(path.toStdString(), error))
        return format;
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, SndfileCloser> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file)
        return format;
    if (info.samplerate > 0)
        format.sampleRate = QString::asprintf("%.1f kHz", info.samplerate / 1000.0);
    format.channels = channelsText(info.channels);
    format.bitDepth = bitDepthOfSubtype(info.format & SF_FORMAT_SUBMASK);
    return format;
}

QString byteCountText(std::uint64_t bytes) {
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    // Kilobytes whole, megabytes with one decimal, larger units with two, as file browsers do.
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    while (value >= 999.5 && unit < 4) {
        value /= 1000.0;
        ++unit;
    }
    const int decimals = unit == 0 ? 0 : (unit == 1 ? 1 : 2);
    QString number = QString::number(value, 'f', decimals);
    if (decimals > 0) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(QLatin1Char('.')))
            number.chop(1);
    }
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

SVFileDetails read(const QString& path, const SVVolumeLookup& volumes) {
    SVFileDetails details;
    const AudioFormat format = readAudioFormat(path);
    details.sampleRate = format.sampleRate;
    details.bitDepth = format.bitDepth;
    details.channels = format.channels;
    details.fileType = fileTypeOf(path);
    details.fileSize = fileSizeOf(path);
    const SVVolumeLookup::Drive drive = volumes.driveOfPath(path);
    details.drive = drive.name.isEmpty() ? unknown() : drive.name;
    details.path = SVVolumeLookup::pathOnDrive(path, drive.rootPath);
    return details;
}

QString text(const SVFileDetails& details) {
    const QStringList lines = {
        QStringLiteral("Sample Rate   ") + details.sampleRate,
        QStringLiteral("Bit Depth       ") + details.bitDepth,
        QStringLiteral("Channels       ") + details.channels,
        QStringLiteral("File Type       ") + details.fileType,
        QStringLiteral("File Size        ") + details.fileSize,
        QString(),
        QStringLiteral("Drive"),
        details.drive,
        QString(),
        QStringLiteral("Path"),
        details.path,
    };
    return lines.join(QLatin1Char('\n'));
}

}  // namespace SVFileDetailsReader
