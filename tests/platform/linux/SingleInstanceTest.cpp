#include "platform/linux/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "support/TempFolder.h"

extern char** environ;

namespace x5k {

static void PrintTo(const HandOver& m, std::ostream* out) {
    *out << std::hex << "(0x" << m.message << ", 0x" << m.wParam << ", 0x" << m.lParam << ")";
}

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using std::chrono::steady_clock;
using Role = SingleInstance::Role;

// A test that starts a second process re-runs itself there; these tell the new process
// which part to play and in which folder.
constexpr char kChildPart[] = "X5K_TEST_INSTANCE_PART";
constexpr char kChildFolder[] = "X5K_TEST_INSTANCE_FOLDER";

// The new process's part: "second" starts while another instance runs and hands over;
// "primary" takes the lock and keeps it until killed.
void PlayChildPartIfAsked() {
    const char* part = std::getenv(kChildPart);
    if (!part) return;
    SingleInstance instance(std::getenv(kChildFolder));
    if (std::string_view(part) == "second") {
        _exit(instance.role() == Role::Secondary && instance.send(kShowRunningInstance) ? 0 : 1);
    }
    if (instance.role() != Role::Primary) _exit(1);
    for (;;) ::pause();
}

// This very test again in a new process, playing `part` in `folder`.
pid_t StartChild(const char* part, const fs::path& folder) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string filter =
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> env = {std::string(kChildPart) + "=" + part,
                                    std::string(kChildFolder) + "=" + folder.string()};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {exe.data(), filter.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Waits on fd() for at most 5 s until `count` hand-overs came; every takeMessages()
// call must return at once.
std::vector<HandOver> Collect(SingleInstance& primary, size_t count) {
    std::vector<HandOver> got;
    const auto deadline = steady_clock::now() + 5s;
    while (got.size() < count && steady_clock::now() < deadline) {
        pollfd readable{primary.fd(), POLLIN, 0};
        ::poll(&readable, 1, 10);
        const auto start = steady_clock::now();
        for (const auto& m : primary.takeMessages()) got.push_back(m);
        EXPECT_LT(steady_clock::now() - start, 1s) << "takeMessages() blocked";
    }
    return got;
}

// A raw socket connected (or bound) to the instance socket in `folder`.
int Connect(const fs::path& folder, decltype(::connect)* how = ::connect) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (folder / "X5KDriver.exe.socket").string();
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (how(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Write(int fd, std::span<const uint8_t> bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

std::set<int> OpenDescriptors() {
    std::set<int> fds;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        fds.insert(std::stoi(entry.path().filename().string()));
    }
    return fds;
}

TEST(InstanceFolder, TakesAPrivateRuntimeFolderElseAPrivateFallback) {
    enum class Fallback { Missing, Private, Readable, Open, Symlink, File };
    enum class Home { Missing, File, Symlink };  // the folder below the home
    enum class Expect { Runtime, Fallback, Home, Nothing };
    struct Case {
        const char* name;
        const char* runtime;  // "@": the absolute path of the runtime folder "run"
        mode_t runtimeMode;   // of "run"; 0: not created; S_IFREG: a file
        Fallback fallback;
        bool otherUser;
        Expect expected;
        Home home = Home::Missing;
    };
    const Case cases[] = {
        {"private runtime folder", "@", 0700, Fallback::Missing, false, Expect::Runtime},
        {"readable runtime folder", "@", 0755, Fallback::Missing, false, Expect::Runtime},
        {"unset", nullptr, 0, Fallback::Missing, false, Expect::Fallback},
        {"empty", "", 0, Fallback::Missing, false, Expect::Fallback},
        {"relative", "run", 0700, Fallback::Missing, false, Expect::Fallback},
        {"missing", "@", 0, Fallback::Missing, false, Expect::Fallback},
        {"a file", "@", S_IFREG, Fallback::Missing, false, Expect::Fallback},
        {"group-writable", "@", 0770, Fallback::Missing, false, Expect::Fallback},
        {"fallback already there", nullptr, 0, Fallback::Private, false, Expect::Fallback},
        {"fallback readable by others", nullptr, 0, Fallback::Readable, false, Expect::Home},
        {"fallback a symlink", nullptr, 0, Fallback::Symlink, false, Expect::Home},
        {"fallback a file", nullptr, 0, Fallback::File, false, Expect::Home},
        {"fallback writable by all", nullptr, 0, Fallback::Open, false, Expect::Home},
        {"fallback taken, home folder a file", nullptr, 0, Fallback::File, false, Expect::Nothing,
         Home::File},
        {"fallback taken, home folder a symlink", nullptr, 0, Fallback::Open, false,
         Expect::Nothing, Home::Symlink},
        {"all another user's", "@", 0700, Fallback::Private, true, Expect::Nothing},
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        const uid_t user = c.otherUser ? ::geteuid() + 1 : ::geteuid();
        const fs::path runtime = tmp / "run";
        if (c.runtimeMode == S_IFREG) test::WriteBytes(runtime, {1});
        if (c.runtimeMode && c.runtimeMode != S_IFREG) {
            fs::create_directory(runtime);
            ::chmod(runtime.c_str(), c.runtimeMode);
        }
        const fs::path fallback = tmp / ("x5k-" + std::to_string(user));
        if (c.fallback == Fallback::Private || c.fallback == Fallback::Open ||
            c.fallback == Fallback::Readable) {
            fs::create_directory(fallback);
            ::chmod(fallback.c_str(), c.fallback == Fallback::Open       ? 0777
                                      : c.fallback == Fallback::Readable ? 0755
                                                                         : 0700);
        }
        if (c.fallback == Fallback::Symlink) fs::create_directory_symlink(tmp.path(), fallback);
        if (c.fallback == Fallback::File) test::WriteBytes(fallback, {1});
        const fs::path home = tmp / "state" / "x5k" / "run";
        if (c.home == Home::File) test::WriteBytes(home, {1});
        if (c.home == Home::Symlink) {
            fs::create_directories(home.parent_path());
            fs::create_directory_symlink(tmp.path(), home);
        }
        const std::string given = c.runtime && *c.runtime == '@' ? runtime.string()
                                  : c.runtime                    ? c.runtime
                                                                 : "";
        const auto got =
            InstanceFolder(c.runtime ? given.c_str() : nullptr, tmp.path(), user, home);
        switch (c.expected) {
            case Expect::Runtime:
                EXPECT_EQ(got, runtime) << c.name;
                break;
            case Expect::Fallback:
                EXPECT_EQ(got, fallback) << c.name;
                break;
            case Expect::Home:
                EXPECT_EQ(got, home) << c.name;
                break;
            case Expect::Nothing:
                EXPECT_EQ(got, std::nullopt) << c.name;
                break;
        }
        struct stat info {};
        const fs::path taken = c.expected == Expect::Home ? home : fallback;
        if ((c.expected == Expect::Fallback || c.expected == Expect::Home) &&
            ::lstat(taken.c_str(), &info) == 0) {
            EXPECT_TRUE(S_ISDIR(info.st_mode) && (info.st_mode & 077) == 0) << c.name;
        }
    }
}

TEST(InstanceFolder, BelowTheHomeFollowsXdgStateHome) {
    const struct {
        const char* xdg;
        const char* home;
        std::optional<fs::path> expected;
    } cases[] = {
        {"/var/u/state", "/home/u", "/var/u/state/x5k/run"},
        {nullptr, "/home/u", "/home/u/.local/state/x5k/run"},
        {"relative", "/home/u", "/home/u/.local/state/x5k/run"},
        {nullptr, nullptr, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StateRunFolderFrom(c.xdg, c.home), c.expected) << (c.xdg ? c.xdg : "-");
    }
}

TEST(SingleInstance, FirstStartIsPrimaryLaterOnesSecondaryUntilItEnds) {
    test::TempFolder folder;
    const fs::path socket = folder / "X5KDriver.exe.socket";
    {
        SingleInstance first(folder.path());
        SingleInstance second(folder.path());
        SingleInstance third(folder.path());
        EXPECT_EQ(first.role(), Role::Primary);
        EXPECT_GE(first.fd(), 0);
        EXPECT_FALSE(first.send(kShowRunningInstance));
        for (auto* later : {&second, &third}) {
            EXPECT_EQ(later->role(), Role::Secondary);
            EXPECT_EQ(later->fd(), -1);
            EXPECT_TRUE(later->takeMessages().empty());
        }
        EXPECT_TRUE(second.send({0x401, 7, -5}));
        EXPECT_TRUE(third.send(kShowRunningInstance));
        EXPECT_EQ(Collect(first, 2), (std::vector<HandOver>{{0x401, 7, -5}, kShowRunningInstance}));
        struct stat info {};
        ASSERT_EQ(::stat(socket.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(fs::exists(socket));
    EXPECT_EQ(SingleInstance(folder.path()).role(), Role::Primary);
}

TEST(SingleInstance, UnavailableWithoutAUsableLock) {
    struct Case {
        const char* what;
        const char* folder;  // below the test folder; nullptr: no folder given
        const char* name;
        bool plantSymlink;
    };
    const Case cases[] = {
        {"no folder", nullptr, "X5KDriver.exe", false},
        {"missing folder", "missing", "X5KDriver.exe", false},
        {"lock file a symlink", ".", "X5KDriver.exe", true},
        {"name with a slash", ".", "../X5KDriver.exe", false},
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        if (c.plantSymlink) fs::create_symlink(tmp / "elsewhere", tmp / "X5KDriver.exe.lock");
        SingleInstance instance(c.folder ? tmp / c.folder : fs::path(), c.name);
        EXPECT_EQ(instance.role(), Role::Unavailable) << c.what;
        EXPECT_EQ(instance.fd(), -1) << c.what;
        EXPECT_FALSE(instance.send(kShowRunningInstance)) << c.what;
        EXPECT_FALSE(fs::exists(tmp / "elsewhere")) << c.what;
    }
}

// Without a private folder the data folder's lock is the last resort: a second start on
// the same data folder still finds the first, and the user is told either way.
TEST(SingleInstance, TakenInTheDataFolderWhenNoPrivateFolderCanBeHad) {
    struct Case {
        const char* what;
        bool privateFolder;
        const char* dataFolder;  // below the test folder; nullptr: none
        Role role;
        const char* problem;
        const char* lockIn;  // the folder holding the lock file, below the test folder
    };
    const Case cases[] = {
        {"private folder", true, "data", Role::Primary, nullptr, "run"},
        {"data folder only", false, "data", Role::Primary, kNoPrivateInstanceFolder, "data"},
        {"data folder made", false, "new/data", Role::Primary, kNoPrivateInstanceFolder,
         "new/data"},
        {"data folder a file", false, "file", Role::Unavailable, kNoInstanceLock, nullptr},
        {"neither", false, nullptr, Role::Unavailable, kNoInstanceLock, nullptr},
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        fs::create_directories(tmp / "run");
        fs::create_directories(tmp / "data");
        test::WriteBytes(tmp / "file", {1});
        const auto privateFolder = c.privateFolder ? std::optional(tmp / "run") : std::nullopt;
        const auto dataFolder = c.dataFolder ? std::optional(tmp / c.dataFolder) : std::nullopt;
        const TakenInstance first = TakeInstance(privateFolder, dataFolder);
        EXPECT_EQ(first.instance->role(), c.role) << c.what;
        EXPECT_EQ(first.problem, c.problem ? std::optional<std::string>(c.problem) : std::nullopt)
            << c.what;
        if (!c.lockIn) continue;
        EXPECT_TRUE(fs::exists(tmp / c.lockIn / "X5KDriver.exe.lock")) << c.what;
        const TakenInstance second = TakeInstance(privateFolder, dataFolder);
        EXPECT_EQ(second.instance->role(), Role::Secondary) << c.what;
        EXPECT_TRUE(second.instance->send(kShowRunningInstance)) << c.what;
        EXPECT_EQ(Collect(*first.instance, 1), std::vector<HandOver>{kShowRunningInstance})
            << c.what;
    }
}

TEST(SingleInstance, SecondProcessHandsOverTheShowMessage) {
    PlayChildPartIfAsked();
    test::TempFolder folder;
    SingleInstance primary(folder.path());
    ASSERT_EQ(primary.role(), Role::Primary);
    const pid_t child = StartChild("second", folder.path());
    ASSERT_GT(child, 0);
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_EQ(Collect(primary, 1), (std::vector<HandOver>{{0x46C, 0, 0x203}}));
    EXPECT_TRUE(primary.takeMessages().empty());
}

TEST(SingleInstance, CrashedPrimaryIsReplacedWithItsStaleSocket) {
    PlayChildPartIfAsked();
    test::TempFolder folder;
    const pid_t child = StartChild("primary", folder.path());
    ASSERT_GT(child, 0);
    const auto deadline = steady_clock::now() + 5s;
    while (!fs::exists(folder / "X5KDriver.exe.socket") && steady_clock::now() < deadline) {
        ::usleep(2000);
    }
    EXPECT_EQ(SingleInstance(folder.path()).role(), Role::Secondary);
    ::kill(child, SIGKILL);
    EXPECT_EQ(ExitCode(child), -1);
    ASSERT_TRUE(fs::exists(folder / "X5KDriver.exe.socket"));

    SingleInstance primary(folder.path());
    ASSERT_EQ(primary.role(), Role::Primary);
    EXPECT_TRUE(SingleInstance(folder.path()).send(kShowRunningInstance));
    EXPECT_EQ(Collect(primary, 1), std::vector<HandOver>{kShowRunningInstance});
}

TEST(SingleInstance, SendFailsPromptlyWhenNoOneListens) {
    enum class Socket { Removed, Stale, File };
    for (const Socket kind : {Socket::Removed, Socket::Stale, Socket::File}) {
        test::TempFolder folder;
        SingleInstance primary(folder.path());
        const fs::path socket = folder / "X5KDriver.exe.socket";
        fs::remove(socket);
        if (kind == Socket::Stale) {
            const int stale = Connect(folder.path(), ::bind);
            ASSERT_GE(stale, 0);
            ::close(stale);
        }
        if (kind == Socket::File) test::WriteBytes(socket, {1});
        const SingleInstance second(folder.path());
        const auto start = steady_clock::now();
        EXPECT_FALSE(second.send(kShowRunningInstance)) << static_cast<int>(kind);
        EXPECT_LT(steady_clock::now() - start, 1s) << static_cast<int>(kind);
    }
}

TEST(SingleInstance, DropsBadRecordsWithoutBlockingLaterOnes) {
    const HandOver sample{0x401, 7, -5};
    const auto good = EncodeHandOver(sample);
    auto wrongMark = good;
    wrongMark.set(handover::kMagic, 0x12345678);
    const std::vector<uint8_t> whole(good.bytes().begin(), good.bytes().end());
    std::vector<uint8_t> trailing = whole;
    trailing.insert(trailing.end(), {1, 2, 3});
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool keepOpen;
        bool delivered;
    };
    const Case cases[] = {
        {"whole record", whole, false, true},
        {"whole record, connection kept", whole, true, true},
        {"trailing bytes", trailing, false, true},
        {"wrong mark", {wrongMark.bytes().begin(), wrongMark.bytes().end()}, false, false},
        {"half, then closed", {whole.begin(), whole.begin() + 8}, false, false},
        {"half, kept open", {whole.begin(), whole.begin() + 8}, true, false},
        {"nothing, kept open", {}, true, false},
        {"nothing, closed", {}, false, false},
    };
    for (const auto& c : cases) {
        test::TempFolder folder;
        SingleInstance primary(folder.path());
        const int raw = Connect(folder.path());
        ASSERT_GE(raw, 0) << c.name;
        Write(raw, c.bytes);
        if (!c.keepOpen) ::close(raw);
        EXPECT_TRUE(SingleInstance(folder.path()).send(kShowRunningInstance)) << c.name;
        std::vector<HandOver> expected = {kShowRunningInstance};
        if (c.delivered) expected.insert(expected.begin(), sample);
        EXPECT_EQ(Collect(primary, expected.size()), expected) << c.name;
        if (c.keepOpen) ::close(raw);
    }
}

TEST(SingleInstance, RecordArrivingInPiecesIsKept) {
    test::TempFolder folder;
    SingleInstance primary(folder.path());
    const auto record = EncodeHandOver(kShowRunningInstance);
    const int raw = Connect(folder.path());
    // Connected but nothing sent yet, then a first piece: nothing to hand out so far.
    for (const size_t piece : {0, 5}) {
        Write(raw, std::span(record.bytes()).first(piece));
        pollfd readable{primary.fd(), POLLIN, 0};
        ::poll(&readable, 1, 5);
        EXPECT_TRUE(primary.takeMessages().empty());
    }
    Write(raw, std::span(record.bytes()).subspan(5));
    EXPECT_EQ(Collect(primary, 1), std::vector<HandOver>{kShowRunningInstance});
    ::close(raw);
}

TEST(SingleInstance, SilentConnectionsDoNotPileUp) {
    test::TempFolder folder;
    SingleInstance primary(folder.path());
    const auto before = OpenDescriptors().size();
    std::vector<int> silent;
    for (int i = 0; i < 100; ++i) {
        silent.push_back(Connect(folder.path()));
        ASSERT_GE(silent.back(), 0);
        primary.takeMessages();
    }
    EXPECT_TRUE(SingleInstance(folder.path()).send(kShowRunningInstance));
    EXPECT_EQ(Collect(primary, 1), std::vector<HandOver>{kShowRunningInstance});
    EXPECT_LE(OpenDescriptors().size(), before + silent.size() + 16);
    for (const int fd : silent) ::close(fd);
}

TEST(SingleInstance, EveryDescriptorIsClosedOnExec) {
    test::TempFolder folder;
    const auto before = OpenDescriptors();
    SingleInstance primary(folder.path());
    const int raw = Connect(folder.path());  // close-on-exec itself
    primary.takeMessages();
    for (const int fd : OpenDescriptors()) {
        if (before.count(fd)) continue;
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0) {
            EXPECT_TRUE(flags & FD_CLOEXEC) << fd;
        }
    }
    ::close(raw);
}

TEST(SingleInstance, OtherUsersCannotHandOver) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    test::TempFolder folder;
    SingleInstance primary(folder.path());
    ::chmod(folder.path().c_str(), 0755);
    ::chmod((folder / "X5KDriver.exe.socket").c_str(), 0666);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(2);
        const int fd = Connect(folder.path());
        const auto record = EncodeHandOver({0x401, 1, 1});
        _exit(fd >= 0 && ::write(fd, record.bytes().data(), record.kSize) == 16 ? 0 : 1);
    }
    ASSERT_EQ(ExitCode(child), 0);
    EXPECT_TRUE(SingleInstance(folder.path()).send(kShowRunningInstance));
    EXPECT_EQ(Collect(primary, 1), std::vector<HandOver>{kShowRunningInstance});
}

}  // namespace
}  // namespace x5k
