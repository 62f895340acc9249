#include "tests/support/cli_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

CliRun runCliOnTerminal(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments,
                        const std::filesystem::path& scratch) {
    CliRun run;
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0)
        return run;
    const std::string terminalName = ::ptsname(terminal);
    // Opened here, before the child exists, so that reading never meets a terminal nobody
    // has opened; the end of the child's copy then ends the reading.
    const int errors = ::open(terminalName.c_str(), O_RDWR | O_NOCTTY);
    const std::string out = (scratch / "stdout").string();
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int input = ::open("/dev/null", O_RDONLY);
        const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(errors, STDERR_FILENO);
        ::close(terminal);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(errors);
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(terminal, buffer, sizeof buffer);
        if (count > 0)
            run.err.append(buffer, static_cast<std::size_t>(count));
        else if (count < 0 && errno == EINTR)
            continue;
        else
            break;  // EIO: the child's end is closed
    }
    ::close(terminal);
    int raw = 0;
    if (child > 0 && ::waitpid(child, &raw, 0) == child)
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFileBytes(out);
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
