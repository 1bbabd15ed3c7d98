#pragma once
// x5kctl's commands on the program's files: show-profile, make-defaults, macros,
// encode-macro.

#include <span>
#include <string_view>

namespace x5k {

// `arguments` follow the command name. Returns the process exit code (ExitCodes.h).
int RunFileCommand(std::string_view command, std::span<char*> arguments);

}  // namespace x5k
