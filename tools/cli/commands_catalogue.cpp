// Catalogue commands: libraries, playlists, favourites, labels and the user's overrides.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/cli/cli_context.h"

namespace sv::cli {
namespace {

// Plain output: columns padded to their widest cell, the last one left unpadded.
void printTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        std::cout << line << '\n';
    }
}

std::optional<SampleType> typeArgument(const std::string& text) {
    if (text == "auto")
        return std::nullopt;
    return sampleTypeFromString(text);
}

void requireLibrary(Database& db, std::int64_t id) {
    const auto libraries = db.libraries();
    const bool known = std::any_of(libraries.begin(), libraries.end(),
                                   [id](const Library& library) { return library.id == id; });
    if (!known)
        throw std::runtime_error("No library with id " + std::to_string(id));
}

void addLibrariesCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("libraries", "List the libraries with their sample counts");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object per line");
    command->callback([&context, json] {
        const auto libraries = context.database().libraries();
        if (*json) {
            for (const auto& library : libraries)
                printJsonLine({{"id", library.id},
                               {"path", library.path},
                               {"sampleCount", library.sampleCount},
                               {"label", library.label}});
            return;
        }
        if (libraries.empty()) {
            std::cout << "No libraries\n";
            return;
        }
        std::vector<std::vector<std::string>> rows{{"ID", "SAMPLES", "LABEL", "PATH"}};
        for (const auto& library : libraries)
            rows.push_back({std::to_string(library.id), std::to_string(library.sampleCount),
                            library.label.empty() ? "-" : library.label, library.path});
        printTable(rows);
    });
}

void addPlaylistsCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("playlists", "List the playlists with their sample counts");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object per line");
    command->callback([&context, json] {
        const auto playlists = context.database().playlists();
        if (*json) {
            for (const auto& playlist : playlists)
                printJsonLine({{"id", playlist.id},
                               {"name", playlist.name},
                               {"sampleCount", playlist.sampleCount}});
            return;
        }
        if (playlists.empty()) {
            std::cout << "No playlists\n";
            return;
        }
        std::vector<std::vector<std::string>> rows{{"ID", "SAMPLES", "NAME"}};
        for (const auto& playlist : playlists)
            rows.push_back(
                {std::to_string(playlist.id), std::to_string(playlist.sampleCount), playlist.name});
        printTable(rows);
    });
}

void addPlaylistCommand(CLI::App& app, CliContext& context) {
    auto* playlist = app.add_subcommand("playlist", "Create, delete and fill playlists");
    playlist->require_subcommand(1);

    auto* create = playlist->add_subcommand("create", "Create a playlist and print its id");
    auto name = std::make_shared<std::string>();
    create->add_option("NAME", *name, "Playlist name")->required();
    create->callback(
        [&context, name] { std::cout << context.database().createPlaylist(*name) << '\n'; });

    auto* remove = playlist->add_subcommand("delete", "Delete a playlist (its samples stay)");
    auto deletedId = std::make_shared<std::int64_t>(0);
    remove->add_option("ID", *deletedId, "Playlist id")->required();
    remove->callback([&context, deletedId] { context.database().deletePlaylist(*deletedId); });

    auto* add = playlist->add_subcommand("add", "Add samples to a playlist");
    auto addTo = std::make_shared<std::int64_t>(0);
    auto sampleIds = std::make_shared<std::vector<std::int64_t>>();
    add->add_option("ID", *addTo, "Playlist id")->required();
    add->add_option("SAMPLE_ID", *sampleIds, "Sample ids")->required();
    add->callback([&context, addTo, sampleIds] {
        for (const auto sampleId : *sampleIds)
            context.database().addToPlaylist(*addTo, sampleId);
    });

    auto* take = playlist->add_subcommand("remove", "Remove a sample from a playlist");
    auto takeFrom = std::make_shared<std::int64_t>(0);
    auto takenSample = std::make_shared<std::int64_t>(0);
    take->add_option("ID", *takeFrom, "Playlist id")->required();
    take->add_option("SAMPLE_ID", *takenSample, "Sample id")->required();
    take->callback([&context, takeFrom, takenSample] {
        context.database().removeFromPlaylist(*takeFrom, *takenSample);
    });
}

void addFavoriteCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("favorite", "Mark or unmark a sample as favourite");
    auto sampleId = std::make_shared<std::int64_t>(0);
    auto state = std::make_shared<std::string>();
    command->add_option("SAMPLE_ID", *sampleId, "Sample id")->required();
    command->add_option("STATE", *state, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));
    command->callback(
        [&context, sampleId, state] { context.database().setFavorite(*sampleId, *state == "on"); });
}

void addLabelCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("label", "Set a library's display label (empty removes it)");
    auto libraryId = std::make_shared<std::int64_t>(0);
    auto text = std::make_shared<std::string>();
    command->add_option("LIBRARY_ID", *libraryId, "Library id")->required();
    command->add_option("TEXT", *text, "Label text; an empty text removes the label")->required();
    command->callback([&context, libraryId, text] {
        // A label stored for an unknown id would be inherited by the next library of that id.
        requireLibrary(context.database(), *libraryId);
        context.database().setLibraryDisplayLabel(*libraryId, *text);
    });
}

void addRemoveLibraryCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand(
        "remove-library", "Remove a library and its samples from the catalogue (files stay)");
    auto libraryId = std::make_shared<std::int64_t>(0);
    command->add_option("LIBRARY_ID", *libraryId, "Library id")->required();
    command->callback([&context, libraryId] {
        requireLibrary(context.database(), *libraryId);
        context.database().removeLibrary(*libraryId);
    });
}

void addMarkCommand(CLI::App& app, CliContext& context) {
    auto* mark = app.add_subcommand("mark", "Override the type, instrument or genres");
    mark->require_subcommand(1);

    auto* type =
        mark->add_subcommand("type", "Set the type of samples: ID... Loop|\"One Shot\"|MIDI|auto");
    auto typeArgs = std::make_shared<std::vector<std::string>>();
    type->add_option("ARGS", *typeArgs, "Sample ids followed by the type")
        ->required()
        ->expected(2, -1);
    type->callback([&context, typeArgs] {
        const std::string& value = typeArgs->back();
        if (value != "Loop" && value != "One Shot" && value != "MIDI" && value != "auto")
            throw CLI::ValidationError("TYPE",
                                       value + " is not one of Loop, \"One Shot\", MIDI, auto");
        std::vector<std::int64_t> ids;
        for (std::size_t i = 0; i + 1 < typeArgs->size(); ++i) {
            const std::string& text = (*typeArgs)[i];
            std::size_t used = 0;
            std::int64_t id = 0;
            try {
                id = std::stoll(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != text.size())
                throw CLI::ValidationError("ID", text + " is not a sample id");
            ids.push_back(id);
        }
        context.database().setTypeOverride(ids, typeArgument(value));
    });

    auto* folderType =
        mark->add_subcommand("folder-type", "Set the type of every audio file below a folder");
    auto typeFolder = std::make_shared<std::string>();
    auto folderTypeValue = std::make_shared<std::string>();
    folderType->add_option("FOLDER", *typeFolder, "Folder path")->required();
    folderType->add_option("TYPE", *folderTypeValue, "Loop, \"One Shot\" or auto")
        ->required()
        ->check(CLI::IsMember({"Loop", "One Shot", "auto"}));
    folderType->callback([&context, typeFolder, folderTypeValue] {
        context.database().setFolderTypeOverride(*typeFolder, typeArgument(*folderTypeValue));
    });

    auto* folderInstrument = mark->add_subcommand(
        "folder-instrument", "Set the instrument of every file below a folder");
    auto instrumentFolder = std::make_shared<std::string>();
    auto instrument = std::make_shared<std::string>();
    folderInstrument->add_option("FOLDER", *instrumentFolder, "Folder path")->required();
    folderInstrument->add_option("NAME", *instrument, "Instrument name, or auto")->required();
    folderInstrument->callback([&context, instrumentFolder, instrument] {
        context.database().setFolderInstrumentOverride(
            *instrumentFolder,
            *instrument == "auto" ? std::nullopt : std::optional<std::string>(*instrument));
    });

    auto* folderGenre =
        mark->add_subcommand("folder-genre", "Add or remove a genre of every file below a folder");
    auto genreFolder = std::make_shared<std::string>();
    auto genre = std::make_shared<std::string>();
    auto action = std::make_shared<std::string>();
    folderGenre->add_option("FOLDER", *genreFolder, "Folder path")->required();
    folderGenre->add_option("GENRE", *genre, "Genre")->required();
    folderGenre->add_option("ACTION", *action, "add or remove")
        ->required()
        ->check(CLI::IsMember({"add", "remove"}));
    folderGenre->callback([&context, genreFolder, genre, action] {
        context.database().setFolderGenreOverride(*genreFolder, *genre, *action == "add");
    });
}

void addCountFolderCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("count-folder", "Count the samples below a folder");
    auto folder = std::make_shared<std::string>();
    auto noMidi = std::make_shared<bool>(false);
    command->add_option("FOLDER", *folder, "Folder path")->required();
    command->add_flag("--no-midi", *noMidi, "Leave MIDI files out");
    command->callback([&context, folder, noMidi] {
        std::cout << context.database().countFolderSamples(*folder, !*noMidi) << '\n';
    });
}

}  // namespace

void addCatalogueCommands(CLI::App& app, CliContext& context) {
    addLibrariesCommand(app, context);
    addPlaylistsCommand(app, context);
    addPlaylistCommand(app, context);
    addFavoriteCommand(app, context);
    addLabelCommand(app, context);
    addRemoveLibraryCommand(app, context);
    addMarkCommand(app, context);
    addCountFolderCommand(app, context);
}

}  // namespace sv::cli
