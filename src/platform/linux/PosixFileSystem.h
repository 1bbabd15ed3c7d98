#pragma once

#include "platform/FileSystem.h"

namespace x5k {

// Files on the local disk; writes go to a temporary file in the same folder which is
// flushed to disk and renamed over the target.
class PosixFileSystem final : public FileSystem {
public:
    FileError readInto(const std::filesystem::path& path, std::span<uint8_t> record) override;
    FileError replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override;
    bool createFolders(const std::filesystem::path& path) override;
    bool exists(const std::filesystem::path& path) override;
    bool copyIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to) override;
};

}  // namespace x5k
