#include "app/menus/alert.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Puts the field under the texts, above the buttons.
void insertField(QMessageBox& box, QLineEdit* field) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    if (!grid || !buttons) {
        box.layout()->addWidget(field);
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttons);
    grid->addWidget(field, row, 2, 1, 1, Qt::AlignLeft);
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
}

}  // namespace

SVAlertAnswer runModalAlert(QWidget* parent, const SVAlert& alert) {
    QMessageBox box(parent);
    box.setIcon(alert.warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    box.setWindowTitle(alert.message);
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    box.setTextFormat(Qt::PlainText);
    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    std::vector<QPushButton*> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const bool cancels = i > 0 && i == titles.size() - 1;
        QPushButton* button = box.addButton(
            titles[i], i == 0 ? QMessageBox::AcceptRole
                              : (cancels ? QMessageBox::RejectRole : QMessageBox::ActionRole));
        button->setAccessibleName(titles[i]);
        buttons.push_back(button);
    }
    box.setDefaultButton(buttons.front());
    if (titles.size() > 1)
        box.setEscapeButton(buttons.back());
    QLineEdit* field = nullptr;
    if (alert.hasField) {
        field = new QLineEdit(&box);
        field->setFixedSize(alert.fieldSize);
        field->setPlaceholderText(alert.fieldPlaceholder);
        field->setAccessibleName(alert.fieldPlaceholder);
        field->setText(alert.fieldText);
        insertField(box, field);
        QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
    }
    box.exec();
    SVAlertAnswer answer;
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    answer.button = pressed == buttons.end() ? -1 : static_cast<int>(pressed - buttons.begin());
    if (field)
        answer.fieldText = field->text();
    return answer;
}

SVAlert errorAlert(const QString& title, const QString& text) {
    SVAlert alert;
    alert.message = title;
    alert.informativeText = text;
    alert.buttons = {QStringLiteral("OK")};
    alert.warning = true;
    return alert;
}
