#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>

#include <cmath>
#include <limits>
#include <random>

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

}  // namespace
}  // namespace sv
