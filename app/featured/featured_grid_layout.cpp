#include "app/featured/featured_grid_layout.h"

#include <algorithm>

#include "app/window/settings.h"

namespace SVFeaturedGrid {

int featuredColumns() {
    const QSettings settings = SVSettings::open();
    bool ok = false;
    const qlonglong stored = settings.value(QLatin1String(kColumnsKey)).toLongLong(&ok);
    if (!ok || stored == 0)
        return kDefaultColumns;
    return static_cast<int>(std::clamp<qlonglong>(stored, kMinimumColumns, kMaximumColumns));
}

int columnsForWidth(int width, int featuredColumns) {
    const int fitting = (width + kGap) / (kMinimumCardWidth + kGap);
    return std::max(1, std::min(featuredColumns, fitting));
}

int cardWidth(int width, int columns) {
    const int safeColumns = std::max(columns, 1);
    return std::clamp((width - (safeColumns - 1) * kGap) / safeColumns, kMinimumCardWidth,
                      kMaximumCardWidth);
}

int visibleCardCount(int count, int columns) {
    return std::clamp(count, 0, std::max(columns, 1) * kRows);
}

std::vector<QRect> cardFrames(int width, int featuredColumns, int count) {
    const int columns = columnsForWidth(width, featuredColumns);
    const int shown = visibleCardCount(count, columns);
    const int cardW = cardWidth(width, columns);
    const int blockColumns = std::min(columns, shown);
    const int blockWidth = blockColumns * cardW + std::max(blockColumns - 1, 0) * kGap;
    const int left = std::max((width - blockWidth) / 2, 0);
    std::vector<QRect> frames;
    frames.reserve(static_cast<std::size_t>(shown));
    for (int index = 0; index < shown; ++index) {
        const int row = index / columns;
        const int column = index % columns;
        frames.emplace_back(left + column * (cardW + kGap), row * kRowPitch, cardW, kCardHeight);
    }
    return frames;
}

int featuredGridHeightForWidth(int width, int featuredColumns, int count) {
    const int columns = columnsForWidth(width, featuredColumns);
    const int shown = visibleCardCount(count, columns);
    if (shown == 0)
        return 0;
    const int rows = (shown + columns - 1) / columns;
    return (rows - 1) * kRowPitch + kCardHeight;
}

}  // namespace SVFeaturedGrid
