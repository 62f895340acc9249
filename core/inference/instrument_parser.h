#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// Instrument label for folded text, or an empty string. The text is padded with one blank
// on each side before the keywords are searched, so " fx " can match at either end.
std::string instrumentFromFoldedText(std::string_view folded);

// Genre words found in a folded folder path, in the order of the genre table.
std::vector<std::string> genresFromFoldedPath(std::string_view foldedPath);

}  // namespace sv
