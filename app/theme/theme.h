#pragma once

#include <QColor>
#include <QString>

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

// "Purple" for an empty or unknown name.
QString normalizedName(const QString& name);
Palette palette(const QString& name);
// The theme chosen in the settings.
QString selectedName();
Palette selectedPalette();
QColor selectedColor(PaletteIndex index);

// `color` moved `fraction` of the way towards white.
QColor blendedTowardsWhite(const QColor& color, double fraction);
QColor grey(double white, double alpha = 1.0);

}  // namespace SVTheme
