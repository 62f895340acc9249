#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Name Featured Set": the name a card shows beside its letter avatar. Save reports the new
// name (trimmed; an empty one changes nothing); Cancel leaves it.
class SVFeaturedNameDialog : public QDialog {
    Q_OBJECT
  public:
    SVFeaturedNameDialog(const QString& title, QWidget* parent = nullptr);

    QLineEdit* nameField() const { return _name; }
    QPushButton* saveButton() const { return _save; }
    QPushButton* cancelButton() const { return _cancel; }

    void save();

  signals:
    void saved(const QString& title);

  private:
    QLineEdit* _name;
    QPushButton* _save;
    QPushButton* _cancel;
};
