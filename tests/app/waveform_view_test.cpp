#include <QSignalSpy>
#include <QTest>

#include "app/results/waveform_view.h"
#include "audio/waveforms/waveform_key.h"
#include "audio/waveforms/waveform_service.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using WaveformView = AppTest;

TEST_F(WaveformView, ShowsTheSummaryOfARowOnceItIsGenerated) {
    const auto file =
        sv::testing::writeWav(home->root() / "tone.wav", sv::testing::sine(0.2, 22050, 220.0));
    const auto stamp = sv::readFileStamp(file);
    ASSERT_TRUE(stamp);
    SVWaveformView view;
    view.resize(300, 44);
    const QString path = QString::fromStdString(file.string());
    view.loadCachedAudioAtPath(path, stamp->modifiedAt, stamp->fileSize);
    EXPECT_TRUE(view.loading());
    SVWaveformView::preloadAudioAtPath(path, stamp->modifiedAt, stamp->fileSize);
    ASSERT_TRUE(waitFor([&] { return view.peaks().has_value(); }));
    EXPECT_FALSE(view.loading());
    EXPECT_EQ(view.peaks()->size(), 192u);
    EXPECT_TRUE(SVWaveformView::hasCachedAudioAtPath(path, stamp->modifiedAt, stamp->fileSize));
}

TEST_F(WaveformView, MissingFileStopsWaiting) {
    SVWaveformView view;
    view.loadAudioAtPath(QStringLiteral("/nonexistent/file.wav"), 1, 2);
    ASSERT_TRUE(waitFor([&] { return !view.loading(); }));
    EXPECT_FALSE(view.peaks().has_value());
}

TEST_F(WaveformView, BarsPlayedPartAndSeeking) {
    SVWaveformView view;
    view.resize(110, 40);
    // A MIDI placeholder never seeks.
    view.showMIDIPlaceholder();
    view.setDuration(10);
    QSignalSpy seeks(&view, &SVWaveformView::seeked);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(seeks.count(), 0);
    EXPECT_TRUE(view.barsForSize(view.size()).empty());

    view.clear();
    view.setDuration(0);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(seeks.count(), 0);

    view.setDuration(10);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(109, 20));
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_NEAR(view.value(), 10.0 * 109 / 110, 1e-9);
    view.setEnabled(false);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_EQ(seeks.count(), 1);
}

TEST_F(WaveformView, BarGeometry) {
    const auto file =
        sv::testing::writeWav(home->root() / "tone.wav", sv::testing::sine(0.2, 22050, 220.0));
    const auto stamp = sv::readFileStamp(file);
    SVWaveformView view;
    const QString path = QString::fromStdString(file.string());
    view.loadAudioAtPath(path, stamp->modifiedAt, stamp->fileSize);
    ASSERT_TRUE(waitFor([&] { return view.peaks().has_value(); }));
    // 192 bars in a 100-point inner area: each 1 wide, overlapping.
    auto bars = view.barsForSize(QSizeF(110, 40));
    ASSERT_EQ(bars.size(), 192u);
    for (const auto& bar : bars) {
        EXPECT_DOUBLE_EQ(bar.rect.width(), 1.0);
        EXPECT_GE(bar.rect.height(), 1.0);
        EXPECT_FALSE(bar.played);
    }
    view.setShowsPlayhead(true);
    view.setProgress(0);
    for (const auto& bar : view.barsForSize(QSizeF(110, 40)))
        EXPECT_FALSE(bar.played);
    view.setProgress(1.5);
    EXPECT_DOUBLE_EQ(view.progress(), 1.0);
    for (const auto& bar : view.barsForSize(QSizeF(110, 40)))
        EXPECT_TRUE(bar.played);
}

}  // namespace
}  // namespace svapp_test
