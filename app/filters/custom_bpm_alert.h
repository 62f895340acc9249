#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;
class QPushButton;

// The "Custom BPM" alert: a text field holding "120" and the buttons "Apply" and "Cancel".
class SVCustomBpmAlert : public QDialog {
    Q_OBJECT
  public:
    explicit SVCustomBpmAlert(QWidget* parent = nullptr);

    QLineEdit* field() const { return _field; }
    QPushButton* applyButton() const { return _apply; }
    QPushButton* cancelButton() const { return _cancel; }

    // Runs the alert; the text entered when "Apply" was pressed, nothing for "Cancel".
    static std::optional<QString> ask(QWidget* parent);

  private:
    QLineEdit* _field;
    QPushButton* _apply;
    QPushButton* _cancel;
};
