#include "app/results/row_button.h"

#include <QPainter>
#include <QPainterPath>

#include "app/accessibility/accessible_controls.h"
#include "app/theme/theme.h"

SVRowButton::SVRowButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setLook({});
}

void SVRowButton::setLook(const SVRowButtonLook& look) {
    _look = look;
    QFont font = this->font();
    font.setPixelSize(look.pixelSize);
    font.setWeight(look.weight);
    font.setUnderline(look.underline);
    setFont(font);
    updateGeometry();
    update();
}

QSize SVRowButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

QSize SVRowButton::minimumSizeHint() const {
    return sizeHint();
}

void SVRowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const QColor fill = enabled ? _look.fill : _look.disabledFill;
    if (fill.isValid()) {
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = std::min(box.width(), box.height()) / 2.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? fill.darker(115) : fill);
        painter.drawRoundedRect(box, radius, radius);
    }
    const QColor text = enabled ? _look.text : _look.disabledText;
    painter.setPen(text.isValid() ? text : palette().color(QPalette::ButtonText));
    painter.setFont(font());
    painter.drawText(rect(), static_cast<int>(_look.alignment | Qt::TextSingleLine), this->text());
}

SVRowCheckBox::SVRowCheckBox(QWidget* parent) : QCheckBox(parent) {
    setFocusPolicy(Qt::NoFocus);
    // The row follows the box's clicks, so a toggle from a screen reader is a click too.
    SVAccessibility::setToggleClicks(this);
}

void SVRowCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF((width() - 14) / 2.0, (height() - 14) / 2.0), QSizeF(14, 14));
    const QColor accent = SVTheme::selectedColor(SVTheme::kAccent);
    painter.setPen(QPen(isChecked() ? accent : SVTheme::grey(0.4), 1.0));
    painter.setBrush(isChecked() ? accent : SVTheme::grey(0.08));
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(box.left() + 3.5, box.center().y());
        tick.lineTo(box.left() + 6.0, box.bottom() - 4.0);
        tick.lineTo(box.right() - 3.0, box.top() + 3.5);
        painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
}

bool SVRowCheckBox::hitButton(const QPoint& position) const {
    return rect().contains(position);
}
