#pragma once
// Whole-file reads and writes of the program's records. The cause of a failure is
// reported because the user sees different messages for a missing file or folder
// and for denied access.

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/SysResult.h"

namespace x5k {

enum class FileError {
    None,
    NotFound,      // the file or a folder of its path does not exist
    AccessDenied,  // permission refused or read-only storage
    Other,
};

// A read or write's outcome: the class of failure the caller chooses its message by, and
// the system's cause for the diagnostic log. It converts to its FileError, so a caller
// that only picks a message compares it as it would the error itself.
struct [[nodiscard]] FileResult {
    FileError error = FileError::None;
    SysResult cause{};  // not ok exactly when error is not None

    bool ok() const { return error == FileError::None; }
    operator FileError() const { return error; }  // NOLINT: a result is read as its error
    bool operator==(FileError other) const { return error == other; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens the file; on success zeroes `record` and reads up to its size (a short file
    // leaves the rest zero, a longer one is read only that far). On failure `record`
    // is left untouched.
    virtual FileResult readInto(const std::filesystem::path& path, std::span<uint8_t> record) = 0;
    // Replaces the file's content with exactly `bytes`, atomically: a crash or a full
    // disk leaves either the old or the new content, never a mixture.
    virtual FileResult replace(const std::filesystem::path& path,
                               std::span<const uint8_t> bytes) = 0;
    // Creates the folder and its missing parents; an existing folder is success.
    virtual SysResult createFolders(const std::filesystem::path& path) = 0;
    [[nodiscard]] virtual bool exists(const std::filesystem::path& path) = 0;
    // Copies `from` to `to` unless `to` exists; fails when nothing was copied (EEXIST
    // when `to` was there already). Like replace(), a crash leaves either no file or the
    // whole copy, readable by its owner.
    virtual SysResult copyIfAbsent(const std::filesystem::path& from,
                                   const std::filesystem::path& to) = 0;
    // Removes the file; a file that is not there is success, as nothing is left to remove.
    virtual SysResult remove(const std::filesystem::path& path) = 0;
};

}  // namespace x5k
