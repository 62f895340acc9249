#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>

// The letter images shown where a folder has no artwork: the first letter of the pack name,
// upper case ("?" for an empty name), bold and centred on a rounded square in theme colours.
// The inspector's placeholder is 240 × 240 (corner 22, letter 92); a row's avatar 40 × 40
// (corner 6, letter 17), lit in the accent colour when its row is selected. Each image is drawn
// once per letter and look, and again after the theme changes.
class SVLetterImages {
  public:
    static constexpr int kPlaceholderSide = 240;
    static constexpr int kAvatarSide = 40;

    QPixmap placeholder(const QString& packName);
    QPixmap avatar(const QString& packName, bool selected);
    // Forgets every drawn image (the theme changed).
    void clear() { _drawn.clear(); }

    // The letter shown for a pack name.
    static QString letterOf(const QString& packName);
    // The fill of the placeholder and of a selected avatar: the accent colour lit a little.
    static QColor accentHoverSurface();

  private:
    QPixmap drawn(const QString& letter, int side, bool selected);

    QHash<QString, QPixmap> _drawn;
};
