// The quick tour: steps over the controls on screen, its buttons and keys, the welcome question
// asked once, and the card's fade.

#include <QAccessible>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "app/dragdrop/drop_view.h"
#include "app/featured/quick_tour.h"
#include "app/featured/quick_tour_card.h"
#include "app/featured/quick_tour_overlay.h"
#include "app/player/player_controller.h"
#include "app/results/results_browser.h"
#include "app/window/main_menu.h"
#include "app/window/main_window.h"
#include "app/window/settings.h"
#include "tests/app/app_fixture.h"

namespace svapp_test {
namespace {

class QuickTour : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        QApplication::setEffectEnabled(Qt::UI_General, false);
    }
    void TearDown() override {
        QApplication::setEffectEnabled(Qt::UI_General, true);
        AppTest::TearDown();
    }
    void startWide() {
        addSamples(8);
        startApp([] { return QRect(0, 0, 1920, 1200); });
        controller->window()->resize(1536, 770);
        QCoreApplication::processEvents();
    }
    SVQuickTour* tour() const { return controller->quickTour(); }
    SVQuickTourCard* card() const { return tour()->card(); }
    QString title() const { return card() ? card()->titleLabel()->text() : QString(); }
    // The titles met by pressing Next from the first step to the end.
    QStringList walk() {
        QStringList titles;
        for (int guard = 0; guard < 20 && tour()->running(); ++guard) {
            titles << title();
            card()->nextButton()->click();
        }
        return titles;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::processEvents();
    }
};

TEST_F(QuickTour, DesktopWalksTheStepsOnScreenAndFinishes) {
    startWide();
    tour()->startQuickTour();
    ASSERT_TRUE(tour()->running());
    SVQuickTourOverlay* overlay = tour()->overlay();
    EXPECT_EQ(overlay->geometry(), controller->window()->dropView()->rect());
    EXPECT_EQ(card()->stepLabel()->text(), QStringLiteral("Step 1 of 8"));
    EXPECT_EQ(title(), QStringLiteral("Libraries"));
    EXPECT_EQ(card()->messageLabel()->text(),
              QStringLiteral("Add and manage your sample folders from Libraries."));
    EXPECT_FALSE(card()->backButton()->isEnabled());
    EXPECT_EQ(card()->nextButton()->text(), QStringLiteral("Next"));
    EXPECT_TRUE(card()->nextButton()->hasFocus());
    // The highlight is the control's frame, and the card stays clear of it.
    QWidget* libraries = tour()->quickTourTargetForStep(0);
    const QRect frame(overlay->mapFromGlobal(libraries->mapToGlobal(QPoint(0, 0))),
                      libraries->size());
    EXPECT_EQ(overlay->highlight(), frame);
    EXPECT_FALSE(card()->geometry().intersects(frame));
    EXPECT_TRUE(overlay->rect().contains(card()->geometry()));

    // No sample is loaded, so the inspector's quick actions are not on screen.
    card()->nextButton()->click();
    EXPECT_EQ(card()->stepLabel()->text(), QStringLiteral("Step 2 of 8"));
    EXPECT_TRUE(card()->backButton()->isEnabled());
    card()->backButton()->click();
    EXPECT_EQ(title(), QStringLiteral("Libraries"));
    const QStringList titles = walk();
    EXPECT_EQ(titles, QStringList({"Libraries", "Search", "Quick Filter", "Sample Browser",
                                   "Favorites", "Playlists", "Preview Player", "Layout Modes"}));
    EXPECT_FALSE(tour()->running());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller->window()->findChild<SVQuickTourOverlay*>(), nullptr);
}

TEST_F(QuickTour, LastStepReadsFinishAndQuickActionsShowOnceASampleIsLoaded) {
    startWide();
    controller->player()->loadSampleAtIndex(0, false);
    QCoreApplication::processEvents();
    tour()->startQuickTour();
    EXPECT_EQ(card()->stepLabel()->text(), QStringLiteral("Step 1 of 9"));
    tour()->showQuickTourStep(8, 1);
    EXPECT_EQ(title(), QStringLiteral("Quick Actions"));
    EXPECT_EQ(card()->stepLabel()->text(), QStringLiteral("Step 9 of 9"));
    EXPECT_EQ(card()->nextButton()->text(), QStringLiteral("Finish"));
    card()->nextButton()->click();
    EXPECT_FALSE(tour()->running());
}

TEST_F(QuickTour, CompactVerticalSkipsTheHiddenControls) {
    startWide();
    controller->switchLayout(0);
    QCoreApplication::processEvents();
    ASSERT_EQ(controller->currentLayoutMode(), 0);
    tour()->startQuickTour();
    EXPECT_EQ(card()->stepLabel()->text(), QStringLiteral("Step 1 of 5"));
    EXPECT_FALSE(card()->backButton()->isEnabled());
    const QStringList titles = walk();
    EXPECT_EQ(titles, QStringList({"Search", "Quick Filter", "Sample Browser", "Preview Player",
                                   "Layout Modes"}));
    // Going back from a step passes over the hidden ones too.
    tour()->startQuickTour();
    tour()->showQuickTourStep(6, 1);
    EXPECT_EQ(title(), QStringLiteral("Preview Player"));
    card()->backButton()->click();
    EXPECT_EQ(title(), QStringLiteral("Sample Browser"));
    tour()->closeQuickTour();
}

TEST_F(QuickTour, TargetVisibilityRules) {
    startWide();
    QWidget* player = tour()->quickTourTargetForStep(6);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(SVQuickTour::quickTourTargetIsVisible(player));
    EXPECT_FALSE(SVQuickTour::quickTourTargetIsVisible(nullptr));
    auto* effect = new QGraphicsOpacityEffect(player);
    effect->setOpacity(0.0);
    player->setGraphicsEffect(effect);
    EXPECT_FALSE(SVQuickTour::quickTourTargetIsVisible(player));
    effect->setOpacity(0.3);
    EXPECT_TRUE(SVQuickTour::quickTourTargetIsVisible(player));
    player->setGraphicsEffect(nullptr);
    const QSize size = player->size();
    player->resize(1, 40);
    EXPECT_FALSE(SVQuickTour::quickTourTargetIsVisible(player));
    player->resize(size);
    player->parentWidget()->hide();
    EXPECT_FALSE(SVQuickTour::quickTourTargetIsVisible(player));
    player->parentWidget()->show();
}

// The keyboard stays in the card: Tab moves between its buttons, Return and Space press the
// focused one, ← and → step, Esc closes; nothing reaches the window below.
TEST_F(QuickTour, KeyboardDrivesTheTour) {
    startWide();
    controller->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller->window()));
    tour()->startQuickTour();
    ASSERT_TRUE(card()->nextButton()->hasFocus());
    key(Qt::Key_Return);
    EXPECT_EQ(title(), QStringLiteral("Search"));
    key(Qt::Key_Space);
    EXPECT_EQ(title(), QStringLiteral("Quick Filter"));
    EXPECT_FALSE(controller->player()->currentSample().has_value()) << "Space did not play";
    key(Qt::Key_Tab);
    EXPECT_TRUE(card()->backButton()->hasFocus());
    key(Qt::Key_Tab);
    EXPECT_TRUE(card()->skipButton()->hasFocus());
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(card()->backButton()->hasFocus());
    key(Qt::Key_Return);
    EXPECT_EQ(title(), QStringLiteral("Search"));
    key(Qt::Key_Right);
    EXPECT_EQ(title(), QStringLiteral("Quick Filter"));
    key(Qt::Key_Left);
    EXPECT_EQ(title(), QStringLiteral("Search"));
    key(Qt::Key_Down);
    EXPECT_EQ(title(), QStringLiteral("Search"));
    key(Qt::Key_Escape);
    EXPECT_FALSE(tour()->running());
}

TEST_F(QuickTour, SkipTourClosesAndTheHelpMenuStartsItAgain) {
    startWide();
    controller->applicationDidBecomeActive();
    QCoreApplication::processEvents();
    tour()->startQuickTour();
    card()->skipButton()->click();
    EXPECT_FALSE(tour()->running());
    auto* help = controller->window()->findChild<QMenu*>(QStringLiteral("helpMenu"));
    ASSERT_NE(help, nullptr);
    help->actions().last()->trigger();
    EXPECT_TRUE(tour()->running());
    EXPECT_EQ(title(), QStringLiteral("Libraries"));
    // Starting again while it runs begins anew with one overlay.
    card()->nextButton()->click();
    tour()->startQuickTour();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(title(), QStringLiteral("Libraries"));
    EXPECT_EQ(controller->window()->findChildren<SVQuickTourOverlay*>().size(), 1);
}

TEST_F(QuickTour, WelcomeIsAskedOnceAndEitherAnswerIsKept) {
    startWide();
    struct Case {
        const char* answer;
        bool tourRuns;
    };
    for (const Case& c : {Case{"Not Now", false}, Case{"Start Quick Tour", true}}) {
        SCOPED_TRACE(c.answer);
        SVSettings::open().remove(QStringLiteral("SVQuickTourWelcomeAnswered"));
        tour()->showQuickTourWelcomeIfNeeded();
        QMessageBox* question = tour()->welcomeQuestion();
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->text(), QStringLiteral("Welcome to SampleVorlan"));
        EXPECT_EQ(question->informativeText(),
                  QStringLiteral("Get familiar with SampleVorlan in a quick interactive tour."));
        QPushButton* answer = nullptr;
        for (QAbstractButton* button : question->buttons()) {
            if (button->text() == QString::fromLatin1(c.answer))
                answer = qobject_cast<QPushButton*>(button);
        }
        ASSERT_NE(answer, nullptr);
        answer->click();
        ASSERT_TRUE(waitFor([&] { return tour()->welcomeQuestion() == nullptr; }));
        QCoreApplication::processEvents();
        EXPECT_TRUE(
            SVSettings::open().value(QStringLiteral("SVQuickTourWelcomeAnswered")).toBool());
        EXPECT_EQ(tour()->running(), c.tourRuns);
        tour()->closeQuickTour();
        // Asked once: not again.
        tour()->showQuickTourWelcomeIfNeeded();
        EXPECT_EQ(tour()->welcomeQuestion(), nullptr);
    }
}

TEST_F(QuickTour, CardFadesInUnlessAnimationsAreOff) {
    startWide();
    tour()->startQuickTour();
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(card()->graphicsEffect());
    EXPECT_TRUE(!effect || effect->opacity() == 1.0) << "no fade while animations are off";
    tour()->closeQuickTour();

    QApplication::setEffectEnabled(Qt::UI_General, true);
    tour()->startQuickTour();
    effect = qobject_cast<QGraphicsOpacityEffect*>(card()->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_LT(effect->opacity(), 0.5);
    EXPECT_TRUE(waitFor([&] { return effect->opacity() >= 1.0; }, 2000));
}

TEST_F(QuickTour, ButtonsAndTextsSpeak) {
    startWide();
    tour()->startQuickTour();
    for (QPushButton* button : {card()->backButton(), card()->skipButton(), card()->nextButton()}) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), button->text());
    }
    for (QLabel* label : {card()->stepLabel(), card()->titleLabel(), card()->messageLabel()}) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(label);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), label->text());
    }
    EXPECT_TRUE(card()->accessibleDescription().contains(
        QStringLiteral("Add and manage your sample folders from Libraries.")));
}

}  // namespace
}  // namespace svapp_test
