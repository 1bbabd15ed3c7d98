#pragma once

#include <filesystem>
#include <optional>

namespace x5k {

// The folder of the running executable (from /proc/self/exe).
std::filesystem::path ProgramFolder();

// The data folder from this process's environment (XDG_DATA_HOME, HOME, or the home
// folder of the user's account when HOME is unset).
std::optional<std::filesystem::path> DataFolder();

// The user's configuration folder from the environment the same way (XDG_CONFIG_HOME,
// else .config in the home folder).
std::optional<std::filesystem::path> ConfigFolder();

}  // namespace x5k
