#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <functional>
#include <thread>

#include "audio/waveforms/waveform_disk_cache.h"
#include "audio/waveforms/waveform_key.h"
#include "audio/waveforms/waveform_service.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"
#include "tests/waveforms/waveform_test_support.h"

namespace sv {
namespace {

struct Posted {
    QString name;
    QString path;
    QVariantMap userInfo;
    bool onMainThread;
};

// Collects every waveform notification delivered while it lives.
class NotificationLog {
  public:
    NotificationLog() {
        QObject::connect(SVWaveformNotifier::instance(), &SVWaveformNotifier::notificationPosted,
                         &context_,
                         [this](const QString& name, const QString& path, const QVariantMap& info) {
                             posted.push_back({name, path, info,
                                               QThread::currentThread() ==
                                                   QCoreApplication::instance()->thread()});
                         });
    }
    int count(const char* name, const QString& path) const {
        return static_cast<int>(std::count_if(posted.begin(), posted.end(), [&](const Posted& p) {
            return p.name == QLatin1String(name) && p.path == path;
        }));
    }
    bool waitFor(const char* name, const QString& path, int milliseconds = 10000) const {
        return testing::waitFor([&] { return count(name, path) > 0; }, milliseconds);
    }
    const Posted* find(const char* name, const QString& path) const {
        for (const Posted& p : posted)
            if (p.name == QLatin1String(name) && p.path == path)
                return &p;
        return nullptr;
    }
    std::vector<Posted> posted;

  private:
    QObject context_;
};

// A file on disk with the stamp the catalogue would record for it.
struct AudioFile {
    QString path;
    FileStamp stamp;
    QString key() const { return waveformKey(path, stamp.modifiedAt, stamp.fileSize); }
    std::optional<WaveformPeaks> request(bool preload = false) const {
        return SVRequestWaveform(path, stamp.modifiedAt, stamp.fileSize, preload);
    }
    bool cached() const {
        return SVWaveformCache::hasCachedAudioAtPath(path, stamp.modifiedAt, stamp.fileSize);
    }
    bool failed() const {
        return SVWaveformCache::hasFailedAudioAtPath(path, stamp.modifiedAt, stamp.fileSize);
    }
};

AudioFile describe(const std::filesystem::path& path) {
    return AudioFile{QString::fromStdString(path.string()),
                     readFileStamp(path).value_or(FileStamp{})};
}

// Occupies both workers with reads of named pipes that block until released, so that later
// requests stay queued.
class BlockedWorkers {
  public:
    explicit BlockedWorkers(const std::filesystem::path& folder) {
        for (int i = 0; i < SVWaveformCache::kMaxWorkers; ++i) {
            const auto pipe = folder / ("blocker-" + std::to_string(i) + ".wav");
            EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
            pipes_.push_back(pipe);
            SVRequestWaveform(QString::fromStdString(pipe.string()), 1, 1, false);
        }
        EXPECT_TRUE(testing::waitFor([] { return SVWaveformCache::activeWorkerCount() == 2; }));
    }
    ~BlockedWorkers() {
        while (!pipes_.empty())
            releaseOne();
    }
    // Lets one worker go: its pipe delivers a few bytes of garbage and ends.
    void releaseOne() {
        const int fd = ::open(pipes_.back().c_str(), O_WRONLY);
        if (fd >= 0) {
            [[maybe_unused]] const auto written = ::write(fd, "garbage!", 8);
            ::close(fd);
        }
        pipes_.pop_back();
    }

  private:
    std::vector<std::filesystem::path> pipes_;
};

class WaveformServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::ensureApplication(); }
    void TearDown() override {
        // Workers read the data folder from the environment, which TempHome restores.
        EXPECT_TRUE(SVWaveformCache::waitUntilIdleWithTimeout(20.0));
        testing::processEventsFor(20);
    }
    AudioFile wav(const std::string& name, double seconds = 0.25, float amplitude = 0.5f) const {
        return describe(
            testing::writeWav(home.root() / name, testing::sine(seconds, 44100, 330.0, amplitude)));
    }

    testing::TempHome home;
    NotificationLog log;
};

TEST_F(WaveformServiceTest, DecodesCachesAndNotifiesOnTheMainThread) {
    const AudioFile file = wav("tone.wav", 1.0);
    EXPECT_FALSE(file.request().has_value());
    ASSERT_TRUE(log.waitFor(kSVWaveformDurationDidUpdate, file.path));

    ASSERT_GE(log.posted.size(), 2u);
    const Posted* update = log.find(kSVWaveformCacheDidUpdate, file.path);
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->userInfo.value("key").toString(), file.key());
    EXPECT_NEAR(
        log.find(kSVWaveformDurationDidUpdate, file.path)->userInfo.value("duration").toDouble(),
        1.0, 1e-9);
    for (const Posted& p : log.posted)
        EXPECT_TRUE(p.onMainThread) << qPrintable(p.name);
    EXPECT_EQ(log.count(kSVWaveformCacheDidFail, file.path), 0);

    EXPECT_TRUE(file.cached());
    const auto peaks = file.request();
    ASSERT_TRUE(peaks.has_value());
    EXPECT_TRUE(isValidWaveformSummary(*peaks));
    EXPECT_EQ(SVWaveformCache::cachedPeaksForKey(file.key()), peaks);
    EXPECT_EQ(readWaveformCacheFile(waveformCacheFilePath(file.key())), peaks);
    EXPECT_EQ(SVWaveformCache::pendingJobCount(), 0u);
}

TEST_F(WaveformServiceTest, ValidCacheFileIsUsedWithoutDecoding) {
    // The audio file is garbage: only the cache file can give a summary.
    const AudioFile file =
        describe(testing::writeBytes(home.root() / "broken.wav", std::string(3000, 'z')));
    WaveformPeaks stored(kWaveformPointCount, 0.25f);
    stored[7] = 1.0f;
    ASSERT_TRUE(writeWaveformCacheFile(waveformCacheFilePath(file.key()), stored));

    file.request(true);
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, file.path));
    testing::processEventsFor(50);
    EXPECT_EQ(file.request(), stored);
    EXPECT_EQ(log.count(kSVWaveformDurationDidUpdate, file.path), 0);
    EXPECT_FALSE(file.failed());
}

TEST_F(WaveformServiceTest, DamagedCacheFilesAreRecomputedAndOverwritten) {
    QByteArray nanList = waveformPropertyListBytes(WaveformPeaks(kWaveformPointCount, 0.5f));
    nanList.replace("<real>0.5</real>", "<real>nan</real>");
    const QByteArray shortList = waveformPropertyListBytes(WaveformPeaks(191, 0.5f));
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"empty", ""},
        {"truncated",
         waveformPropertyListBytes(WaveformPeaks(kWaveformPointCount, 0.5f)).left(300)},
        {"not xml", "\x01\x02garbage"},
        {"wrong length", shortList},
        {"nan", nanList},
    };
    int index = 0;
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        const AudioFile file = wav("damaged-" + std::to_string(index++) + ".wav");
        const QString cachePath = waveformCacheFilePath(file.key());
        QDir().mkpath(QFileInfo(cachePath).absolutePath());
        QFile out(cachePath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();

        file.request();
        ASSERT_TRUE(log.waitFor(kSVWaveformDurationDidUpdate, file.path));
        const auto peaks = file.request();
        ASSERT_TRUE(peaks.has_value());
        EXPECT_EQ(readWaveformCacheFile(cachePath), peaks);
    }
}

TEST_F(WaveformServiceTest, ChangedModificationTimeGivesANewKeyAndFile) {
    const AudioFile before = wav("touched.wav");
    before.request();
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, before.path));

    const timespec later[2] = {{before.stamp.modifiedAt + 60, 0},
                               {before.stamp.modifiedAt + 60, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, before.path.toUtf8().constData(), later, 0), 0);
    const AudioFile after = describe(before.path.toStdString());
    ASSERT_EQ(after.stamp.modifiedAt, before.stamp.modifiedAt + 60);
    ASSERT_NE(after.key(), before.key());
    EXPECT_FALSE(after.cached());

    after.request();
    ASSERT_TRUE(testing::waitFor([&] { return after.cached(); }));
    EXPECT_NE(waveformCacheFilePath(after.key()), waveformCacheFilePath(before.key()));
    EXPECT_TRUE(QFile::exists(waveformCacheFilePath(after.key())));
    EXPECT_TRUE(QFile::exists(waveformCacheFilePath(before.key())));
}

TEST_F(WaveformServiceTest, TwoRequestsForOneKeyScheduleOneJob) {
    const AudioFile file = wav("twice.wav");
    {
        BlockedWorkers blocked(home.root());
        file.request();
        file.request(true);
        file.request();
        EXPECT_EQ(SVWaveformCache::pendingJobCount(), 3u);
    }
    ASSERT_TRUE(SVWaveformCache::waitUntilIdleWithTimeout(10));
    testing::processEventsFor(50);
    EXPECT_EQ(log.count(kSVWaveformCacheDidUpdate, file.path), 1);
    EXPECT_TRUE(file.cached());
}

TEST_F(WaveformServiceTest, FailedFilesFailOnceAndAreNeverRetried) {
    const std::vector<AudioFile> files = {
        describe(testing::writeMidi(home.root() / "clip.mid")),
        describe(testing::writeBytes(home.root() / "noise.wav", std::string(4000, '\x11'))),
    };
    for (const AudioFile& file : files) {
        SCOPED_TRACE(file.path.toStdString());
        file.request();
        ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidFail, file.path));
        const Posted* failure = log.find(kSVWaveformCacheDidFail, file.path);
        const QVariantMap error = failure->userInfo.value("error").toMap();
        EXPECT_EQ(error.value("domain").toString(), "SampleVorlanWaveform");
        EXPECT_NE(error.value("code").toInt(), 0);
        EXPECT_EQ(error.value("description").toString(), "Audio decoder rejected the file");
        EXPECT_EQ(failure->userInfo.value("key").toString(), file.key());
        EXPECT_TRUE(file.failed());
        EXPECT_FALSE(file.cached());
    }
    ASSERT_TRUE(SVWaveformCache::waitUntilIdleWithTimeout(5));

    // Repaired behind the service's back under the same key: still not tried again.
    testing::writeWav(files[1].path.toStdString(), testing::sine(0.1, 44100, 440.0));
    for (const AudioFile& file : files) {
        EXPECT_FALSE(file.request().has_value());
        EXPECT_FALSE(file.request(true).has_value());
    }
    EXPECT_EQ(SVWaveformCache::pendingJobCount(), 0u);
    testing::processEventsFor(200);
    for (const AudioFile& file : files)
        EXPECT_EQ(log.count(kSVWaveformCacheDidFail, file.path), 1);
}

TEST_F(WaveformServiceTest, NewGenerationCancelsQueuedPreloadsButNotOrdinaryRequests) {
    std::vector<AudioFile> preloads;
    for (int i = 0; i < 3; ++i)
        preloads.push_back(wav("preload-" + std::to_string(i) + ".wav"));
    const AudioFile ordinary = wav("ordinary.wav");
    const std::uint64_t generationBefore = SVWaveformCache::preloadGeneration();
    {
        BlockedWorkers blocked(home.root());
        for (const AudioFile& file : preloads)
            SVWaveformCache::preloadAudioAtPath(file.path, file.stamp.modifiedAt,
                                                file.stamp.fileSize);
        ordinary.request();
        EXPECT_EQ(SVWaveformCache::pendingJobCount(), 6u);
        SVWaveformCache::beginPreloadGeneration();
        EXPECT_EQ(SVWaveformCache::pendingJobCount(), 3u);
        EXPECT_EQ(SVWaveformCache::activeWorkerCount(), 2u);
    }
    EXPECT_EQ(SVWaveformCache::preloadGeneration(), generationBefore + 1);
    ASSERT_TRUE(SVWaveformCache::waitUntilIdleWithTimeout(10));
    testing::processEventsFor(50);
    EXPECT_TRUE(ordinary.cached());
    for (const AudioFile& file : preloads) {
        EXPECT_FALSE(file.cached());
        EXPECT_FALSE(file.failed());
        EXPECT_EQ(log.count(kSVWaveformCacheDidUpdate, file.path), 0);
    }

    // A cancelled preload left the in-flight set, so asking again completes it.
    preloads[0].request(true);
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, preloads[0].path));
    EXPECT_TRUE(preloads[0].cached());
}

TEST_F(WaveformServiceTest, OrdinaryRequestsOvertakeQueuedPreloads) {
    const AudioFile first = wav("early-preload.wav");
    const AudioFile second = wav("late-preload.wav");
    const AudioFile ordinary = wav("player.wav");
    {
        BlockedWorkers blocked(home.root());
        first.request(true);
        second.request(true);
        ordinary.request();
        // One worker at a time takes the queue in priority order.
        blocked.releaseOne();
        ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, second.path));
    }
    std::vector<QString> order;
    for (const Posted& p : log.posted)
        if (p.name == QLatin1String(kSVWaveformCacheDidUpdate))
            order.push_back(p.path);
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], ordinary.path);
    EXPECT_EQ(order[1], first.path);
}

TEST_F(WaveformServiceTest, AtMostSixtyFourOperationsAreLive) {
    BlockedWorkers blocked(home.root());
    const auto absent = [&](int i) {
        return QString::fromStdString((home.root() / "absent").string()) +
               QString("/%1.wav").arg(i);
    };
    for (int i = 0; i < 80; ++i)
        SVWaveformCache::preloadAudioAtPath(absent(i), 1, 1);
    EXPECT_EQ(SVWaveformCache::pendingJobCount(), 64u);
    EXPECT_GE(SVWaveformCache::maximumObservedJobCount(), 64u);
    SVWaveformCache::beginPreloadGeneration();
    EXPECT_EQ(SVWaveformCache::pendingJobCount(), 2u);
    // The refused and the cancelled requests can be made again.
    SVWaveformCache::preloadAudioAtPath(absent(79), 1, 1);
    SVWaveformCache::preloadAudioAtPath(absent(0), 1, 1);
    EXPECT_EQ(SVWaveformCache::pendingJobCount(), 4u);
}

TEST_F(WaveformServiceTest, ShutdownCancelsQueuedWorkAndWaitsForRunningJobs) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const AudioFile queued = wav("queued.wav");
    const AudioFile afterwards = wav("afterwards.wav");
    EXPECT_EXIT(
        {
            auto blocked = std::make_unique<BlockedWorkers>(home.root());
            queued.request();
            queued.request(true);
            std::thread releaser([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                blocked.reset();
            });
            const bool idle = SVWaveformCache::shutdownWithTimeout(10);
            releaser.join();
            afterwards.request();
            const bool ok = idle && !queued.cached() && SVWaveformCache::pendingJobCount() == 0 &&
                            !afterwards.cached();
            std::fprintf(stderr, ok ? "shutdown clean\n" : "shutdown left work\n");
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "shutdown clean");
}

}  // namespace
}  // namespace sv

namespace sv {
namespace {

// Summaries read back from the cache file measure nothing; a row that has no duration (MP3 and
// AIFF files, which the scan does not analyse) gets it from the file's header instead.
class WaveformDurationTest : public WaveformServiceTest {
  protected:
    // A file whose summary the cache file holds but the memory does not, as after a restart.
    AudioFile cachedOnDisk(const std::filesystem::path& path) const {
        const AudioFile file = describe(path);
        EXPECT_TRUE(writeWaveformCacheFile(waveformCacheFilePath(file.key()), stored()));
        return file;
    }
    static WaveformPeaks stored() { return WaveformPeaks(kWaveformPointCount, 0.5f); }
    static std::optional<double> requestDuration(const AudioFile& file) {
        return SVWaveformCache::requestDurationAtPath(file.path, file.stamp.modifiedAt,
                                                      file.stamp.fileSize);
    }
    double postedDuration(const AudioFile& file) const {
        const Posted* posted = log.find(kSVWaveformDurationDidUpdate, file.path);
        return posted ? posted->userInfo.value("duration").toDouble() : 0.0;
    }
};

TEST_F(WaveformDurationTest, CacheFileSummariesOfRowsWithoutDurationReadTheHeader) {
    using Writer = std::function<std::filesystem::path(const std::filesystem::path&,
                                                       const std::vector<float>&)>;
    struct Case {
        const char* name;
        Writer write;
        const char* file;
        double seconds;
        double tolerance;
    };
    // MPEG frames round the length up by a little.
    const Case cases[] = {
        {"aiff",
         [](const auto& path, const auto& audio) { return testing::writeAiff(path, audio); },
         "Pad.aif", 1.5, 1e-6},
        {"mp3", [](const auto& path, const auto& audio) { return testing::writeMp3(path, audio); },
         "Vox.mp3", 2.0, 0.08},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AudioFile file =
            cachedOnDisk(c.write(home.root() / c.file, testing::sine(c.seconds, 44100, 220.0)));
        EXPECT_FALSE(requestDuration(file).has_value());
        file.request(true);
        ASSERT_TRUE(log.waitFor(kSVWaveformDurationDidUpdate, file.path));
        EXPECT_NEAR(postedDuration(file), c.seconds, c.tolerance);
        // The summary came from the cache file, not from a decode.
        EXPECT_EQ(file.request(), stored());
        const auto known = SVWaveformCache::knownDurationAtPath(file.path, file.stamp.modifiedAt,
                                                                file.stamp.fileSize);
        ASSERT_TRUE(known.has_value());
        EXPECT_NEAR(*known, c.seconds, c.tolerance);
        EXPECT_EQ(requestDuration(file), known);
    }
}

TEST_F(WaveformDurationTest, SummaryAlreadyInMemoryHasItsHeaderRead) {
    const AudioFile file = cachedOnDisk(
        testing::writeAiff(home.root() / "Keys.aiff", testing::sine(0.75, 22050, 440.0), 1, 22050));
    // Nobody asked for the duration: a cache hit stays silent about it.
    file.request(true);
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, file.path));
    testing::processEventsFor(100);
    EXPECT_EQ(log.count(kSVWaveformDurationDidUpdate, file.path), 0);

    EXPECT_FALSE(requestDuration(file).has_value());
    ASSERT_TRUE(log.waitFor(kSVWaveformDurationDidUpdate, file.path));
    EXPECT_NEAR(postedDuration(file), 0.75, 1.0 / 22050);
    EXPECT_EQ(log.count(kSVWaveformCacheDidUpdate, file.path), 1);
}

TEST_F(WaveformDurationTest, WishesEndWithTheirPageAndUnreadableHeadersStaySilent) {
    const AudioFile earlier = cachedOnDisk(
        testing::writeAiff(home.root() / "Earlier.aif", testing::sine(0.5, 44100, 440.0)));
    EXPECT_FALSE(requestDuration(earlier).has_value());
    SVWaveformCache::beginPreloadGeneration();
    earlier.request(true);
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, earlier.path));

    // A cached summary whose audio file is garbage has no header to read.
    const AudioFile broken =
        cachedOnDisk(testing::writeBytes(home.root() / "Broken.aif", std::string(2000, 'z')));
    EXPECT_FALSE(requestDuration(broken).has_value());
    broken.request(true);
    ASSERT_TRUE(log.waitFor(kSVWaveformCacheDidUpdate, broken.path));
    testing::processEventsFor(150);
    EXPECT_EQ(log.count(kSVWaveformDurationDidUpdate, earlier.path), 0);
    EXPECT_EQ(log.count(kSVWaveformDurationDidUpdate, broken.path), 0);
    EXPECT_FALSE(broken.failed());
}

}  // namespace
}  // namespace sv
