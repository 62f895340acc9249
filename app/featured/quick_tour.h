#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>

#include <functional>

#include "app/featured/quick_tour_card.h"
#include "app/featured/quick_tour_overlay.h"
#include "app/featured/quick_tour_steps.h"

class QWidget;

// The guided quick tour over the main controls: an overlay that dims the window around the
// control of the current step and a card that says what it is for, with Back, Skip Tour and
// Next. Steps whose control is not on screen (the sidebar in Compact Vertical, say) are
// skipped. A first-run question offers the tour once.
class SVQuickTour : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kWelcomeAnsweredKey = "SVQuickTourWelcomeAnswered";
    static constexpr int kFadeMilliseconds = 140;
    using TargetProvider = std::function<QWidget*(SVQuickTourStep::Target)>;

    // The overlay covers `host` (the window's content); `targets` finds each step's control.
    SVQuickTour(QWidget* host, TargetProvider targets, QObject* parent = nullptr);
    ~SVQuickTour() override;

    // "Welcome to SampleVorlan", unless it was answered before; either answer is remembered and
    // "Start Quick Tour" starts the tour.
    void showQuickTourWelcomeIfNeeded();
    QMessageBox* welcomeQuestion() const { return _welcome; }

    // Closes a running tour, covers the window and shows the first step on screen.
    void startQuickTour();
    // Shows step `index`, or the nearest one on screen in `direction` (+1 or −1) from it; with
    // none left the tour closes.
    void showQuickTourStep(int index, int direction);
    void previousQuickTourStep();
    void nextQuickTourStep();
    void closeQuickTour();
    // Places the highlight and the card again (after a resize or a layout change).
    void layoutQuickTour();

    QWidget* quickTourTargetForStep(int index) const;
    // On screen: in a shown window, neither it nor a parent hidden or fully transparent, and
    // more than 1 wide and high.
    static bool quickTourTargetIsVisible(const QWidget* target);

    bool running() const { return _quickTourOverlay != nullptr; }
    // The index of the step shown (0-based), −1 when no tour runs.
    int quickTourStep() const { return running() ? _quickTourStep : -1; }
    SVQuickTourOverlay* overlay() const { return _quickTourOverlay; }
    SVQuickTourCard* card() const { return _quickTourCard; }

  signals:
    void quickTourClosed();

  protected:
    // While the tour runs the keyboard stays in the card: Esc closes it, Tab moves between its
    // buttons, Return and Space press the focused one, ← and → go back and on.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool isOwnWindowEvent(QObject* watched) const;
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, bool perform);
    void moveFocus(int step);
    void fadeInCard();

    QWidget* _host;
    TargetProvider _targets;
    QPointer<SVQuickTourOverlay> _quickTourOverlay;
    QPointer<SVQuickTourCard> _quickTourCard;
    QPointer<QMessageBox> _welcome;
    QPointer<QWidget> _focusBeforeTour;
    QPointer<QPropertyAnimation> _fade;
    int _quickTourStep = 0;
};
