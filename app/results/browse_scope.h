#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

// Where the results browser looks: set by the sidebar, read by the query.
struct SVBrowseScope {
    bool libraryMode = false;
    bool favoriteMode = false;
    std::optional<std::int64_t> playlistId;
    std::string folderScope;
    std::string sectionType;  // empty for All Samples, else "Loop", "One Shot" or "MIDI"
};

// The values of the filter chips; "All" means the chip does not narrow the results.
struct SVFilterValues {
    std::string instrument = "All";
    std::string bpm = "All";
    std::string key = "All";
    std::set<std::string> selectedGenres;
};
