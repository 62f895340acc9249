#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/dragdrop/artwork_drop_view.h"
#include "app/dragdrop/drag_and_drop.h"
#include "app/dragdrop/drop_view.h"
#include "app/dragdrop/file_drag_view.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/waveform_view.h"
#include "app/sidebar/playlist_list.h"
#include "app/window/main_window.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

namespace fs = std::filesystem;
using sv::testing::sine;
using sv::testing::writeWav;

class DragAndDrop : public AppTest {
  protected:
    fs::path wav(const std::string& name) {
        return writeWav(libraryFolder / name, sine(0.05, 44100, 440.0));
    }
    fs::path folder(const std::string& name) {
        const fs::path path = home->root() / name;
        fs::create_directories(path);
        return path;
    }
};

// Records the drags a source starts instead of running the platform's drag loop.
struct DragRecorder {
    std::vector<QList<QUrl>> drags;
    QSize pixmapSize;
    QPoint hotSpot;
    SVDragAndDrop::DragStarter starter() {
        return [this](QWidget*, SVDragAndDrop::DragRequest request) {
            drags.push_back(request.mimeData->urls());
            pixmapSize = request.pixmap.size();
            hotSpot = request.hotSpot;
        };
    }
};

std::unique_ptr<QMimeData> urlData(const std::vector<fs::path>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const fs::path& path : paths)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    data->setUrls(urls);
    return data;
}

void sendMouse(QWidget* target, QEvent::Type type, QPointF position, Qt::MouseButtons buttons) {
    QMouseEvent event(type, position, target->mapToGlobal(position), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Enters `view` with the drag and drops it; returns whether the entry was accepted.
bool enterAndDrop(QWidget* view, const QMimeData* data, QPoint at = QPoint(10, 10)) {
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    return enter.isAccepted();
}

TEST_F(DragAndDrop, RowDragDataIsAllOrNothing) {
    const std::string one = wav("one.wav").string();
    const std::string two = wav("two.wav").string();
    const std::string three = wav("three.wav").string();

    const auto single = SVDragAndDrop::mimeDataForPath(one);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(one))});

    const auto several = SVDragAndDrop::mimeDataForPaths({one, two, three});
    ASSERT_TRUE(several);
    EXPECT_TRUE(several->hasFormat(QStringLiteral("text/uri-list")));
    const QList<QUrl> urls = several->urls();
    ASSERT_EQ(urls.size(), 3);
    EXPECT_EQ(urls[0].toLocalFile().toStdString(), one);
    EXPECT_EQ(urls[1].toLocalFile().toStdString(), two);
    EXPECT_EQ(urls[2].toLocalFile().toStdString(), three);

    fs::remove(two);
    EXPECT_FALSE(SVDragAndDrop::mimeDataForPaths({one, two, three}));
    EXPECT_FALSE(SVDragAndDrop::physicalFileURL(two));
    EXPECT_FALSE(SVDragAndDrop::physicalFileURL(libraryFolder.string()));
    EXPECT_FALSE(SVDragAndDrop::physicalFileURL(std::string("Samples/one.wav")));
    EXPECT_FALSE(SVDragAndDrop::physicalFileURL(std::string()));
}

TEST_F(DragAndDrop, HandleStartsDragAfterThreePixels) {
    const fs::path file = wav("loop.wav");
    SVFileDragView handle;
    handle.resize(64, 44);
    DragRecorder recorder;
    handle.setDragStarter(recorder.starter());
    handle.setFileURL(QUrl::fromLocalFile(QString::fromStdString(file.string())));

    sendMouse(&handle, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    sendMouse(&handle, QEvent::MouseMove, {22, 20}, Qt::LeftButton);
    sendMouse(&handle, QEvent::MouseButtonRelease, {22, 20}, Qt::NoButton);
    EXPECT_TRUE(recorder.drags.empty());

    sendMouse(&handle, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    sendMouse(&handle, QEvent::MouseMove, {22, 22}, Qt::LeftButton);  // 2.83 px
    EXPECT_TRUE(recorder.drags.empty());
    sendMouse(&handle, QEvent::MouseMove, {23, 20}, Qt::LeftButton);
    ASSERT_EQ(recorder.drags.size(), 1u);
    EXPECT_EQ(recorder.drags[0], QList<QUrl>{handle.fileURL()});
    EXPECT_EQ(recorder.pixmapSize, QSize(32, 32));
    EXPECT_EQ(recorder.hotSpot, QPoint(16, 16));

    // A file deleted after loading is not dragged.
    fs::remove(file);
    sendMouse(&handle, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    sendMouse(&handle, QEvent::MouseMove, {30, 20}, Qt::LeftButton);
    EXPECT_EQ(recorder.drags.size(), 1u);
}

TEST_F(DragAndDrop, WindowTakesOnlyExternalFolderDrags) {
    SVDropView view;
    view.resize(400, 300);
    view.show();
    QStringList dropped;
    int calls = 0;
    view.setDropHandler([&](const QStringList& folders) {
        dropped = folders;
        ++calls;
    });
    const fs::path drums = folder("Drums");
    const fs::path keys = folder("Keys");
    const auto folders = urlData({drums, keys});

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, folders.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(view.overlay()->isVisible());
    EXPECT_TRUE(enterAndDrop(&view, folders.get()));
    EXPECT_FALSE(view.overlay()->isVisible());
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(dropped, QStringList({QString::fromStdString(drums.string()),
                                    QString::fromStdString(keys.string())}));

    const auto mixed = urlData({drums, wav("hit.wav")});
    EXPECT_FALSE(enterAndDrop(&view, mixed.get()));
    EXPECT_FALSE(view.overlay()->isVisible());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(SVDropView::dragContainsFolder(mixed.get()));

    // A drag that began inside the application never qualifies.
    EXPECT_TRUE(SVDropView::isExternalFolderDrag(folders.get(), false));
    EXPECT_FALSE(SVDropView::isExternalFolderDrag(folders.get(), true));
}

TEST_F(DragAndDrop, PlaylistTakesOnlyCataloguedFiles) {
    sv::Database db(sv::Database::defaultPath());
    const std::int64_t libraryId = db.addLibrary(libraryFolder.string());
    const fs::path known = wav("known.wav");
    sv::Sample sample;
    sample.filename = known.filename().string();
    sample.path = known.string();
    sample.library = "Samples";
    db.upsert(sample, libraryId);
    const fs::path stranger = wav("stranger.wav");
    db.createPlaylist("Drums");

    SVPlaylistList list(db);
    list.resize(246, 260);
    list.show();
    list.reloadPlaylists();
    ASSERT_EQ(list.count(), 1);

    const auto strangerOnly = urlData({stranger});
    EXPECT_FALSE(list.acceptDrop(strangerOnly->urls(), 0));
    EXPECT_FALSE(list.validateDrop(strangerOnly->urls(), 1));
    EXPECT_FALSE(list.validateDrop({}, 0));

    const auto both = urlData({stranger, known});
    EXPECT_TRUE(list.validateDrop(both->urls(), 0));
    enterAndDrop(list.viewport(), both.get(), list.visualItemRect(list.item(0)).center());
    ASSERT_EQ(list.playlists().size(), 1u);
    EXPECT_EQ(list.playlists()[0].sampleCount, 1);
}

TEST_F(DragAndDrop, ArtworkWellTakesExactlyOneFile) {
    SVArtworkDropView well;
    well.resize(120, 120);
    QStringList received;
    well.setImageDropHandler([&](const QString& path) { received.append(path); });
    const fs::path cover = home->writeFile("cover.png", "png");
    const fs::path back = home->writeFile("back.png", "png");

    const auto two = urlData({cover, back});
    EXPECT_FALSE(enterAndDrop(&well, two.get()));
    EXPECT_TRUE(received.isEmpty());
    const auto one = urlData({cover});
    EXPECT_TRUE(enterAndDrop(&well, one.get()));
    EXPECT_EQ(received, QStringList{QString::fromStdString(cover.string())});
}

TEST_F(DragAndDrop, TableDragsSelectedRowsUnlessRefused) {
    SVResultsTable table;
    table.resize(400, 300);
    table.show();
    table.reloadData(4, 56);
    std::vector<int> clicks;
    QObject::connect(&table, &SVResultsTable::rowClicked,
                     [&](int row, Qt::KeyboardModifiers) { clicks.push_back(row); });
    std::vector<std::set<int>> requested;
    const std::string path = wav("row.wav").string();
    table.setDragProvider([&](const std::set<int>& rows) {
        requested.push_back(rows);
        return SVDragAndDrop::mimeDataForPath(path);
    });
    bool refuse = false;
    table.setDragRefusal([&](QPoint) { return refuse; });
    DragRecorder recorder;
    table.setDragStarter(recorder.starter());
    QWidget* viewport = table.viewport();
    const int far = QApplication::startDragDistance() + 1;

    sendMouse(viewport, QEvent::MouseButtonPress, {50, 70}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, {50, 70}, Qt::NoButton);
    EXPECT_EQ(clicks, std::vector<int>{1});
    EXPECT_TRUE(requested.empty());

    table.selectRows({0, 2});
    sendMouse(viewport, QEvent::MouseButtonPress, {50, 120}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, {50.0 + far, 120}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonPress, {50, 180}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, {50.0 + far, 180}, Qt::LeftButton);
    EXPECT_EQ(requested, (std::vector<std::set<int>>{{0, 2}, {3}}));
    EXPECT_EQ(recorder.drags.size(), 2u);

    refuse = true;
    sendMouse(viewport, QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, {50.0 + far, 10}, Qt::LeftButton);
    EXPECT_EQ(requested.size(), 2u);
    EXPECT_EQ(recorder.drags.size(), 2u);
}

// Presses go to the widget under the pointer, not to the table: the row's words and empty parts
// start the drag, its controls keep their presses.
TEST_F(DragAndDrop, RowDragsStartFromAnyPartButTheControls) {
    for (int i = 0; i < 3; ++i)
        wav("Row " + std::to_string(i) + ".wav");
    {
        sv::Database db(sv::Database::defaultPath());
        const std::int64_t library = db.addLibrary(libraryFolder.string());
        for (int i = 0; i < 3; ++i) {
            sv::Sample sample;
            sample.filename = "Row " + std::to_string(i) + ".wav";
            sample.path = (libraryFolder / sample.filename).string();
            sample.library = "Samples";
            sample.instrument = "Bass";
            sample.genre = "trap";
            sample.type = sv::SampleType::Loop;
            sample.duration = 2.0;
            db.upsert(sample, library);
        }
    }
    startApp();
    SVResultsBrowser* browser = controller->browser();
    SVResultsTable* table = browser->table();
    DragRecorder recorder;
    table->setDragStarter(recorder.starter());
    int previews = 0;
    QObject::connect(browser, &SVResultsBrowser::previewRequested, [&](int) { ++previews; });
    SVSampleCell* cell = browser->sampleCellForRow(1);
    ASSERT_TRUE(cell);
    ASSERT_FALSE(cell->metadataLinks().empty());
    const QUrl rowURL = QUrl::fromLocalFile(QString::fromStdString(browser->rows()[1].path));
    const QPointF far(QApplication::startDragDistance() + 2, 0);

    struct Case {
        const char* part;
        QWidget* widget;
        QPointF at;
        bool drags;
    };
    const auto middle = [](QWidget* w) { return QPointF(w->width() / 2.0, w->height() / 2.0); };
    const Case cases[] = {
        {"name", cell->nameButton(), middle(cell->nameButton()), true},
        {"metadata link", cell->metadataLinks().front(), middle(cell->metadataLinks().front()),
         true},
        {"artwork", cell, QPointF(120, cell->height() / 2.0), true},
        {"free space", cell, QPointF(cell->width() - 4, 4), true},
        {"play button", cell->playButton(), middle(cell->playButton()), false},
        {"favourite", cell->favoriteButton(), middle(cell->favoriteButton()), false},
        {"selection box", cell->selectionBox(), middle(cell->selectionBox()), false},
        {"waveform", cell->waveform(), middle(cell->waveform()), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        recorder.drags.clear();
        table->selectRows({});
        sendMouse(c.widget, QEvent::MouseButtonPress, c.at, Qt::LeftButton);
        sendMouse(c.widget, QEvent::MouseMove, c.at + QPointF(1, 0), Qt::LeftButton);
        EXPECT_TRUE(recorder.drags.empty()) << "within the drag distance";
        sendMouse(c.widget, QEvent::MouseMove, c.at + far, Qt::LeftButton);
        sendMouse(c.widget, QEvent::MouseMove, c.at + far * 2, Qt::LeftButton);
        const int previewsBefore = previews;
        sendMouse(c.widget, QEvent::MouseButtonRelease, c.at + far * 2, Qt::NoButton);
        if (c.drags) {
            ASSERT_EQ(recorder.drags.size(), 1u);
            EXPECT_EQ(recorder.drags[0], QList<QUrl>{rowURL});
            // The drag took the press: the name and the links do not click when it ends.
            EXPECT_EQ(previews, previewsBefore);
        } else {
            EXPECT_TRUE(recorder.drags.empty());
        }
    }
    EXPECT_FALSE(cell->nameButton()->isDown());

    // Links made after the row's cell existed drag too.
    cell->setContent(cell->content());
    QCoreApplication::processEvents();
    recorder.drags.clear();
    QWidget* link = cell->metadataLinks().back();
    sendMouse(link, QEvent::MouseButtonPress, middle(link), Qt::LeftButton);
    sendMouse(link, QEvent::MouseMove, middle(link) + far, Qt::LeftButton);
    sendMouse(link, QEvent::MouseButtonRelease, middle(link) + far, Qt::NoButton);
    EXPECT_EQ(recorder.drags.size(), 1u);
}

// A press on one row of a multi-row selection waits for the release before it selects that row
// alone, so that a drag can take the whole selection.
TEST_F(DragAndDrop, PressOnASelectedRowKeepsTheSelectionForTheDrag) {
    SVResultsTable table;
    table.resize(400, 300);
    table.show();
    table.reloadData(4, 56);
    std::vector<int> clicks;
    QObject::connect(&table, &SVResultsTable::rowClicked, [&](int row, Qt::KeyboardModifiers) {
        clicks.push_back(row);
        table.selectRows({row});
    });
    std::vector<std::set<int>> requested;
    const std::string path = wav("row.wav").string();
    table.setDragProvider([&](const std::set<int>& rows) {
        requested.push_back(rows);
        return SVDragAndDrop::mimeDataForPath(path);
    });
    DragRecorder recorder;
    table.setDragStarter(recorder.starter());
    QWidget* viewport = table.viewport();
    const QPointF far(QApplication::startDragDistance() + 1, 0);

    table.selectRows({1, 3});
    sendMouse(viewport, QEvent::MouseButtonPress, {50, 70}, Qt::LeftButton);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(table.selectedRows(), (std::set<int>{1, 3}));
    sendMouse(viewport, QEvent::MouseMove, QPointF(50, 70) + far, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, QPointF(50, 70) + far, Qt::NoButton);
    EXPECT_EQ(requested, (std::vector<std::set<int>>{{1, 3}}));
    EXPECT_TRUE(clicks.empty());

    // Without a drag the release is the click.
    sendMouse(viewport, QEvent::MouseButtonPress, {50, 180}, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, {50, 180}, Qt::NoButton);
    EXPECT_EQ(clicks, std::vector<int>{3});
    EXPECT_EQ(table.selectedRows(), std::set<int>{3});
}

// The whole window: two folders dropped from the file manager become libraries and are scanned;
// a row of the results drags out as its file.
TEST_F(DragAndDrop, FoldersDroppedOnTheWindowAreScannedAndRowsDragOut) {
    const fs::path drums = folder("Drums");
    const fs::path keys = folder("Keys");
    writeWav(drums / "Kick 01.wav", sine(0.05, 44100, 60.0));
    writeWav(keys / "Rhodes 01.wav", sine(0.05, 44100, 440.0));
    startApp();
    const auto data = urlData({drums, keys});
    EXPECT_TRUE(enterAndDrop(controller->window()->dropView(), data.get()));
    ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 30000));
    controller->refresh();
    SVResultsBrowser* browser = controller->browser();
    ASSERT_EQ(browser->rows().size(), 2u);

    DragRecorder recorder;
    SVResultsTable* table = browser->table();
    table->setDragStarter(recorder.starter());
    QWidget* viewport = table->viewport();
    const QPointF press(60, table->rowHeight() / 2.0);
    sendMouse(viewport, QEvent::MouseButtonPress, press, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, press + QPointF(30, 0), Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, press + QPointF(30, 0), Qt::NoButton);
    ASSERT_EQ(recorder.drags.size(), 1u);
    EXPECT_EQ(recorder.drags[0],
              QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(browser->rows()[0].path))});
}

}  // namespace
}  // namespace svapp_test
