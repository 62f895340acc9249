#include "app/dragdrop/artwork_drop_view.h"

#include <QDropEvent>
#include <QMimeData>

SVArtworkDropView::SVArtworkDropView(QWidget* parent) : QLabel(parent) {
    setAcceptDrops(true);
    setAlignment(Qt::AlignCenter);
}

bool SVArtworkDropView::acceptsDrag(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.front().isLocalFile();
}

void SVArtworkDropView::dragEnterEvent(QDragEnterEvent* event) {
    evaluate(event);
}

void SVArtworkDropView::dragMoveEvent(QDragMoveEvent* event) {
    evaluate(event);
}

void SVArtworkDropView::dropEvent(QDropEvent* event) {
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    const QString path = event->mimeData()->urls().front().toLocalFile();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (_imageDropHandler)
        _imageDropHandler(path);
}

void SVArtworkDropView::evaluate(QDropEvent* event) {
    if (acceptsDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
