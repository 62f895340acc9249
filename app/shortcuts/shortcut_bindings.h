#pragma once

#include <QString>
#include <QStringList>

#include <QtGlobal>

// Keyboard shortcut bindings of the transport and browsing actions.
//
// A binding is one or more parts joined by "|". A part is a named key ("Space", "CommandF", …)
// or a recorded key "K<key code>;M<modifier mask>;D<display>". Key codes and modifier masks are
// those of the Mac keyboard, so stored bindings stay the same on every system.

// One key press in the Mac terms the bindings use.
struct SVKeyPress {
    quint16 keyCode = 0;
    quint64 modifiers = 0;  // masked with kShortcutModifierMask
    QString characters;
    QString charactersIgnoringModifiers;
    bool isRepeat = false;
};

namespace SVShortcuts {

inline constexpr quint64 kShift = 0x20000;
inline constexpr quint64 kControl = 0x40000;
inline constexpr quint64 kOption = 0x80000;
inline constexpr quint64 kCommand = 0x100000;
inline constexpr quint64 kShortcutModifierMask = kShift | kControl | kOption | kCommand;
inline constexpr quint16 kEscapeKeyCode = 53;

// The actions in matching order, with their labels and default bindings (same indices).
const QStringList& shortcutActions();
const QStringList& shortcutLabels();
const QStringList& defaultShortcuts();
// The named keys and their displays (same indices).
const QStringList& shortcutChoices();
const QStringList& shortcutDisplayNames();

QString settingsKey(const QString& actionId);
QString defaultBinding(const QString& actionId);

bool isValidShortcutBinding(const QString& binding);
// The action's binding from the settings; stale and invalid stored values are removed.
QString bindingForAction(const QString& actionId);

quint64 shortcutModifiers(const SVKeyPress& event);
QString keyNameForEvent(const SVKeyPress& event);
QString displayForEvent(const SVKeyPress& event);
// The recorded part for the key press, "K%hu;M%lu;D%@".
QString bindingTokenForEvent(const SVKeyPress& event);
QString displayForBinding(const QString& binding);
// "K<code>M<mask>" of every key the binding stands for; other parts are their own signature.
QStringList signaturesForBinding(const QString& binding);
bool eventMatchesBinding(const SVKeyPress& event, const QString& binding);

// The first action, in matching order, whose current binding matches; empty when none does.
QString actionForEvent(const SVKeyPress& event);

}  // namespace SVShortcuts
