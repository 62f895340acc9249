#include "app/theme/theme.h"

#include <mutex>
#include <optional>

#include "app/window/settings.h"

namespace SVTheme {

namespace {

QColor rgba(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                            static_cast<float>(a));
}

Palette purple() {
    return {rgba(0.047, 0.051, 0.071), rgba(0.067, 0.071, 0.098), rgba(0.096, 0.099, 0.135),
            rgba(0.459, 0.341, 0.910), rgba(0.161, 0.126, 0.267), rgba(0.192, 0.145, 0.322),
            rgba(0.855, 0.820, 1.000), rgba(0.135, 0.105, 0.220), rgba(0.120, 0.095, 0.235, 0.94),
            rgba(0.545, 0.420, 1.000)};
}

Palette classic() {
    return {rgba(0.047, 0.047, 0.055), rgba(0.070, 0.070, 0.078), rgba(0.105, 0.105, 0.118),
            rgba(0.075, 0.365, 1.000), rgba(0.030, 0.105, 0.300), rgba(0.025, 0.090, 0.255),
            rgba(0.780, 0.850, 1.000), rgba(0.025, 0.075, 0.210), rgba(0.020, 0.080, 0.235, 0.94),
            rgba(0.075, 0.365, 1.000)};
}

Palette green() {
    return {rgba(0.035, 0.035, 0.035), rgba(0.055, 0.055, 0.055), rgba(0.105, 0.105, 0.105),
            rgba(0.090, 0.660, 0.285), rgba(0.052, 0.190, 0.105), rgba(0.045, 0.155, 0.088),
            rgba(0.790, 1.000, 0.855), rgba(0.045, 0.165, 0.090), rgba(0.030, 0.145, 0.075, 0.94),
            rgba(0.105, 0.700, 0.315)};
}

struct ShownTheme {
    std::mutex mutex;
    std::optional<QString> name;
    Palette colors;
};

ShownTheme& shownTheme() {
    static ShownTheme shown;
    return shown;
}

}  // namespace

QString normalizedName(const QString& name) {
    if (name == QLatin1String("Classic") || name == QLatin1String("Green"))
        return name;
    return QStringLiteral("Purple");
}

Palette palette(const QString& name) {
    const QString normalized = normalizedName(name);
    if (normalized == QLatin1String("Classic"))
        return classic();
    if (normalized == QLatin1String("Green"))
        return green();
    return purple();
}

QString storedName() {
    const QSettings settings = SVSettings::open();
    return normalizedName(settings.value(kThemeKey).toString());
}

QString selectedName() {
    ShownTheme& shown = shownTheme();
    {
        const std::lock_guard lock(shown.mutex);
        if (shown.name)
            return *shown.name;
    }
    const QString name = storedName();
    setShownTheme(name);
    return name;
}

Palette selectedPalette() {
    ShownTheme& shown = shownTheme();
    {
        const std::lock_guard lock(shown.mutex);
        if (shown.name)
            return shown.colors;
    }
    return palette(selectedName());
}

void setShownTheme(const QString& name) {
    ShownTheme& shown = shownTheme();
    const std::lock_guard lock(shown.mutex);
    shown.name = normalizedName(name);
    shown.colors = palette(*shown.name);
}

void forgetShownTheme() {
    ShownTheme& shown = shownTheme();
    const std::lock_guard lock(shown.mutex);
    shown.name.reset();
}

QColor selectedColor(PaletteIndex index) {
    return selectedPalette()[static_cast<std::size_t>(index)];
}

QColor blendedTowardsWhite(const QColor& color, double fraction) {
    const auto towards = [fraction](float c) {
        return static_cast<float>(c + (1.0 - c) * fraction);
    };
    return QColor::fromRgbF(towards(color.redF()), towards(color.greenF()), towards(color.blueF()),
                            color.alphaF());
}

QColor grey(double white, double alpha) {
    return rgba(white, white, white, alpha);
}

}  // namespace SVTheme
