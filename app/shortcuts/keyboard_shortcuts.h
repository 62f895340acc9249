#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QKeyEvent;

// The transport and browsing shortcuts of the main window: one application-wide key filter
// that matches every key press against the stored bindings and performs the first action
// that matches. A control focused from the keyboard keeps the keys it works with (a button
// its Space, Return and Enter, a slider its arrows, …); every other shortcut works there too.
class SVKeyboardShortcuts : public QObject {
    Q_OBJECT
  public:
    using Performer = std::function<void(const QString& actionId)>;
    // A widget with this property set to true keeps Esc for itself while it has the focus.
    static constexpr const char* kOwnsEscapeProperty = "svOwnsEscape";

    // `perform` runs an action id of the shortcut table; `deselectAll` clears the result rows'
    // selection (Esc); `focusResults` gives the keyboard to the results after a click has left
    // it on a control. The object is a child of `mainWindow`.
    SVKeyboardShortcuts(QWidget* mainWindow, Performer perform, std::function<void()> deselectAll,
                        std::function<void()> focusResults = {});
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
    // A click on a button, slider or list leaves the keyboard with the results, so that Space
    // plays rather than pressing the control again.
    void handBackAfterClick(QObject* receiver);

    QPointer<QWidget> _mainWindow;
    bool _handBackQueued = false;
    Performer _perform;
    std::function<void()> _deselectAll;
    std::function<void()> _focusResults;
    bool _installed = false;
};
