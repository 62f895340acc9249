#include "app/theme/theme_notifier.h"

#include <QWidget>

SVThemeNotifier* SVThemeNotifier::instance() {
    // Never deleted: widgets may still disconnect from it while the application ends.
    static auto* const notifier = new SVThemeNotifier;
    return notifier;
}

namespace SVTheme {

void onThemeChanged(QObject* context, std::function<void()> apply) {
    QObject::connect(SVThemeNotifier::instance(), &SVThemeNotifier::themeChanged, context,
                     [apply = std::move(apply)] { apply(); });
}

void bindStyleSheet(QWidget* widget, std::function<QString()> sheet) {
    widget->setStyleSheet(sheet());
    onThemeChanged(widget, [widget, sheet = std::move(sheet)] {
        const QString text = sheet();
        if (widget->styleSheet() != text)
            widget->setStyleSheet(text);
    });
}

}  // namespace SVTheme
