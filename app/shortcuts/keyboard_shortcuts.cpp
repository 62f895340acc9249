#include "app/shortcuts/keyboard_shortcuts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "app/shortcuts/mac_key_codes.h"
#include "app/shortcuts/shortcut_bindings.h"
#include "app/shortcuts/shortcut_recorder_button.h"

namespace {

bool isTextInput(const QWidget* widget) {
    if (!widget)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

// What a focused control is to the keyboard.
enum class ControlKind { None, Text, Rows, Button, Slider, Choice, MenuBar };

ControlKind controlKind(QWidget* widget) {
    if (!widget)
        return ControlKind::None;
    if (isTextInput(widget))
        return ControlKind::Text;
    if (qobject_cast<const QAbstractItemView*>(widget))
        return ControlKind::Rows;
    if (qobject_cast<const QComboBox*>(widget))
        return ControlKind::Choice;
    if (qobject_cast<const QMenuBar*>(widget))
        return ControlKind::MenuBar;
    if (qobject_cast<const QAbstractButton*>(widget))
        return ControlKind::Button;
    if (qobject_cast<const QAbstractSlider*>(widget))
        return ControlKind::Slider;
    // Custom controls say what they are through their accessibility interface.
    const QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        return ControlKind::None;
    switch (iface->role()) {
        case QAccessible::Button:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
            return ControlKind::Button;
        case QAccessible::Slider:
            return ControlKind::Slider;
        default:
            return ControlKind::None;
    }
}

bool isOneOf(int key, std::initializer_list<int> keys) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// The keys a control of that kind uses itself, as it does in any application: a text field
// every key; lists and trees move between their rows and open them (Shift extends); buttons
// and check boxes press with Space, Return and Enter; sliders move with the arrows, Page
// Up/Down, Home and End; combo boxes step and open; the menu bar walks its menus. Any other
// key, or one held with Ctrl, Alt or Meta, stays a shortcut there as everywhere else.
bool controlUsesKey(ControlKind kind, const QKeyEvent& event) {
    const Qt::KeyboardModifiers held = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    const bool commandHeld = held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (kind) {
        case ControlKind::None:
            return false;
        case ControlKind::Text:
            return true;
        case ControlKind::Rows:
            return !commandHeld &&
                   isOneOf(key, {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                                 Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown,
                                 Qt::Key_Return, Qt::Key_Enter});
        case ControlKind::Button:
            return held == Qt::NoModifier &&
                   isOneOf(key, {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter});
        case ControlKind::Slider:
            return held == Qt::NoModifier &&
                   isOneOf(key, {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                                 Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End});
        case ControlKind::Choice:
            if (held == Qt::AltModifier)
                return isOneOf(key, {Qt::Key_Up, Qt::Key_Down});
            return held == Qt::NoModifier &&
                   isOneOf(key, {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                                 Qt::Key_Home, Qt::Key_End, Qt::Key_Space, Qt::Key_F4});
        case ControlKind::MenuBar:
            return held == Qt::NoModifier &&
                   isOneOf(key, {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                                 Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space});
    }
    return false;
}

// Presses a button as a click does. Buttons outside dialogs take no Return or Enter of their
// own, and custom ones none at all, so every press of a focused button comes through here.
void pressButton(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->click();
        return;
    }
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (QAccessibleActionInterface* actions = iface ? iface->actionInterface() : nullptr)
        actions->doAction(QAccessibleActionInterface::pressAction());
}

SVShortcutRecorderButton* focusedRecorder(QObject* receiver) {
    if (auto* recorder = qobject_cast<SVShortcutRecorderButton*>(QApplication::focusWidget()))
        return recorder;
    return qobject_cast<SVShortcutRecorderButton*>(receiver);
}

}  // namespace

SVKeyboardShortcuts::SVKeyboardShortcuts(QWidget* mainWindow, Performer perform,
                                         std::function<void()> deselectAll,
                                         std::function<void()> focusResults)
    : QObject(mainWindow),
      _mainWindow(mainWindow),
      _perform(std::move(perform)),
      _deselectAll(std::move(deselectAll)),
      _focusResults(std::move(focusResults)) {}

SVKeyboardShortcuts::~SVKeyboardShortcuts() {
    if (_installed && qApp)
        qApp->removeEventFilter(this);
}

void SVKeyboardShortcuts::installTransportShortcuts() {
    if (_installed || !qApp)
        return;
    qApp->installEventFilter(this);
    _installed = true;
}

bool SVKeyboardShortcuts::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease) {
        // Once the release has reached the control: a button that loses the focus while it is
        // held down forgets the press, and the click would be lost.
        if (!_handBackQueued && isMainWindowEvent(watched)) {
            _handBackQueued = true;
            QTimer::singleShot(0, this, [this] {
                _handBackQueued = false;
                handBackAfterClick(_mainWindow);
            });
        }
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    // A key press reaches the window first and then each widget it propagates to; the
    // decision is the same at every step and whatever acts is consumed at the first.
    if (!watched->isWidgetType() && !watched->isWindowType())
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (type == QEvent::ShortcutOverride) {
        // Claiming the override keeps menu shortcuts from taking keys handled here.
        if (!handleKey(watched, key, false))
            return false;
        event->accept();
        return true;
    }
    return handleKey(watched, key, true);
}

bool SVKeyboardShortcuts::handleKey(QObject* receiver, const QKeyEvent& event, bool perform) {
    if (SVShortcutRecorderButton* recorder = focusedRecorder(receiver)) {
        if (perform && !event.isAutoRepeat())
            recorder->keyDown(event);
        return true;
    }
    if (QApplication::activeModalWidget() || !isMainWindowEvent(receiver))
        return false;
    const std::optional<SVKeyPress> press = SVMacKeys::keyPressFromEvent(event);
    if (!press)
        return false;
    if (press->keyCode == SVShortcuts::kEscapeKeyCode) {
        // A field edited in place (a library label) takes Escape to cancel its edit.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus->property(kOwnsEscapeProperty).toBool())
            return false;
        if (perform && _deselectAll)
            _deselectAll();
        return true;
    }
    QWidget* focus = QApplication::focusWidget();
    const ControlKind focusKind = controlKind(focus);
    if (controlUsesKey(focusKind, event)) {
        if (focusKind != ControlKind::Button)
            return false;
        if (perform && !event.isAutoRepeat())
            pressButton(focus);
        return true;
    }
    if (press->isRepeat)
        return true;
    const QString action = SVShortcuts::actionForEvent(*press);
    if (action.isEmpty())
        return false;
    if (perform && _perform)
        _perform(action);
    return true;
}

bool SVKeyboardShortcuts::isMainWindowEvent(QObject* receiver) const {
    if (!_mainWindow || QApplication::activeWindow() != _mainWindow)
        return false;
    if (const auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == _mainWindow;
    if (const auto* window = qobject_cast<QWindow*>(receiver))
        return window == _mainWindow->windowHandle();
    return false;
}

void SVKeyboardShortcuts::handBackAfterClick(QObject* receiver) {
    if (!_focusResults || QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        !isMainWindowEvent(receiver))
        return;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != _mainWindow)
        return;
    const ControlKind kind = controlKind(focus);
    if (kind != ControlKind::None && kind != ControlKind::Text)
        _focusResults();
}
