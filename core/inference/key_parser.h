#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Key text ('A min', 'F#', 'D# maj') read from an already folded name, or "None".
std::string keyFromFoldedName(std::string_view folded);

// The stricter folder search: a note glued to its quality, optionally after the word
// "key". Returns the whole matched text (it may begin with a whitespace byte), or nothing.
std::optional<std::string_view> folderKeyMatch(std::string_view foldedFolder);

}  // namespace sv
