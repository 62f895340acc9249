#include "tools/cli/search_options.h"

#include <filesystem>
#include <system_error>

namespace sv::cli {
namespace {

// Catalogue paths are absolute and exact text: resolve the folder the way the scanner
// resolves library roots, without a trailing slash.
std::string catalogueFolder(const std::string& folder) {
    if (folder.empty())
        return folder;
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(folder, error);
    if (error)
        resolved = std::filesystem::absolute(folder).lexically_normal();
    std::string text = resolved.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

}  // namespace

SearchQuery SearchOptions::query() const {
    SearchQuery query;
    query.text = text;
    query.type = type;
    query.instrument = instrument;
    query.key = key;
    query.genres = genres;
    query.folder = catalogueFolder(folder);
    if (bpmOption && bpmOption->count() > 0)
        query.bpm = bpm;
    if (playlistOption && playlistOption->count() > 0)
        query.playlistId = playlist;
    query.favoritesOnly = favorites;
    query.hideMidi = hideMidi;
    query.sortByName = sort == "name";
    query.sortByDuration = sort == "duration";
    query.sortByBpm = sort == "bpm";
    query.nameDescending = query.sortByName && descending;
    query.durationDescending = query.sortByDuration && descending;
    query.bpmDescending = query.sortByBpm && descending;
    query.limit = limit;
    query.offset = offset;
    return query;
}

void addSearchFilterOptions(CLI::App& command, SearchOptions& options) {
    command.add_option("--text", options.text, "Free text: every word must occur");
    command.add_option("--type", options.type, "Exact type: Loop, \"One Shot\", MIDI or Unknown");
    command.add_option("--instrument", options.instrument, "Instrument name (synonyms allowed)");
    command.add_option("--key", options.key, "Musical key, e.g. Am, \"A minor\", C, F#m");
    command.add_option("--genre", options.genres, "Genre; repeat for any of several")
        ->allow_extra_args(false);
    command.add_option("--folder", options.folder, "Only samples below this folder");
    options.bpmOption =
        command.add_option("--bpm", options.bpm, "Tempo, matched within 10 BPM either way");
    options.playlistOption =
        command.add_option("--playlist", options.playlist, "Only members of this playlist id");
    command.add_flag("--favorites", options.favorites, "Only favourites");
    command.add_flag("--hide-midi", options.hideMidi, "Leave MIDI files out");
}

void addSearchOrderOptions(CLI::App& command, SearchOptions& options) {
    auto* sort = command.add_option("--sort", options.sort, "Order by name, duration or bpm")
                     ->check(CLI::IsMember({"name", "duration", "bpm"}));
    command.add_flag("--desc", options.descending, "Descending order of the chosen sort")
        ->needs(sort);
    command.add_option("--limit", options.limit, "Number of samples to show")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    command.add_option("--offset", options.offset, "Number of samples to skip")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
}

}  // namespace sv::cli
