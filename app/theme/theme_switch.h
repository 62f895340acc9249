#pragma once

// Switching the colour theme while the window is open: no restart, no page of results built
// again.
namespace SVTheme {

// Shows the theme chosen in the settings: the application's palette and style, then every part
// of the window.
void applySelectedTheme();
// Every part that keeps theme colours (style sheets, cached images, button looks) takes them
// again, and every window repaints with the shown theme.
void syncAccentColors();

}  // namespace SVTheme
