#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QKeyEvent;

// The transport and browsing shortcuts of the main window: one application-wide key filter
// that matches every key press against the stored bindings and performs the first action
// that matches.
class SVKeyboardShortcuts : public QObject {
    Q_OBJECT
  public:
    using Performer = std::function<void(const QString& actionId)>;

    // `perform` runs an action id of the shortcut table; `deselectAll` clears the result rows'
    // selection (Esc). The object is a child of `mainWindow`.
    SVKeyboardShortcuts(QWidget* mainWindow, Performer perform, std::function<void()> deselectAll);
    ~SVKeyboardShortcuts() override;

    // Installs the application-wide filter. Idempotent.
    void installTransportShortcuts();
    bool isInstalled() const { return _installed; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Whether the key press is consumed; actions run only when `perform` is set, so the same
    // decision answers Qt's shortcut override without side effects.
    bool handleKey(QObject* receiver, const QKeyEvent& event, bool perform);
    bool isMainWindowEvent(QObject* receiver) const;

    QPointer<QWidget> _mainWindow;
    Performer _perform;
    std::function<void()> _deselectAll;
    bool _installed = false;
};
