#pragma once
// Whole-file reads and writes of the program's records. The cause of a failure is
// reported because the user sees different messages for a missing file or folder
// and for denied access.

#include <cstdint>
#include <filesystem>
#include <span>

namespace x5k {

enum class FileError {
    None,
    NotFound,      // the file or a folder of its path does not exist
    AccessDenied,  // permission refused or read-only storage
    Other,
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens the file; on success zeroes `record` and reads up to its size (a short file
    // leaves the rest zero, a longer one is read only that far). On failure `record`
    // is left untouched.
    virtual FileError readInto(const std::filesystem::path& path, std::span<uint8_t> record) = 0;
    // Replaces the file's content with exactly `bytes`, atomically: a crash or a full
    // disk leaves either the old or the new content, never a mixture.
    virtual FileError replace(const std::filesystem::path& path,
                              std::span<const uint8_t> bytes) = 0;
    // Creates the folder and its missing parents; an existing folder is success.
    virtual bool createFolders(const std::filesystem::path& path) = 0;
    virtual bool exists(const std::filesystem::path& path) = 0;
    // Copies `from` to `to` unless `to` exists; false when nothing was copied.
    virtual bool copyIfAbsent(const std::filesystem::path& from,
                              const std::filesystem::path& to) = 0;
};

}  // namespace x5k
