#include "tools/cli/cli_context.h"

namespace sv::cli {

void addScanCommands(CLI::App& /*app*/, CliContext& /*context*/) {}

}  // namespace sv::cli
