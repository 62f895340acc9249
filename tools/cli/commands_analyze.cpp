#include "tools/cli/cli_context.h"

namespace sv::cli {

void addAnalyzeCommands(CLI::App& /*app*/, CliContext& /*context*/) {}

}  // namespace sv::cli
