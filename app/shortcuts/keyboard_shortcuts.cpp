#include "app/shortcuts/keyboard_shortcuts.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

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

// The sidebar's outline and playlists move between their rows with the arrow keys (and the
// keys that page them); there those keys are theirs, while the other shortcuts still work.
bool movesThroughOwnRows(const QWidget* widget, const QKeyEvent& event) {
    if (!qobject_cast<const QAbstractItemView*>(widget))
        return false;
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}

SVShortcutRecorderButton* focusedRecorder(QObject* receiver) {
    if (auto* recorder = qobject_cast<SVShortcutRecorderButton*>(QApplication::focusWidget()))
        return recorder;
    return qobject_cast<SVShortcutRecorderButton*>(receiver);
}

}  // namespace

SVKeyboardShortcuts::SVKeyboardShortcuts(QWidget* mainWindow, Performer perform,
                                         std::function<void()> deselectAll)
    : QObject(mainWindow),
      _mainWindow(mainWindow),
      _perform(std::move(perform)),
      _deselectAll(std::move(deselectAll)) {}

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
        if (perform && _deselectAll)
            _deselectAll();
        return true;
    }
    if (isTextInput(QApplication::focusWidget()) ||
        movesThroughOwnRows(QApplication::focusWidget(), event))
        return false;
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
