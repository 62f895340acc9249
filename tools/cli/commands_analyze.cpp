#include <iostream>
#include <string>

#include "core/inference/audio_structure_analyzer.h"
#include "tools/cli/cli_context.h"

namespace sv::cli {
namespace {

struct AnalyzeOptions {
    std::string file;
    bool json = false;
};

nlohmann::json structureJson(const std::optional<AudioStructure>& structure) {
    if (!structure)
        return nullptr;
    return {{"duration", structure->duration},
            {"onsetCount", structure->onsetCount},
            {"onsetTimes", structure->onsetTimes},
            {"onsetSpan", structure->onsetSpan},
            {"firstGapRatio", structure->firstGapRatio}};
}

void printPlain(const std::optional<AudioStructure>& structure) {
    if (!structure) {
        std::cout << "not measured\n";
        return;
    }
    std::cout << "duration: " << structure->duration << '\n'
              << "onsetCount: " << structure->onsetCount << '\n'
              << "onsetTimes:";
    for (const double time : structure->onsetTimes)
        std::cout << ' ' << time;
    std::cout << '\n'
              << "onsetSpan: " << structure->onsetSpan << '\n'
              << "firstGapRatio: " << structure->firstGapRatio << '\n';
}

}  // namespace

void addAnalyzeCommands(CLI::App& app, CliContext& /*context*/) {
    auto options = std::make_shared<AnalyzeOptions>();
    CLI::App* command =
        app.add_subcommand("analyze", "Measure the onsets of a WAV file as the scanner does");
    command->add_option("FILE", options->file, "Audio file")->required();
    command->add_flag("--json", options->json, "Print JSON (null when the file is not measured)");
    command->callback([options] {
        const std::optional<AudioStructure> structure =
            AudioStructureAnalyzer().analyze(options->file);
        if (options->json)
            printJsonLine(structureJson(structure));
        else
            printPlain(structure);
    });
}

}  // namespace sv::cli
