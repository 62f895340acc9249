#pragma once

#include <string>

namespace sv {

// One indexed sample as the folder tree sees it.
struct IndexedPath {
    std::string libraryPath;
    std::string samplePath;
    std::string libraryLabel;
};

}  // namespace sv
