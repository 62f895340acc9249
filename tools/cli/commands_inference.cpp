// infer: the metadata inference of one file inside a library root, without a catalogue.
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/inference/audio_structure_analyzer.h"
#include "core/inference/metadata_parser.h"
#include "tools/cli/cli_context.h"

namespace sv::cli {
namespace {

namespace fs = std::filesystem;

struct InferOptions {
    std::string file;
    std::string root;
    bool json = false;
};

template <typename T>
nlohmann::ordered_json optionalJson(const std::optional<T>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json sampleJson(const Sample& sample) {
    nlohmann::ordered_json object;
    object["path"] = sample.path;
    object["filename"] = sample.filename;
    object["library"] = sample.library;
    object["genre"] = sample.genre;
    object["tags"] = sample.tags;
    object["instrument"] = sample.instrument;
    object["musicalKey"] = sample.musicalKey;
    object["type"] = toString(sample.type);
    object["bpm"] = optionalJson(sample.bpm);
    object["duration"] = optionalJson(sample.duration);
    object["fileSize"] = sample.fileSize;
    object["modifiedAt"] = sample.modifiedAt;
    return object;
}

std::string dumped(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// One "field: value" line per field; strings as they are, tags joined with ", "; an empty
// text or optional leaves the line at "field:".
void printText(const nlohmann::ordered_json& object) {
    for (const auto& [field, value] : object.items()) {
        std::cout << field << ':';
        if (value.is_string()) {
            if (!value.get<std::string>().empty())
                std::cout << ' ' << value.get<std::string>();
        } else if (value.is_array()) {
            std::string joined;
            for (const auto& tag : value)
                joined += (joined.empty() ? "" : ", ") + tag.get<std::string>();
            if (!joined.empty())
                std::cout << ' ' << joined;
        } else if (!value.is_null()) {
            std::cout << ' ' << dumped(value);
        }
        std::cout << '\n';
    }
}

void runInfer(const InferOptions& options) {
    const fs::path file = fs::weakly_canonical(options.file);
    const fs::path root = fs::weakly_canonical(options.root);
    std::error_code error;
    if (!fs::is_regular_file(file, error))
        throw std::runtime_error("Not a file: " + options.file);
    if (!fs::is_directory(root, error))
        throw std::runtime_error("Not a folder: " + options.root);

    const std::optional<AudioStructure> structure = AudioStructureAnalyzer{}.analyze(file);
    const Sample sample = MetadataParser{}.parse(file, root, structure);
    const nlohmann::ordered_json object = sampleJson(sample);
    if (options.json)
        std::cout << dumped(object) << '\n';
    else
        printText(object);
}

}  // namespace

void addInferenceCommands(CLI::App& app, CliContext& /*context*/) {
    auto options = std::make_shared<InferOptions>();
    CLI::App* infer = app.add_subcommand(
        "infer", "Show the metadata inferred for FILE inside the library folder ROOT");
    infer->add_option("FILE", options->file, "Sample file")->required();
    infer->add_option("ROOT", options->root, "Library root folder")->required();
    infer->add_flag("--json", options->json, "Print one JSON object");
    infer->callback([options] { runInfer(*options); });
}

}  // namespace sv::cli
