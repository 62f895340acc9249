#include "app/sidebar/sidebar_button.h"

#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace {

constexpr QChar kThinSpace(0x2009);

}  // namespace

SVSidebarButton::SVSidebarButton(int tag, const QString& title, SVSidebarIcons::Symbol symbol,
                                 bool navigation, QWidget* parent)
    : QPushButton(navigation ? QString(kThinSpace) + title : title, parent),
      _tag(tag),
      _title(title) {
    setCheckable(true);
    setAutoExclusive(false);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setIcon(SVSidebarIcons::icon(symbol, SVTheme::grey(0.82)));
    setIconSize(QSize(16, 16));
    setFixedHeight(30);
    SVTheme::bindStyleSheet(this, [] {
        return QStringLiteral(
                   "QPushButton { text-align: left; padding-left: 10px; border: none; "
                   "border-radius: 7px; color: %1; background: transparent; "
                   "font-size: 13px; font-weight: 500; }"
                   "QPushButton:hover { background: %2; }"
                   "QPushButton:checked { background: %3; color: white; }"
                   "QPushButton:focus { border: 1px solid %4; }")
            .arg(SVTheme::grey(0.82).name(QColor::HexArgb),
                 SVTheme::grey(1.0, 0.06).name(QColor::HexArgb),
                 SVTheme::grey(1.0, 0.12).name(QColor::HexArgb),
                 SVTheme::selectedColor(SVTheme::kAccent).name(QColor::HexArgb));
    });
}

SVSidebarHeading::SVSidebarHeading(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setStyleSheet(
        QStringLiteral("color: %1; font-size: 10px; font-weight: 600; padding: 12px 0 2px 4px;")
            .arg(SVTheme::grey(0.46).name()));
}
