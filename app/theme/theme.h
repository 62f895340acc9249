#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

// The colour themes "Purple", "Classic" and "Green": ten palette colours each.
namespace SVTheme {

inline constexpr const char* kThemeKey = "SVThemeSelection";

enum PaletteIndex {
    kBackground = 0,
    kPlayerBackground = 1,
    kChipBackground = 2,
    kAccent = 3,
    kSelectedChipBackground = 4,
    kSelectedChipBorder = 5,
    kSelectedChipText = 6,
    kSurface = 7,
    kSurfaceTranslucent = 8,
    kSecondAccent = 9,
};

using Palette = std::array<QColor, 10>;

inline const QStringList& themeNames() {
    static const QStringList names{QStringLiteral("Purple"), QStringLiteral("Classic"),
                                   QStringLiteral("Green")};
    return names;
}

// "Purple" for an empty or unknown name.
QString normalizedName(const QString& name);
Palette palette(const QString& name);
// The theme chosen in the settings, as stored now.
QString storedName();
// The theme the window shows: the stored one until a theme is applied, then the applied one.
// Painting asks for these colours often, so they are kept in memory instead of read from the
// settings each time.
QString selectedName();
Palette selectedPalette();
QColor selectedColor(PaletteIndex index);
// Makes `name` the theme the window shows (the application palette is the caller's).
void setShownTheme(const QString& name);
// Forgets the shown theme, so the next question reads the settings again.
void forgetShownTheme();

// `color` moved `fraction` of the way towards white.
QColor blendedTowardsWhite(const QColor& color, double fraction);
QColor grey(double white, double alpha = 1.0);

}  // namespace SVTheme
