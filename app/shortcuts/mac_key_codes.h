#pragma once

#include <Qt>
#include <QtGlobal>

#include <optional>

#include "app/shortcuts/shortcut_bindings.h"

class QKeyEvent;

// Qt key events in the terms of the stored shortcut bindings: the Mac virtual key code of the
// same physical key and the Mac modifier mask (Ctrl is Command, Meta is Control, Alt is Option).
namespace SVMacKeys {

quint64 macModifiers(Qt::KeyboardModifiers modifiers);

// The Mac key code and the character the key gives without modifiers; absent for keys that
// are never shortcuts on their own (modifier keys, unknown function keys).
struct MacKey {
    quint16 keyCode;
    QChar unmodified;  // null when the key gives no printable character
};
std::optional<MacKey> macKey(int qtKey, Qt::KeyboardModifiers modifiers);

std::optional<SVKeyPress> keyPressFromEvent(const QKeyEvent& event);

}  // namespace SVMacKeys
