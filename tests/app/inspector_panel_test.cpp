#include <QAbstractButton>
#include <QAccessible>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QSettings>
#include <QTest>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/inspector/artwork_well.h"
#include "app/inspector/file_details.h"
#include "app/inspector/folder_artwork.h"
#include "app/inspector/inspector.h"
#include "app/inspector/inspector_view.h"
#include "app/inspector/side_panel.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/waveform_view.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "audio/playback/audio_output.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

fs::path writeImage(const fs::path& file, QColor color, QSize size = QSize(300, 300)) {
    fs::create_directories(file.parent_path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    // A band so the screenshots show the image is the cover, not a flat fill.
    for (int y = size.height() / 3; y < size.height() / 2; ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, color.lighter(170));
    }
    EXPECT_TRUE(image.save(q(file)));
    return file;
}

// Enters `view` with the drag and drops it; returns whether the entry was accepted.
bool enterAndDrop(QWidget* view, const QMimeData* data) {
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    return enter.isAccepted();
}

// Records what the inspector asks of the desktop.
struct DesktopRecorder {
    QStringList revealed;
    QStringList opened;
    QString nextChoice;
    int choices = 0;
    SVInspectorDesktop desktop() {
        return {[this](const QString& path) { revealed << path; },
                [this](const QString& path) { opened << path; },
                [this](QWidget*) {
                    ++choices;
                    return nextChoice;
                }};
    }
};

class Inspector : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
    }

    // Packs below the library: "Pack A" with a cover and "Pack B" without, two tones each, and
    // the window on a screen wide enough for the side panel.
    void startWithPacks() {
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        options.format = sv::testing::WavSampleFormat::Int24;
        options.channels = 2;
        const auto audio = sv::testing::toChannels(sv::testing::sine(0.2, 22050, 220.0), 2);
        for (const char* pack : {"Pack A", "Pack B"}) {
            for (const char* name : {"Kick", "Snare"})
                sv::testing::writeWav(libraryFolder / pack / (std::string(name) + ".wav"), audio,
                                      options);
        }
        cover = writeImage(libraryFolder / "Pack A" / "cover.png", QColor(40, 120, 200));
        startApp([] { return QRect(0, 0, 1920, 1200); });
        inspector()->setDesktop(desktop.desktop());
        inspector()->setVolumeLookup(SVVolumeLookup(
            [this] {
                return sv::MountTable({"/", home->root().string()});
            },
            [](const QString&) { return QStringLiteral("Studio"); }));
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        ASSERT_EQ(browser()->rows().size(), 4u);
    }

    SVInspector* inspector() const { return controller->inspector(); }
    SVInspectorView* view() const { return inspector()->view(); }
    SVResultsBrowser* browser() const { return controller->browser(); }
    SVSidePanel* panel() const {
        return static_cast<SVSidePanel*>(controller->window()->sidePanel());
    }
    int rowOf(const std::string& pack, const std::string& name) const {
        const auto& rows = browser()->rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].path == (libraryFolder / pack / name).string())
                return static_cast<int>(i);
        }
        return -1;
    }
    bool detailsArrived() const {
        return view()->detailsLabel()->text() != QString::fromUtf8(SVInspector::kReadingText);
    }
    // Waits until `label` shows the image `expected` gives (decoding and the rows' redraw run
    // in the background and after a short delay).
    static bool showsSoon(const QLabel* label, const std::function<QPixmap()>& expected) {
        return waitFor([&] {
            const QPixmap wanted = expected();
            return !wanted.isNull() && label->pixmap().cacheKey() == wanted.cacheKey();
        });
    }
    QPixmap decoded(const QString& path, int side, int radius) const {
        return inspector()->artworkImages().image(path, side, radius);
    }

    DesktopRecorder desktop;
    fs::path cover;
};

TEST_F(Inspector, FollowsTheLoadedSample) {
    startWithPacks();
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->width(), 300);
    EXPECT_EQ(panel()->titleLabel()->text(), QStringLiteral("Guide & Shortcuts"));
    EXPECT_FALSE(inspector()->inspectorActive());

    const int row = rowOf("Pack A", "Kick.wav");
    controller->player()->preview(row);
    EXPECT_EQ(panel()->titleLabel()->text(), QStringLiteral("Sample Info"));
    EXPECT_TRUE(inspector()->inspectorActive());
    EXPECT_EQ(view()->nameLabel()->text(), QStringLiteral("Kick.wav"));
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    const QString path = q(libraryFolder / "Pack A" / "Kick.wav");
    const QString onDrive = path.mid(q(home->root()).size());
    EXPECT_EQ(view()->detailsLabel()->text(),
              QStringLiteral("Sample Rate   22.1 kHz\nBit Depth       24-bit\nChannels       "
                             "Stereo\nFile Type       WAV\nFile Size        %1\n\nDrive\nStudio\n\n"
                             "Path\n%2")
                  .arg(SVFileDetailsReader::byteCountText(
                           fs::file_size(libraryFolder / "Pack A" / "Kick.wav")),
                       onDrive));
    EXPECT_EQ(view()->detailsLabel()->toolTip(), path);
    EXPECT_EQ(inspector()->inspectorFolderPath(), q(libraryFolder / "Pack A"));
    EXPECT_EQ(inspector()->inspectorVolumePath(), q(home->root()));
    EXPECT_TRUE(view()->revealButton()->isEnabled());
    EXPECT_TRUE(view()->folderButton()->isEnabled());
    EXPECT_TRUE(view()->driveButton()->isEnabled());

    // The cover arrives at the well's size; a pack without one shows its letter.
    EXPECT_TRUE(showsSoon(view()->artworkWell(), [&] { return decoded(q(cover), 240, 22); }));
    controller->player()->preview(rowOf("Pack B", "Snare.wav"));
    EXPECT_EQ(view()->artworkWell()->pixmap().cacheKey(),
              inspector()
                  ->placeholderArtworkForSample(
                      browser()->rows()[static_cast<std::size_t>(rowOf("Pack B", "Snare.wav"))])
                  .cacheKey());
}

TEST_F(Inspector, SelectingQuicklyShowsTheLastSampleOnly) {
    startWithPacks();
    const std::uint64_t before = inspector()->detailsShownCount();
    for (int round = 0; round < 5; ++round) {
        for (int row = 0; row < 4; ++row)
            inspector()->updateInspectorForSample(browser()->rows()[static_cast<std::size_t>(row)]);
    }
    const sv::Sample last = browser()->rows()[3];
    ASSERT_TRUE(waitFor([&] { return inspector()->detailsShownCount() > before; }));
    inspector()->waitForDetails();
    QTest::qWait(50);
    EXPECT_EQ(inspector()->detailsShownCount(), before + 1);
    EXPECT_TRUE(view()->detailsLabel()->text().endsWith(q(last.path).mid(q(home->root()).size())));
    EXPECT_EQ(view()->detailsLabel()->toolTip(), q(last.path));
    EXPECT_EQ(view()->nameLabel()->text(), QString::fromStdString(last.filename));
}

TEST_F(Inspector, LocationActionsAndWhatTheySayWhenUnavailable) {
    startWithPacks();
    const int row = rowOf("Pack B", "Kick.wav");
    const sv::Sample sample = browser()->rows()[static_cast<std::size_t>(row)];
    inspector()->updateInspectorForSample(sample);
    view()->revealButton()->click();
    view()->folderButton()->click();
    view()->driveButton()->click();
    EXPECT_EQ(desktop.revealed, QStringList{q(sample.path)});
    EXPECT_EQ(desktop.opened, (QStringList{q(libraryFolder / "Pack B"), q(home->root())}));

    // The file goes, then its folder: the buttons follow and each action says why it did
    // nothing. The drive stays.
    fs::remove_all(libraryFolder / "Pack B");
    struct Case {
        void (SVInspector::*action)();
        const char* status;
    };
    const Case cases[] = {{&SVInspector::revealInspectorSample, "Sample file is unavailable"},
                          {&SVInspector::openInspectorFolder, "Containing folder is unavailable"}};
    for (const Case& c : cases) {
        browser()->setStatusText(QString());
        (inspector()->*c.action)();
        EXPECT_EQ(browser()->statusText().toStdString(), c.status);
    }
    EXPECT_FALSE(view()->revealButton()->isEnabled());
    EXPECT_FALSE(view()->folderButton()->isEnabled());
    EXPECT_TRUE(view()->driveButton()->isEnabled());
    inspector()->openInspectorDrive();
    EXPECT_EQ(desktop.opened.size(), 3);

    // A sample on a drive that is not there.
    sv::Sample away = sample;
    away.path = "/media/nobody-here/Ext/Packs/a.wav";
    inspector()->setVolumeLookup(SVVolumeLookup([] { return sv::MountTable(); }, {}));
    inspector()->updateInspectorForSample(away);
    EXPECT_EQ(inspector()->inspectorVolumePath(), QStringLiteral("/media/nobody-here/Ext"));
    inspector()->openInspectorDrive();
    EXPECT_EQ(browser()->statusText(), QStringLiteral("Sample drive is unavailable"));
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    EXPECT_TRUE(view()->detailsLabel()->text().endsWith(
        QStringLiteral("File Size        —\n\nDrive\nExt\n\nPath\n/Packs/a.wav")));
    EXPECT_EQ(desktop.revealed.size(), 1);
    EXPECT_EQ(desktop.opened.size(), 3);
}

TEST_F(Inspector, RowsShowArtworkOrAvatarAndThePackLink) {
    startWithPacks();
    const int coverRow = rowOf("Pack A", "Snare.wav");
    const int plainRow = rowOf("Pack B", "Snare.wav");
    SVSampleCell* withCover = browser()->sampleCellForRow(coverRow);
    SVSampleCell* plain = browser()->sampleCellForRow(plainRow);
    ASSERT_TRUE(withCover && plain);
    EXPECT_TRUE(showsSoon(withCover->artworkView(), [&] { return decoded(q(cover), 40, 6); }));
    const sv::Sample plainSample = browser()->rows()[static_cast<std::size_t>(plainRow)];
    EXPECT_EQ(plain->artworkView()->pixmap().cacheKey(),
              inspector()->sampleAvatarForSample(plainSample, false).cacheKey());
    // The library "Samples" is generic: each row links the pack folder right below it.
    ASSERT_FALSE(plain->metadataLinks().empty());
    const SVMetadataLink* pack = plain->metadataLinks().back();
    EXPECT_EQ(pack->metadataRole(), QStringLiteral("pack"));
    EXPECT_EQ(pack->metadataValue(), QStringLiteral("Pack B"));
    EXPECT_EQ(pack->packPath(), q(libraryFolder / "Pack B"));

    // Selecting the row lights its avatar.
    browser()->table()->selectRows({plainRow});
    EXPECT_EQ(plain->artworkView()->pixmap().cacheKey(),
              inspector()->sampleAvatarForSample(plainSample, true).cacheKey());

    // A refresh reuses the decoded artwork: nothing is decoded again.
    const std::uint64_t decodes = inspector()->artworkImages().decodeCount();
    for (int i = 0; i < 3; ++i)
        browser()->refresh();
    EXPECT_EQ(inspector()->artworkImages().decodeCount(), decodes);

    // Artwork chosen for Pack B reaches its rows without a refresh.
    const fs::path chosen = writeImage(home->root() / "b.png", QColor(200, 60, 90));
    ASSERT_TRUE(
        inspector()->storeArtworkURL(QUrl::fromLocalFile(q(chosen)), q(libraryFolder / "Pack B")));
    plain = browser()->sampleCellForRow(plainRow);
    const QString stored = inspector()->folderArtwork().chosenArtwork(q(libraryFolder / "Pack B"));
    EXPECT_TRUE(showsSoon(plain->artworkView(), [&] { return decoded(stored, 40, 6); }));
    EXPECT_TRUE(inspector()->removeFolderArtwork(q(libraryFolder / "Pack B")));
    // (The refreshes above cleared the selection.)
    EXPECT_TRUE(showsSoon(plain->artworkView(),
                          [&] { return inspector()->sampleAvatarForSample(plainSample, false); }));
}

TEST_F(Inspector, TheArtworkWellTakesAClickOrADrop) {
    startWithPacks();
    const sv::Sample sample =
        browser()->rows()[static_cast<std::size_t>(rowOf("Pack B", "Kick.wav"))];
    inspector()->updateInspectorForSample(sample);
    const QString folder = q(libraryFolder / "Pack B");

    // The accessible press does what a click does; a cancelled choice changes nothing.
    QAccessibleInterface* well = QAccessible::queryAccessibleInterface(view()->artworkWell());
    ASSERT_NE(well, nullptr);
    EXPECT_EQ(well->role(), QAccessible::Button);
    EXPECT_EQ(well->text(QAccessible::Name), QStringLiteral("Pack artwork"));
    ASSERT_NE(well->actionInterface(), nullptr);
    well->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(desktop.choices, 1);
    EXPECT_FALSE(inspector()->hasFolderArtwork(folder));

    desktop.nextChoice = q(home->writeFile("not-an-image.png", "plain text"));
    QTest::keyClick(view()->artworkWell(), Qt::Key_Return);
    EXPECT_EQ(desktop.choices, 2);
    EXPECT_FALSE(inspector()->hasFolderArtwork(folder));

    desktop.nextChoice = q(writeImage(home->root() / "chosen.jpg", QColor(230, 160, 40)));
    QTest::mouseClick(view()->artworkWell(), Qt::LeftButton);
    EXPECT_EQ(desktop.choices, 3);
    EXPECT_TRUE(inspector()->hasFolderArtwork(folder));
    EXPECT_TRUE(
        inspector()->artworkPathForSample(sample).startsWith(SVFolderArtwork::artworkDirectory()));

    // A drop of one image file stores it; two files are refused.
    const fs::path dropped = writeImage(home->root() / "dropped.png", QColor(90, 200, 120));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(q(dropped))});
    EXPECT_TRUE(enterAndDrop(view()->artworkWell(), &data));
    EXPECT_TRUE(inspector()->artworkPathForSample(sample).endsWith(QStringLiteral(".png")));
    const QString afterDrop = inspector()->artworkPathForSample(sample);
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(q(dropped)), QUrl::fromLocalFile(q(cover))});
    EXPECT_FALSE(enterAndDrop(view()->artworkWell(), &two));
    EXPECT_EQ(inspector()->artworkPathForSample(sample), afterDrop);
}

TEST_F(Inspector, EveryControlHasANameAndTextsStayReadable) {
    startWithPacks();
    controller->player()->preview(0);
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    for (QAbstractButton* button : panel()->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || !button->isEnabled())
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        const QString name = accessible->text(QAccessible::Name);
        EXPECT_GT(name.size(), 3) << button->metaObject()->className() << " '"
                                  << button->text().toStdString() << "'";
    }
    for (QLabel* label : {view()->nameLabel(), view()->detailsLabel()}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
        EXPECT_EQ(accessible->text(QAccessible::Name), label->text());
        EXPECT_FALSE(accessible->text(QAccessible::Description).isEmpty());
    }
}

TEST_F(Inspector, LongNamesAndPathsStayInsideThePanel) {
    startWithPacks();
    sv::Sample sample = browser()->rows()[0];
    sample.filename = std::string(160, 'W') + ".wav";
    sample.path = (home->root() / std::string(150, 'P') / sample.filename).string();
    inspector()->updateInspectorForSample(sample);
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    QTest::qWait(20);
    const QRect inside = panel()->rect();
    for (QWidget* widget :
         {static_cast<QWidget*>(view()->nameLabel()), static_cast<QWidget*>(view()->detailsLabel()),
          static_cast<QWidget*>(view()->driveButton())}) {
        const QRect shown(widget->mapTo(panel(), QPoint(0, 0)), widget->size());
        EXPECT_LE(shown.right(), inside.right()) << widget->metaObject()->className();
    }
    EXPECT_EQ(panel()->width(), 300);
}

TEST_F(Inspector, CollapsedPanelIsANarrowStrip) {
    startWithPacks();
    EXPECT_EQ(panel()->width(), 300);
    panel()->collapseButton()->click();
    EXPECT_TRUE(SVSettings::open().value("SVHelpCollapsed").toBool());
    EXPECT_EQ(panel()->width(), 55);
    EXPECT_FALSE(panel()->titleLabel()->isVisible());
    EXPECT_EQ(panel()->collapseButton()->accessibleName(), QStringLiteral("Expand side panel"));
    panel()->collapseButton()->click();
    EXPECT_EQ(panel()->width(), 300);
    // Narrow windows and the Compact Vertical layout have no side panel.
    controller->switchLayout(0);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(Inspector, Screenshots) {
    startWithPacks();
    SVWaveformView::waitUntilIdleWithTimeout(10);
    controller->player()->preview(rowOf("Pack A", "Kick.wav"));
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    EXPECT_TRUE(showsSoon(view()->artworkWell(), [&] { return decoded(q(cover), 240, 22); }));
    EXPECT_TRUE(showsSoon(browser()->sampleCellForRow(rowOf("Pack A", "Snare.wav"))->artworkView(),
                          [&] { return decoded(q(cover), 40, 6); }));
    EXPECT_TRUE(controller->window()->grab().save(pngPath("inspector-cover.png")));
    controller->player()->preview(rowOf("Pack B", "Snare.wav"));
    ASSERT_TRUE(waitFor([this] { return detailsArrived(); }));
    QTest::qWait(50);
    EXPECT_TRUE(controller->window()->grab().save(pngPath("inspector-placeholder.png")));
    controller->switchLayout(0);
    QTest::qWait(80);
    EXPECT_TRUE(controller->window()->grab().save(pngPath("inspector-compact-rows.png")));
}

}  // namespace
}  // namespace svapp_test
