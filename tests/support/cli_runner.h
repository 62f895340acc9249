#pragma once

// Runs the companion command-line program as a real child process, the way a shell user would.

#include <filesystem>
#include <string>
#include <vector>

namespace sv::testing {

struct CliRun {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// The argument in single quotes for /bin/sh, embedded quotes escaped.
std::string shellQuoted(const std::string& argument);

// Runs `program` with `arguments` and no input. Its output and errors pass through the files
// "stdout" and "stderr" in `scratch`, which are replaced on every run. The child inherits this
// process's environment, so a live TempHome's XDG folders apply to it.
CliRun runCli(const std::filesystem::path& program, const std::vector<std::string>& arguments,
              const std::filesystem::path& scratch);

// Runs `program` like runCli, but with its error stream on a terminal of its own (a pseudo
// terminal), as when a user runs it in a shell window; `err` is what it wrote there.
CliRun runCliOnTerminal(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments,
                        const std::filesystem::path& scratch);

// The text split at newlines, without them.
std::vector<std::string> outputLines(const std::string& text);

}  // namespace sv::testing
