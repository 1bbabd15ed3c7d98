#pragma once
// The desktop program's command line.

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace x5k {

struct DriverOptions {
    bool emulated = false;                       // the emulated mouse instead of the real one
    std::optional<std::filesystem::path> state;  // where the emulated mouse keeps its state
    bool help = false;
    // The diagnostic log on stderr: --verbose, or X5K_DEBUG set to anything but 0.
    bool verbose = false;
    std::string error;  // the first argument that is not understood; empty when all are
};

// Reads the arguments that follow the program name; `debugVariable` is the value of
// X5K_DEBUG (null when it is not set).
DriverOptions ParseDriverOptions(std::span<char* const> arguments,
                                 const char* debugVariable = nullptr);

}  // namespace x5k
