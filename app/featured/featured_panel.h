#pragma once

#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVariantList>
#include <QWidget>

#include <vector>

class QMenu;
class SVFeaturedCard;

// The featured panel over the results in the Desktop layout: the "FEATURED" heading with its
// collapse button, and the grid of cards. Of many entries it shows the most recently added ones
// that fit (two rows). What a card does is up to the listener of its signals.
class SVFeaturedPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeaderHeight = 24;
    static constexpr int kHeaderGap = 6;
    static constexpr const char* kEmptyHint =
        "Right-click a folder or playlist and choose “Add to Featured” to pin it here.";

    explicit SVFeaturedPanel(QWidget* parent = nullptr);

    // The entries in their stored order; `activeIndex` is the entry of the place shown (−1 for
    // none).
    void setEntries(const QVariantList& entries, int activeIndex);
    void setActiveIndex(int activeIndex);
    void setColumns(int featuredColumns);
    void setCollapsed(bool collapsed);
    bool collapsed() const { return _collapsed; }
    // Draws every card's avatar again (theme, or a new custom picture).
    void redrawAvatars();

    // The cards on screen, in grid order.
    const std::vector<SVFeaturedCard*>& cards() const { return _cards; }
    QPushButton* toggleButton() const { return _toggle; }
    QLabel* heading() const { return _heading; }
    QLabel* emptyHint() const { return _emptyHint; }
    // The card's context menu: "Rename Featured Set…" (cards without a custom avatar) and
    // "Remove from Featured". The caller runs it.
    QMenu* contextMenuForCard(SVFeaturedCard* card);
    // The height of the heading and the grid for a panel `width` wide.
    int featuredGridHeightForWidth(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

  signals:
    void openRequested(int index);
    void renameRequested(int index);
    void removeRequested(int index);
    void avatarDropped(int index, const QUrl& url);
    void toggleRequested();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutCards();
    void showContextMenu(SVFeaturedCard* card, const QPoint& position);
    void updateToggle();

    QLabel* _heading;
    QPushButton* _toggle;
    QLabel* _emptyHint;
    QVariantList _entries;
    std::vector<SVFeaturedCard*> _cards;
    int _activeIndex = -1;
    int _columns = 6;
    bool _collapsed = false;
};
