// Screen readers and keyboard users meet the window through the accessibility interfaces: every
// control they can reach has a name made of words, and acting through those interfaces does what
// a click or typing does.

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/featured/featured_sets.h"
#include "app/player/player_bar.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/waveform_view.h"
#include "app/sidebar/playlist_list.h"
#include "app/window/main_window.h"
#include "audio/playback/audio_output.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

// Roles of things a person operates, as opposed to text, pictures and containers.
bool isControlRole(QAccessible::Role role) {
    switch (role) {
        case QAccessible::Button:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::Slider:
        case QAccessible::SpinBox:
        case QAccessible::Dial:
        case QAccessible::ScrollBar:
        case QAccessible::List:
        case QAccessible::ListItem:
        case QAccessible::Table:
        case QAccessible::Cell:
        case QAccessible::Tree:
        case QAccessible::TreeItem:
        case QAccessible::PageTab:
        case QAccessible::Link:
        case QAccessible::MenuItem:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::ButtonDropGrid:
        case QAccessible::HotkeyField:
        case QAccessible::Grip:
            return true;
        default:
            return false;
    }
}

bool hasActions(QAccessibleInterface* iface) {
    QAccessibleActionInterface* actions = iface->actionInterface();
    if (!actions)
        return false;
    QStringList names = actions->actionNames();
    names.removeAll(QAccessibleActionInterface::setFocusAction());
    return !names.isEmpty();
}

// A custom-drawn widget that shows the pointer of something to click or grab.
bool looksClickable(const QWidget* widget) {
    if (!widget->testAttribute(Qt::WA_SetCursor))
        return false;
    const Qt::CursorShape shape = widget->cursor().shape();
    return shape == Qt::PointingHandCursor || shape == Qt::OpenHandCursor;
}

// A name a screen reader can say: at least one letter or digit, not only "▶", "♥" or "✕".
bool isSpokenName(const QString& name) {
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

std::string describe(const QWidget* widget, QAccessibleInterface* iface) {
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    else if (const auto* field = qobject_cast<const QLineEdit*>(widget))
        text = field->placeholderText();
    return QStringLiteral("%1 \"%2\" text \"%3\" tooltip \"%4\" role %5 name \"%6\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text,
             widget->toolTip())
        .arg(static_cast<int>(iface->role()))
        .arg(iface->text(QAccessible::Name))
        .toStdString();
}

// Every enabled, visible control of `window` without a spoken name, found both by walking its
// widgets and by walking its accessibility tree (which also holds list items, table cells and
// menu items that are no widgets).
std::vector<std::string> unnamedControls(QWidget* window) {
    std::vector<std::string> problems;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || !widget->isEnabled() || widget->window() != window)
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        if (!iface)
            continue;
        const bool control = isControlRole(iface->role()) || hasActions(iface) ||
                             (widget->focusPolicy() & Qt::TabFocus) || looksClickable(widget);
        if (control && !isSpokenName(iface->text(QAccessible::Name)))
            problems.push_back(describe(widget, iface));
    }

    const std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* iface,
                                                                     int depth) {
        if (!iface || !iface->isValid() || depth > 40)
            return;
        const QAccessible::State state = iface->state();
        if (state.invisible || state.disabled)
            return;
        // Widgets were looked at above; here only what has no widget of its own.
        if (!iface->object() || !iface->object()->isWidgetType()) {
            if (isControlRole(iface->role()) && !isSpokenName(iface->text(QAccessible::Name)))
                problems.push_back(
                    QStringLiteral("item of role %1 under \"%2\"")
                        .arg(static_cast<int>(iface->role()))
                        .arg(iface->parent() ? iface->parent()->text(QAccessible::Name) : QString())
                        .toStdString());
        }
        for (int i = 0; i < iface->childCount(); ++i)
            walk(iface->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0);
    return problems;
}

class Accessibility : public AppTest {
  protected:
    void SetUp() override {
        SVAudioOutput::forceSilentOutput(true);
        AppTest::SetUp();
    }

    // Real short WAV files scanned into a library, a playlist holding the first, the window.
    void startPopulated(int count = 6) {
        const auto audio = sv::testing::sine(0.4, 22050, 330.0);
        sv::testing::WavOptions options;
        options.sampleRate = 22050;
        for (int i = 0; i < count; ++i)
            sv::testing::writeWav(libraryFolder / ("Bass Loop " + std::to_string(i) + ".wav"),
                                  audio, options);
        startApp();
        controller->scanRoots({libraryFolder}, false);
        ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
        QCoreApplication::processEvents();
        browser()->refresh();
        ASSERT_EQ(static_cast<int>(browser()->rows().size()), count);
        sv::Database& db = controller->database();
        playlistId = db.createPlaylist("Drums");
        db.addToPlaylist(playlistId, browser()->rows()[0].id);
        controller->playlists()->reloadPlaylists();
        // Featured cards for the folder and the playlist, shown over the results in Desktop.
        controller->featuredSets()->addFolderToFeatured(
            QString::fromStdString(libraryFolder.string()));
        controller->featuredSets()->addPlaylistToFeatured(playlistId, QStringLiteral("Drums"));
    }

    void loadPlayer() {
        controller->player()->loadSampleAtIndex(0, false);
        ASSERT_TRUE(waitFor([this] {
            return controller->player()->currentSample().has_value() &&
                   controller->playerBar()->waveform()->duration() > 0.0;
        }));
    }

    SVResultsBrowser* browser() const { return controller->browser(); }
    QString fileName(int row) const {
        return QString::fromStdString(browser()->rows()[static_cast<std::size_t>(row)].filename);
    }
    static QAccessibleActionInterface* actionsOf(QObject* object) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
        return iface ? iface->actionInterface() : nullptr;
    }
    void expectAllNamed(const char* where) {
        SCOPED_TRACE(where);
        QCoreApplication::processEvents();
        for (const std::string& problem : unnamedControls(controller->window()))
            ADD_FAILURE() << "control without a spoken name: " << problem;
    }

    std::int64_t playlistId = 0;
};

TEST_F(Accessibility, EveryControlOfAPopulatedWindowHasASpokenName) {
    startPopulated(16);
    loadPlayer();
    controller->window()->resize(1536, 770);
    QCoreApplication::processEvents();
    ASSERT_TRUE(browser()->table()->verticalScrollBar()->isVisible()) << "more rows than fit";
    expectAllNamed("Desktop");
    browser()->table()->selectRows({1, 2});
    browser()->filenameSortPressed();
    waitFor([this] { return browser()->header()->filenameButton()->text().contains(u'▲'); });
    expectAllNamed("Desktop, sorted, rows selected");

    controller->switchLayout(0);
    waitFor([this] { return controller->currentLayoutMode() == 0; });
    expectAllNamed("Compact Vertical");

    SVBrowseScope libraries;
    libraries.libraryMode = true;
    browser()->setScope(libraries);
    browser()->refresh();
    controller->switchLayout(1);
    expectAllNamed("Libraries view");
}

TEST_F(Accessibility, RowControlsNameTheFileTheyActOn) {
    startPopulated(3);
    SVSampleCell* cell = browser()->sampleCellForRow(1);
    ASSERT_TRUE(cell);
    const QString file = fileName(1);
    EXPECT_EQ(cell->playButton()->accessibleName(), QStringLiteral("Play ") + file);
    EXPECT_EQ(cell->selectionBox()->accessibleName(), QStringLiteral("Select ") + file);
    EXPECT_EQ(cell->favoriteButton()->accessibleName(),
              QStringLiteral("Add %1 to Favorites").arg(file));
    EXPECT_EQ(cell->nameButton()->accessibleName(), file);

    QAccessibleActionInterface* favorite = actionsOf(cell->favoriteButton());
    ASSERT_TRUE(favorite);
    favorite->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(waitFor([this] { return browser()->rows()[1].favorite; }));
    EXPECT_EQ(browser()->sampleCellForRow(1)->favoriteButton()->accessibleName(),
              QStringLiteral("Remove %1 from Favorites").arg(file));
    browser()->sampleCellForRow(1)->setPlaying(true);
    EXPECT_EQ(browser()->sampleCellForRow(1)->playButton()->accessibleName(),
              QStringLiteral("Pause ") + file);
}

TEST_F(Accessibility, ActingThroughTheInterfacesDoesWhatAClickDoes) {
    startPopulated(4);
    SVResultsTable* table = browser()->table();

    // A row's selection box toggles the row's selection, as a click does.
    for (const QString& action :
         {QAccessibleActionInterface::toggleAction(), QAccessibleActionInterface::pressAction()}) {
        SCOPED_TRACE(action.toStdString());
        table->selectRows({});
        QCheckBox* box = browser()->sampleCellForRow(2)->selectionBox();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->role(), QAccessible::CheckBox);
        EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Select ") + fileName(2));
        iface->actionInterface()->doAction(action);
        EXPECT_EQ(table->selectedRows(), std::set<int>{2});
        EXPECT_TRUE(iface->state().checked);
        iface->actionInterface()->doAction(action);
        EXPECT_TRUE(table->selectedRows().empty());
    }

    // A layout switch button switches the layout.
    SVMainWindow* window = controller->window();
    ASSERT_EQ(controller->currentLayoutMode(), 1);
    actionsOf(window->layoutSwitchButton(0))->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(controller->currentLayoutMode(), 0);
    EXPECT_TRUE(window->layoutSwitchButton(0)->isChecked());
    EXPECT_FALSE(window->layoutSwitchButton(1)->isChecked());
    actionsOf(window->layoutSwitchButton(1))->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(controller->currentLayoutMode(), 1);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->layoutSwitchButton(1))
                  ->text(QAccessible::Name),
              QStringLiteral("Desktop"));

    // Selecting a playlist's item opens the playlist.
    SVPlaylistList* playlists = controller->playlists();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(playlists);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Playlists"));
    QAccessibleInterface* item = nullptr;
    for (int i = 0; i < list->childCount() && !item; ++i) {
        QAccessibleInterface* child = list->child(i);
        if (child && child->role() == QAccessible::ListItem &&
            child->text(QAccessible::Name) == QStringLiteral("Drums"))
            item = child;
    }
    ASSERT_TRUE(item);
    item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(waitFor([this] { return browser()->scope().playlistId == playlistId; }));
    ASSERT_TRUE(waitFor([this] { return browser()->rows().size() == 1u; }));

    // A waveform is a slider over the seconds: setting it seeks as a click does.
    browser()->setScope({});
    browser()->refresh();
    controller->player()->loadSampleAtIndex(0, false);
    SVWaveformView* waveform = controller->playerBar()->waveform();
    ASSERT_TRUE(waitFor([waveform] { return waveform->canSeek(); }));
    QSignalSpy seeked(waveform, &SVWaveformView::seeked);
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(waveform);
    ASSERT_TRUE(slider && slider->valueInterface());
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    slider->valueInterface()->setCurrentValue(waveform->duration() / 2);
    ASSERT_EQ(seeked.count(), 1);
    EXPECT_NEAR(seeked.front().front().toDouble(), waveform->duration() / 2, 1e-9);
    EXPECT_NEAR(slider->valueInterface()->currentValue().toDouble(), waveform->duration() / 2,
                1e-9);
}

// Text given to the search field through the accessibility interface searches as typing does:
// the clear button shows at once, one refresh follows 0.1 s after the last change, and the edit
// joins the field's undo history.
TEST_F(Accessibility, SettingTheSearchTextSearchesAsTypingDoes) {
    startPopulated(4);
    sv::testing::writeWav(libraryFolder / "Kick Hard.wav", sv::testing::sine(0.2, 22050, 60.0));
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(waitFor([this] { return !controller->maintenanceScanning(); }, 60000));
    QCoreApplication::processEvents();
    browser()->refresh();
    ASSERT_EQ(browser()->rows().size(), 5u);

    QLineEdit* field = browser()->searchField();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(field);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Search samples"));
    const std::uint64_t before = browser()->queryGeneration();
    iface->setText(QAccessible::Value, QStringLiteral("Ki"));
    iface->setText(QAccessible::Value, QStringLiteral("Kick"));
    EXPECT_TRUE(browser()->clearButton()->isVisibleTo(browser()));
    EXPECT_EQ(browser()->queryGeneration(), before) << "waits for the pause after typing";
    ASSERT_TRUE(waitFor([this] { return browser()->rows().size() == 1u; }, 2000));
    EXPECT_EQ(browser()->queryGeneration(), before + 1);

    ASSERT_TRUE(iface->textInterface());
    EXPECT_EQ(iface->textInterface()->text(0, 4), QStringLiteral("Kick"));
    ASSERT_TRUE(iface->editableTextInterface());
    iface->editableTextInterface()->deleteText(0, 4);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(browser()->clearButton()->isVisibleTo(browser()));
    ASSERT_TRUE(waitFor([this] { return browser()->rows().size() == 5u; }, 2000));

    iface->editableTextInterface()->insertText(0, QStringLiteral("Kic"));
    ASSERT_TRUE(waitFor([this] { return browser()->rows().size() == 1u; }, 2000));
    EXPECT_TRUE(field->isUndoAvailable());
}

}  // namespace
}  // namespace svapp_test
