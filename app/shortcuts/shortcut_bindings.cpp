#include "app/shortcuts/shortcut_bindings.h"

#include <QHash>
#include <QSettings>

#include <optional>

#include "app/window/settings.h"

namespace SVShortcuts {

namespace {

const QString kPartSeparator = QStringLiteral("|");

// A recorded part's key code and modifier mask; absent for anything else.
struct RecordedKey {
    quint16 keyCode;
    quint64 modifiers;
};

bool isDigitsAfterLetter(const QString& field, QChar letter) {
    if (field.size() < 2 || field.at(0) != letter)
        return false;
    for (qsizetype i = 1; i < field.size(); ++i) {
        if (field.at(i) < QLatin1Char('0') || field.at(i) > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isRecordedPart(const QString& part) {
    const QStringList fields = part.split(QLatin1Char(';'));
    return fields.size() >= 3 && isDigitsAfterLetter(fields[0], QLatin1Char('K')) &&
           isDigitsAfterLetter(fields[1], QLatin1Char('M')) && fields[2].size() >= 2 &&
           fields[2].startsWith(QLatin1Char('D'));
}

std::optional<RecordedKey> recordedKey(const QString& part) {
    if (!isRecordedPart(part))
        return std::nullopt;
    const QStringList fields = part.split(QLatin1Char(';'));
    bool codeOk = false;
    bool maskOk = false;
    const quint16 code = fields[0].mid(1).toUShort(&codeOk);
    const quint64 mask = fields[1].mid(1).toULongLong(&maskOk);
    if (!codeOk || !maskOk)
        return std::nullopt;
    return RecordedKey{code, mask};
}

bool isNamedKey(const QString& part) {
    return shortcutChoices().contains(part);
}

QString signature(quint16 keyCode, quint64 modifiers) {
    return QStringLiteral("K%1M%2").arg(keyCode).arg(modifiers);
}

const QHash<QString, QStringList>& namedSignatures() {
    static const QHash<QString, QStringList> table = {
        {QStringLiteral("Space"), {signature(49, 0)}},
        {QStringLiteral("CommandLeft"), {signature(123, kCommand)}},
        {QStringLiteral("Left"), {signature(123, 0)}},
        {QStringLiteral("Right"), {signature(124, 0)}},
        {QStringLiteral("Up"), {signature(126, 0)}},
        {QStringLiteral("Down"), {signature(125, 0)}},
        {QStringLiteral("1"), {signature(18, 0), signature(83, 0)}},
        {QStringLiteral("2"), {signature(19, 0), signature(84, 0)}},
        {QStringLiteral("0"), {signature(29, 0), signature(82, 0)}},
        {QStringLiteral("Less"), {signature(43, kShift)}},
        {QStringLiteral("Greater"), {signature(47, kShift)}},
        {QStringLiteral("Plus"), {signature(69, 0), signature(24, kShift)}},
        {QStringLiteral("Minus"), {signature(27, 0), signature(78, 0)}},
        {QStringLiteral("CommandR"), {signature(15, kCommand)}},
        {QStringLiteral("CommandF"), {signature(3, kCommand)}},
    };
    return table;
}

bool namedKeyMatches(const SVKeyPress& event, const QString& name) {
    const quint64 modifiers = shortcutModifiers(event);
    if (modifiers & (kControl | kOption))
        return false;
    const bool command = modifiers & kCommand;
    const bool shift = modifiers & kShift;
    const quint16 code = event.keyCode;
    if (name == QLatin1String("CommandLeft"))
        return command && code == 123;
    if (name == QLatin1String("CommandR"))
        return command && code == 15;
    if (name == QLatin1String("CommandF"))
        return command && code == 3;
    if (command)
        return false;
    const QString unmodified = event.charactersIgnoringModifiers.toLower();
    if (name == QLatin1String("Space"))
        return code == 49;
    if (name == QLatin1String("Left"))
        return code == 123;
    if (name == QLatin1String("Right"))
        return code == 124;
    if (name == QLatin1String("Up"))
        return code == 126;
    if (name == QLatin1String("Down"))
        return code == 125;
    if (name == QLatin1String("1"))
        return code == 18 || code == 83 || unmodified == QLatin1String("1");
    if (name == QLatin1String("2"))
        return code == 19 || code == 84 || unmodified == QLatin1String("2");
    if (name == QLatin1String("0"))
        return code == 29 || code == 82 || unmodified == QLatin1String("0");
    if (name == QLatin1String("Less"))
        return event.characters == QLatin1String("<") || (code == 43 && shift);
    if (name == QLatin1String("Greater"))
        return event.characters == QLatin1String(">") || (code == 47 && shift);
    if (name == QLatin1String("Plus"))
        return code == 69 || event.characters == QLatin1String("+");
    if (name == QLatin1String("Minus"))
        return code == 27 || code == 78 || event.charactersIgnoringModifiers == QLatin1String("-");
    return false;
}

bool isOldDefault(const QString& actionId, const QString& stored) {
    if (actionId == QLatin1String("seekBack"))
        return stored == QLatin1String("Left") || stored == QLatin1String("Left|1");
    if (actionId == QLatin1String("seekForward"))
        return stored == QLatin1String("Right") || stored == QLatin1String("Right|2");
    if (actionId == QLatin1String("previousPage"))
        return stored == QLatin1String("Less");
    if (actionId == QLatin1String("nextPage"))
        return stored == QLatin1String("Greater");
    return false;
}

QString storedString(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

const QHash<quint16, QString>& keyNames() {
    static const QHash<quint16, QString> table = {
        {49, QStringLiteral("Space")},      {36, QStringLiteral("Return")},
        {48, QStringLiteral("Tab")},        {51, QStringLiteral("Delete")},
        {53, QStringLiteral("Esc")},        {115, QStringLiteral("Home")},
        {119, QStringLiteral("End")},       {116, QStringLiteral("Page Up")},
        {121, QStringLiteral("Page Down")}, {123, QStringLiteral("←")},
        {124, QStringLiteral("→")},         {125, QStringLiteral("↓")},
        {126, QStringLiteral("↑")},         {82, QStringLiteral("Num 0")},
        {83, QStringLiteral("Num 1")},      {84, QStringLiteral("Num 2")},
        {85, QStringLiteral("Num 3")},      {86, QStringLiteral("Num 4")},
        {87, QStringLiteral("Num 5")},      {88, QStringLiteral("Num 6")},
        {89, QStringLiteral("Num 7")},      {91, QStringLiteral("Num 8")},
        {92, QStringLiteral("Num 9")},      {69, QStringLiteral("Num +")},
        {78, QStringLiteral("Num −")},
    };
    return table;
}

// "Super+", "Alt+", "Shift+", "Ctrl+" for the held modifiers, in this order.
QString modifierSymbols(const SVKeyPress& event) {
    const quint64 modifiers = shortcutModifiers(event);
    QString symbols;
    if (modifiers & kControl)
        symbols += QStringLiteral("Super+");
    if (modifiers & kOption)
        symbols += QStringLiteral("Alt+");
    if (modifiers & kShift)
        symbols += QStringLiteral("Shift+");
    if (modifiers & kCommand)
        symbols += QStringLiteral("Ctrl+");
    return symbols;
}

// The display inside a recorded part: ";" and "|" would split the stored binding.
QString storableDisplay(const SVKeyPress& event) {
    QString name = keyNameForEvent(event);
    name.remove(QLatin1Char(';')).remove(QLatin1Char('|'));
    // A key named only by a separator character would leave an empty, invalid display.
    if (name.isEmpty())
        name = QStringLiteral("Key %1").arg(event.keyCode);
    return modifierSymbols(event) + name;
}

}  // namespace

const QStringList& shortcutActions() {
    static const QStringList actions = {
        QStringLiteral("play"),           QStringLiteral("restart"),
        QStringLiteral("seekBack"),       QStringLiteral("seekForward"),
        QStringLiteral("previousSample"), QStringLiteral("nextSample"),
        QStringLiteral("previousPage"),   QStringLiteral("nextPage"),
        QStringLiteral("love"),           QStringLiteral("unlove"),
        QStringLiteral("repeat"),         QStringLiteral("search"),
    };
    return actions;
}

const QStringList& shortcutLabels() {
    static const QStringList labels = {
        QStringLiteral("Play / Pause"),      QStringLiteral("Restart from Beginning"),
        QStringLiteral("Seek Backward 7%"),  QStringLiteral("Seek Forward 7%"),
        QStringLiteral("Previous Sample"),   QStringLiteral("Next Sample"),
        QStringLiteral("Previous Page"),     QStringLiteral("Next Page"),
        QStringLiteral("Love / Unlove"),     QStringLiteral("Remove Love"),
        QStringLiteral("Repeat / Unrepeat"), QStringLiteral("Focus Search"),
    };
    return labels;
}

const QStringList& defaultShortcuts() {
    static const QStringList defaults = {
        QStringLiteral("Space"),    QStringLiteral("CommandLeft|0"),
        QStringLiteral("1"),        QStringLiteral("2"),
        QStringLiteral("Up"),       QStringLiteral("Down"),
        QStringLiteral("Left"),     QStringLiteral("Right"),
        QStringLiteral("Plus"),     QStringLiteral("Minus"),
        QStringLiteral("CommandR"), QStringLiteral("CommandF"),
    };
    return defaults;
}

const QStringList& shortcutChoices() {
    static const QStringList choices = {
        QStringLiteral("Space"), QStringLiteral("CommandLeft"), QStringLiteral("Left"),
        QStringLiteral("Right"), QStringLiteral("Up"),          QStringLiteral("Down"),
        QStringLiteral("1"),     QStringLiteral("2"),           QStringLiteral("0"),
        QStringLiteral("Less"),  QStringLiteral("Greater"),     QStringLiteral("Plus"),
        QStringLiteral("Minus"), QStringLiteral("CommandR"),    QStringLiteral("CommandF"),
    };
    return choices;
}

const QStringList& shortcutDisplayNames() {
    static const QStringList names = {
        QStringLiteral("Space"), QStringLiteral("Ctrl+←"), QStringLiteral("←"),
        QStringLiteral("→"),     QStringLiteral("↑"),      QStringLiteral("↓"),
        QStringLiteral("1"),     QStringLiteral("2"),      QStringLiteral("0"),
        QStringLiteral("<"),     QStringLiteral(">"),      QStringLiteral("+"),
        QStringLiteral("−"),     QStringLiteral("Ctrl+R"), QStringLiteral("Ctrl+F"),
    };
    return names;
}

QString settingsKey(const QString& actionId) {
    return QStringLiteral("SVShortcut.") + actionId;
}

QString defaultBinding(const QString& actionId) {
    const qsizetype index = shortcutActions().indexOf(actionId);
    return index < 0 ? QString() : defaultShortcuts().at(index);
}

bool isValidShortcutBinding(const QString& binding) {
    if (binding.isEmpty())
        return false;
    for (const QString& part : binding.split(kPartSeparator)) {
        if (!isNamedKey(part) && !isRecordedPart(part))
            return false;
    }
    return true;
}

QString bindingForAction(const QString& actionId) {
    QSettings settings = SVSettings::open();
    const QString key = settingsKey(actionId);
    const QString fallback = defaultBinding(actionId);
    QString stored = storedString(settings, key);
    if (isOldDefault(actionId, stored) || (!stored.isEmpty() && !isValidShortcutBinding(stored))) {
        settings.remove(key);
        stored.clear();
    }
    if (stored.isEmpty())
        return fallback;
    const QStringList defaultParts = fallback.split(kPartSeparator);
    if (defaultParts.size() == 2 && !stored.contains(kPartSeparator)) {
        const QString alternative = storedString(settings, key + QStringLiteral("Alt"));
        return stored + kPartSeparator +
               (isValidShortcutBinding(alternative) ? alternative : defaultParts.last());
    }
    return stored;
}

quint64 shortcutModifiers(const SVKeyPress& event) {
    return event.modifiers & kShortcutModifierMask;
}

QString keyNameForEvent(const SVKeyPress& event) {
    const auto named = keyNames().constFind(event.keyCode);
    if (named != keyNames().constEnd())
        return named.value();
    const QString& characters = event.charactersIgnoringModifiers;
    if (!characters.isEmpty() && characters.at(0).unicode() > 31)
        return characters.toUpper();
    return QStringLiteral("Key %1").arg(event.keyCode);
}

QString displayForEvent(const SVKeyPress& event) {
    return modifierSymbols(event) + keyNameForEvent(event);
}

QString bindingTokenForEvent(const SVKeyPress& event) {
    return QStringLiteral("K%1;M%2;D%3")
        .arg(event.keyCode)
        .arg(shortcutModifiers(event))
        .arg(storableDisplay(event));
}

QString displayForBinding(const QString& binding) {
    const QStringList parts = binding.split(kPartSeparator);
    if (parts.size() > 1) {
        QStringList displays;
        for (const QString& part : parts)
            displays << displayForBinding(part);
        return displays.join(QStringLiteral(" / "));
    }
    const qsizetype named = shortcutChoices().indexOf(binding);
    if (named >= 0)
        return shortcutDisplayNames().at(named);
    const qsizetype display = binding.indexOf(QStringLiteral(";D"));
    if (display >= 0)
        return binding.mid(display + 2);
    return binding;
}

QStringList signaturesForBinding(const QString& binding) {
    QStringList signatures;
    for (const QString& part : binding.split(kPartSeparator)) {
        const auto named = namedSignatures().constFind(part);
        if (named != namedSignatures().constEnd()) {
            signatures << named.value();
        } else if (isRecordedPart(part)) {
            const QStringList fields = part.split(QLatin1Char(';'));
            signatures << fields[0] + fields[1];
        } else {
            signatures << part;
        }
    }
    return signatures;
}

bool eventMatchesBinding(const SVKeyPress& event, const QString& binding) {
    if (binding.contains(kPartSeparator)) {
        for (const QString& part : binding.split(kPartSeparator)) {
            if (eventMatchesBinding(event, part))
                return true;
        }
        return false;
    }
    if (const std::optional<RecordedKey> recorded = recordedKey(binding))
        return event.keyCode == recorded->keyCode &&
               shortcutModifiers(event) == recorded->modifiers;
    return isNamedKey(binding) && namedKeyMatches(event, binding);
}

QString actionForEvent(const SVKeyPress& event) {
    for (const QString& action : shortcutActions()) {
        if (eventMatchesBinding(event, bindingForAction(action)))
            return action;
    }
    return QString();
}

}  // namespace SVShortcuts
