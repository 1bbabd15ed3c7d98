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
    // Starts out of sight: in the notification area, or minimised where there is none.
    bool hidden = false;
    // --autostart=on|off: write or remove the session's autostart entry and end without
    // starting; nothing when the option is not given.
    std::optional<bool> autostart;
    std::string error;  // the first argument that is not understood; empty when all are
};

// Reads the arguments that follow the program name; `debugVariable` is the value of
// X5K_DEBUG (null when it is not set).
DriverOptions ParseDriverOptions(std::span<char* const> arguments,
                                 const char* debugVariable = nullptr);

}  // namespace x5k
