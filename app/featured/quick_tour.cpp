#include "app/featured/quick_tour.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "app/featured/quick_tour_card.h"
#include "app/featured/quick_tour_overlay.h"
#include "app/window/settings.h"

namespace {

constexpr int kCardMargin = 12;
constexpr int kCardDistance = 18;

bool fullyTransparent(const QWidget* widget) {
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(widget->graphicsEffect());
    if (effect && effect->isEnabled() && effect->opacity() <= 0.0)
        return true;
    return widget->isWindow() && widget->windowOpacity() <= 0.0;
}

// Where the card goes: beside the control (below, above, right, left, whichever fits first),
// else over its middle; always inside the overlay.
QPoint cardPosition(const QRect& target, QSize card, const QRect& area) {
    const QRect inside = area.adjusted(kCardMargin, kCardMargin, -kCardMargin, -kCardMargin);
    if (target.isEmpty())
        return QRect(QPoint(), card)
            .translated(inside.center() - QRect(QPoint(), card).center())
            .topLeft();
    const int centredX = target.center().x() - card.width() / 2;
    const int centredY = target.center().y() - card.height() / 2;
    const QPoint candidates[] = {
        {centredX, target.bottom() + kCardDistance},
        {centredX, target.top() - kCardDistance - card.height()},
        {target.right() + kCardDistance, centredY},
        {target.left() - kCardDistance - card.width(), centredY},
    };
    QPoint chosen(centredX, centredY);
    for (const QPoint& candidate : candidates) {
        const QRect frame(candidate, card);
        // Sliding along the edge is fine; crossing the control is not.
        const QRect slid(
            QPoint(std::clamp(frame.x(), inside.left(),
                              std::max(inside.left(), inside.right() - card.width() + 1)),
                   std::clamp(frame.y(), inside.top(),
                              std::max(inside.top(), inside.bottom() - card.height() + 1))),
            card);
        if (inside.contains(slid) && !slid.intersects(target)) {
            chosen = slid.topLeft();
            return chosen;
        }
    }
    const int x = std::clamp(chosen.x(), inside.left(),
                             std::max(inside.left(), inside.right() - card.width() + 1));
    const int y = std::clamp(chosen.y(), inside.top(),
                             std::max(inside.top(), inside.bottom() - card.height() + 1));
    return QPoint(x, y);
}

}  // namespace

SVQuickTour::SVQuickTour(QWidget* host, TargetProvider targets, QObject* parent)
    : QObject(parent), _host(host), _targets(std::move(targets)) {}

SVQuickTour::~SVQuickTour() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void SVQuickTour::showQuickTourWelcomeIfNeeded() {
    if (_welcome || !_host)
        return;
    if (SVSettings::open().value(QLatin1String(kWelcomeAnsweredKey), false).toBool())
        return;
    auto* question = new QMessageBox(_host->window());
    question->setWindowModality(Qt::WindowModal);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setIcon(QMessageBox::Information);
    question->setWindowTitle(QStringLiteral("Welcome to SampleVorlan"));
    question->setText(QStringLiteral("Welcome to SampleVorlan"));
    question->setInformativeText(
        QStringLiteral("Get familiar with SampleVorlan in a quick interactive tour."));
    QPushButton* start =
        question->addButton(QStringLiteral("Start Quick Tour"), QMessageBox::AcceptRole);
    QPushButton* notNow = question->addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole);
    question->setDefaultButton(start);
    question->setEscapeButton(notNow);
    connect(question, &QMessageBox::finished, this, [this, question, start] {
        {
            QSettings settings = SVSettings::open();
            settings.setValue(QLatin1String(kWelcomeAnsweredKey), true);
        }
        if (question->clickedButton() == start)
            // After the question has gone, so the tour takes the keyboard.
            QTimer::singleShot(0, this, &SVQuickTour::startQuickTour);
    });
    _welcome = question;
    question->open();
}

void SVQuickTour::startQuickTour() {
    closeQuickTour();
    if (!_host)
        return;
    _focusBeforeTour = QApplication::focusWidget();
    _quickTourOverlay = new SVQuickTourOverlay(_host);
    _quickTourCard = new SVQuickTourCard(_quickTourOverlay);
    connect(_quickTourCard->backButton(), &QPushButton::clicked, this,
            &SVQuickTour::previousQuickTourStep);
    connect(_quickTourCard->skipButton(), &QPushButton::clicked, this,
            &SVQuickTour::closeQuickTour);
    connect(_quickTourCard->nextButton(), &QPushButton::clicked, this,
            &SVQuickTour::nextQuickTourStep);
    // After the window has laid its parts out for the new size.
    connect(_quickTourOverlay, &SVQuickTourOverlay::hostResized, this,
            &SVQuickTour::layoutQuickTour, Qt::QueuedConnection);
    _quickTourOverlay->show();
    _quickTourOverlay->raise();
    qApp->installEventFilter(this);
    showQuickTourStep(0, 1);
}

void SVQuickTour::showQuickTourStep(int index, int direction) {
    if (!running())
        return;
    const std::vector<SVQuickTourStep>& steps = SVQuickTourSteps::quickTourSteps();
    const int count = static_cast<int>(steps.size());
    const int towards = direction < 0 ? -1 : 1;
    int chosen = index;
    while (chosen >= 0 && chosen < count &&
           !quickTourTargetIsVisible(quickTourTargetForStep(chosen)))
        chosen += towards;
    if (chosen < 0 || chosen >= count) {
        closeQuickTour();
        return;
    }
    _quickTourStep = chosen;
    // The card counts the steps the window can show now.
    int number = 0;
    int shown = 0;
    for (int i = 0; i < count; ++i) {
        if (!quickTourTargetIsVisible(quickTourTargetForStep(i)))
            continue;
        ++shown;
        if (i <= chosen)
            number = shown;
    }
    const SVQuickTourStep& step = steps[static_cast<std::size_t>(chosen)];
    _quickTourCard->showStep(number, shown, step.title, step.message, number == 1, number == shown);
    _quickTourCard->setAccessibleDescription(
        QStringLiteral("%1. %2. %3")
            .arg(_quickTourCard->stepLabel()->text(), step.title, step.message));
    layoutQuickTour();
    _quickTourCard->show();
    fadeInCard();
    _quickTourCard->nextButton()->setFocus(Qt::OtherFocusReason);
}

void SVQuickTour::previousQuickTourStep() {
    if (running())
        showQuickTourStep(_quickTourStep - 1, -1);
}

void SVQuickTour::nextQuickTourStep() {
    if (running())
        showQuickTourStep(_quickTourStep + 1, 1);
}

void SVQuickTour::closeQuickTour() {
    if (!running())
        return;
    qApp->removeEventFilter(this);
    if (_fade)
        _fade->stop();
    SVQuickTourOverlay* overlay = _quickTourOverlay;
    _quickTourOverlay = nullptr;
    _quickTourCard = nullptr;
    overlay->hide();
    // A button of the card may be in the middle of its click.
    overlay->deleteLater();
    if (_focusBeforeTour)
        _focusBeforeTour->setFocus(Qt::OtherFocusReason);
    emit quickTourClosed();
}

void SVQuickTour::layoutQuickTour() {
    if (!running())
        return;
    QWidget* target = quickTourTargetForStep(_quickTourStep);
    QRect frame;
    if (quickTourTargetIsVisible(target)) {
        const QPoint topLeft = _quickTourOverlay->mapFromGlobal(target->mapToGlobal(QPoint(0, 0)));
        frame = QRect(topLeft, target->size()).intersected(_quickTourOverlay->rect());
    }
    _quickTourOverlay->setHighlight(frame);
    const int width = SVQuickTourCard::kWidth;
    const int height = _quickTourCard->hasHeightForWidth() ? _quickTourCard->heightForWidth(width)
                                                           : _quickTourCard->sizeHint().height();
    const QSize size(width, std::max(height, _quickTourCard->minimumSizeHint().height()));
    _quickTourCard->resize(size);
    _quickTourCard->move(cardPosition(frame, size, _quickTourOverlay->rect()));
    _quickTourCard->raise();
}

QWidget* SVQuickTour::quickTourTargetForStep(int index) const {
    const std::vector<SVQuickTourStep>& steps = SVQuickTourSteps::quickTourSteps();
    if (index < 0 || index >= static_cast<int>(steps.size()) || !_targets)
        return nullptr;
    return _targets(steps[static_cast<std::size_t>(index)].target);
}

bool SVQuickTour::quickTourTargetIsVisible(const QWidget* target) {
    if (!target || !target->window() || !target->window()->isVisible())
        return false;
    for (const QWidget* widget = target; widget; widget = widget->parentWidget()) {
        if (widget->isHidden() || fullyTransparent(widget))
            return false;
        if (widget->isWindow())
            break;
    }
    return target->width() > 1 && target->height() > 1;
}

void SVQuickTour::fadeInCard() {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(_quickTourCard->graphicsEffect());
    if (!QApplication::isEffectEnabled(Qt::UI_General)) {
        // No motion: the card is there at once.
        if (effect)
            effect->setOpacity(1.0);
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(_quickTourCard);
        _quickTourCard->setGraphicsEffect(effect);
    }
    if (!_fade) {
        _fade = new QPropertyAnimation(effect, "opacity", effect);
        _fade->setDuration(kFadeMilliseconds);
        _fade->setStartValue(0.0);
        _fade->setEndValue(1.0);
        _fade->setEasingCurve(QEasingCurve::OutCubic);
    }
    _fade->stop();
    effect->setOpacity(0.0);
    _fade->start();
}

bool SVQuickTour::isOwnWindowEvent(QObject* watched) const {
    if (!_host)
        return false;
    QWidget* window = _host->window();
    if (watched->isWidgetType())
        return static_cast<QWidget*>(watched)->window() == window;
    if (watched->isWindowType())
        return watched == window->windowHandle();
    return false;
}

bool SVQuickTour::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    if (!running() || QApplication::activeModalWidget() || !isOwnWindowEvent(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool perform = type == QEvent::KeyPress;
    if (!handleKey(key->key(), key->modifiers(), perform))
        return false;
    event->accept();
    return true;
}

bool SVQuickTour::handleKey(int key, Qt::KeyboardModifiers modifiers, bool perform) {
    // Menu commands (Ctrl+Q, Ctrl+,) stay available.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (!perform)
        return true;
    switch (key) {
        case Qt::Key_Escape:
            closeQuickTour();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: {
            auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
            if (focused && _quickTourCard && _quickTourCard->focusChain().contains(focused))
                focused->click();
            else
                nextQuickTourStep();
            break;
        }
        case Qt::Key_Tab:
            moveFocus((modifiers & Qt::ShiftModifier) ? -1 : 1);
            break;
        case Qt::Key_Backtab:
            moveFocus(-1);
            break;
        case Qt::Key_Left:
            if (_quickTourCard && _quickTourCard->backButton()->isEnabled())
                previousQuickTourStep();
            break;
        case Qt::Key_Right:
            nextQuickTourStep();
            break;
        default:
            // The window under the overlay takes no keys while the tour runs.
            break;
    }
    return true;
}

void SVQuickTour::moveFocus(int step) {
    if (!_quickTourCard)
        return;
    const QList<QPushButton*> chain = _quickTourCard->focusChain();
    if (chain.isEmpty())
        return;
    const qsizetype current =
        chain.indexOf(qobject_cast<QPushButton*>(QApplication::focusWidget()));
    const qsizetype count = chain.size();
    const qsizetype next =
        current < 0 ? (step > 0 ? 0 : count - 1) : (current + step + count) % count;
    chain[next]->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}
