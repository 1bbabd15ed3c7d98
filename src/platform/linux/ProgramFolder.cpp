#include "platform/linux/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "profiles/Folders.h"

namespace x5k {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : exe.parent_path();
}

std::optional<std::filesystem::path> DataFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* account = ::getpwuid(::getuid())) home = account->pw_dir;
    }
    return DataFolderFrom(std::getenv("XDG_DATA_HOME"), home);
}

}  // namespace x5k
