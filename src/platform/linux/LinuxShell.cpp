#include "platform/linux/LinuxShell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "common/DiagnosticLog.h"
#include "platform/linux/SessionBus.h"

extern char** environ;

namespace x5k {
namespace {

// One pair of double quotes around the whole target only delimits it.
std::string_view StripQuotes(std::string_view target) {
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"') {
        target.remove_prefix(1);
        target.remove_suffix(1);
    }
    return target;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Owns the spawn attributes so every return path releases them.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawnattr_init(&attributes_);
        posix_spawn_file_actions_init(&actions_);
        // The started program must not inherit what this process ignores or blocks
        // (an ignored SIGPIPE would change how it fails on a closed pipe).
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        // A session of its own: the program outlives this one and is not stopped by a
        // signal sent to our terminal or process group.
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
#if defined(__GLIBC_PREREQ)
#if __GLIBC_PREREQ(2, 34)
        // Our descriptors stay ours: an inherited device handle or the single-instance
        // lock would otherwise stay open for as long as the started program runs.
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#endif
#endif
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawnattr_t* attributes() const {
        return &attributes_;
    }
    const posix_spawn_file_actions_t* actions() const {
        return &actions_;
    }

private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

enum class Lookup { ExactPath, SearchPath };

// Starts `program` with `args` (args[0] included) and returns at once. The child is
// reaped by a detached thread so that no zombie stays behind. False when it could not
// be started.
bool Start(Lookup lookup, const std::string& program, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const SpawnSettings settings;
    // The program looks for a session bus as it would, not through the program's stand-in.
    std::vector<char*> environment = ChildEnvironment(environ);
    pid_t pid = 0;
    const int error = lookup == Lookup::SearchPath
                          ? posix_spawnp(&pid, program.c_str(), settings.actions(),
                                         settings.attributes(), argv.data(), environment.data())
                          : posix_spawn(&pid, program.c_str(), settings.actions(),
                                        settings.attributes(), argv.data(), environment.data());
    if (error != 0) {
        // Nothing else tells the user: an opened file or a started program simply does
        // not appear.
        X5K_LOG("shell: cannot start ", program, ": ",
                SysResult::failure(error,
                                   lookup == Lookup::SearchPath ? "posix_spawnp" : "posix_spawn"));
        return false;
    }
    X5K_LOG("shell: started ", program, " (process ", static_cast<int>(pid), ")");
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // Without a thread the child is left to be reaped when this process ends.
    }
    return true;
}

}  // namespace

LinuxShell::LinuxShell(std::string launcher) : launcher_(std::move(launcher)) {}

void LinuxShell::open(std::string_view target) {
    const std::string path(StripQuotes(target));
    if (path.empty()) return;
    // A program is started by itself, without a shell, so nothing in its path is
    // interpreted; documents, folders and URLs go to the desktop's opener.
    if (IsExecutableFile(path)) {
        Start(Lookup::ExactPath, path, {path});
    } else {
        Start(Lookup::SearchPath, launcher_, {launcher_, path});
    }
}

bool LinuxShell::start(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    return Start(Lookup::ExactPath, program, std::move(args));
}

}  // namespace x5k
