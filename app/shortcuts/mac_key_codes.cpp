#include "app/shortcuts/mac_key_codes.h"

#include <QHash>
#include <QKeyEvent>

namespace SVMacKeys {

namespace {

struct PrintableKey {
    char character;
    quint16 keyCode;
    char unshifted;
};

// Every printable character of a US keyboard, shifted ones mapped back to their physical key:
// Shift+',' arrives as '<' and must still be key 43.
constexpr PrintableKey kPrintableKeys[] = {
    {' ', 49, ' '},   {'A', 0, 'a'},   {'B', 11, 'b'}, {'C', 8, 'c'},  {'D', 2, 'd'},
    {'E', 14, 'e'},   {'F', 3, 'f'},   {'G', 5, 'g'},  {'H', 4, 'h'},  {'I', 34, 'i'},
    {'J', 38, 'j'},   {'K', 40, 'k'},  {'L', 37, 'l'}, {'M', 46, 'm'}, {'N', 45, 'n'},
    {'O', 31, 'o'},   {'P', 35, 'p'},  {'Q', 12, 'q'}, {'R', 15, 'r'}, {'S', 1, 's'},
    {'T', 17, 't'},   {'U', 32, 'u'},  {'V', 9, 'v'},  {'W', 13, 'w'}, {'X', 7, 'x'},
    {'Y', 16, 'y'},   {'Z', 6, 'z'},   {'1', 18, '1'}, {'2', 19, '2'}, {'3', 20, '3'},
    {'4', 21, '4'},   {'5', 23, '5'},  {'6', 22, '6'}, {'7', 26, '7'}, {'8', 28, '8'},
    {'9', 25, '9'},   {'0', 29, '0'},  {'!', 18, '1'}, {'@', 19, '2'}, {'#', 20, '3'},
    {'$', 21, '4'},   {'%', 23, '5'},  {'^', 22, '6'}, {'&', 26, '7'}, {'*', 28, '8'},
    {'(', 25, '9'},   {')', 29, '0'},  {'=', 24, '='}, {'+', 24, '='}, {'-', 27, '-'},
    {'_', 27, '-'},   {']', 30, ']'},  {'}', 30, ']'}, {'[', 33, '['}, {'{', 33, '['},
    {'\'', 39, '\''}, {'"', 39, '\''}, {';', 41, ';'}, {':', 41, ';'}, {'\\', 42, '\\'},
    {'|', 42, '\\'},  {',', 43, ','},  {'<', 43, ','}, {'/', 44, '/'}, {'?', 44, '/'},
    {'.', 47, '.'},   {'>', 47, '.'},  {'`', 50, '`'}, {'~', 50, '`'},
};

struct KeypadKey {
    int qtKey;
    quint16 keyCode;
    char character;
};

constexpr KeypadKey kKeypadKeys[] = {
    {Qt::Key_0, 82, '0'},        {Qt::Key_1, 83, '1'},     {Qt::Key_2, 84, '2'},
    {Qt::Key_3, 85, '3'},        {Qt::Key_4, 86, '4'},     {Qt::Key_5, 87, '5'},
    {Qt::Key_6, 88, '6'},        {Qt::Key_7, 89, '7'},     {Qt::Key_8, 91, '8'},
    {Qt::Key_9, 92, '9'},        {Qt::Key_Plus, 69, '+'},  {Qt::Key_Minus, 78, '-'},
    {Qt::Key_Asterisk, 67, '*'}, {Qt::Key_Slash, 75, '/'}, {Qt::Key_Period, 65, '.'},
    {Qt::Key_Comma, 65, '.'},    {Qt::Key_Equal, 81, '='},
};

// Keys without a printable character; the same on the keypad with Num Lock off.
const QHash<int, quint16>& functionKeys() {
    static const QHash<int, quint16> table = {
        {Qt::Key_Return, 36},    {Qt::Key_Enter, 76},      {Qt::Key_Tab, 48},
        {Qt::Key_Backtab, 48},   {Qt::Key_Backspace, 51},  {Qt::Key_Escape, 53},
        {Qt::Key_Delete, 117},   {Qt::Key_Insert, 114},    {Qt::Key_Help, 114},
        {Qt::Key_Home, 115},     {Qt::Key_End, 119},       {Qt::Key_PageUp, 116},
        {Qt::Key_PageDown, 121}, {Qt::Key_Left, 123},      {Qt::Key_Right, 124},
        {Qt::Key_Down, 125},     {Qt::Key_Up, 126},        {Qt::Key_Clear, 71},
        {Qt::Key_VolumeUp, 72},  {Qt::Key_VolumeDown, 73}, {Qt::Key_VolumeMute, 74},
        {Qt::Key_F1, 122},       {Qt::Key_F2, 120},        {Qt::Key_F3, 99},
        {Qt::Key_F4, 118},       {Qt::Key_F5, 96},         {Qt::Key_F6, 97},
        {Qt::Key_F7, 98},        {Qt::Key_F8, 100},        {Qt::Key_F9, 101},
        {Qt::Key_F10, 109},      {Qt::Key_F11, 103},       {Qt::Key_F12, 111},
        {Qt::Key_F13, 105},      {Qt::Key_F14, 107},       {Qt::Key_F15, 113},
        {Qt::Key_F16, 106},      {Qt::Key_F17, 64},        {Qt::Key_F18, 79},
        {Qt::Key_F19, 80},       {Qt::Key_F20, 90},
    };
    return table;
}

// Characters of other layouts get codes above the Mac range, one per character, so that a
// recorded key matches only itself.
constexpr int kFirstForeignCode = 128;

}  // namespace

quint64 macModifiers(Qt::KeyboardModifiers modifiers) {
    quint64 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= SVShortcuts::kShift;
    if (modifiers & Qt::MetaModifier)
        mask |= SVShortcuts::kControl;
    if (modifiers & Qt::AltModifier)
        mask |= SVShortcuts::kOption;
    if (modifiers & Qt::ControlModifier)
        mask |= SVShortcuts::kCommand;
    return mask;
}

std::optional<MacKey> macKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        for (const KeypadKey& key : kKeypadKeys) {
            if (key.qtKey == qtKey)
                return MacKey{key.keyCode, QChar(key.character)};
        }
    }
    const auto function = functionKeys().constFind(qtKey);
    if (function != functionKeys().constEnd()) {
        const QChar unmodified = qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab
                                     ? QChar('\t')
                                     : (qtKey == Qt::Key_Return ? QChar('\r') : QChar());
        return MacKey{function.value(), unmodified};
    }
    for (const PrintableKey& key : kPrintableKeys) {
        if (key.character == qtKey)
            return MacKey{key.keyCode, QChar(key.unshifted)};
    }
    // Qt names the remaining character keys by their (upper-case) character.
    if (qtKey > 0x7f && qtKey <= 0xffff - kFirstForeignCode && QChar(qtKey).isPrint())
        return MacKey{static_cast<quint16>(kFirstForeignCode + qtKey), QChar(qtKey).toLower()};
    return std::nullopt;
}

std::optional<SVKeyPress> keyPressFromEvent(const QKeyEvent& event) {
    const std::optional<MacKey> key = macKey(event.key(), event.modifiers());
    if (!key)
        return std::nullopt;
    SVKeyPress press;
    press.keyCode = key->keyCode;
    press.modifiers = macModifiers(event.modifiers());
    press.characters = event.text();
    press.charactersIgnoringModifiers =
        key->unmodified.isNull() ? QString() : QString(key->unmodified);
    press.isRepeat = event.isAutoRepeat();
    return press;
}

}  // namespace SVMacKeys
