#include "app/featured/featured_panel.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QResizeEvent>

#include "app/featured/featured_avatars.h"
#include "app/featured/featured_card.h"
#include "app/featured/featured_grid_layout.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace {

constexpr int kHintHeight = 20;

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

}  // namespace

SVFeaturedPanel::SVFeaturedPanel(QWidget* parent)
    : QWidget(parent),
      _heading(new QLabel(QStringLiteral("FEATURED"), this)),
      _toggle(new QPushButton(this)),
      _emptyHint(new QLabel(QString::fromUtf8(kEmptyHint), this)) {
    setObjectName(QStringLiteral("featuredPanel"));
    _heading->setStyleSheet(QStringLiteral("color: %1; font-size: 10px; font-weight: 600;")
                                .arg(css(SVTheme::grey(0.46))));
    _toggle->setFlat(true);
    _toggle->setCursor(Qt::PointingHandCursor);
    _toggle->setFocusPolicy(Qt::TabFocus);
    _toggle->setFixedSize(22, 20);
    SVTheme::bindStyleSheet(_toggle, [] {
        return QStringLiteral(
                   "QPushButton { border: none; color: %1; font-size: 12px; }"
                   "QPushButton:focus { color: %2; }")
            .arg(css(SVTheme::grey(0.6)), css(SVTheme::selectedColor(SVTheme::kAccent)));
    });
    _emptyHint->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(0.5))));
    _emptyHint->setWordWrap(false);
    connect(_toggle, &QPushButton::clicked, this, &SVFeaturedPanel::toggleRequested);
    SVTheme::onThemeChanged(this, [this] { redrawAvatars(); });
    updateToggle();
}

void SVFeaturedPanel::setEntries(const QVariantList& entries, int activeIndex) {
    _entries = entries;
    _activeIndex = activeIndex;
    layoutCards();
    updateGeometry();
}

void SVFeaturedPanel::setActiveIndex(int activeIndex) {
    _activeIndex = activeIndex;
    for (SVFeaturedCard* card : _cards)
        card->setActive(card->index() == activeIndex);
}

void SVFeaturedPanel::setColumns(int featuredColumns) {
    if (featuredColumns == _columns)
        return;
    _columns = featuredColumns;
    layoutCards();
    updateGeometry();
}

void SVFeaturedPanel::setCollapsed(bool collapsed) {
    if (collapsed == _collapsed)
        return;
    _collapsed = collapsed;
    updateToggle();
    layoutCards();
    updateGeometry();
}

void SVFeaturedPanel::redrawAvatars() {
    for (SVFeaturedCard* card : _cards)
        card->redrawAvatars();
}

void SVFeaturedPanel::updateToggle() {
    const QString action =
        _collapsed ? QStringLiteral("Show Featured") : QStringLiteral("Hide Featured");
    _toggle->setText(_collapsed ? QStringLiteral("▸") : QStringLiteral("▾"));
    _toggle->setToolTip(action);
    _toggle->setAccessibleName(action);
}

int SVFeaturedPanel::featuredGridHeightForWidth(int width) const {
    return SVFeaturedGrid::featuredGridHeightForWidth(width, _columns,
                                                      static_cast<int>(_entries.size()));
}

int SVFeaturedPanel::heightForWidth(int width) const {
    if (_collapsed)
        return kHeaderHeight;
    if (_entries.isEmpty())
        return kHeaderHeight + kHintHeight;
    return kHeaderHeight + kHeaderGap + featuredGridHeightForWidth(width);
}

QSize SVFeaturedPanel::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 600;
    return QSize(width, heightForWidth(width));
}

void SVFeaturedPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutCards();
}

void SVFeaturedPanel::layoutCards() {
    const int w = width();
    _heading->setGeometry(2, 0, std::max(w - 30, 0), kHeaderHeight);
    _toggle->move(std::max(w - _toggle->width(), 0), (kHeaderHeight - _toggle->height()) / 2);
    _emptyHint->setVisible(!_collapsed && _entries.isEmpty());
    _emptyHint->setGeometry(2, kHeaderHeight, std::max(w - 4, 0), kHintHeight);

    const std::vector<QRect> frames =
        _collapsed ? std::vector<QRect>{}
                   : SVFeaturedGrid::cardFrames(w, _columns, static_cast<int>(_entries.size()));
    const std::size_t shown = frames.size();
    while (_cards.size() > shown) {
        SVFeaturedCard* card = _cards.back();
        _cards.pop_back();
        card->hide();
        card->deleteLater();
    }
    while (_cards.size() < shown) {
        auto* card = new SVFeaturedCard(this);
        connect(card, &QAbstractButton::clicked, this,
                [this, card] { emit openRequested(card->index()); });
        connect(card, &SVFeaturedCard::avatarDropped, this, &SVFeaturedPanel::avatarDropped);
        connect(card, &QWidget::customContextMenuRequested, this,
                [this, card](const QPoint& position) { showContextMenu(card, position); });
        _cards.push_back(card);
    }
    // The most recently added entries are the ones shown, in their stored order.
    const int first = static_cast<int>(_entries.size()) - static_cast<int>(shown);
    QWidget* previous = _toggle;
    for (std::size_t i = 0; i < shown; ++i) {
        SVFeaturedCard* card = _cards[i];
        const int index = first + static_cast<int>(i);
        card->setEntry(index, _entries[index].toMap());
        card->setActive(index == _activeIndex);
        card->setGeometry(frames[i].translated(0, kHeaderHeight + kHeaderGap));
        card->show();
        setTabOrder(previous, card);
        previous = card;
    }
}

QMenu* SVFeaturedPanel::contextMenuForCard(SVFeaturedCard* card) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int index = card->index();
    if (SVFeaturedAvatars::avatarFileForEntry(card->entry()).isEmpty()) {
        QAction* rename = menu->addAction(QStringLiteral("Rename Featured Set…"));
        rename->setData(index);
        connect(rename, &QAction::triggered, this, [this, index] { emit renameRequested(index); });
    }
    QAction* remove = menu->addAction(QStringLiteral("Remove from Featured"));
    remove->setData(index);
    connect(remove, &QAction::triggered, this, [this, index] { emit removeRequested(index); });
    return menu;
}

void SVFeaturedPanel::showContextMenu(SVFeaturedCard* card, const QPoint& position) {
    QMenu* menu = contextMenuForCard(card);
    menu->popup(card->mapToGlobal(position));
}
