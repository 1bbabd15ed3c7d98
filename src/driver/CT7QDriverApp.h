#pragma once
// The process: one instance per user (a second start hands over to the running one and
// ends), the folders, the first interface language, the main window with everything it
// works with, and the order in which it all ends.

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace x5k::driver {

struct DriverOptions {
    bool emulated = false;                       // the emulated mouse instead of the real one
    std::optional<std::filesystem::path> state;  // where the emulated mouse keeps its state
    bool help = false;
    std::string error;  // an argument that is not understood; empty when all are
};

// Reads the command line (arguments after the program name).
DriverOptions ParseDriverOptions(std::span<char* const> arguments);

class CT7QDriverApp {
public:
    // Runs the program; returns the process's exit code.
    int Run(int argc, char** argv);
};

}  // namespace x5k::driver
