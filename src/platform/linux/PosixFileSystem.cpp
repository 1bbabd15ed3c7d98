#include "platform/linux/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace x5k {
namespace {

FileError FromErrno(int error) {
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

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileError PosixFileSystem::readInto(const std::filesystem::path& path, std::span<uint8_t> record) {
    // Without O_NONBLOCK a named pipe chosen as a file would block the open forever.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return FromErrno(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return FileError::Other;
    // A read error is a failure, not a short file: the caller would otherwise take a
    // partly read profile for a damaged one and replace it with the default. The bytes
    // go to the record only once the whole read succeeded, so a failure leaves it as it was.
    std::vector<uint8_t> content(record.size(), 0);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FromErrno(errno);
        if (n == 0) break;  // the end of a short file: the rest stays zero
        done += static_cast<size_t>(n);
    }
    std::copy(content.begin(), content.end(), record.begin());
    return FileError::None;
}

FileError PosixFileSystem::replace(const std::filesystem::path& path,
                                   std::span<const uint8_t> bytes) {
    // A file the user made read-only stays protected, although a rename could replace it.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        return FromErrno(errno);
    }
    std::string temp = path.string() + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) return FromErrno(errno);
    // mkostemp creates the file for the owner only; keep the mode of the file it
    // replaces, or give a new file the usual one.
    struct stat old {};
    ::fchmod(fd.get(), ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!written || ::close(fd.release()) != 0) {
        ::unlink(temp.c_str());
        return FromErrno(written ? errno : writeError);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.c_str());
        return FromErrno(renameError);
    }
    return FileError::None;
}

bool PosixFileSystem::createFolders(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error && std::filesystem::is_directory(path, error);
}

bool PosixFileSystem::exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool PosixFileSystem::copyIfAbsent(const std::filesystem::path& from,
                                   const std::filesystem::path& to) {
    std::error_code error;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::skip_existing,
                                      error) &&
           !error;
}

}  // namespace x5k
