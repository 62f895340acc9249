// Row drags through a real X server: xdotool presses on a part of a result row, moves the
// pointer in several steps onto a window of the test that takes drops, and releases. What that
// window receives is what a music program or file manager would receive.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <filesystem>
#include <vector>

#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/window/main_window.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

// A window of another program, as far as the drag is concerned: it takes file URLs.
class DropTarget : public QWidget {
  public:
    DropTarget() {
        setWindowTitle(QStringLiteral("Drop target"));
        setAcceptDrops(true);
        setGeometry(1560, 120, 300, 300);
    }
    std::vector<QList<QUrl>> drops;
    Qt::DropActions offered;
    Qt::DropAction performed = Qt::IgnoreAction;
    int entries = 0;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        ++entries;
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        drops.push_back(event->mimeData()->urls());
        offered = event->possibleActions();
        event->setDropAction(Qt::CopyAction);
        event->accept();
        performed = event->dropAction();
    }
};

class RowDragX11 : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        addSamples(4, "Drag");
        startApp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
        target.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
        ASSERT_EQ(browser()->rows().size(), 4u);
    }

    SVResultsBrowser* browser() const { return controller->browser(); }
    SVSampleCell* cell(int row) const { return browser()->sampleCellForRow(row); }
    QUrl url(int row) const {
        return QUrl::fromLocalFile(
            QString::fromStdString(browser()->rows()[static_cast<std::size_t>(row)].path));
    }
    static QPoint centreOf(const QWidget* widget) {
        return widget->mapToGlobal(widget->rect().center());
    }
    QPoint targetCentre() const { return centreOf(&target); }

    // Runs xdotool with `arguments` and the event loop until it ends and events settle.
    static void pointer(const QStringList& arguments) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(xdotool.waitForStarted(5000)) << "xdotool is needed for these tests";
        ASSERT_TRUE(waitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
        waitFor([] { return false; }, 300);
    }
    static QStringList at(QPoint point) {
        return {QStringLiteral("mousemove"), QString::number(point.x()),
                QString::number(point.y())};
    }
    static QStringList pause(double seconds) {
        return {QStringLiteral("sleep"), QString::number(seconds)};
    }

    void click(QPoint point) const {
        pointer(at(point) + pause(0.15) +
                QStringList{QStringLiteral("click"), QStringLiteral("1")});
    }

    // Press at `from`, several motion events to the target window, release over it.
    void dragToTarget(QPoint from) const {
        const QPoint to = targetCentre();
        QStringList script = at(from) + pause(0.2) +
                             QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} +
                             pause(0.2);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i) {
            const QPoint step = from + (to - from) * i / steps;
            script += at(step) + pause(0.05);
        }
        script += pause(0.2) + at(to + QPoint(3, 3)) + pause(0.3) +
                  QStringList{QStringLiteral("mouseup"), QStringLiteral("1")};
        pointer(script);
    }

    DropTarget target;
};

TEST_F(RowDragX11, NameDragsItsRowOutAsACopy) {
    ASSERT_TRUE(cell(1));
    dragToTarget(centreOf(cell(1)->nameButton()));
    ASSERT_EQ(target.drops.size(), 1u);
    EXPECT_EQ(target.drops[0], QList<QUrl>{url(1)});
    EXPECT_TRUE(target.offered & Qt::CopyAction);
    EXPECT_EQ(target.performed, Qt::CopyAction);
}

TEST_F(RowDragX11, CheckedRowsDragTogetherFromTheArtwork) {
    click(centreOf(cell(0)->selectionBox()));
    click(centreOf(cell(2)->selectionBox()));
    ASSERT_EQ(browser()->table()->selectedRows(), (std::set<int>{0, 2}));
    // The artwork of a checked row drags every checked row, in row order.
    const QPoint artwork = cell(2)->mapToGlobal(QPoint(120, cell(2)->height() / 2));
    dragToTarget(artwork);
    ASSERT_EQ(target.drops.size(), 1u);
    EXPECT_EQ(target.drops[0], (QList<QUrl>{url(0), url(2)}));
    // The selection survived the press on one of its rows.
    EXPECT_EQ(browser()->table()->selectedRows(), (std::set<int>{0, 2}));

    // A row outside the selection drags alone.
    dragToTarget(centreOf(cell(3)->nameButton()));
    ASSERT_EQ(target.drops.size(), 2u);
    EXPECT_EQ(target.drops[1], QList<QUrl>{url(3)});
}

TEST_F(RowDragX11, CompactRowsDragFromTheirFreeSpace) {
    controller->switchLayout(0);
    ASSERT_TRUE(waitFor([this] { return cell(0) && cell(0)->content().compact; }));
    waitFor([] { return false; }, 300);
    SVSampleCell* row = cell(0);
    // Between the favourite button and the right edge nothing but the row itself.
    dragToTarget(row->mapToGlobal(QPoint(row->width() - 24, row->height() / 2)));
    ASSERT_EQ(target.drops.size(), 1u);
    EXPECT_EQ(target.drops[0], QList<QUrl>{url(0)});
}

TEST_F(RowDragX11, SelectionWithAMissingFileDragsNothing) {
    click(centreOf(cell(0)->selectionBox()));
    click(centreOf(cell(2)->selectionBox()));
    ASSERT_EQ(browser()->table()->selectedRows(), (std::set<int>{0, 2}));
    std::filesystem::remove(browser()->rows()[0].path);
    dragToTarget(cell(2)->mapToGlobal(QPoint(120, cell(2)->height() / 2)));
    EXPECT_TRUE(target.drops.empty());
    EXPECT_EQ(target.entries, 0);
    // Refused, the gesture does not fall back to a click on the pressed row either.
    EXPECT_EQ(browser()->table()->selectedRows(), (std::set<int>{0, 2}));
}

}  // namespace
}  // namespace svapp_test
