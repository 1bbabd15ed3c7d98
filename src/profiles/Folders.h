#pragma once
// The program folder (read-only resources and the shipped default files) and the
// per-user data folder that holds every file the program writes.

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace x5k {

// The data folder: "$XDG_DATA_HOME/ZINTU/X5K", where an unset, empty or relative
// XDG_DATA_HOME means "$HOME/.local/share". Per-user and persistent; never a shared
// temporary folder, where another user could plant files. Nothing when neither
// variable gives an absolute folder.
std::optional<std::filesystem::path> DataFolderFrom(const char* xdgDataHome, const char* home);

// The files copied from the program folder on the first run, relative to both folders.
inline constexpr std::array<std::string_view, 9> kSeededFiles = {
    "Macro.cfg",
    "Language.cfg",
    "Sts.cfg",
    "Profile/ConfigInfo.cfg",
    "Profile/Profile1.cfg",
    "Profile/Profile2.cfg",
    "Profile/Profile3.cfg",
    "Profile/Profile4.cfg",
    "Profile/Profile5.cfg",
};

// Present in the data folder while a seeding runs: a start interrupted half-way leaves it,
// and the next start completes the seeding.
inline constexpr std::string_view kSeedingMark = "Seeding.unfinished";

// First-run seeding: when the data folder does not exist (or holds none of the nine
// files), create it with its "Profile"
// subfolder and copy the nine shipped files, file by file, each whole or not at all. A
// seeding that was cut short (the mark is still there) copies the files still missing;
// a file already there is never replaced, as it may hold the user's data. Any other
// existing data folder is left alone even when files are missing (their readers report
// or recreate them). Copy failures are ignored. Returns true when it seeded.
bool SeedDataFolder(FileSystem& files, const std::filesystem::path& programFolder,
                    const std::filesystem::path& dataFolder);

}  // namespace x5k
