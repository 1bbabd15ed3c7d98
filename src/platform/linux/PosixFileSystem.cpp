#include "platform/linux/PosixFileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "common/DiagnosticLog.h"
#include "platform/linux/StaleTemporaries.h"

namespace x5k {
namespace {

FileError ClassOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return FileError::NotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileError::AccessDenied;
        default:
            return FileError::Other;
    }
}

using StepHook = PosixFileSystem::DiskStepHook;

// Tells the test seam, when there is one, of the next change to the disk.
void Before(const StepHook& hook, std::string_view step) {
    if (hook) hook(step);
}

FileResult Failure(int error, std::string_view operation) {
    return {ClassOf(error), SysResult::failure(error, operation)};
}

// Closes the descriptor when the scope ends.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The errno of the failed write (ENOSPC when the disk took nothing), or 0.
int WriteAll(int fd, std::span<const uint8_t> bytes, const StepHook& hook) {
    size_t done = 0;
    while (done < bytes.size()) {
        Before(hook, "write");
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return 0;
}

FileResult ReadInto(const std::filesystem::path& path, std::span<uint8_t> record) {
    // Without O_NONBLOCK a named pipe chosen as a file would block the open forever.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return Failure(errno, "open");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return {FileError::Other, SysResult::failure(errno, "fstat")};
    }
    // A folder, device or pipe is not a record file whatever its permissions say.
    if (!S_ISREG(info.st_mode)) {
        return {FileError::Other, SysResult::failure(S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
                                                     "open (not a regular file)")};
    }
    // A read error is a failure, not a short file: the caller would otherwise take a
    // partly read profile for a damaged one and replace it with the default. The bytes
    // go to the record only once the whole read succeeded, so a failure leaves it as it was.
    std::vector<uint8_t> content(record.size(), 0);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failure(errno, "read");
        if (n == 0) break;  // the end of a short file: the rest stays zero
        done += static_cast<size_t>(n);
    }
    std::copy(content.begin(), content.end(), record.begin());
    return {};
}

// Six random letters or digits.
std::string RandomSuffix() {
    static constexpr std::string_view kChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<uint8_t, 6> random{};
    if (::getrandom(random.data(), random.size(), GRND_NONBLOCK) !=
        static_cast<ssize_t>(random.size())) {
        // Without the kernel's randomness a name need only differ from the last: a name
        // that is taken is drawn again.
        static std::atomic<uint64_t> count{0};
        uint64_t x = ++count + (static_cast<uint64_t>(::getpid()) << 20);
        for (uint8_t& r : random) {
            r = static_cast<uint8_t>(x % kChars.size());
            x /= kChars.size();
        }
    }
    std::string suffix;
    for (const uint8_t r : random) suffix += kChars[r % kChars.size()];
    return suffix;
}

// Creates the temporary file "<path>.XXXXXX" for the owner only, as mkostemp would; `temp`
// gets its name. A suffix of six small letters reads as a word ("Profile1.cfg.backup"),
// which the start's clean-up keeps as a user's copy, so such a suffix is drawn again
// before any file is made: the clean-up knows whatever a killed save leaves. The
// descriptor, or -1 with errno.
int CreateTemporary(const std::filesystem::path& path, std::string& temp, const StepHook& hook) {
    const std::string file = path.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = file + "." + RandomSuffix();
        if (!IsTemporaryOf(name, file)) continue;
        temp = (path.parent_path() / name).string();
        Before(hook, "create the temporary file");
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes `bytes` to a new temporary file "<path>.XXXXXX" beside `path`, with `mode`, and
// flushes it to disk; `temp` gets its name. Nothing is left behind on failure.
FileResult WriteTemporary(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                          mode_t mode, std::string& temp, const StepHook& hook) {
    Fd fd(CreateTemporary(path, temp, hook));
    if (fd.get() < 0) return Failure(errno, "create the temporary file");
    Before(hook, "fchmod");
    ::fchmod(fd.get(), mode);
    FileResult failed;
    if (const int error = WriteAll(fd.get(), bytes, hook); error != 0) {
        failed = Failure(error, "write");
    } else if (Before(hook, "fsync"); ::fsync(fd.get()) != 0) {
        failed = Failure(errno, "fsync");
    } else if (Before(hook, "close"); ::close(fd.release()) != 0) {
        failed = Failure(errno, "close");
    }
    if (!failed.ok()) {
        Before(hook, "unlink");
        ::unlink(temp.c_str());
    }
    return failed;
}

FileResult Replace(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                   const StepHook& hook) {
    // A file the user made read-only stays protected, although a rename could replace it.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        return Failure(errno, "access (write)");
    }
    // The temporary file is created for the owner only; keep the mode of the file it
    // replaces, or give a new file the usual one. The owner always keeps reading: a file
    // left write-only by an interrupted copy would otherwise stay unreadable for good.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? ((old.st_mode & 07777) | S_IRUSR) : 0644;
    std::string temp;
    if (FileResult written = WriteTemporary(path, bytes, mode, temp, hook); !written.ok()) {
        return written;
    }
    Before(hook, "rename");
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const FileResult renameFailed = Failure(errno, "rename");
        Before(hook, "unlink");
        ::unlink(temp.c_str());
        return renameFailed;
    }
    return {};
}

// The whole content of a regular file.
FileResult ReadAll(const std::filesystem::path& path, std::vector<uint8_t>& content) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return Failure(errno, "open");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return Failure(errno, "fstat");
    if (!S_ISREG(info.st_mode)) return Failure(EINVAL, "open (not a regular file)");
    content.assign(static_cast<size_t>(info.st_size), 0);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failure(errno, "read");
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    content.resize(done);
    return {};
}

// The copy is whole or absent: it is written to a temporary file and renamed into place
// only when nothing stands at `to`, so a crash never leaves a part of it and an existing
// file (which may hold the user's data) is never replaced.
SysResult CopyIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to,
                       const StepHook& hook) {
    struct stat there {};
    if (::lstat(to.c_str(), &there) == 0) return SysResult::failure(EEXIST, "copy");
    std::vector<uint8_t> content;
    if (const FileResult read = ReadAll(from, content); !read.ok()) return read.cause;
    std::string temp;
    if (const FileResult written = WriteTemporary(to, content, 0644, temp, hook);
        !written.ok()) {
        return written.cause;
    }
    Before(hook, "rename");
    int result = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace rename: a hard link never replaces either.
        Before(hook, "link");
        result = ::link(temp.c_str(), to.c_str());
    }
    const int error = result != 0 ? errno : 0;
    Before(hook, "unlink");
    ::unlink(temp.c_str());
    return error ? SysResult::failure(error, "rename") : SysResult::success();
}

SysResult FromErrorCode(const std::error_code& error, std::string_view operation) {
    // The filesystem library reports the system's errno in the generic category's terms.
    return error ? SysResult::failure(error.value() != 0 ? error.value() : EIO, operation)
                 : SysResult::success();
}

}  // namespace

FileResult PosixFileSystem::readInto(const std::filesystem::path& path, std::span<uint8_t> record) {
    const FileResult result = ReadInto(path, record);
    if (result.ok()) {
        X5K_LOG("file: read ", path.string(), " (up to ", record.size(), " bytes)");
    } else {
        X5K_LOG("file: cannot read ", path.string(), ": ", result.cause);
    }
    return result;
}

FileResult PosixFileSystem::replace(const std::filesystem::path& path,
                                    std::span<const uint8_t> bytes) {
    const FileResult result = Replace(path, bytes, beforeDiskStep_);
    if (result.ok()) {
        X5K_LOG("file: wrote ", path.string(), " (", bytes.size(), " bytes)");
    } else {
        X5K_LOG("file: cannot write ", path.string(), ": ", result.cause);
    }
    return result;
}

SysResult PosixFileSystem::createFolders(const std::filesystem::path& path) {
    std::error_code error;
    if (beforeDiskStep_) {
        // The library makes the missing folders one by one, outermost first: each one is
        // made here as its own step, which the library's call then finds done.
        std::vector<std::filesystem::path> missing;
        for (auto p = path; !p.empty() && !std::filesystem::exists(p, error); p = p.parent_path()) {
            missing.push_back(p);
            if (p == p.parent_path()) break;
        }
        for (auto p = missing.rbegin(); p != missing.rend(); ++p) {
            beforeDiskStep_("mkdir");
            std::filesystem::create_directory(*p, error);
        }
    }
    std::filesystem::create_directories(path, error);
    SysResult result = FromErrorCode(error, "create folders");
    if (result && !std::filesystem::is_directory(path, error)) {
        result = SysResult::failure(ENOTDIR, "create folders");
    }
    if (!result) X5K_LOG("file: cannot create folder ", path.string(), ": ", result);
    return result;
}

bool PosixFileSystem::exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

SysResult PosixFileSystem::copyIfAbsent(const std::filesystem::path& from,
                                        const std::filesystem::path& to) {
    const SysResult result = CopyIfAbsent(from, to, beforeDiskStep_);
    if (result) {
        X5K_LOG("file: copied ", from.string(), " to ", to.string());
    } else {
        X5K_LOG("file: did not copy ", from.string(), " to ", to.string(), ": ", result);
    }
    return result;
}

SysResult PosixFileSystem::remove(const std::filesystem::path& path) {
    Before(beforeDiskStep_, "unlink");
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        const SysResult result = SysResult::failure(errno, "unlink");
        X5K_LOG("file: cannot remove ", path.string(), ": ", result);
        return result;
    }
    X5K_LOG("file: removed ", path.string());
    return {};
}

}  // namespace x5k
