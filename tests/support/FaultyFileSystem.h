#pragma once
// The real file system, with failures injected for chosen paths. Tests run as root on
// CI, where file permissions deny nothing, so denied access is simulated here.

#include <map>
#include <set>

#include "platform/linux/PosixFileSystem.h"

namespace x5k::test {

class FaultyFileSystem final : public FileSystem {
public:
    // Reads and writes of `path` (or of anything below it, for a folder) fail with `error`.
    void failReads(const std::filesystem::path& path, FileError error) {
        readFaults_[path] = error;
    }
    void failWrites(const std::filesystem::path& path, FileError error) {
        writeFaults_[path] = error;
    }

    FileError readInto(const std::filesystem::path& path, std::span<uint8_t> record) override {
        if (auto e = fault(readFaults_, path)) return *e;
        return real_.readInto(path, record);
    }
    FileError replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override {
        ++writes_;
        if (auto e = fault(writeFaults_, path)) return *e;
        return real_.replace(path, bytes);
    }
    bool createFolders(const std::filesystem::path& path) override {
        if (fault(writeFaults_, path)) return false;
        return real_.createFolders(path);
    }
    bool exists(const std::filesystem::path& path) override { return real_.exists(path); }
    bool copyIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (fault(writeFaults_, to)) return false;
        return real_.copyIfAbsent(from, to);
    }

    int writeCount() const { return writes_; }

private:
    static std::optional<FileError> fault(const std::map<std::filesystem::path, FileError>& faults,
                                          const std::filesystem::path& path) {
        for (const auto& [prefix, error] : faults) {
            const auto rel = path.lexically_relative(prefix);
            if (!rel.empty() && *rel.begin() != "..") return error;
        }
        return std::nullopt;
    }

    PosixFileSystem real_;
    std::map<std::filesystem::path, FileError> readFaults_;
    std::map<std::filesystem::path, FileError> writeFaults_;
    int writes_ = 0;
};

}  // namespace x5k::test
