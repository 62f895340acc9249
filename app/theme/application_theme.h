#pragma once

#include <QPalette>
#include <QString>

#include "app/theme/theme.h"

// The look the whole application shares: one style and one palette made from a theme's ten
// colours, so menus, alerts, tooltips and dialogs match the window.
namespace SVTheme {

// Dark surfaces from the theme's backgrounds, light text, the accent for selections and links.
QPalette applicationPalette(const Palette& colors);

// Gives every window, menu, alert, tooltip and dialog of the application the style and palette
// of the theme `name` ("Purple" when empty or unknown). File and input dialogs are Qt's own, which
// follow the palette, rather than the desktop's. Called at launch and again by a theme switch.
void applyApplicationTheme(const QString& name);
// The same for the theme chosen in the settings.
void applySelectedApplicationTheme();

}  // namespace SVTheme
