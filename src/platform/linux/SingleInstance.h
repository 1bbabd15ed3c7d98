#pragma once
// One running program per user on Linux. The first start holds an exclusive lock on
// "<folder>/<name>.lock" and listens on "<folder>/<name>.socket"; a later start finds
// the lock taken, connects to the socket, hands over one message and ends. The running
// program watches fd() in its event loop and collects the hand-overs with
// takeMessages().

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteRecord.h"
#include "platform/ProgramInstance.h"

namespace x5k {

// The name both files are built from.
inline constexpr std::string_view kInstanceName = "X5KDriver.exe";

// Told at start when no private folder could be had for the lock and the socket.
inline constexpr const char* kNoPrivateInstanceFolder =
    "No private folder for the one-instance lock could be had (another user may own "
    "/tmp/x5k-<uid>): the settings folder's own lock keeps a second start off the same "
    "files instead.";

// Told at start when not even the settings folder's lock could be taken.
inline constexpr const char* kNoInstanceLock =
    "No one-instance lock could be taken: a second start of the program would not be "
    "noticed.";

// The wire record of one hand-over: 16 bytes, little-endian, one record per connection.
namespace handover {
inline constexpr size_t kSize = 16;
inline constexpr uint32_t kMagicValue = 0x484B3558;  // "X5KH"
inline constexpr I32Field kMagic{0};
inline constexpr I32Field kMessage{4};
inline constexpr I32Field kWParam{8};
inline constexpr I32Field kLParam{12};
static_assert(kLParam.offset + 4 == kSize, "lParam ends the record");
}  // namespace handover

using HandOverRecord = ByteRecord<handover::kSize>;
HandOverRecord EncodeHandOver(const HandOver& message);
// Nothing when the record does not carry the hand-over mark.
std::optional<HandOver> DecodeHandOver(const HandOverRecord& record);

// The folder below the user's home that serves when the shared one cannot:
// "$XDG_STATE_HOME/x5k/run", where an unset, empty or relative XDG_STATE_HOME means
// "$HOME/.local/state". Nothing when neither variable gives an absolute folder.
std::optional<std::filesystem::path> StateRunFolderFrom(const char* xdgStateHome, const char* home);

// The folder for the lock and the socket: `xdgRuntimeDir` when it names an absolute
// folder of this user that no one else may write to; otherwise "x5k-<uid>" below
// /tmp, created 0700 when missing and taken only when it is a folder of this user with
// mode 0700 (not a symlink); otherwise, as another user may have made that one first,
// the folder below the home, created 0700 and checked the same way. Nothing when no
// private folder can be had.
std::optional<std::filesystem::path> InstanceFolder(const char* xdgRuntimeDir);
// The same with the fallback's parent folder, the user and the folder below the home
// given.
std::optional<std::filesystem::path> InstanceFolder(
    const char* xdgRuntimeDir, const std::filesystem::path& fallbackParent, uid_t user,
    const std::optional<std::filesystem::path>& stateFolder = std::nullopt);

// Whether a program holds the lock in `folder`, asked without disturbing it: the lock
// file is opened (never created) and a shared lock is tried and given back at once. No
// lock file, or a lock that could be had, means no one runs. The probe holds the lock
// only for that instant, and never listens on the socket.
bool InstanceRunning(const std::filesystem::path& folder, std::string_view name = kInstanceName);

// Primary: this start holds the lock. Secondary: another process holds it.
// Unavailable: no lock could be taken (no folder, the lock file cannot be created or is
// a symlink); the program then runs as if alone.
class SingleInstance final : public ProgramInstance {
public:
    // Takes the lock; the holder replaces a stale socket file left by a crashed
    // predecessor and listens. A primary whose socket could not be set up keeps the
    // lock but fd() is -1 (later starts then find no one to hand over to and end).
    SingleInstance(const std::filesystem::path& folder, std::string_view name = kInstanceName);
    // The primary removes its socket file, then releases the lock.
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role role() const override { return role_; }

    // The primary's descriptor to watch for readability (new connections or data from
    // pending ones); -1 otherwise.
    int fd() const override { return poller_; }

    // Never blocks: accepts pending connections of this user, reads what has arrived
    // and returns the complete hand-overs in the order they completed. Connections of
    // other users, records without the mark and connections closed before a whole
    // record are dropped; a silent connection is dropped after a while or when too
    // many wait.
    std::vector<HandOver> takeMessages() override;

    // For a secondary: connects to the running program and sends one record. False when
    // it cannot be reached (no socket, no listener, another user's listener) or did not
    // take the record within `limit`.
    bool send(const HandOver& message,
              std::chrono::milliseconds limit = std::chrono::milliseconds(1000)) const override;

private:
    struct Pending {
        uint64_t id;
        int fd;
        HandOverRecord record;
        size_t received;
        std::chrono::steady_clock::time_point since;
    };

    void listen();
    void acceptAll(std::vector<HandOver>& out);
    // True when the connection is finished with (record complete, closed or failed).
    bool readFrom(Pending& pending, std::vector<HandOver>& out);
    void drop(size_t index);
    void dropExpired();

    Role role_ = Role::Unavailable;
    std::filesystem::path socketPath_;
    int lock_ = -1;
    int listener_ = -1;
    int poller_ = -1;
    bool ownsSocketFile_ = false;
    uint64_t nextId_ = 1;
    std::vector<Pending> pending_;
};

// The program's instance, with what the user is told at start about it. In the private
// `folder` when there is one; otherwise in the data folder (created when missing), whose
// lock still keeps a second start off the same files, told as kNoPrivateInstanceFolder;
// with neither, or when no lock can be taken there, an unavailable instance, told as
// kNoInstanceLock.
struct TakenInstance {
    std::unique_ptr<SingleInstance> instance;
    std::optional<std::string> problem;
};
TakenInstance TakeInstance(const std::optional<std::filesystem::path>& folder,
                           const std::optional<std::filesystem::path>& dataFolder);

}  // namespace x5k
