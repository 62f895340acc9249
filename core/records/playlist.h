#pragma once

#include <cstdint>
#include <string>

namespace sv {

struct Playlist {
    std::int64_t id = 0;
    std::string name;
    std::int64_t sampleCount = 0;
};

}  // namespace sv
