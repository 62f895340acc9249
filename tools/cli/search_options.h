#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "core/search/search_query.h"

namespace sv::cli {

// The command-line form of a search query, shared by the commands that filter samples.
struct SearchOptions {
    std::string text;
    std::string type;
    std::string instrument;
    std::string key;
    std::vector<std::string> genres;
    std::string folder;
    std::int32_t bpm = 0;
    std::int64_t playlist = 0;
    bool favorites = false;
    bool hideMidi = false;
    std::string sort;
    bool descending = false;
    std::int32_t limit = 50;
    std::int32_t offset = 0;

    CLI::Option* bpmOption = nullptr;
    CLI::Option* playlistOption = nullptr;

    // The query these options describe; a relative folder is made absolute first.
    SearchQuery query() const;
};

// --text, --type, --instrument, --key, --genre, --folder, --bpm, --playlist, --favorites,
// --hide-midi.
void addSearchFilterOptions(CLI::App& command, SearchOptions& options);

// --sort name|duration|bpm, --desc, --limit, --offset.
void addSearchOrderOptions(CLI::App& command, SearchOptions& options);

}  // namespace sv::cli
