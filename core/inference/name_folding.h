#pragma once

#include <string>
#include <string_view>

namespace sv {

// The one text normalisation of the name inference: '-', '/', backslash and '_' become
// blanks and ASCII letters become lower case. Every other byte is kept; the length is kept.
std::string foldedName(std::string_view name);

// Appends the folded form of name to out.
void appendFolded(std::string& out, std::string_view name);

}  // namespace sv
