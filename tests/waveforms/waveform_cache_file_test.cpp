#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <variant>

#include "audio/waveforms/cache_folder_descriptor.h"
#include "audio/waveforms/waveform_disk_cache.h"
#include "audio/waveforms/waveform_key.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace sv {
namespace {

WaveformPeaks ramp() {
    WaveformPeaks peaks(kWaveformPointCount);
    for (std::size_t i = 0; i < peaks.size(); ++i)
        peaks[i] = static_cast<float>(i) / 191.0f;
    return peaks;
}

QByteArray listOf(const QList<QByteArray>& entries) {
    QByteArray bytes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>\n";
    for (const QByteArray& entry : entries)
        bytes += entry + "\n";
    return bytes + "</array>\n</plist>\n";
}

QList<QByteArray> reals(int count, const QByteArray& value = "0.5") {
    QList<QByteArray> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back("<real>" + value + "</real>");
    return entries;
}

TEST(WaveformKey, FormatsPathTimeAndSize) {
    EXPECT_EQ(waveformKey("/s/kick é.wav", 1796764628, 1234), "v2:/s/kick é.wav:1796764628:1234");
    EXPECT_EQ(waveformKey("/a", -5, 18446744073709551615ull), "v2:/a:-5:18446744073709551615");
}

TEST(WaveformKey, FileNamesUseTheStableFnv1aHash) {
    // Published FNV-1a 64 test vectors.
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a64("foobar"), 0x85944171f73967e8ull);
    EXPECT_EQ(waveformCacheFileName(""), "cbf29ce484222325.plist");
    const QString name = waveformCacheFileName("v2:/x.wav:1:2");
    EXPECT_EQ(name.size(), 22);
    EXPECT_EQ(name, QString::asprintf("%016llx.plist",
                                      static_cast<unsigned long long>(fnv1a64("v2:/x.wav:1:2"))));
}

TEST(WaveformKey, FileStampMatchesStatInUnixSeconds) {
    testing::TempHome home;
    const auto path = home.writeFile("stamp.wav", std::string(777, 'x'));
    for (const std::int64_t seconds :
         {std::int64_t{1796764628}, std::int64_t{86400}, std::int64_t{-100}}) {
        SCOPED_TRACE(seconds);
        const timespec times[2] = {{seconds, 999'000'000}, {seconds, 999'000'000}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        const auto stamp = readFileStamp(path);
        ASSERT_TRUE(stamp.has_value());
        // Truncated towards zero: -100 s + 0.999 s is -99 s.
        EXPECT_EQ(stamp->modifiedAt,
                  seconds < 0 ? seconds + 1 : static_cast<std::int64_t>(info.st_mtim.tv_sec));
        EXPECT_EQ(stamp->fileSize, 777u);
    }
    EXPECT_FALSE(readFileStamp(home.root() / "absent").has_value());
}

TEST(WaveformCacheFile, RoundTripsThroughAnAtomicWrite) {
    testing::TempHome home;
    const QString key = waveformKey("/lib/a.wav", 10, 20);
    const QString path = waveformCacheFilePath(key);
    EXPECT_TRUE(path.startsWith(QString::fromStdString(home.dataHome().string()) +
                                "/Orvane Producer/SampleVorlan/Waveforms/"));
    ASSERT_TRUE(writeWaveformCacheFile(path, ramp()));
    EXPECT_EQ(readWaveformCacheFile(path), ramp());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<plist version=\"1.0\">"));
    EXPECT_EQ(text.count("<real>"), 192);
}

TEST(WaveformCacheFile, AcceptsOnlyExactlyOneHundredNinetyTwoValuesInRange) {
    QList<QByteArray> withNan = reals(192);
    withNan[50] = "<real>nan</real>";
    QList<QByteArray> withInf = reals(192);
    withInf[0] = "<real>inf</real>";
    QList<QByteArray> tooLoud = reals(192);
    tooLoud[3] = "<real>1.5</real>";
    QList<QByteArray> negative = reals(192);
    negative[3] = "<real>-0.1</real>";
    QList<QByteArray> text = reals(192);
    text[3] = "<string>0.5</string>";
    QList<QByteArray> integers = reals(190);
    integers << "<integer>0</integer>"
             << "<integer>1</integer>";
    const QByteArray valid = listOf(reals(192));

    const std::vector<std::pair<const char*, QByteArray>> rejected = {
        {"empty", ""},
        {"truncated", valid.left(valid.size() / 2)},
        {"not xml", "this is not a property list"},
        {"191 values", listOf(reals(191))},
        {"193 values", listOf(reals(193))},
        {"nan", listOf(withNan)},
        {"infinity", listOf(withInf)},
        {"above one", listOf(tooLoud)},
        {"negative", listOf(negative)},
        {"string entry", listOf(text)},
        {"dictionary root",
         "<plist version=\"1.0\"><dict><key>a</key><real>1</real></dict></plist>"},
    };
    for (const auto& [name, bytes] : rejected) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(parseWaveformPropertyList(bytes).has_value());
    }
    EXPECT_TRUE(parseWaveformPropertyList(valid).has_value());
    const auto mixed = parseWaveformPropertyList(listOf(integers));
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->back(), 1.0f);
}

// What the cache writes reads back as the same floats, and other decimal spellings still read.
TEST(WaveformCacheFile, NumbersReadBackExactly) {
    WaveformPeaks peaks(kWaveformPointCount);
    for (std::size_t i = 0; i < peaks.size(); ++i)
        peaks[i] = i == 0 ? 1.0f : static_cast<float>(std::pow(0.93, static_cast<double>(i)));
    peaks[5] = 2.5e-05f;
    peaks[6] = 0.0f;
    peaks[7] = 1e-38f;
    const auto read = parseWaveformPropertyList(waveformPropertyListBytes(peaks));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, peaks);

    std::mt19937 random(91);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 50; ++round) {
        for (float& peak : peaks)
            peak = round % 2 ? unit(random) : std::ldexp(unit(random), -(round % 40));
        EXPECT_EQ(parseWaveformPropertyList(waveformPropertyListBytes(peaks)), peaks) << round;
    }

    QList<QByteArray> spelled = reals(192);
    spelled[0] = "<real>5E-1</real>";
    spelled[1] = "<real>.25</real>";
    spelled[2] = "<real>0.000000000000000000000000123456789012345678901234</real>";
    spelled[3] = "<real>100e-2</real>";
    const auto other = parseWaveformPropertyList(listOf(spelled));
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ((*other)[0], 0.5f);
    EXPECT_EQ((*other)[1], 0.25f);
    EXPECT_FLOAT_EQ((*other)[2], 1.23456789e-25f);
    EXPECT_EQ((*other)[3], 1.0f);
}

// Fractions of every length around the eight-digit steps of the fast reading, and text that
// only looks like one, read as the general conversion reads them.
TEST(WaveformCacheFile, FractionsOfEveryLengthReadAsTheGeneralConversion) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int length = 1; length <= 22; ++length) {
        SCOPED_TRACE(length);
        QList<QByteArray> entries;
        WaveformPeaks expected;
        for (std::size_t i = 0; i < kWaveformPointCount; ++i) {
            QByteArray text = "0.";
            for (int d = 0; d < length; ++d)
                text += static_cast<char>('0' + digit(random));
            double value = 0.0;
            std::from_chars(text.constData(), text.constData() + text.size(), value);
            expected.push_back(static_cast<float>(value));
            entries.push_back("\t<real>" + text + "</real>");
        }
        EXPECT_EQ(parseWaveformPropertyList(listOf(entries)), expected);
    }

    for (const QByteArray& damaged :
         {QByteArray("0.12x"), QByteArray("0.1234567a"), QByteArray("0.12345678b"),
          QByteArray("0..5"), QByteArray("0.5.5"), QByteArray("0.12:4"), QByteArray("0.1234567?"),
          QByteArray("0.12345678/9"), QByteArray("0.1234567812345;")}) {
        SCOPED_TRACE(damaged.constData());
        QList<QByteArray> entries = reals(192, "0.25");
        entries[100] = "\t<real>" + damaged + "</real>";
        EXPECT_FALSE(parseWaveformPropertyList(listOf(entries)).has_value());
    }

    // The last value ends the text with no room for an eight-byte read after it.
    QByteArray tight = "<plist version=\"1.0\"><array>";
    for (std::size_t i = 0; i < kWaveformPointCount; ++i)
        tight += "\n\t<real>0." + QByteArray::number(static_cast<int>(i % 9 + 1)) + "</real>";
    tight += "</array></plist>";
    const auto read = parseWaveformPropertyList(tight);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->back(), 0.3f);
}

// Cache files are opened through a held descriptor of their folder; a folder removed and made
// again at the same path is read afresh, and other folders still open by their paths.
TEST(WaveformCacheFile, HeldFolderFollowsAFolderMadeAgain) {
    testing::TempHome home;
    CacheFolderDescriptor folder;
    // The file's text, or its errno as a number when it does not open.
    const auto readThrough =
        [&](const std::filesystem::path& path) -> std::variant<std::string, int> {
        const int descriptor = folder.openForReading(QByteArray::fromStdString(path.string()));
        if (descriptor < 0)
            return errno;
        char bytes[64] = {};
        const ssize_t got = ::read(descriptor, bytes, sizeof bytes - 1);
        ::close(descriptor);
        return std::string(bytes, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    };
    using Read = std::variant<std::string, int>;
    const auto first = home.writeFile("cache/a.plist", "first");
    EXPECT_EQ(readThrough(first), Read(std::string("first")));
    EXPECT_EQ(readThrough(home.root() / "cache/absent.plist"), Read(ENOENT));

    std::filesystem::remove_all(home.root() / "cache");
    EXPECT_EQ(readThrough(first), Read(ENOENT));
    home.writeFile("cache/a.plist", "second");
    EXPECT_EQ(readThrough(first), Read(std::string("second")));
    home.writeFile("cache/a.plist", "third");
    EXPECT_EQ(readThrough(first), Read(std::string("third")));

    const auto other = home.writeFile("elsewhere/a.plist", "other");
    EXPECT_EQ(readThrough(other), Read(std::string("other")));
    EXPECT_EQ(readThrough(first), Read(std::string("third")));
    EXPECT_EQ(readThrough("relative-name.plist"), Read(ENOENT));
}

}  // namespace
}  // namespace sv
