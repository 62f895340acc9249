#include "app/dragdrop/drop_view.h"

#include <QDropEvent>
#include <QPainter>

#include "app/dragdrop/drag_and_drop.h"
#include "app/theme/theme.h"

namespace {

// A dark translucent veil with an accent frame and the invitation in the middle.
class DropOverlay : public QWidget {
  public:
    explicit DropOverlay(QWidget* parent) : QWidget(parent) {
        // Drags and clicks pass through to the drop view and its children.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), QColor(0, 0, 0, 170));
        QPen frame(SVTheme::selectedColor(SVTheme::kAccent), 3, Qt::DashLine);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(12, 12, -12, -12), 14, 14);
        QFont font = painter.font();
        font.setPixelSize(22);
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("Drop folders to add to Sample Vorlan"));
    }
};

}  // namespace

SVDropView::SVDropView(QWidget* parent) : QWidget(parent), _overlay(new DropOverlay(this)) {
    setAcceptDrops(true);
    _overlay->hide();
}

bool SVDropView::isExternalFolderDrag(const QMimeData* data, bool sourceInsideApp) {
    return SVDragAndDrop::isExternalFolderDrag(data, sourceInsideApp);
}

bool SVDropView::dragContainsFolder(const QMimeData* data) {
    return SVDragAndDrop::dragContainsFolder(data);
}

void SVDropView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    _overlay->setGeometry(rect());
}

void SVDropView::dragEnterEvent(QDragEnterEvent* event) {
    evaluate(event);
}

void SVDropView::dragMoveEvent(QDragMoveEvent* event) {
    evaluate(event);
}

void SVDropView::dragLeaveEvent(QDragLeaveEvent* event) {
    setOverlayShown(false);
    event->accept();
}

void SVDropView::dropEvent(QDropEvent* event) {
    setOverlayShown(false);
    const bool sourceInsideApp = event->source() != nullptr;
    if (!isExternalFolderDrag(event->mimeData(), sourceInsideApp)) {
        event->ignore();
        return;
    }
    QStringList folders;
    for (const QUrl& url : event->mimeData()->urls())
        folders.append(url.toLocalFile());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (_dropHandler)
        _dropHandler(folders);
}

void SVDropView::evaluate(QDropEvent* event) {
    const bool sourceInsideApp = event->source() != nullptr;
    const bool qualifies = isExternalFolderDrag(event->mimeData(), sourceInsideApp);
    setOverlayShown(qualifies);
    if (qualifies) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void SVDropView::setOverlayShown(bool shown) {
    if (shown) {
        _overlay->setGeometry(rect());
        _overlay->raise();
        _overlay->show();
    } else {
        _overlay->hide();
    }
}
