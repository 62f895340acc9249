#pragma once

#include <QPushButton>
#include <QString>

#include <functional>

#include "app/shortcuts/shortcut_bindings.h"

class QKeyEvent;

// A button that records one key: a click starts the capture, the next key press other than Esc
// goes to the capture handler. Esc or losing the focus ends the capture unchanged.
class SVShortcutRecorderButton : public QPushButton {
    Q_OBJECT
  public:
    using CaptureHandler = std::function<void(SVShortcutRecorderButton*, const SVKeyPress&)>;

    explicit SVShortcutRecorderButton(QWidget* parent = nullptr);

    QString recordedBinding() const { return _recordedBinding; }
    void setRecordedBinding(const QString& binding);
    QString recordedTitle() const { return _recordedTitle; }
    void setRecordedTitle(const QString& title);
    void setCaptureHandler(CaptureHandler handler) { _captureHandler = std::move(handler); }
    bool isCapturing() const { return _capturing; }

    // Takes the focus and waits for a key: "Press shortcut…" inside an accent border.
    void beginCapture();
    // Esc restores the recorded title and gives up the focus; other keys go to the handler.
    void keyDown(const QKeyEvent& event);
    void keyDown(const SVKeyPress& press);
    // Shows the recorded title again and gives up the focus.
    void endCapture();

  protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void showRecordedTitle();

    QString _recordedBinding;
    QString _recordedTitle;
    CaptureHandler _captureHandler;
    bool _capturing = false;
};
