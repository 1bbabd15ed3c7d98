#pragma once
// Starting with the desktop session: an XDG autostart entry in the user's configuration
// folder starts the program straight into the notification area. `x5k-driver
// --autostart=on` writes it, `--autostart=off` removes it.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace x5k {

// The entry's file name, which is also the desktop entry's own name.
inline constexpr std::string_view kAutostartEntryName = "x5k-driver.desktop";

// The user's configuration folder: XDG_CONFIG_HOME, where an unset, empty or relative
// value means "$HOME/.config". Nothing when neither gives an absolute folder.
std::optional<std::filesystem::path> ConfigFolderFrom(const char* xdgConfigHome, const char* home);

// The path the entry starts the program by, worked out as the shell found it: the name it
// was started by when that holds a slash (made absolute against `workingFolder`, links
// kept, so the launcher on the PATH stays the launcher), else the first folder of `path`
// (PATH) that holds a file of that name, else `programFolder`'s x5k-driver.
std::filesystem::path LauncherPath(std::string_view startedAs, const char* path,
                                   const std::filesystem::path& workingFolder,
                                   const std::filesystem::path& programFolder,
                                   const std::function<bool(const std::filesystem::path&)>& exists);

// One argument of an Exec line: quoted when it holds a character the desktop reserves,
// with the escapes of a quoted argument and of a string value, and '%' doubled.
std::string ExecArgument(std::string_view argument);

// The entry that starts `launcher` with --hidden. Nothing for a path with a control
// character, which no desktop entry value can hold.
std::optional<std::string> AutostartEntry(const std::filesystem::path& launcher);

enum class AutostartError {
    None,
    UnusablePath,  // the launcher's path has a control character
    Write,         // the folder or file could not be written, or the file not removed
};

struct [[nodiscard]] AutostartResult {
    AutostartError error = AutostartError::None;
    SysResult cause{};  // the system's cause of a Write failure
    bool ok() const { return error == AutostartError::None; }
};

// Writes the entry at `entry` (atomically, creating its folder) or removes it. Removing
// an entry that is not there succeeds.
AutostartResult SetAutostart(FileSystem& files, const std::filesystem::path& entry, bool on,
                             const std::filesystem::path& launcher);

}  // namespace x5k
