#pragma once

#include <cstdint>
#include <string>

namespace sv {

// One library root folder as the catalogue lists it.
struct Library {
    std::int64_t id = 0;
    std::string path;
    std::int64_t sampleCount = 0;
    std::string label;  // empty when the user set none
};

}  // namespace sv
