#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/catalogue/database.h"

namespace sv::cli {

// What every command shares: the --db option and the catalogue it opens on first use.
class CliContext {
  public:
    std::string dbPath;

    // Opens the catalogue (migrating it as the application does) on first use.
    Database& database();

  private:
    std::unique_ptr<Database> database_;
};

// A command's body. It throws std::runtime_error with the core's message on failure.
using CommandBody = std::function<void()>;

// Thrown by a command that has printed its own report and ends with this exit status.
struct ExitStatus {
    int code;
};

// Prints one JSON object per line.
void printJsonLine(const nlohmann::json& object);

// Registration of each command group on the top-level application.
void addCatalogueCommands(CLI::App& app, CliContext& context);
void addInferenceCommands(CLI::App& app, CliContext& context);
void addAnalyzeCommands(CLI::App& app, CliContext& context);
void addScanCommands(CLI::App& app, CliContext& context);
void addSearchCommands(CLI::App& app, CliContext& context);
void addWaveformCommands(CLI::App& app, CliContext& context);

}  // namespace sv::cli
