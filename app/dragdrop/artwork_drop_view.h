#pragma once

#include <QLabel>
#include <QString>

#include <functional>

class QMimeData;

// The inspector's artwork well: shows a folder's artwork and takes one image file dropped on
// it. What becomes of the file is up to the image drop handler.
class SVArtworkDropView : public QLabel {
    Q_OBJECT
  public:
    // Receives the local path of the dropped file.
    using ImageDropHandler = std::function<void(const QString& path)>;

    explicit SVArtworkDropView(QWidget* parent = nullptr);

    void setImageDropHandler(ImageDropHandler handler) { _imageDropHandler = std::move(handler); }
    // True when the drag carries exactly one file URL.
    static bool acceptsDrag(const QMimeData* data);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void evaluate(QDropEvent* event);

    ImageDropHandler _imageDropHandler;
};
