#include "app/filters/custom_bpm_alert.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SVCustomBpmAlert::SVCustomBpmAlert(QWidget* parent)
    : QDialog(parent),
      _field(new QLineEdit(QStringLiteral("120"), this)),
      _apply(new QPushButton(QStringLiteral("Apply"), this)),
      _cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Custom BPM"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);
    auto* heading = new QLabel(QStringLiteral("Custom BPM"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* message =
        new QLabel(QStringLiteral("Enter a BPM from 20 to 300. Results use ±10 BPM."), this);
    message->setWordWrap(true);
    _field->setAccessibleName(QStringLiteral("BPM"));
    _field->setAccessibleDescription(message->text());
    _field->selectAll();
    _field->setMinimumWidth(220);
    layout->addWidget(heading);
    layout->addWidget(message);
    layout->addWidget(_field);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(_cancel);
    buttons->addWidget(_apply);
    layout->addLayout(buttons);
    _apply->setDefault(true);
    _apply->setAutoDefault(true);
    _cancel->setAutoDefault(false);
    connect(_apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(_cancel, &QPushButton::clicked, this, &QDialog::reject);
    _field->setFocus(Qt::OtherFocusReason);
}

std::optional<QString> SVCustomBpmAlert::ask(QWidget* parent) {
    SVCustomBpmAlert alert(parent);
    if (alert.exec() != QDialog::Accepted)
        return std::nullopt;
    return alert.field()->text();
}
