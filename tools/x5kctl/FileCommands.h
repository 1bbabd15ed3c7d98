#pragma once
// x5kctl's commands on the program's files: show-profile, make-defaults, macros,
// encode-macro.

#include <filesystem>
#include <optional>
#include <cstdint>
#include <span>
#include <string_view>

namespace x5k {

// `arguments` follow the command name. Returns the process exit code (ExitCodes.h).
int RunFileCommand(std::string_view command, std::span<char*> arguments);

class MacroTable;

// Reads `path` into `bytes` as the file reader does (a shorter file leaves the rest as it
// was); on failure says why on stderr and returns the exit code: 1 for a folder, pipe or
// device, which is not `what` ("a profile"), 3 for a file that cannot be read.
std::optional<int> ReadInputFile(const std::filesystem::path& path, std::span<uint8_t> bytes,
                                 std::string_view what);

// Reads a macro file into `table`; on failure says why on stderr and returns the exit code:
// 1 for what is not a macro file (another size, a folder, a pipe), 3 for a file that cannot
// be read.
std::optional<int> ReadMacroFile(const std::filesystem::path& path, MacroTable& table);

}  // namespace x5k
