#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "platform/FileSystem.h"

namespace x5k {

// Files on the local disk; writes go to a temporary file in the same folder which is
// flushed to disk and renamed over the target.
class PosixFileSystem final : public FileSystem {
public:
    // A test seam, empty in the program: called with the name of each system call about to
    // change the disk (creating the temporary file, chmod, each write, fsync, close, rename,
    // link, unlink, mkdir), so a test can kill the process before each step in turn.
    using DiskStepHook = std::function<void(std::string_view step)>;

    PosixFileSystem() = default;
    explicit PosixFileSystem(DiskStepHook beforeDiskStep)
        : beforeDiskStep_(std::move(beforeDiskStep)) {}

    // Each read, write, folder creation, copy and removal goes to the diagnostic log with its
    // outcome.
    FileResult readInto(const std::filesystem::path& path, std::span<uint8_t> record) override;
    FileResult replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override;
    SysResult createFolders(const std::filesystem::path& path) override;
    bool exists(const std::filesystem::path& path) override;
    SysResult copyIfAbsent(const std::filesystem::path& from,
                           const std::filesystem::path& to) override;
    SysResult remove(const std::filesystem::path& path) override;

private:
    DiskStepHook beforeDiskStep_;
};

}  // namespace x5k
