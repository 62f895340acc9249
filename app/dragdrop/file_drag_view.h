#pragma once

#include <QIcon>
#include <QPointF>
#include <QUrl>
#include <QWidget>

#include "app/dragdrop/drag_and_drop.h"

// The player's drag handle: dragging it hands the loaded sample's file to another application
// (a music program, the file manager) as a copy. The player controller sets the file and dims
// the handle while nothing draggable is loaded.
class SVFileDragView : public QWidget {
    Q_OBJECT
  public:
    static constexpr double kDimmedOpacity = 0.42;
    // Distance the pointer has to travel from the press before the drag starts.
    static constexpr double kDragThreshold = 3.0;

    explicit SVFileDragView(QWidget* parent = nullptr);

    // An empty URL means no file.
    QUrl fileURL() const { return _fileURL; }
    void setFileURL(const QUrl& url);

    void setDimmed(bool dimmed);
    bool isDimmed() const { return _dimmed; }

    // Replaces the platform drag (tests observe the request instead).
    void setDragStarter(SVDragAndDrop::DragStarter starter) { _starter = std::move(starter); }

    QSize sizeHint() const override { return QSize(64, 44); }

  signals:
    void dragStarted(const QUrl& url);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void startDrag();

    QUrl _fileURL;
    bool _dimmed = false;
    bool _tracking = false;
    QPointF _pressPosition;
    QIcon _symbol;
    SVDragAndDrop::DragStarter _starter = SVDragAndDrop::execCopyDrag;
};
