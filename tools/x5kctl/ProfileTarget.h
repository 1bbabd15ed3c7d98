#pragma once
// The profile a command works on: a file named on the command line, or "--profile N",
// the user's own profile N in the data folder together with the data folder's
// Macro.cfg. And whether x5k-driver runs for this user, which matters to commands that
// write into the data folder: the running program holds the profiles in memory and
// writes them back, over any edit made behind its back.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/ProfileImage.h"

namespace x5k {

struct ProfileTarget {
    std::filesystem::path profile;
    // The data folder's Macro.cfg for "--profile N"; nothing for a named file.
    std::optional<std::filesystem::path> macros;
    // The file lies in the user's data folder, named by "--profile N" or by a path that
    // leads there: writing it needs RefuseWhileDriverRuns.
    bool inDataFolder = false;
};

// A file named on the command line, for a command that writes it.
ProfileTarget NamedProfile(const std::filesystem::path& path);

// The N of "--profile N": 1 to 5 in decimal; nothing for anything else.
std::optional<int> ParseProfileNumber(std::string_view text);

// Profile `number` of the data folder `dataFolder`.
ProfileTarget DataFolderProfile(const std::filesystem::path& dataFolder, int number);

// What TakeProfileTarget found: the target, or the exit code and the message that say
// why there is none.
struct ProfileTargetChoice {
    std::optional<ProfileTarget> target;
    int exitCode = 0;
    std::string error;
};

// Takes the target out of a command's words, once the command has taken out its own
// options: "--profile N" or "--profile=N" anywhere, or else the first word, a path. Only
// the words used are removed; the caller checks what is left. A first word that starts
// with "-" is an unknown option, not a path (write "./-name" for such a file). The data
// folder is found from XDG_DATA_HOME and HOME as the program finds it.
ProfileTargetChoice TakeProfileTarget(std::vector<std::string>& words);

// Whether x5k-driver runs for this user, told by its single-instance lock in
// XDG_RUNTIME_DIR (or its private fallback folder). Asking does not disturb it.
bool DriverRunning();

// For commands that write into the data folder: true, after saying why on stderr, when
// x5k-driver runs and `force` was not given; the caller then exits with kExitRefused.
// With `force` it only warns.
bool RefuseWhileDriverRuns(bool force);

}  // namespace x5k
