#pragma once
// A file system held in memory for the fuzz targets: the loaders read the fuzz input as
// a file's bytes without a disk write per execution, and what they write back stays here
// for the target to check.

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

#include "platform/FileSystem.h"

namespace x5k::fuzz {

class MemoryFileSystem final : public FileSystem {
public:
    void put(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
        files_[path].assign(bytes.begin(), bytes.end());
    }
    const std::vector<uint8_t>* find(const std::filesystem::path& path) const {
        const auto it = files_.find(path);
        return it == files_.end() ? nullptr : &it->second;
    }

    std::vector<std::filesystem::path> paths() const {
        std::vector<std::filesystem::path> out;
        for (const auto& entry : files_) out.push_back(entry.first);
        return out;
    }

    // Every read then fails with `error` (None: reads work); the same for writes.
    FileError readError = FileError::None;
    FileError writeError = FileError::None;

    FileResult readInto(const std::filesystem::path& path, std::span<uint8_t> record) override {
        const auto it = files_.find(path);
        if (it == files_.end()) return Failed(FileError::NotFound, "open");
        if (readError != FileError::None) return Failed(readError, "open");
        std::fill(record.begin(), record.end(), uint8_t{0});
        std::copy_n(it->second.begin(), std::min(record.size(), it->second.size()), record.begin());
        return {};
    }
    FileResult replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override {
        if (writeError != FileError::None) return Failed(writeError, "rename");
        put(path, bytes);
        return {};
    }
    SysResult createFolders(const std::filesystem::path&) override { return {}; }
    bool exists(const std::filesystem::path& path) override { return files_.contains(path); }
    SysResult copyIfAbsent(const std::filesystem::path& from,
                           const std::filesystem::path& to) override {
        if (files_.contains(to)) return SysResult::failure(EEXIST, "copy");
        const auto it = files_.find(from);
        if (it == files_.end()) return SysResult::failure(ENOENT, "copy");
        files_[to] = it->second;
        return {};
    }
    SysResult remove(const std::filesystem::path& path) override {
        if (writeError != FileError::None) return Failed(writeError, "unlink").cause;
        files_.erase(path);
        return {};
    }

private:
    // The errno a real file system gives for each class of failure.
    static FileResult Failed(FileError error, std::string_view operation) {
        const int code = error == FileError::NotFound       ? ENOENT
                         : error == FileError::AccessDenied ? EACCES
                                                            : EIO;
        return {error, SysResult::failure(code, operation)};
    }

    std::map<std::filesystem::path, std::vector<uint8_t>> files_;
};

}  // namespace x5k::fuzz
