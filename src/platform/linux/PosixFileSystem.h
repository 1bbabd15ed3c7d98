#pragma once

#include "platform/FileSystem.h"

namespace x5k {

// Files on the local disk; writes go to a temporary file in the same folder which is
// flushed to disk and renamed over the target.
class PosixFileSystem final : public FileSystem {
public:
    // Each read, write, folder creation, copy and removal goes to the diagnostic log with its
    // outcome.
    FileResult readInto(const std::filesystem::path& path, std::span<uint8_t> record) override;
    FileResult replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override;
    SysResult createFolders(const std::filesystem::path& path) override;
    bool exists(const std::filesystem::path& path) override;
    SysResult copyIfAbsent(const std::filesystem::path& from,
                           const std::filesystem::path& to) override;
    SysResult remove(const std::filesystem::path& path) override;
};

}  // namespace x5k
