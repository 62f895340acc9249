#include "app/theme/theme_switch.h"

#include <QApplication>
#include <QWidget>

#include "app/theme/application_theme.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace SVTheme {

void applySelectedTheme() {
    applyApplicationTheme(storedName());
    syncAccentColors();
}

void syncAccentColors() {
    emit SVThemeNotifier::instance()->themeChanged();
    // Painting reads the shown theme: one repaint of each window shows it everywhere.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            window->update();
    }
}

}  // namespace SVTheme
