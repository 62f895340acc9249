#include "app/theme/settings_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/featured/featured_grid_layout.h"
#include "app/theme/theme.h"
#include "app/window/settings.h"

namespace {

QComboBox* makeChoice(const QString& name, const QStringList& items, const QString& current,
                      QWidget* parent) {
    auto* choice = new QComboBox(parent);
    choice->setObjectName(name.toLower() + QStringLiteral("Choice"));
    choice->addItems(items);
    choice->setCurrentIndex(std::max(static_cast<int>(items.indexOf(current)), 0));
    choice->setAccessibleName(name);
    choice->setMinimumWidth(140);
    return choice;
}

QStringList columnChoices() {
    QStringList choices;
    for (int columns = SVFeaturedGrid::kMinimumColumns; columns <= SVFeaturedGrid::kMaximumColumns;
         ++columns)
        choices << QString::number(columns);
    return choices;
}

}  // namespace

SVSettingsDialog::SVSettingsDialog(QWidget* parent)
    : QDialog(parent),
      _theme(
          makeChoice(QStringLiteral("Theme"), SVTheme::themeNames(), SVTheme::storedName(), this)),
      _columns(makeChoice(QStringLiteral("Columns"), columnChoices(),
                          QString::number(SVFeaturedGrid::featuredColumns()), this)),
      // The grid always has two rows; the choice says so rather than offering others.
      _rows(makeChoice(QStringLiteral("Rows"), {QString::number(SVFeaturedGrid::featuredRows())},
                       QString::number(SVFeaturedGrid::featuredRows()), this)),
      _apply(new QPushButton(QStringLiteral("Apply"), this)),
      _cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QString::fromUtf8(kTitle));
    setAccessibleName(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(14);
    auto* text = new QLabel(QString::fromUtf8(kText), this);
    text->setWordWrap(true);
    layout->addWidget(text);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    const auto addRow = [this, form](const QString& title, QComboBox* choice) {
        auto* label = new QLabel(title, this);
        label->setBuddy(choice);
        form->addRow(label, choice);
    };
    addRow(QStringLiteral("Theme"), _theme);
    addRow(QStringLiteral("Columns"), _columns);
    addRow(QStringLiteral("Rows"), _rows);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    _cancel->setObjectName(QStringLiteral("cancelButton"));
    _apply->setObjectName(QStringLiteral("applyButton"));
    _cancel->setAutoDefault(false);
    _apply->setDefault(true);
    buttons->addWidget(_cancel);
    buttons->addWidget(_apply);
    layout->addLayout(buttons);
    connect(_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(_apply, &QPushButton::clicked, this, &SVSettingsDialog::apply);
    _theme->setFocus();
}

SVSettingsDialog* SVSettingsDialog::showFeaturedSettings(QWidget* parent) {
    auto* dialog = new SVSettingsDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void SVSettingsDialog::apply() {
    {
        QSettings settings = SVSettings::open();
        settings.setValue(QLatin1String(SVTheme::kThemeKey), _theme->currentText());
        settings.setValue(QLatin1String(SVFeaturedGrid::kColumnsKey),
                          _columns->currentText().toInt());
        settings.setValue(QLatin1String(SVFeaturedGrid::kRowsKey), _rows->currentText().toInt());
        settings.sync();
    }
    emit applied();
    accept();
}
