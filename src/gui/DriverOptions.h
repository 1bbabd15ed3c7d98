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
    std::string error;  // the first argument that is not understood; empty when all are
};

// Reads the arguments that follow the program name.
DriverOptions ParseDriverOptions(std::span<char* const> arguments);

}  // namespace x5k
