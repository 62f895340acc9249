#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sv {

// Tempo read from an already folded name (see foldedName), in 50..399, or nothing.
std::optional<std::int32_t> tempoFromFoldedName(std::string_view folded);

}  // namespace sv
