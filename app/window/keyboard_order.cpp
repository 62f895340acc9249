#include "app/window/keyboard_order.h"

#include <QApplication>

#include <algorithm>
#include <utility>

namespace {

bool reachedByTab(const QWidget* widget, const QWidget* window) {
    return widget != window && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
           widget->isVisible() && widget->window() == window && !widget->focusProxy();
}

}  // namespace

void SVKeyboardOrder::setAreas(const std::vector<QWidget*>& areas) {
    _areas.assign(areas.begin(), areas.end());
}

int SVKeyboardOrder::areaIndex(const QWidget* control) const {
    for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
        for (std::size_t i = 0; i < _areas.size(); ++i) {
            if (_areas[i] == widget)
                return static_cast<int>(i);
        }
    }
    return static_cast<int>(_areas.size());
}

QList<QWidget*> SVKeyboardOrder::sequence(QWidget* window) const {
    std::vector<std::pair<int, QWidget*>> controls;
    for (QWidget* widget = window->nextInFocusChain(); widget && widget != window;
         widget = widget->nextInFocusChain()) {
        if (reachedByTab(widget, window))
            controls.emplace_back(areaIndex(widget), widget);
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QWidget*> ordered;
    ordered.reserve(static_cast<qsizetype>(controls.size()));
    for (const auto& [area, widget] : controls)
        ordered.append(widget);
    return ordered;
}

bool SVKeyboardOrder::moveFocus(QWidget* window, bool next) const {
    const QList<QWidget*> ordered = sequence(window);
    if (ordered.isEmpty())
        return false;
    const qsizetype count = ordered.size();
    QWidget* focus = QApplication::focusWidget();
    // A focus proxy's owner stands for it in the order.
    qsizetype at = -1;
    for (QWidget* widget = focus; widget && at < 0; widget = widget->parentWidget()) {
        at = ordered.indexOf(widget);
        if (widget == window)
            break;
    }
    qsizetype target = 0;
    if (at < 0)
        target = next ? 0 : count - 1;
    else
        target = (at + (next ? 1 : count - 1)) % count;
    ordered[target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
