#include "profiles/Folders.h"

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
    files.createFolders(dataFolder / "Profile");
    for (const std::string_view file : kSeededFiles) {
        files.copyIfAbsent(programFolder / file, dataFolder / file);
    }
    return true;
}

}  // namespace x5k
