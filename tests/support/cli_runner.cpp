#include "tests/support/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "tests/support/temp_home.h"

namespace sv::testing {

std::string shellQuoted(const std::string& argument) {
    std::string result = "'";
    for (const char c : argument)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

CliRun runCli(const std::filesystem::path& program, const std::vector<std::string>& arguments,
              const std::filesystem::path& scratch) {
    std::string command = shellQuoted(program.string());
    for (const auto& argument : arguments)
        command += " " + shellQuoted(argument);
    const auto out = scratch / "stdout";
    const auto err = scratch / "stderr";
    command += " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFileBytes(out);
    run.err = readFileBytes(err);
    return run;
}

std::vector<std::string> outputLines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

}  // namespace sv::testing
