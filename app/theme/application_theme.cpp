#include "app/theme/application_theme.h"

#include <QApplication>
#include <QToolTip>

#include "app/theme/application_style.h"

namespace SVTheme {

namespace {

void setActiveAndInactive(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
}

}  // namespace

QPalette applicationPalette(const Palette& colors) {
    const QColor background = colors[kBackground];
    const QColor surface = colors[kPlayerBackground];
    const QColor raised = colors[kChipBackground];
    const QColor accent = colors[kAccent];
    const QColor text = grey(0.92);
    const QColor disabledText = grey(0.42);

    QPalette palette(raised, background);
    setActiveAndInactive(palette, QPalette::Window, background);
    setActiveAndInactive(palette, QPalette::WindowText, text);
    setActiveAndInactive(palette, QPalette::Base, surface);
    setActiveAndInactive(palette, QPalette::AlternateBase, raised);
    setActiveAndInactive(palette, QPalette::Text, text);
    setActiveAndInactive(palette, QPalette::Button, raised);
    setActiveAndInactive(palette, QPalette::ButtonText, text);
    setActiveAndInactive(palette, QPalette::BrightText, Qt::white);
    setActiveAndInactive(palette, QPalette::PlaceholderText, grey(0.5));
    setActiveAndInactive(palette, QPalette::ToolTipBase, raised);
    setActiveAndInactive(palette, QPalette::ToolTipText, text);
    setActiveAndInactive(palette, QPalette::Highlight, accent);
    setActiveAndInactive(palette, QPalette::HighlightedText, Qt::white);
    setActiveAndInactive(palette, QPalette::Link, colors[kSecondAccent]);
    setActiveAndInactive(palette, QPalette::LinkVisited, accent);
    // Fusion draws bevels, frames and separators with these.
    setActiveAndInactive(palette, QPalette::Light, blendedTowardsWhite(raised, 0.18));
    setActiveAndInactive(palette, QPalette::Midlight, blendedTowardsWhite(raised, 0.09));
    setActiveAndInactive(palette, QPalette::Mid, blendedTowardsWhite(raised, 0.12));
    setActiveAndInactive(palette, QPalette::Dark, background.darker(140));
    setActiveAndInactive(palette, QPalette::Shadow, QColor(0, 0, 0));

    // Disabled controls keep their surfaces and dim their words.
    for (const QPalette::ColorRole role :
         {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button,
          QPalette::ToolTipBase, QPalette::Midlight, QPalette::Mid, QPalette::Dark,
          QPalette::Shadow})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    // The style etches disabled words with this colour: on a dark surface the etching would
    // read as a second, shifted copy of the words.
    palette.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText,
          QPalette::HighlightedText, QPalette::ToolTipText, QPalette::BrightText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, grey(0.25));
    palette.setColor(QPalette::Disabled, QPalette::Link, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::LinkVisited, disabledText);
    return palette;
}

void applyApplicationTheme(const QString& name) {
    // Only the desktop's own dialogs ignore the palette.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    if (!qobject_cast<SVApplicationStyle*>(QApplication::style()))
        QApplication::setStyle(new SVApplicationStyle);  // the application owns its style
    setShownTheme(name);
    const QPalette palette = applicationPalette(SVTheme::palette(name));
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);
}

void applySelectedApplicationTheme() {
    applyApplicationTheme(storedName());
}

}  // namespace SVTheme
