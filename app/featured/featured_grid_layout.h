#pragma once

#include <QRect>

#include <vector>

// The featured grid's geometry: as many columns as the width allows, up to the configured
// number, cards 138 to 220 wide and 50 high on a 54 row pitch, the cards centred as one block,
// two rows at most.
namespace SVFeaturedGrid {

inline constexpr const char* kColumnsKey = "SVFeaturedColumns";
inline constexpr const char* kRowsKey = "SVFeaturedRows";
inline constexpr int kDefaultColumns = 6;
inline constexpr int kMinimumColumns = 2;
inline constexpr int kMaximumColumns = 8;
inline constexpr int kRows = 2;
inline constexpr int kGap = 8;
inline constexpr int kCardHeight = 50;
inline constexpr int kRowPitch = 54;
inline constexpr int kMinimumCardWidth = 138;
inline constexpr int kMaximumCardWidth = 220;

// The stored "SVFeaturedColumns" clamped to 2..8; 6 when it is 0, absent or not a number.
int featuredColumns();
// The grid always has two rows ("SVFeaturedRows" is only written).
inline int featuredRows() {
    return kRows;
}

// Columns for a grid `width` wide: max(1, min(columns, ⌊(width + 8) / 146⌋)).
int columnsForWidth(int width, int featuredColumns);
// (width − (columns − 1) × 8) / columns, held to 138..220.
int cardWidth(int width, int columns);
// How many of `count` cards fit: columns × 2 at most.
int visibleCardCount(int count, int columns);
// The frames of the visible cards (at most columns × 2 of `count`), row by row; the block of
// cards is centred in the width.
std::vector<QRect> cardFrames(int width, int featuredColumns, int count);
// The height the cards take: 0 without cards, 50 for one row, 104 for two.
int featuredGridHeightForWidth(int width, int featuredColumns, int count);

}  // namespace SVFeaturedGrid
