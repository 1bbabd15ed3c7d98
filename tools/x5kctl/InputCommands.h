#pragma once
// x5kctl's command that watches the desktop's keyboard and mouse input: watch-input.

#include <span>
#include <string_view>

namespace x5k {

// `arguments` follow the command name. Returns the process exit code (ExitCodes.h).
int RunInputCommand(std::string_view command, std::span<char*> arguments);

}  // namespace x5k
