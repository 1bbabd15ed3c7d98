#include "profiles/Folders.h"

#include <algorithm>

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
    const std::filesystem::path mark = dataFolder / kSeedingMark;
    // A folder holding none of the files is seeded too: a start may have been cut short
    // between creating the folder and marking it.
    const bool unseeded =
        std::none_of(kSeededFiles.begin(), kSeededFiles.end(),
                     [&](std::string_view file) { return files.exists(dataFolder / file); });
    if (!unseeded && !files.exists(mark)) return false;
    // A failure here is not fatal: each file's reader reports or recreates what is
    // missing. The log keeps why, as the user sees only the later message.
    if (const SysResult folder = files.createFolders(dataFolder / "Profile"); !folder) {
        X5K_LOG("folders: cannot create ", (dataFolder / "Profile").string(), ": ", folder);
    }
    // The mark goes first and is removed last, so that no interruption in between
    // leaves a folder that looks seeded.
    if (const FileResult marked = files.replace(mark, {}); !marked.ok()) {
        X5K_LOG("folders: cannot mark the seeding: ", marked.cause);
    }
    for (const std::string_view file : kSeededFiles) {
        if (files.exists(dataFolder / file)) continue;
        if (const SysResult copied = files.copyIfAbsent(programFolder / file, dataFolder / file);
            !copied) {
            X5K_LOG("folders: ", file, " not seeded: ", copied);
        }
    }
    if (const SysResult unmarked = files.remove(mark); !unmarked) {
        X5K_LOG("folders: cannot remove the seeding mark: ", unmarked);
    }
    return true;
}

}  // namespace x5k
