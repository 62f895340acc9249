#include "app/sidebar/sidebar_panel.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/sidebar/playlist_list.h"
#include "app/theme/theme.h"

SVSidebarPanel::SVSidebarPanel(QWidget* parent)
    : QWidget(parent), _addFolder(new QPushButton(QStringLiteral("＋  Add Sample Folder"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 22, 16, 18);
    layout->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("SAMPLE VORLAN"), this);
    title->setStyleSheet(QStringLiteral("color: white; font-size: 15pt; font-weight: 700;"));
    auto* tagline = new QLabel(QStringLiteral("Enjoy finding your samples easily."), this);
    tagline->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12pt;").arg(SVTheme::grey(0.62).name()));
    tagline->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(tagline);
    layout->addStretch(1);
    _addFolder->setAccessibleName(QStringLiteral("Add Sample Folder"));
    _addFolder->setCursor(Qt::PointingHandCursor);
    _addFolder->setStyleSheet(
        QStringLiteral(
            "QPushButton { color: white; background: %1; border: none; border-radius: 8px; "
            "padding: 8px 12px; font-size: 13px; font-weight: 600; }")
            .arg(SVTheme::selectedColor(SVTheme::kAccent).name()));
    layout->addWidget(_addFolder);
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
    if (!_playlistHeading) {
        _playlistHeading = new QLabel(QStringLiteral("PLAYLISTS"), this);
        _playlistHeading->setStyleSheet(
            QStringLiteral("color: %1; font-size: 11px; font-weight: 700; padding-top: 14px;")
                .arg(SVTheme::grey(0.62).name()));
        layout()->addWidget(_playlistHeading);
    }
    _playlistHeading->setVisible(list != nullptr);
    if (!list)
        return;
    list->setParent(this);
    layout()->addWidget(list);
    list->show();
}

void SVSidebarPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), SVTheme::selectedColor(SVTheme::kBackground));
    painter.setPen(SVTheme::grey(1.0, 0.06));
    painter.drawLine(QPointF(width() - 0.5, 0), QPointF(width() - 0.5, height()));
}
