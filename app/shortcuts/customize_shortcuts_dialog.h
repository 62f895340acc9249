#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "app/shortcuts/shortcut_bindings.h"

class QGridLayout;
class SVShortcutRecorderButton;

// "Customize Shortcuts": one row per action with one recorder per part of its default binding.
// Save writes every action's binding to the settings unless a key combination is assigned
// twice; Restore Defaults refills the rows with the default bindings.
class SVCustomizeShortcutsDialog : public QDialog {
    Q_OBJECT
  public:
    using AlertFunction =
        std::function<void(QWidget* parent, const QString& title, const QString& text)>;

    // Starts from the current bindings of every action.
    explicit SVCustomizeShortcutsDialog(QWidget* parent = nullptr);

    // Opens a dialog that deletes itself when closed, without blocking.
    static SVCustomizeShortcutsDialog* customizeShortcuts(QWidget* parent);

    // Alerts are warnings in a message box unless replaced.
    void setAlertFunction(AlertFunction alert) { _alert = std::move(alert); }

    // Refills the rows from one binding per action (in the order of the action table).
    void setWorkingBindings(const QStringList& bindings);
    QStringList workingBindings() const { return _working; }
    // The recorders' values of each action joined with "|".
    QStringList editedBindings() const;
    SVShortcutRecorderButton* recorder(int actionIndex, int part) const;

    // The buttons' actions.
    void save();
    void restoreDefaults();

  signals:
    void saved();

  private:
    void buildRows();
    void capture(SVShortcutRecorderButton* recorder, const SVKeyPress& press);
    void alert(const QString& title, const QString& text);

    QStringList _working;
    QGridLayout* _rows = nullptr;
    QWidget* _rowsHolder = nullptr;
    QList<QList<SVShortcutRecorderButton*>> _recorders;
    AlertFunction _alert;
};
