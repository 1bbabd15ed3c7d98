#include "platform/linux/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "gui/Autostart.h"
#include "profiles/Folders.h"

namespace x5k {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : exe.parent_path();
}

namespace {

// HOME, or the home folder of the user's account when HOME is unset or empty.
const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* account = ::getpwuid(::getuid())) home = account->pw_dir;
    }
    return home;
}

}  // namespace

std::optional<std::filesystem::path> DataFolder() {
    return DataFolderFrom(std::getenv("XDG_DATA_HOME"), HomeFolder());
}

std::optional<std::filesystem::path> ConfigFolder() {
    return ConfigFolderFrom(std::getenv("XDG_CONFIG_HOME"), HomeFolder());
}

}  // namespace x5k
