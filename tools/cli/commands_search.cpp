// Search commands: matching samples, their count, one sample's position and filter values.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tools/cli/cli_context.h"
#include "tools/cli/search_options.h"

namespace sv::cli {
namespace {

nlohmann::json sampleJson(const Sample& sample) {
    nlohmann::json object = {{"id", sample.id},
                             {"path", sample.path},
                             {"filename", sample.filename},
                             {"library", sample.library},
                             {"genre", sample.genre},
                             {"tags", sample.tags},
                             {"instrument", sample.instrument},
                             {"musicalKey", sample.musicalKey},
                             {"type", toString(sample.type)},
                             {"bpm", nullptr},
                             {"duration", nullptr},
                             {"fileSize", sample.fileSize},
                             {"modifiedAt", sample.modifiedAt},
                             {"favorite", sample.favorite}};
    if (sample.bpm)
        object["bpm"] = *sample.bpm;
    if (sample.duration)
        object["duration"] = *sample.duration;
    return object;
}

std::string durationText(const std::optional<double>& seconds) {
    if (!seconds)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", *seconds);
    return text;
}

std::string orDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

// Columns padded to their widest cell; the last one, the file name, is left unpadded.
void printRows(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
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

void printSampleTable(const std::vector<Sample>& samples) {
    if (samples.empty()) {
        std::cout << "No matching samples\n";
        return;
    }
    std::vector<std::vector<std::string>> rows{
        {"ID", "FAV", "TYPE", "BPM", "KEY", "INSTRUMENT", "GENRE", "LENGTH", "NAME"}};
    for (const auto& sample : samples)
        rows.push_back({std::to_string(sample.id), sample.favorite ? "*" : "",
                        toString(sample.type), sample.bpm ? std::to_string(*sample.bpm) : "-",
                        orDash(sample.musicalKey), orDash(sample.instrument), orDash(sample.genre),
                        durationText(sample.duration), sample.filename});
    printRows(rows);
}

struct SearchCommandState {
    SearchOptions options;
    bool count = false;
    std::int64_t indexOf = 0;
    CLI::Option* indexOfOption = nullptr;
    bool json = false;
};

void addSearchCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand("search", "List the samples that match a query");
    auto state = std::make_shared<SearchCommandState>();
    addSearchFilterOptions(*command, state->options);
    addSearchOrderOptions(*command, state->options);
    auto* count = command->add_flag("--count", state->count, "Print the number of matches");
    state->indexOfOption = command->add_option(
        "--index-of", state->indexOf,
        "Print the zero-based position of this sample id in the ordered result, or null");
    count->excludes(state->indexOfOption);
    command->add_flag("--json", state->json, "One JSON object per sample and line");

    command->callback([&context, state] {
        Database& db = context.database();
        const SearchQuery query = state->options.query();
        if (state->count) {
            std::cout << db.countMatching(query) << '\n';
            return;
        }
        if (state->indexOfOption->count() > 0) {
            const auto position = db.matchingIndex(query, state->indexOf);
            std::cout << (position ? std::to_string(*position) : "null") << '\n';
            return;
        }
        const auto samples = db.search(query);
        if (state->json) {
            for (const auto& sample : samples)
                printJsonLine(sampleJson(sample));
            return;
        }
        printSampleTable(samples);
    });
}

struct ValuesCommandState {
    SearchOptions options;
    std::string field;
    bool json = false;
};

void addValuesCommand(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand(
        "values", "List the distinct instruments, genres or keys among the matching samples");
    auto state = std::make_shared<ValuesCommandState>();
    command->add_option("field", state->field, "instrument, genre or key")->required();
    addSearchFilterOptions(*command, state->options);
    command->add_flag("--json", state->json, "The values as one JSON array");

    command->callback([&context, state] {
        const auto values =
            context.database().distinctFilterValues(state->field, state->options.query());
        if (state->json) {
            printJsonLine(values);
            return;
        }
        for (const auto& value : values)
            std::cout << value << '\n';
    });
}

}  // namespace

void addSearchCommands(CLI::App& app, CliContext& context) {
    addSearchCommand(app, context);
    addValuesCommand(app, context);
}

}  // namespace sv::cli
