#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class SVVolumeLookup;

// What the inspector tells about a sample file. Each text is "—" when unknown.
struct SVFileDetails {
    QString sampleRate;
    QString bitDepth;
    QString channels;
    QString fileType;
    QString fileSize;
    QString drive;
    QString path;
};

namespace SVFileDetailsReader {

// The em dash shown for anything unknown.
QString unknown();

// Reads the file's audio format, size and drive. Never fails: what cannot be read is "—".
// Reads the file system and the file itself, so it belongs on a background thread.
SVFileDetails read(const QString& path, const SVVolumeLookup& volumes);

// The audio part alone: "%.1f kHz", "N-bit" or "N-bit float", "Mono", "Stereo" or "N channels".
struct AudioFormat {
    QString sampleRate;
    QString bitDepth;
    QString channels;
};
AudioFormat readAudioFormat(const QString& path);
QString channelsText(int channels);

// A byte count as file browsers show it, in powers of 1000: "1 byte", "812 bytes", "44 KB",
// "1.3 MB", "2.05 GB".
QString byteCountText(std::uint64_t bytes);

// The details block, line by line, blanks counted:
// "Sample Rate   …", "Bit Depth       …", "Channels       …", "File Type       …",
// "File Size        …", "", "Drive", drive, "", "Path", path.
QString text(const SVFileDetails& details);

}  // namespace SVFileDetailsReader
