#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// A modal alert: a message, an informative text, an optional one-line text field, and buttons
// of which the first accepts (it is the default) and the last cancels (Escape).
struct SVAlert {
    QString message;
    QString informativeText;
    QStringList buttons;
    bool warning = false;
    // The text field, when `hasField`.
    bool hasField = false;
    QString fieldPlaceholder;
    QString fieldText;
    QSize fieldSize{280, 24};
};

// Which button was pressed (its index; -1 when the alert was closed otherwise) and the field's
// text.
struct SVAlertAnswer {
    int button = -1;
    QString fieldText;

    bool accepted() const { return button == 0; }
};

// Runs an alert to its answer. The window's is `runModalAlert`; tests put their own.
using SVAlertRunner = std::function<SVAlertAnswer(const SVAlert&)>;

// Shows the alert as a message box over `parent` and waits for the answer. A text field gets
// the keyboard focus.
SVAlertAnswer runModalAlert(QWidget* parent, const SVAlert& alert);
// An alert with one "OK" button.
SVAlert errorAlert(const QString& title, const QString& text);
