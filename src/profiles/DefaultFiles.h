#pragma once
// The data files shipped in the program folder and copied into a new data folder on
// the first run.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace x5k {

struct DefaultFile {
    std::string relativePath;  // below the program folder, '/'-separated
    std::vector<uint8_t> bytes;
};

inline constexpr int32_t kShippedLanguageIndex = 2;  // English
inline constexpr size_t kMacroFileSize = 2052000;    // 500 macro slots of 4104 bytes
inline constexpr size_t kStatsFileSize = 24;         // six 32-bit counters

// The nine shipped files: five default profiles with English names, a block of five
// valid entries with the first one current, an empty macro table, zero statistics
// and the English language choice. The same bytes on every run and machine.
std::vector<DefaultFile> DefaultDataFiles();

// Writes them below `folder`, creating "Profile"; false when any file failed.
bool WriteDefaultDataFiles(FileSystem& files, const std::filesystem::path& folder);

}  // namespace x5k
