#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QMimeData;

// The window's content: takes folders dragged in from other applications and hands them to
// the drop handler, which adds them as libraries. While such a drag hovers, an overlay above
// every other child invites the drop.
class SVDropView : public QWidget {
    Q_OBJECT
  public:
    using DropHandler = std::function<void(const QStringList& folders)>;

    explicit SVDropView(QWidget* parent = nullptr);

    // Receives the local paths of the dropped folders.
    void setDropHandler(DropHandler handler) { _dropHandler = std::move(handler); }
    QWidget* overlay() const { return _overlay; }

    static bool isExternalFolderDrag(const QMimeData* data, bool sourceInsideApp);
    static bool dragContainsFolder(const QMimeData* data);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Shows the overlay and offers a copy for a qualifying drag; hides it and refuses others.
    void evaluate(QDropEvent* event);
    void setOverlayShown(bool shown);

    DropHandler _dropHandler;
    QWidget* _overlay;
};
