#pragma once
// x5kctl's commands that read and edit profile files in the user's terms: export-json,
// import-json and set.

#include <span>
#include <string_view>

namespace x5k {

// Exit codes of these commands.
inline constexpr int kProfileDone = 0;
inline constexpr int kProfileRefused = 1;     // refused by a rule, or a file not found
inline constexpr int kProfileUsage = 2;       // the arguments were not understood
inline constexpr int kProfileNotWritten = 3;  // the output file could not be written

// `arguments` follow the command name. Returns the process exit code; errors go to
// stderr, data (the JSON of export-json) to stdout.
int RunProfileCommand(std::string_view command, std::span<char*> arguments);

// The --help text of export-json, import-json and set; empty for any other command.
std::string_view ProfileCommandHelp(std::string_view command);

}  // namespace x5k
