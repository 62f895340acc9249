#include "app/accessibility/focus_ring.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

#include "app/theme/theme.h"

namespace {

constexpr int kOutset = 3;

bool isKeyboardReason(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
}

bool drawsOwnFocus(const QWidget* control) {
    return control->styleSheet().contains(QLatin1String(":focus"));
}

}  // namespace

SVFocusRing::SVFocusRing(QWidget* window) : QWidget(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Keyboard focus"));
    hide();
    qApp->installEventFilter(this);
}

SVFocusRing::~SVFocusRing() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool SVFocusRing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn: {
            auto* control = qobject_cast<QWidget*>(watched);
            if (!control || control->window() != window() || control == this)
                break;
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            follow(isKeyboardReason(reason) && !drawsOwnFocus(control) ? control : nullptr);
            break;
        }
        case QEvent::FocusOut:
            if (watched == _target)
                follow(nullptr);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            // The control moves with every folder it sits in.
            if (_target && watched->isWidgetType() &&
                (watched == _target || static_cast<QWidget*>(watched)->isAncestorOf(_target)))
                place();
            break;
        default:
            break;
    }
    return false;
}

void SVFocusRing::follow(QWidget* control) {
    _target = control;
    place();
}

void SVFocusRing::place() {
    if (!_target || !_target->isVisible()) {
        hide();
        return;
    }
    const QPoint topLeft = _target->mapTo(window(), QPoint(0, 0));
    setGeometry(QRect(topLeft, _target->size()).adjusted(-kOutset, -kOutset, kOutset, kOutset));
    raise();
    show();
    update();
}

void SVFocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kAccent), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), 6.0, 6.0);
}
