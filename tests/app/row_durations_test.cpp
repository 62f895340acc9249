#include <filesystem>

#include "app/results/results_browser.h"
#include "app/results/sample_cell.h"
#include "audio/waveforms/waveform_disk_cache.h"
#include "audio/waveforms/waveform_key.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"
#include "tests/waveforms/waveform_test_support.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

// The scan measures WAV files only; MP3 and AIFF rows learn their length from the waveform
// workers. After a restart their summaries come from the cache files, which hold no length.
TEST_F(AppTest, MP3AndAIFFRowsGetTheirDurationWhenTheirWaveformsComeFromTheCache) {
    struct File {
        fs::path path;
        QString clock;
    };
    const std::vector<File> files = {
        {sv::testing::writeAiff(libraryFolder / "Pad Long.aif",
                                sv::testing::sine(1.5, 44100, 220.0)),
         QStringLiteral("0:01")},
        {sv::testing::writeMp3(libraryFolder / "Vox Hook.mp3",
                               sv::testing::sine(2.5, 44100, 330.0)),
         QStringLiteral("0:02")},
    };
    {
        sv::Database db(sv::Database::defaultPath());
        const std::int64_t library = db.addLibrary(libraryFolder.string());
        for (const File& file : files) {
            const auto stamp = sv::readFileStamp(file.path);
            ASSERT_TRUE(stamp);
            sv::Sample sample;
            sample.filename = file.path.filename().string();
            sample.path = file.path.string();
            sample.library = "Samples";
            sample.type = sv::SampleType::Loop;
            sample.modifiedAt = stamp->modifiedAt;
            sample.fileSize = stamp->fileSize;
            db.upsert(sample, library);
            const QString key = sv::waveformKey(QString::fromStdString(sample.path),
                                                stamp->modifiedAt, stamp->fileSize);
            ASSERT_TRUE(sv::writeWaveformCacheFile(
                sv::waveformCacheFilePath(key), sv::WaveformPeaks(sv::kWaveformPointCount, 0.4f)));
        }
    }
    startApp();
    SVResultsBrowser* browser = controller->browser();
    ASSERT_EQ(browser->rows().size(), files.size());
    const auto rowOf = [browser](const fs::path& path) {
        for (std::size_t i = 0; i < browser->rows().size(); ++i)
            if (browser->rows()[i].path == path.string())
                return static_cast<int>(i);
        return -1;
    };
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(browser->rows().begin(), browser->rows().end(),
                           [](const sv::Sample& s) { return s.duration.has_value(); });
    }));
    for (const File& file : files) {
        SCOPED_TRACE(file.path.filename().string());
        const int row = rowOf(file.path);
        ASSERT_GE(row, 0);
        EXPECT_EQ(browser->sampleCellForRow(row)->durationLabel()->text(), file.clock);
        // The catalogue is left as it was.
        EXPECT_FALSE(controller->database().findByPath(file.path.string())->duration);
    }

    // The next page of the same rows knows the lengths at once.
    controller->refresh();
    for (const File& file : files) {
        const int row = rowOf(file.path);
        ASSERT_GE(row, 0);
        EXPECT_TRUE(browser->rows()[static_cast<std::size_t>(row)].duration);
        EXPECT_EQ(browser->sampleCellForRow(row)->durationLabel()->text(), file.clock);
    }
}

}  // namespace
}  // namespace svapp_test
