#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QString>
#include <QUrl>
#include <QVariantMap>

class QMimeData;

// One featured set: its avatar and title on a card 50 high. Clicking (or Space on the focused
// card) opens it; an image file dropped on it becomes its avatar; its context menu is the
// panel's. Drawn active while the results show its folder or playlist.
class SVFeaturedCard : public QAbstractButton {
    Q_OBJECT
  public:
    static constexpr const char* kToolTip =
        "Open featured set • Drop an image here to change its avatar";

    explicit SVFeaturedCard(QWidget* parent = nullptr);

    // `index` is the entry's place in the featured list (the card's tag).
    void setEntry(int index, const QVariantMap& entry);
    int index() const { return _index; }
    QString uuid() const { return _entry.value(QStringLiteral("uuid")).toString(); }
    const QVariantMap& entry() const { return _entry; }
    void setActive(bool active);
    bool active() const { return _active; }
    // Draws the avatars again (the theme changed).
    void redrawAvatars();

    // A drag the card takes: exactly one local file that is an image.
    static bool acceptsDrag(const QMimeData* data);

  signals:
    void avatarDropped(int index, const QUrl& url);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void updateAccessibleText();
    bool highlighted() const { return _hovered || _dropTarget; }

    QVariantMap _entry;
    int _index = -1;
    bool _active = false;
    bool _hovered = false;
    bool _dropTarget = false;
    QPixmap _avatar;
    QPixmap _highlightedAvatar;
};
