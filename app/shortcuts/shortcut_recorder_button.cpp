#include "app/shortcuts/shortcut_recorder_button.h"

#include <QKeyEvent>
#include <QPainter>

#include "app/shortcuts/mac_key_codes.h"
#include "app/theme/theme.h"

SVShortcutRecorderButton::SVShortcutRecorderButton(QWidget* parent) : QPushButton(parent) {
    // Tab must not walk into a recorder: with the focus it takes every key.
    setFocusPolicy(Qt::ClickFocus);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &SVShortcutRecorderButton::beginCapture);
}

void SVShortcutRecorderButton::setRecordedBinding(const QString& binding) {
    _recordedBinding = binding;
}

void SVShortcutRecorderButton::setRecordedTitle(const QString& title) {
    _recordedTitle = title;
    if (!_capturing)
        showRecordedTitle();
}

void SVShortcutRecorderButton::beginCapture() {
    _capturing = true;
    setFocus(Qt::MouseFocusReason);
    setText(QStringLiteral("Press shortcut…"));
    update();
}

void SVShortcutRecorderButton::keyDown(const QKeyEvent& event) {
    if (const std::optional<SVKeyPress> press = SVMacKeys::keyPressFromEvent(event))
        keyDown(*press);
}

void SVShortcutRecorderButton::keyDown(const SVKeyPress& press) {
    if (press.keyCode == SVShortcuts::kEscapeKeyCode) {
        endCapture();
        return;
    }
    if (_captureHandler)
        _captureHandler(this, press);
}

void SVShortcutRecorderButton::endCapture() {
    _capturing = false;
    showRecordedTitle();
    if (hasFocus())
        clearFocus();
    update();
}

bool SVShortcutRecorderButton::event(QEvent* event) {
    // With the focus, every key is recorded: menu shortcuts, Tab and Space included.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            keyDown(*key);
        return true;
    }
    if (event->type() == QEvent::KeyRelease)
        return true;
    return QPushButton::event(event);
}

void SVShortcutRecorderButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    _capturing = false;
    showRecordedTitle();
    update();
}

void SVShortcutRecorderButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (!_capturing)
        return;
    QPainter painter(this);
    painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kAccent), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void SVShortcutRecorderButton::showRecordedTitle() {
    // "&" would otherwise become a mnemonic underline.
    setText(QString(_recordedTitle).replace(QLatin1Char('&'), QStringLiteral("&&")));
}
