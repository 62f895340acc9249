#include "app/inspector/artwork_well.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/theme/theme.h"

namespace {

class ArtworkWellAccessible : public QAccessibleWidget {
  public:
    explicit ArtworkWellAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            static_cast<SVArtworkWell*>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* artworkWellAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("SVArtworkWell") && object && object->isWidgetType())
        return new ArtworkWellAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

SVArtworkWell::SVArtworkWell(QWidget* parent) : SVArtworkDropView(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(artworkWellAccessible);
        return true;
    }();
    (void)installed;
    setFixedSize(kSide, kSide);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Pack artwork"));
    setAccessibleDescription(
        QStringLiteral("Choose an image, or drop one here, as the artwork "
                       "of the sample's folder"));
    setToolTip(QStringLiteral("Click or drop an image to set the pack artwork"));
}

void SVArtworkWell::click() {
    emit clicked();
}

void SVArtworkWell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        _pressed = true;
        event->accept();
        return;
    }
    SVArtworkDropView::mousePressEvent(event);
}

void SVArtworkWell::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = _pressed;
    _pressed = false;
    if (event->button() == Qt::LeftButton && wasPressed &&
        rect().contains(event->position().toPoint())) {
        event->accept();
        click();
        return;
    }
    SVArtworkDropView::mouseReleaseEvent(event);
}

void SVArtworkWell::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    SVArtworkDropView::keyPressEvent(event);
}

// The image rounded like the placeholder, on a faint surface while none is there yet, with a
// focus ring for the keyboard.
void SVArtworkWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 22, 22);
    const QPixmap image = pixmap();
    if (image.isNull()) {
        painter.fillPath(shape, SVTheme::grey(1.0, 0.04));
    } else {
        painter.setClipPath(shape);
        painter.drawPixmap(rect(), image);
        painter.setClipping(false);
    }
    if (hasFocus()) {
        painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kAccent), 2));
        painter.drawPath(shape);
    }
}
