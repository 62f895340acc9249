#pragma once

#include <QVariantList>

#include <string>
#include <utility>
#include <vector>

// After a Full Scan: a featured folder that no longer exists follows its files when the scan
// found them moved, provided they all point at one existing folder.
namespace SVFeaturedRelink {

// For every folder entry whose folder is not an existing directory, each moved file whose old
// path lies inside that folder yields a candidate: its new path with as many trailing
// components removed as its path below the folder has. When exactly one distinct candidate is
// an existing directory it becomes the entry's value. True when an entry changed.
bool relinkFeaturedItemsFromMoves(QVariantList& entries,
                                  const std::vector<std::pair<std::string, std::string>>& moves);

}  // namespace SVFeaturedRelink
