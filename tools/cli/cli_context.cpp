#include "tools/cli/cli_context.h"

#include <iostream>

namespace sv::cli {

Database& CliContext::database() {
    if (!database_) {
        const std::filesystem::path file =
            dbPath.empty() ? Database::defaultPath() : std::filesystem::path(dbPath);
        database_ = std::make_unique<Database>(file);
    }
    return *database_;
}

void printJsonLine(const nlohmann::json& object) {
    std::cout << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace sv::cli
