#include <QFile>
#include <QString>

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/inspector/file_details.h"
#include "app/inspector/volume_lookup.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;
using Reader = SVFileDetailsReader::AudioFormat;

// Writes one second of a quiet tone with libsndfile; false when the format cannot be written.
bool writeAudio(const fs::path& file, int format, int channels, int rate = 48000) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out)
        return false;
    std::vector<float> samples(static_cast<std::size_t>(rate / 10 * channels));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.25f * static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    sf_writef_float(out, samples.data(), rate / 10);
    sf_close(out);
    return true;
}

SVVolumeLookup fakeDrives(std::vector<std::string> mountPoints, QString rootLabel = {}) {
    return SVVolumeLookup([mountPoints] { return sv::MountTable(mountPoints); },
                          [rootLabel](const QString& mountPoint) {
                              if (mountPoint == QLatin1String("/"))
                                  return rootLabel;
                              if (mountPoint == QLatin1String("/data"))
                                  return QStringLiteral("Studio Disk");
                              return QString();
                          });
}

class InspectorDetails : public AppTest {};

TEST_F(InspectorDetails, AudioFormatOfRealFiles) {
    struct Case {
        const char* name;
        int format;
        int channels;
        const char* rate;
        const char* depth;
        const char* channelText;
    };
    const Case cases[] = {
        {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, "48.0 kHz", "8-bit", "Mono"},
        {"i16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, "48.0 kHz", "16-bit", "Stereo"},
        {"i24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, "48.0 kHz", "24-bit", "Stereo"},
        {"i32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1, "48.0 kHz", "32-bit", "Mono"},
        {"f32.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 6, "48.0 kHz", "32-bit float", "6 channels"},
        {"f64.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, "48.0 kHz", "64-bit float", "Mono"},
        {"i16.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, "48.0 kHz", "16-bit", "Stereo"},
        {"i24.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1, "48.0 kHz", "24-bit", "Mono"},
        {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, "48.0 kHz", "—", "Stereo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = home->root() / c.name;
        ASSERT_TRUE(writeAudio(file, c.format, c.channels)) << sf_strerror(nullptr);
        const Reader format = SVFileDetailsReader::readAudioFormat(QString::fromStdString(file));
        EXPECT_EQ(format.sampleRate.toStdString(), c.rate);
        EXPECT_EQ(format.bitDepth.toStdString(), c.depth);
        EXPECT_EQ(format.channels.toStdString(), c.channelText);
    }
}

TEST_F(InspectorDetails, FilesTheReaderCannotOpenAreAllUnknown) {
    const fs::path text = home->writeFile("notes.wav", "not audio at all");
    const fs::path midi = home->writeFile("beat.mid", "MThd\0\0\0\6");
    const fs::path folder = home->root() / "folder.wav";
    fs::create_directories(folder);
    for (const fs::path& file : {text, midi, folder, home->root() / "missing.wav"}) {
        SCOPED_TRACE(file.string());
        const Reader format = SVFileDetailsReader::readAudioFormat(QString::fromStdString(file));
        EXPECT_EQ(format.sampleRate, QStringLiteral("—"));
        EXPECT_EQ(format.bitDepth, QStringLiteral("—"));
        EXPECT_EQ(format.channels, QStringLiteral("—"));
    }
}

TEST_F(InspectorDetails, DetailsTextLineByLine) {
    const fs::path file = home->root() / "Kick 01.wav";
    ASSERT_TRUE(writeAudio(file, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100));
    const QString path = QString::fromStdString(file);
    const SVFileDetails details = SVFileDetailsReader::read(path, fakeDrives({"/"}, "Macro"));
    const QString expected = QStringLiteral(
                                 "Sample Rate   44.1 kHz\n"
                                 "Bit Depth       24-bit\n"
                                 "Channels       Stereo\n"
                                 "File Type       WAV\n"
                                 "File Size        %1\n"
                                 "\n"
                                 "Drive\n"
                                 "Macro\n"
                                 "\n"
                                 "Path\n")
                                 .arg(SVFileDetailsReader::byteCountText(fs::file_size(file))) +
                             path;
    EXPECT_EQ(SVFileDetailsReader::text(details).toStdString(), expected.toStdString());

    // A file that is gone: everything but its type, drive and path is unknown.
    const SVFileDetails gone = SVFileDetailsReader::read(
        QStringLiteral("/media/user/Ext/Packs/Gone.aif"), fakeDrives({"/"}, QString()));
    EXPECT_EQ(gone.fileType, QStringLiteral("AIF"));
    EXPECT_EQ(gone.fileSize, QStringLiteral("—"));
    EXPECT_EQ(gone.sampleRate, QStringLiteral("—"));
    EXPECT_EQ(gone.drive, QStringLiteral("Ext"));
    EXPECT_EQ(gone.path, QStringLiteral("/Packs/Gone.aif"));
    EXPECT_FALSE(SVFileDetailsReader::text(gone).endsWith(QLatin1Char('\n')));
    const SVFileDetails noSuffix = SVFileDetailsReader::read(QStringLiteral("/x/README"), {});
    EXPECT_EQ(noSuffix.fileType, QStringLiteral("—"));
}

TEST_F(InspectorDetails, ByteCountsAsFileBrowsersShowThem) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {44'499, "44 KB"},
        {999'400, "999 KB"},
        {999'600, "1 MB"},
        {1'260'000, "1.3 MB"},
        {12'000'000, "12 MB"},
        {2'054'000'000, "2.05 GB"},
        {3'000'000'000'000, "3 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(SVFileDetailsReader::byteCountText(bytes).toStdString(), text) << bytes;
}

TEST_F(InspectorDetails, DrivesAndPathsOverAMountTable) {
    struct Case {
        const char* path;
        std::vector<std::string> mounts;
        const char* drive;  // "" for unknown
        const char* root;
        const char* pathOnDrive;
    };
    const std::vector<std::string> system = {
        "/", "/proc", "/data", "/media/user/Ext", "/run/media/ann/Loops Disk", "/mnt/usb"};
    const Case cases[] = {
        {"/media/user/Ext/Packs/a.wav", system, "Ext", "/media/user/Ext", "/Packs/a.wav"},
        {"/run/media/ann/Loops Disk/808/b.wav", system, "Loops Disk", "/run/media/ann/Loops Disk",
         "/808/b.wav"},
        {"/mnt/usb/c.wav", system, "usb", "/mnt/usb", "/c.wav"},
        {"/data/Samples/d.wav", system, "Studio Disk", "/data", "/Samples/d.wav"},
        {"/home/ann/Samples/e.wav", system, "Root Label", "/", "/home/ann/Samples/e.wav"},
        // Not plugged in: the folder's pattern still names the drive.
        {"/media/user/Gone/Packs/a.wav", system, "Gone", "/media/user/Gone", "/Packs/a.wav"},
        {"/run/media/ann/Old/f.wav", system, "Old", "/run/media/ann/Old", "/f.wav"},
        // Nothing known at all: the pattern, or no drive and the whole path.
        {"/media/user/Ext/Packs/a.wav", {}, "Ext", "/media/user/Ext", "/Packs/a.wav"},
        {"/home/ann/g.wav", {}, "", "", "/home/ann/g.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const SVVolumeLookup lookup = fakeDrives(c.mounts, QStringLiteral("Root Label"));
        const SVVolumeLookup::Drive drive = lookup.driveOfPath(QString::fromUtf8(c.path));
        EXPECT_EQ(drive.name.toStdString(), c.drive);
        EXPECT_EQ(drive.rootPath.toStdString(), c.root);
        EXPECT_EQ(
            SVVolumeLookup::pathOnDrive(QString::fromUtf8(c.path), drive.rootPath).toStdString(),
            c.pathOnDrive);
        const SVFileDetails details = SVFileDetailsReader::read(QString::fromUtf8(c.path), lookup);
        EXPECT_EQ(details.drive.toStdString(), *c.drive ? c.drive : "—");
    }
    // The root file system without a label has no drive name.
    EXPECT_EQ(fakeDrives({"/"}).driveOfPath(QStringLiteral("/home/x.wav")).name, QString());
}

TEST_F(InspectorDetails, VolumeToOpenForASamplePath) {
    const std::string existing = (home->root() / "Lib").string();
    fs::create_directories(existing);
    const std::vector<std::string> mounts = {"/", home->root().string()};
    const SVVolumeLookup lookup = fakeDrives(mounts);
    EXPECT_EQ(lookup.volumeURLForSamplePath(QStringLiteral("Lib/a.wav")), QString());
    // The nearest existing folder decides, even for a file that is gone.
    EXPECT_EQ(lookup.volumeURLForSamplePath(QString::fromStdString(existing + "/Gone/a.wav")),
              QString::fromStdString(home->root().string()));
    // An unplugged drive's folder no longer exists: its nearest ancestor is on "/".
    EXPECT_EQ(lookup.volumeURLForSamplePath(QStringLiteral("/media/nobody-here/Ext/a.wav")),
              QStringLiteral("/"));
    // Without a mount table: the removable-drive folder the path names, else "/".
    const SVVolumeLookup blind([] { return sv::MountTable(); }, {});
    EXPECT_EQ(blind.volumeURLForSamplePath(QStringLiteral("/media/nobody-here/Ext/a.wav")),
              QStringLiteral("/media/nobody-here/Ext"));
    EXPECT_EQ(blind.volumeURLForSamplePath(QStringLiteral("/home/x/a.wav")), QStringLiteral("/"));
}

}  // namespace
}  // namespace svapp_test
