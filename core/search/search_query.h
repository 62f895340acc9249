#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sv {

// What the results browser wants to see: text, filters, sort and a page window.
struct SearchQuery {
    std::string text;
    std::string type;
    std::string instrument;
    std::string key;
    std::string genre;  // used only when genres is empty
    std::string folder;
    std::vector<std::string> genres;
    std::optional<std::int32_t> bpm;
    std::optional<std::int64_t> playlistId;
    bool favoritesOnly = false;
    bool hideMidi = false;
    bool sortByName = false;
    bool nameDescending = false;
    bool sortByDuration = false;
    bool durationDescending = false;
    bool sortByBpm = false;
    bool bpmDescending = false;
    std::int32_t limit = 200;
    std::int32_t offset = 0;
};

// A key equal for two queries exactly when their filters are (everything that narrows the
// result except the text; sorting and the page window are left out).
std::string queryFilterKey(const SearchQuery& query);

}  // namespace sv
