#pragma once
// Runs a command line through the shell, as the tests of the command-line tool do, and
// keeps what it printed on its standard output.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace x5k::test {

struct ShellRun {
    int status = -1;  // -1 when the command did not exit by itself (killed by a signal)
    std::string output;
};

inline ShellRun RunShell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace x5k::test
