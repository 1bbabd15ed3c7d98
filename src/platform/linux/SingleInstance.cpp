#include "platform/linux/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/DiagnosticLog.h"

namespace x5k {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

namespace {

// A connection that has not delivered its record within this time is dropped, and no
// more than this many wait at once (the oldest goes first).
constexpr auto kPendingLimit = std::chrono::seconds(2);
constexpr size_t kMaxPending = 16;
// Work done by one takeMessages() call is bounded; what is left keeps fd() readable.
constexpr int kMaxRounds = 8;
constexpr uint64_t kListenerId = 0;

// A folder this user owns and no one else may write to.
bool IsPrivate(const struct stat& info, uid_t user) {
    return S_ISDIR(info.st_mode) && info.st_uid == user && (info.st_mode & 022) == 0;
}

std::optional<sockaddr_un> SocketAddress(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof(address.sun_path)) return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

std::optional<uid_t> PeerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
    return peer.uid;
}

int MillisecondsLeft(steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

HandOverRecord EncodeHandOver(const HandOver& message) {
    HandOverRecord record;
    record.set(handover::kMagic, static_cast<int32_t>(handover::kMagicValue));
    record.set(handover::kMessage, static_cast<int32_t>(message.message));
    record.set(handover::kWParam, static_cast<int32_t>(message.wParam));
    record.set(handover::kLParam, message.lParam);
    return record;
}

std::optional<HandOver> DecodeHandOver(const HandOverRecord& record) {
    if (static_cast<uint32_t>(record.get(handover::kMagic)) != handover::kMagicValue) {
        return std::nullopt;
    }
    return HandOver{static_cast<uint32_t>(record.get(handover::kMessage)),
                    static_cast<uint32_t>(record.get(handover::kWParam)),
                    record.get(handover::kLParam)};
}

std::optional<fs::path> StateRunFolderFrom(const char* xdgStateHome, const char* home) {
    fs::path base;
    if (xdgStateHome && fs::path(xdgStateHome).is_absolute()) {
        base = xdgStateHome;
    } else if (home && fs::path(home).is_absolute()) {
        base = fs::path(home) / ".local" / "state";
    } else {
        return std::nullopt;
    }
    return base / "x5k" / "run";
}

std::optional<fs::path> InstanceFolder(const char* xdgRuntimeDir) {
    return InstanceFolder(xdgRuntimeDir, "/tmp", ::geteuid(),
                          StateRunFolderFrom(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")));
}

namespace {

// `folder`, created 0700 when missing, when it is a folder of `user` that no one else
// may enter. It is checked through the descriptor that opened it, never following a
// symlink, as another user may have put something at the name first.
std::optional<fs::path> OwnFolder(const fs::path& folder, uid_t user) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    const bool safe = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user &&
                      (info.st_mode & 077) == 0;
    ::close(fd);
    if (!safe) return std::nullopt;
    return folder;
}

}  // namespace

std::optional<fs::path> InstanceFolder(const char* xdgRuntimeDir, const fs::path& fallbackParent,
                                       uid_t user, const std::optional<fs::path>& stateFolder) {
    if (xdgRuntimeDir && *xdgRuntimeDir) {
        const fs::path runtime(xdgRuntimeDir);
        struct stat info {};
        if (runtime.is_absolute() && ::stat(runtime.c_str(), &info) == 0 && IsPrivate(info, user)) {
            return runtime;
        }
    }
    // The fallback lives in a folder everyone may write to; when another user has taken
    // its name, a folder below the user's home serves.
    if (auto fallback = OwnFolder(fallbackParent / ("x5k-" + std::to_string(user)), user)) {
        return fallback;
    }
    if (!stateFolder) return std::nullopt;
    std::error_code ignored;
    fs::create_directories(stateFolder->parent_path(), ignored);
    return OwnFolder(*stateFolder, user);
}

bool InstanceRunning(const fs::path& folder, std::string_view name) {
    if (folder.empty() || name.empty() || name.find('/') != std::string_view::npos) return false;
    const fs::path lockPath = folder / (std::string(name) + ".lock");
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    int result = 0;
    do {
        result = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    const bool held = result != 0 && errno == EWOULDBLOCK;
    // Closing gives back a lock taken here.
    ::close(fd);
    return held;
}

SingleInstance::SingleInstance(const fs::path& folder, std::string_view name) {
    if (folder.empty() || name.empty() || name.find('/') != std::string_view::npos) return;
    const fs::path lockPath = folder / (std::string(name) + ".lock");
    socketPath_ = folder / (std::string(name) + ".socket");
    lock_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock_ < 0) return;
    if (::flock(lock_, LOCK_EX | LOCK_NB) == 0) {
        role_ = Role::Primary;
        listen();
        return;
    }
    role_ = errno == EWOULDBLOCK ? Role::Secondary : Role::Unavailable;
    ::close(lock_);
    lock_ = -1;
}

SingleInstance::~SingleInstance() {
    for (const Pending& pending : pending_) ::close(pending.fd);
    if (poller_ >= 0) ::close(poller_);
    if (listener_ >= 0) ::close(listener_);
    // While the lock is still held no later start can have bound a new socket here.
    if (ownsSocketFile_) ::unlink(socketPath_.c_str());
    if (lock_ >= 0) ::close(lock_);
}

void SingleInstance::listen() {
    const auto address = SocketAddress(socketPath_);
    if (!address) return;
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return;
    // Holding the lock, any socket file here is a crashed predecessor's.
    ::unlink(socketPath_.c_str());
    const bool bound =
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0;
    ownsSocketFile_ = bound;
    poller_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kListenerId;
    if (!bound || ::chmod(socketPath_.c_str(), 0600) != 0 || ::listen(listener_, 16) != 0 ||
        poller_ < 0 || ::epoll_ctl(poller_, EPOLL_CTL_ADD, listener_, &event) != 0) {
        if (poller_ >= 0) ::close(poller_);
        poller_ = -1;
        ::close(listener_);
        listener_ = -1;
    }
}

std::vector<HandOver> SingleInstance::takeMessages() {
    std::vector<HandOver> out;
    if (poller_ < 0) return out;
    dropExpired();
    for (int round = 0; round < kMaxRounds; ++round) {
        epoll_event events[kMaxPending + 1];
        const int count = ::epoll_wait(poller_, events, static_cast<int>(std::size(events)), 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (int i = 0; i < count; ++i) {
            if (events[i].data.u64 == kListenerId) {
                acceptAll(out);
                continue;
            }
            const auto found =
                std::find_if(pending_.begin(), pending_.end(),
                             [&](const Pending& p) { return p.id == events[i].data.u64; });
            if (found != pending_.end() && readFrom(*found, out)) {
                drop(static_cast<size_t>(found - pending_.begin()));
            }
        }
    }
    return out;
}

void SingleInstance::acceptAll(std::vector<HandOver>& out) {
    for (size_t accepted = 0; accepted < kMaxPending; ++accepted) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        if (PeerUser(fd) != ::geteuid()) {
            ::close(fd);
            continue;
        }
        if (pending_.size() >= kMaxPending) drop(0);
        Pending pending{nextId_++, fd, {}, 0, steady_clock::now()};
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;
        event.data.u64 = pending.id;
        if (::epoll_ctl(poller_, EPOLL_CTL_ADD, fd, &event) != 0) {
            ::close(fd);
            continue;
        }
        pending_.push_back(pending);
        // The record usually arrived together with the connection.
        if (readFrom(pending_.back(), out)) drop(pending_.size() - 1);
    }
}

bool SingleInstance::readFrom(Pending& pending, std::vector<HandOver>& out) {
    auto bytes = pending.record.bytes();
    const ssize_t got = ::recv(pending.fd, bytes.data() + pending.received,
                               bytes.size() - pending.received, MSG_DONTWAIT);
    if (got < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    if (got == 0) return true;  // closed before the whole record
    pending.received += static_cast<size_t>(got);
    if (pending.received < handover::kSize) return false;
    if (const auto message = DecodeHandOver(pending.record)) out.push_back(*message);
    return true;
}

void SingleInstance::drop(size_t index) {
    // Closing the descriptor also takes it out of the poller.
    ::close(pending_[index].fd);
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
}

void SingleInstance::dropExpired() {
    const auto now = steady_clock::now();
    for (size_t i = pending_.size(); i-- > 0;) {
        if (now - pending_[i].since > kPendingLimit) drop(i);
    }
}

bool SingleInstance::send(const HandOver& message, std::chrono::milliseconds limit) const {
    if (role_ != Role::Secondary) return false;
    const auto address = SocketAddress(socketPath_);
    if (!address) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto deadline = steady_clock::now() + limit;
    // A local connect completes at once or fails (EAGAIN: the listener's queue is full,
    // the running program is not taking connections).
    bool sent =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0 &&
        PeerUser(fd) == ::geteuid();
    const HandOverRecord record = EncodeHandOver(message);
    size_t written = 0;
    while (sent && written < record.kSize) {
        const ssize_t n = ::send(fd, record.bytes().data() + written, record.kSize - written,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            const int left = MillisecondsLeft(deadline);
            pollfd writable{fd, POLLOUT, 0};
            sent = left > 0 && (::poll(&writable, 1, left) > 0 || errno == EINTR);
        } else {
            sent = false;
        }
    }
    ::close(fd);
    return sent;
}

TakenInstance TakeInstance(const std::optional<fs::path>& folder,
                           const std::optional<fs::path>& dataFolder) {
    TakenInstance taken;
    std::optional<fs::path> lockFolder = folder;
    if (!lockFolder && dataFolder) {
        std::error_code ignored;
        fs::create_directories(*dataFolder, ignored);
        lockFolder = dataFolder;
        taken.problem = kNoPrivateInstanceFolder;
        X5K_LOG("instance: no private folder for the lock; the data folder's lock is used");
    }
    taken.instance = std::make_unique<SingleInstance>(lockFolder.value_or(fs::path()));
    if (taken.instance->role() == ProgramInstance::Role::Unavailable) {
        X5K_LOG("instance: no lock could be taken; running as if alone");
        taken.problem = kNoInstanceLock;
    }
    return taken;
}

}  // namespace x5k
