#include "profiles/Folders.h"

#include "common/DiagnosticLog.h"

namespace x5k {

std::optional<std::filesystem::path> DataFolderFrom(const char* xdgDataHome, const char* home) {
    std::filesystem::path base;
    if (xdgDataHome && std::filesystem::path(xdgDataHome).is_absolute()) {
        base = xdgDataHome;
    } else if (home && std::filesystem::path(home).is_absolute()) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return std::nullopt;
    }
    return base / "ZINTU" / "X5K";
}

bool SeedDataFolder(FileSystem& files, const std::filesystem::path& programFolder,
                    const std::filesystem::path& dataFolder) {
    if (files.exists(dataFolder)) return false;
    // A failure here is not fatal: each file's reader reports or recreates what is
    // missing. The log keeps why, as the user sees only the later message.
    if (const SysResult folder = files.createFolders(dataFolder / "Profile"); !folder) {
        X5K_LOG("folders: cannot create ", (dataFolder / "Profile").string(), ": ", folder);
    }
    for (const std::string_view file : kSeededFiles) {
        if (const SysResult copied = files.copyIfAbsent(programFolder / file, dataFolder / file);
            !copied) {
            X5K_LOG("folders: ", file, " not seeded: ", copied);
        }
    }
    return true;
}

}  // namespace x5k
