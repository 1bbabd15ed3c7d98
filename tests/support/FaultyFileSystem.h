#pragma once
// The real file system, with failures injected for chosen paths. Tests run as root on
// CI, where file permissions deny nothing, so denied access is simulated here.

#include <cerrno>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "platform/linux/PosixFileSystem.h"

namespace x5k::test {

class FaultyFileSystem final : public FileSystem {
public:
    // Reads and writes of `path` (or of anything below it, for a folder) fail with `error`
    // and the system cause `cause` (by default the errno such an error usually has).
    void failReads(const std::filesystem::path& path, FileError error, int cause = 0) {
        readFaults_[path] = {error, cause ? cause : TypicalErrno(error)};
    }
    void failWrites(const std::filesystem::path& path, FileError error, int cause = 0) {
        writeFaults_[path] = {error, cause ? cause : TypicalErrno(error)};
    }

    // The process "dies" at the `k`-th change (1-based) of the file system: that change
    // does what a kill in its midst leaves (a copy leaves its temporary file, cut short),
    // and nothing after it happens.
    void killAt(int k) { killAt_ = k; }
    bool killed() const { return killAt_ > 0 && changes_ >= killAt_; }

    // Writes of `path` succeed again.
    void clearWriteFault(const std::filesystem::path& path) { writeFaults_.erase(path); }

    FileResult readInto(const std::filesystem::path& path, std::span<uint8_t> record) override {
        if (auto f = fault(readFaults_, path)) return Injected(*f, "open");
        return real_.readInto(path, record);
    }
    FileResult replace(const std::filesystem::path& path, std::span<const uint8_t> bytes) override {
        ++writes_;
        if (dies()) return Injected({FileError::Other, EIO}, "killed");
        if (auto f = fault(writeFaults_, path)) return Injected(*f, "rename");
        return real_.replace(path, bytes);
    }
    SysResult createFolders(const std::filesystem::path& path) override {
        if (dies()) return SysResult::failure(EIO, "killed");
        if (auto f = fault(writeFaults_, path)) return Injected(*f, "create folders").cause;
        return real_.createFolders(path);
    }
    bool exists(const std::filesystem::path& path) override { return real_.exists(path); }
    SysResult copyIfAbsent(const std::filesystem::path& from,
                           const std::filesystem::path& to) override {
        if (dies()) {
            if (changes_ == killAt_) LeaveCutTemporary(from, to);
            return SysResult::failure(EIO, "killed");
        }
        if (auto f = fault(writeFaults_, to)) return Injected(*f, "copy").cause;
        return real_.copyIfAbsent(from, to);
    }
    SysResult remove(const std::filesystem::path& path) override {
        if (dies()) return SysResult::failure(EIO, "killed");
        if (auto f = fault(writeFaults_, path)) return Injected(*f, "unlink").cause;
        return real_.remove(path);
    }

    int writeCount() const { return writes_; }

private:
    struct Fault {
        FileError error;
        int cause;
    };
    using Faults = std::map<std::filesystem::path, Fault>;

    static int TypicalErrno(FileError error) {
        switch (error) {
            case FileError::NotFound:
                return ENOENT;
            case FileError::AccessDenied:
                return EACCES;
            default:
                return EIO;
        }
    }
    // An injected failure is not logged here: the log must get its cause from the caller.
    static FileResult Injected(const Fault& fault, std::string_view operation) {
        return {fault.error, SysResult::failure(fault.cause, operation)};
    }
    static std::optional<Fault> fault(const Faults& faults, const std::filesystem::path& path) {
        for (const auto& [prefix, fault] : faults) {
            const auto rel = path.lexically_relative(prefix);
            if (!rel.empty() && *rel.begin() != "..") return fault;
        }
        return std::nullopt;
    }

    // Counts a change; true from the killing one on.
    bool dies() {
        ++changes_;
        return killed();
    }
    // What a copy killed before its rename leaves: its temporary file, half written.
    static void LeaveCutTemporary(const std::filesystem::path& from,
                                  const std::filesystem::path& to) {
        std::ifstream in(from, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(to.string() + ".k1LLed", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    }

    PosixFileSystem real_;
    int killAt_ = 0;
    int changes_ = 0;
    Faults readFaults_;
    Faults writeFaults_;
    int writes_ = 0;
};

}  // namespace x5k::test
