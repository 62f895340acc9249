#include "app/shortcuts/customize_shortcuts_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QVBoxLayout>

#include "app/shortcuts/shortcut_recorder_button.h"
#include "app/theme/theme.h"
#include "app/window/settings.h"

namespace {

constexpr int kRowHeight = 34;
constexpr int kRecorderWidth = 120;
constexpr int kRecorderHeight = 26;

QStringList currentBindings() {
    QStringList bindings;
    for (const QString& action : SVShortcuts::shortcutActions())
        bindings << SVShortcuts::bindingForAction(action);
    return bindings;
}

void applyDarkAppearance(QWidget* dialog) {
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, SVTheme::grey(0.14));
    palette.setColor(QPalette::WindowText, SVTheme::grey(0.9));
    palette.setColor(QPalette::Base, SVTheme::grey(0.1));
    palette.setColor(QPalette::Text, SVTheme::grey(0.9));
    palette.setColor(QPalette::Button, SVTheme::grey(0.22));
    palette.setColor(QPalette::ButtonText, SVTheme::grey(0.9));
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
}

QPushButton* addButton(QHBoxLayout* layout, QWidget* parent, const QString& title,
                       const QString& name) {
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

}  // namespace

SVCustomizeShortcutsDialog::SVCustomizeShortcutsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Customize Shortcuts"));
    applyDarkAppearance(this);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("Click a shortcut field, then press the key or key combination you want."),
        this);
    text->setWordWrap(true);
    layout->addWidget(text);
    _rowsHolder = new QWidget(this);
    _rows = new QGridLayout(_rowsHolder);
    _rows->setContentsMargins(0, 0, 0, 0);
    _rows->setVerticalSpacing(0);
    layout->addWidget(_rowsHolder);

    auto* buttons = new QHBoxLayout;
    QPushButton* restore = addButton(buttons, this, QStringLiteral("Restore Defaults"),
                                     QStringLiteral("restoreDefaultsButton"));
    buttons->addStretch(1);
    QPushButton* cancel =
        addButton(buttons, this, QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    QPushButton* save =
        addButton(buttons, this, QStringLiteral("Save"), QStringLiteral("saveButton"));
    save->setDefault(true);
    layout->addLayout(buttons);
    connect(restore, &QPushButton::clicked, this, &SVCustomizeShortcutsDialog::restoreDefaults);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &SVCustomizeShortcutsDialog::save);

    _alert = [](QWidget* owner, const QString& title, const QString& message) {
        QMessageBox::warning(owner, title, message);
    };
    setWorkingBindings(currentBindings());
}

SVCustomizeShortcutsDialog* SVCustomizeShortcutsDialog::customizeShortcuts(QWidget* parent) {
    auto* dialog = new SVCustomizeShortcutsDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void SVCustomizeShortcutsDialog::setWorkingBindings(const QStringList& bindings) {
    _working = bindings;
    buildRows();
}

void SVCustomizeShortcutsDialog::buildRows() {
    _recorders.clear();
    while (QLayoutItem* item = _rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QStringList& actions = SVShortcuts::shortcutActions();
    for (int row = 0; row < actions.size(); ++row) {
        _rows->setRowMinimumHeight(row, kRowHeight);
        _rows->addWidget(new QLabel(SVShortcuts::shortcutLabels().at(row), _rowsHolder), row, 0);
        const QStringList defaults =
            SVShortcuts::defaultShortcuts().at(row).split(QLatin1Char('|'));
        const QStringList working =
            row < _working.size() ? _working.at(row).split(QLatin1Char('|')) : QStringList();
        QList<SVShortcutRecorderButton*> recorders;
        for (int part = 0; part < defaults.size(); ++part) {
            const QString binding = part < working.size() && !working.at(part).isEmpty()
                                        ? working.at(part)
                                        : defaults.at(part);
            auto* recorder = new SVShortcutRecorderButton(_rowsHolder);
            recorder->setFixedSize(kRecorderWidth, kRecorderHeight);
            recorder->setRecordedBinding(binding);
            recorder->setRecordedTitle(SVShortcuts::displayForBinding(binding));
            recorder->setCaptureHandler(
                [this](SVShortcutRecorderButton* button, const SVKeyPress& press) {
                    capture(button, press);
                });
            _rows->addWidget(recorder, row, part + 1);
            recorders << recorder;
        }
        _recorders << recorders;
    }
}

QStringList SVCustomizeShortcutsDialog::editedBindings() const {
    QStringList bindings;
    for (const QList<SVShortcutRecorderButton*>& row : _recorders) {
        QStringList parts;
        for (const SVShortcutRecorderButton* recorder : row)
            parts << recorder->recordedBinding();
        bindings << parts.join(QLatin1Char('|'));
    }
    return bindings;
}

SVShortcutRecorderButton* SVCustomizeShortcutsDialog::recorder(int actionIndex, int part) const {
    if (actionIndex < 0 || actionIndex >= _recorders.size())
        return nullptr;
    const QList<SVShortcutRecorderButton*>& row = _recorders.at(actionIndex);
    return part >= 0 && part < row.size() ? row.at(part) : nullptr;
}

void SVCustomizeShortcutsDialog::capture(SVShortcutRecorderButton* recorder,
                                         const SVKeyPress& press) {
    const QString token = SVShortcuts::bindingTokenForEvent(press);
    for (const QList<SVShortcutRecorderButton*>& row : std::as_const(_recorders)) {
        for (const SVShortcutRecorderButton* other : row) {
            if (other != recorder &&
                SVShortcuts::eventMatchesBinding(press, other->recordedBinding())) {
                recorder->endCapture();
                alert(QStringLiteral("Shortcut Already In Use"),
                      QStringLiteral("%1 is already assigned to another function.")
                          .arg(SVShortcuts::displayForBinding(token)));
                return;
            }
        }
    }
    recorder->setRecordedBinding(token);
    recorder->setRecordedTitle(SVShortcuts::displayForBinding(token));
    recorder->endCapture();
}

void SVCustomizeShortcutsDialog::save() {
    const QStringList edited = editedBindings();
    QSet<QString> seen;
    for (const QString& binding : edited) {
        for (const QString& signature : SVShortcuts::signaturesForBinding(binding)) {
            if (seen.contains(signature)) {
                alert(QStringLiteral("Shortcut Conflict"),
                      QStringLiteral("Each key combination can only be assigned once."));
                setWorkingBindings(edited);
                return;
            }
            seen.insert(signature);
        }
    }
    QSettings settings = SVSettings::open();
    const QStringList& actions = SVShortcuts::shortcutActions();
    for (int i = 0; i < actions.size() && i < edited.size(); ++i)
        settings.setValue(SVShortcuts::settingsKey(actions.at(i)), edited.at(i));
    settings.sync();
    emit saved();
    accept();
}

void SVCustomizeShortcutsDialog::restoreDefaults() {
    setWorkingBindings(SVShortcuts::defaultShortcuts());
}

void SVCustomizeShortcutsDialog::alert(const QString& title, const QString& text) {
    if (_alert)
        _alert(this, title, text);
}
