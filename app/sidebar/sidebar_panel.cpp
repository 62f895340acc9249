#include "app/sidebar/sidebar_panel.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/sidebar/category_buttons.h"
#include "app/sidebar/folder_outline.h"
#include "app/sidebar/playlist_list.h"
#include "app/sidebar/sidebar_button.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

SVSidebarPanel::SVSidebarPanel(QWidget* parent)
    : QWidget(parent),
      _layout(new QVBoxLayout(this)),
      _categoryButtons(new SVCategoryButtons(this)),
      _outline(new SVFolderOutline(this)),
      _playlistHeading(new SVSidebarHeading(QStringLiteral("PLAYLISTS"), this)),
      _addFolder(new QPushButton(QStringLiteral("+  Add Sample Folder"), this)) {
    _layout->setContentsMargins(16, 20, 14, 16);
    _layout->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("SAMPLE VORLAN"), this);
    title->setStyleSheet(QStringLiteral("color: white; font-size: 15pt; font-weight: 700;"));
    auto* tagline = new QLabel(QStringLiteral("Enjoy finding your samples easily."), this);
    tagline->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12pt;").arg(SVTheme::grey(0.62).name()));
    tagline->setWordWrap(true);
    _layout->addWidget(title);
    _layout->addWidget(tagline);
    _layout->addSpacing(12);
    _layout->addWidget(_categoryButtons);
    _layout->addWidget(new SVSidebarHeading(QStringLiteral("FOLDERS"), this));
    _layout->addWidget(_outline, 1);
    _layout->addWidget(_playlistHeading);
    _playlistHeading->hide();
    _layout->addSpacing(10);
    _addFolder->setCursor(Qt::PointingHandCursor);
    _addFolder->setAccessibleName(QStringLiteral("Add Sample Folder"));
    SVTheme::bindStyleSheet(_addFolder, [] {
        return QStringLiteral(
                   "QPushButton { color: white; background: %1; border: none; border-radius: 8px; "
                   "padding: 8px 12px; font-size: 13px; font-weight: 600; }")
            .arg(SVTheme::selectedColor(SVTheme::kAccent).name());
    });
    _layout->addWidget(_addFolder);
    connect(_addFolder, &QPushButton::clicked, this, &SVSidebarPanel::addLibraryRequested);
}

void SVSidebarPanel::setPlaylistList(SVPlaylistList* list) {
    if (list == _playlistList)
        return;
    if (_playlistList) {
        _playlistList->hide();
        _playlistList->deleteLater();
    }
    _playlistList = list;
    _playlistHeading->setVisible(list != nullptr);
    if (!list)
        return;
    list->setParent(this);
    _layout->insertWidget(_layout->indexOf(_playlistHeading) + 1, list);
    list->show();
    // Tab goes down the column: outline, playlists, "Add Sample Folder".
    QWidget::setTabOrder(_outline, list);
    QWidget::setTabOrder(list, _addFolder);
}

void SVSidebarPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), SVTheme::selectedColor(SVTheme::kBackground));
    painter.setPen(SVTheme::grey(1.0, 0.06));
    painter.drawLine(QPointF(width() - 0.5, 0), QPointF(width() - 0.5, height()));
}
