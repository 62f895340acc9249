#include "app/inspector/side_panel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/inspector/inspector_view.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"
#include "app/window/settings.h"

namespace {

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

// The short guide shown until the help panel's full guide takes its place.
QWidget* makeShortGuide(QWidget* parent) {
    auto* guide = new QLabel(QStringLiteral("QUICK GUIDE\n\nClick a row to preview\nDrag samples "
                                            "into your DAW\nRight-click folders and playlists for "
                                            "options"),
                             parent);
    guide->setWordWrap(true);
    guide->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    guide->setTextInteractionFlags(Qt::TextSelectableByMouse);
    guide->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(0.7))));
    return guide;
}

}  // namespace

SVSidePanel::SVSidePanel(QWidget* parent)
    : QWidget(parent),
      _title(new QLabel(QStringLiteral("Guide & Shortcuts"), this)),
      _collapse(new QPushButton(this)),
      _pages(new QStackedWidget(this)),
      _guide(makeShortGuide(_pages)),
      _inspectorScroll(new QScrollArea(_pages)),
      _inspector(new SVInspectorView) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(12);
    auto* head = new QHBoxLayout;
    head->setSpacing(6);
    _title->setStyleSheet(QStringLiteral("color: %1; font-size: 13px; font-weight: 700;")
                              .arg(css(SVTheme::grey(0.92))));
    _collapse->setFlat(true);
    _collapse->setCursor(Qt::PointingHandCursor);
    _collapse->setFixedSize(24, 24);
    SVTheme::bindStyleSheet(_collapse, [] {
        return QStringLiteral(
                   "QPushButton { border: none; color: %1; "
                   "font-size: 15px; } QPushButton:focus { color: %2; }")
            .arg(css(SVTheme::grey(0.6)), css(SVTheme::selectedColor(SVTheme::kAccent)));
    });
    head->addWidget(_title, 1);
    head->addWidget(_collapse, 0, Qt::AlignTop);
    layout->addLayout(head);

    _inspectorScroll->setWidget(_inspector);
    _inspectorScroll->setWidgetResizable(true);
    _inspectorScroll->setFrameShape(QFrame::NoFrame);
    _inspectorScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _inspectorScroll->viewport()->setAutoFillBackground(false);
    _inspector->setAutoFillBackground(false);
    _pages->addWidget(_guide);
    _pages->addWidget(_inspectorScroll);
    layout->addWidget(_pages, 1);

    connect(_collapse, &QPushButton::clicked, this, &SVSidePanel::toggleHelp);
    setCollapsed(false);
}

void SVSidePanel::setInspectorActive(bool active) {
    _inspectorActive = active;
    _title->setText(active ? QStringLiteral("Sample Info") : QStringLiteral("Guide & Shortcuts"));
    _pages->setCurrentWidget(active ? static_cast<QWidget*>(_inspectorScroll) : _guide);
}

void SVSidePanel::setGuideContent(QWidget* content) {
    if (!content || content == _guide)
        return;
    const bool showing = _pages->currentWidget() == _guide;
    _pages->removeWidget(_guide);
    _guide->deleteLater();
    _guide = content;
    _pages->insertWidget(0, _guide);
    if (showing)
        _pages->setCurrentWidget(_guide);
}

void SVSidePanel::applyCollapsedSetting() {
    const QSettings settings = SVSettings::open();
    setCollapsed(settings.value(QLatin1String(kCollapsedKey), false).toBool());
}

void SVSidePanel::setCollapsed(bool collapsed) {
    _collapsed = collapsed;
    _title->setVisible(!collapsed);
    _pages->setVisible(!collapsed);
    const QString action =
        collapsed ? QStringLiteral("Expand side panel") : QStringLiteral("Collapse side panel");
    _collapse->setText(collapsed ? QStringLiteral("‹") : QStringLiteral("›"));
    _collapse->setToolTip(action);
    _collapse->setAccessibleName(action);
    layout()->setContentsMargins(collapsed ? 15 : 16, 14, collapsed ? 15 : 16, 16);
}

void SVSidePanel::toggleHelp() {
    const bool collapsed = !_collapsed;
    {
        QSettings settings = SVSettings::open();
        settings.setValue(QLatin1String(kCollapsedKey), collapsed);
    }
    setCollapsed(collapsed);
    emit collapsedChanged(collapsed);
}

void SVSidePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    painter.fillPath(shape, SVTheme::selectedColor(SVTheme::kPlayerBackground));
    painter.setPen(SVTheme::grey(1.0, 0.06));
    painter.drawPath(shape);
}
