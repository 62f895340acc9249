#include "app/featured/featured_name_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SVFeaturedNameDialog::SVFeaturedNameDialog(const QString& title, QWidget* parent)
    : QDialog(parent),
      _name(new QLineEdit(title, this)),
      _save(new QPushButton(QStringLiteral("Save"), this)),
      _cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Name Featured Set"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);
    auto* message = new QLabel(QStringLiteral("Name Featured Set"), this);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    auto* informative =
        new QLabel(QStringLiteral("This name is shown beside its initial avatar."), this);
    informative->setWordWrap(true);
    layout->addWidget(message);
    layout->addWidget(informative);
    _name->setAccessibleName(QStringLiteral("Featured set name"));
    _name->setMinimumWidth(260);
    _name->selectAll();
    layout->addWidget(_name);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    _cancel->setAutoDefault(false);
    _save->setDefault(true);
    buttons->addWidget(_cancel);
    buttons->addWidget(_save);
    layout->addLayout(buttons);
    connect(_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(_save, &QPushButton::clicked, this, &SVFeaturedNameDialog::save);
    _name->setFocus();
}

void SVFeaturedNameDialog::save() {
    const QString title = _name->text().trimmed();
    if (!title.isEmpty())
        emit saved(title);
    accept();
}
