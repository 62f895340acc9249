#include "app/theme/application_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kSeparatorInset = 8;

bool isPlainMenuSeparator(QStyle::ControlElement element, const QStyleOption* option) {
    if (element != QStyle::CE_MenuItem)
        return false;
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    return item && item->menuItemType == QStyleOptionMenuItem::Separator && item->text.isEmpty();
}

}  // namespace

SVApplicationStyle::SVApplicationStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void SVApplicationStyle::drawControl(ControlElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (!isPlainMenuSeparator(element, option)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QColor line = option->palette.color(QPalette::WindowText);
    line.setAlphaF(0.22f);
    const QRect& rect = option->rect;
    const int y = rect.center().y();
    painter->save();
    painter->setPen(QPen(line, 1));
    painter->drawLine(rect.left() + kSeparatorInset, y, rect.right() - kSeparatorInset, y);
    painter->restore();
}
