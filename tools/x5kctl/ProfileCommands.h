#pragma once
// x5kctl's commands that read and edit profile files in the user's terms: export-json,
// import-json and set.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace x5k {

// Exit codes of these commands.
inline constexpr int kProfileDone = 0;
inline constexpr int kProfileRefused = 1;     // refused by a rule, or not a profile
inline constexpr int kProfileUsage = 2;       // the arguments were not understood
inline constexpr int kProfileNotWritten = 3;  // a file could not be read or written

// `arguments` follow the command name. Returns the process exit code; errors go to
// stderr, data (the JSON of export-json) to stdout.
int RunProfileCommand(std::string_view command, std::span<char*> arguments);

// The commands with their files resolved (a path given, or the data folder's file chosen
// by --profile N), for a front end that resolves them first.
int ExportJsonCommand(const std::filesystem::path& profilePath,
                      const std::optional<std::filesystem::path>& macroPath);
// `jsonPath` "-" reads standard input.
int ImportJsonCommand(const std::string& jsonPath, const std::filesystem::path& outPath);
// `words`: the setting and its values, as `x5kctl set --help` lists them.
int SetCommand(const std::filesystem::path& profilePath,
               const std::optional<std::filesystem::path>& macroPath,
               std::span<const std::string> words);

// The --help text of export-json, import-json and set; empty for any other command.
std::string_view ProfileCommandHelp(std::string_view command);

}  // namespace x5k
