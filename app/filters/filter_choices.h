#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "app/results/browse_scope.h"
#include "core/search/search_query.h"

// What the filter chips and the quick filters offer, worked out from the catalogue's values.
namespace SVFilterChoices {

inline constexpr const char* kAll = "All";
inline constexpr const char* kCustomBpm = "Custom…";

// The chips, index = tag.
enum Chip { kType = 0, kInstruments = 1, kBpm = 2, kKey = 3, kGenres = 4, kChipCount = 5 };

QString chipName(int chip);
// The choices a chip starts with, "All" first.
QStringList initialChoices(int chip);
// The catalogue field whose values a chip offers: "instrument", "key", "genre"; empty for the
// Type and BPM chips.
std::string suggestionField(int chip);

// The part of the browser's state the offered values depend on: the place, not the search
// text or the other chips.
sv::SearchQuery contextQuery(const SVBrowseScope& scope);

// "All" followed by the catalogue's values of the chip's field, in their order: empty values,
// "Unknown" and "None" left out, keys in their compact form (left out when they have none),
// duplicates dropped (first kept). A value is offered only when choosing it finds samples:
// an instrument whose normalised name is missing from the list, or a key whose compact form
// does not lead back to it, would narrow the results to nothing.
QStringList chipChoices(int chip, const std::vector<std::string>& values);

// The quick filter values of a row: the preferred values first (every catalogue value equal to
// one ignoring case, in preferred order), then the rest in catalogue order; "Unknown" and
// "None" left out.
std::vector<std::string> quickFilterValues(int chip, const std::vector<std::string>& values);
// "rnb" reads "R&B" and "hip hop" "Hip Hop"; every other value reads as it is.
QString quickFilterTitle(const QString& value);

// A custom tempo typed by the user: a whole number from 20 to 300, else nothing.
std::optional<int> customBpm(const QString& text);

}  // namespace SVFilterChoices
