#pragma once
// x5kctl's commands that talk to a mouse: devices, version, apply.

#include <span>
#include <string_view>

namespace x5k {

// `arguments` follow the command name. Returns the process exit code (ExitCodes.h).
int RunDeviceCommand(std::string_view command, std::span<char*> arguments);

}  // namespace x5k
