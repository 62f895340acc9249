#pragma once

#include <QPixmap>
#include <QString>

#include <functional>

#include "core/records/sample.h"

// What a sample row shows besides the sample itself: its pack link and its artwork, or the
// letter avatar (plain and for a selected row) when its folder has none. Images come ready
// at the 40 × 40 the row shows them.
struct SVRowDecoration {
    QString packTitle;  // empty: no pack link
    QString packPath;
    QPixmap artwork;  // null: the avatar
    QPixmap avatar;
    QPixmap selectedAvatar;
};

using SVRowDecorationProvider = std::function<SVRowDecoration(const sv::Sample&)>;
