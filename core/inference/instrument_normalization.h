#pragma once

#include <string>

namespace sv {

// Canonical instrument label for a name the user typed or picked ("hi-hat" gives "HiHat").
std::string normalizedInstrument(std::string name);

}  // namespace sv
