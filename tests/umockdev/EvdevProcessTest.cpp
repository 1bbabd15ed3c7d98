// The input watch in a process of its own, inside the testbed (a child inherits
// umockdev's preloaded library and the testbed's folder, so its ioctls reach this
// process's handlers): a crash lets go of the mouse before the process ends, and
// x5kctl watch-input keeps the mouse going while no one reads its output.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "EvdevTestbed.h"
#include "platform/linux/EvdevHookBackend.h"

namespace x5k {
namespace {

using test::Event;
using test::Syn;
using test::WaitFor;

// A child process, killed and reaped unless it has ended by itself.
class Child {
public:
    // Runs `path` with `arguments`, its standard output and error going to the given
    // descriptors (-1: nowhere), with the variable set when one is given.
    Child(const std::string& path, std::vector<std::string> arguments, int out, int err,
          const char* variable = nullptr) {
        pid_ = fork();
        if (pid_ != 0) return;
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(out >= 0 ? out : null, STDOUT_FILENO);
        dup2(err >= 0 ? err : null, STDERR_FILENO);
        if (variable) setenv(variable, "1", 1);
        std::vector<char*> argv;
        arguments.insert(arguments.begin(), path);
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    ~Child() {
        if (pid_ <= 0 || ended_) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Whether it has ended; its wait status then goes into `status`.
    bool ended(int* status = nullptr) {
        if (!ended_) {
            ended_ = waitpid(pid_, &status_, WNOHANG) == pid_;
        }
        if (ended_ && status) *status = status_;
        return ended_;
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
};

// Whether the process has the file open.
bool HasOpen(pid_t pid, const std::string& file) {
    std::error_code error;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        if (std::filesystem::read_symlink(entry.path(), error) == file) return true;
    }
    return false;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    return text;
}

// --- A crash with the mouse grabbed ----------------------------------------------------

constexpr const char* kCrashingChild = "X5K_EVDEV_CRASHING_CHILD";

// Blocks something, so the mouse is grabbed as soon as its clone is there, and lets
// the left button through; a wheel step crashes the input thread.
class CrashingSink final : public HookSink {
public:
    void keyboardEvent(uint32_t, uint32_t) override {}
    bool mouseEvent(uint32_t message, uint32_t) override {
        if (message == mouse::kWheel) raise(SIGABRT);
        return false;
    }
    bool isBlocked(uint32_t) const override { return false; }
    bool anythingBlocked() const override { return true; }
};

// Stands for the handler that was there before the crash guard's (a sanitizer's, say)
// and keeps the crashing process alive, so that what the guard closed is seen closed
// before the process ends.
void Linger(int) {
    for (;;) pause();
}

// The child's part: grabs the mouse through its clone, which a press then holds down,
// and crashes on the input thread at the next wheel step.
[[noreturn]] void CrashWithTheMouseGrabbed() {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    struct sigaction linger {};
    linger.sa_handler = Linger;
    sigaction(SIGABRT, &linger, nullptr);
    CrashingSink sink;
    EvdevHookBackend backend;
    backend.setSink(&sink);
    if (!backend.installMouseHook()) _exit(2);
    for (;;) pause();
}

TEST(EvdevCrash, LetsGoOfTheGrabAndTheCloneBeforeTheCrashGoesOn) {
    if (std::getenv(kCrashingChild)) CrashWithTheMouseGrabbed();

    test::EvdevTestbed bed;
    bed.addUinput();
    const auto mouse = bed.addNode(test::MouseSpec("event5"));
    // This very test again in a new process, which takes the child's part.
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    ASSERT_FALSE(error);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    Child child(self.string(), {filter}, -1, -1, kCrashingChild);
    ASSERT_TRUE(child.started());

    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return bed.grabbed(mouse) && bed.uinputCreated() == 1; }) &&
                !child.ended(&status))
        << "the child did not grab the mouse; wait status " << status;
    ASSERT_TRUE(HasOpen(child.pid(), bed.file(mouse)));
    ASSERT_TRUE(HasOpen(child.pid(), bed.file("/dev/uinput")));
    bed.feed(mouse, {Event(EV_KEY, BTN_LEFT, 1), Syn()});
    ASSERT_TRUE(WaitFor([&] { return bed.uinputWritten().size() == 2; }));
    bed.feed(mouse, {Event(EV_REL, REL_WHEEL, 1), Syn()});
    // The grabbed node's file is closed, which ends the grab, and the clone's, which
    // removes the clone and releases what it holds; neither by the ioctls.
    EXPECT_TRUE(WaitFor([&] { return !HasOpen(child.pid(), bed.file(mouse)); }))
        << "the mouse stayed grabbed";
    EXPECT_TRUE(WaitFor([&] { return !HasOpen(child.pid(), bed.file("/dev/uinput")); }))
        << "the clone stayed";
    EXPECT_EQ(bed.ungrabs(mouse), 0);
    EXPECT_EQ(bed.uinputDestroyed(), 0);
    EXPECT_FALSE(child.ended(&status)) << "the crash went on before the mouse was let go";
}

// --- x5kctl watch-input ------------------------------------------------------------------

// The tool beside the test programs: tests/ and bin/ share the build folder.
std::filesystem::path X5kctlPath() {
#ifdef X5KCTL_PATH
    return X5KCTL_PATH;
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path().parent_path() / "bin" / "x5kctl";
#endif
}

TEST(EvdevWatchInput, KeepsTheMouseGoingWhileNoOneReadsItsOutputAndStopsOnCtrlC) {
    if (!std::filesystem::exists(X5kctlPath())) GTEST_SKIP() << "x5kctl is not built";
    test::EvdevTestbed bed;
    bed.addUinput();
    const auto mouse = bed.addNode(test::MouseSpec("event5"));
    // A small pipe, never read while the mouse is used: a pager that waits for a key.
    int out[2];
    int err[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
    fcntl(out[1], F_SETPIPE_SZ, 4096);
    Child child(X5kctlPath().string(), {"watch-input", "--block", "back"}, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(WaitFor([&] { return bed.grabbed(mouse); }));

    // Far more lines than the pipe holds or the tool keeps; the clicks pass through the
    // clone all the same.
    constexpr size_t kClicks = 2000;
    constexpr size_t kBatch = 200;
    for (size_t sent = 0; sent < kClicks; sent += kBatch) {
        std::vector<input_event> clicks;
        for (size_t i = 0; i < kBatch; ++i) {
            clicks.insert(clicks.end(),
                          {Event(EV_KEY, BTN_LEFT, 1), Syn(), Event(EV_KEY, BTN_LEFT, 0), Syn()});
        }
        bed.feed(mouse, clicks);
        ASSERT_TRUE(WaitFor([&] { return bed.uinputWritten().size() == 4 * (sent + kBatch); }))
            << "the mouse froze after " << bed.uinputWritten().size() / 4 << " clicks";
    }

    kill(child.pid(), SIGINT);
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return child.ended(&status); })) << "Ctrl+C did not end it";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(bed.uinputDestroyed(), 1);
    EXPECT_FALSE(bed.grabbed(mouse));

    const std::string shown = ReadAll(out[0]);
    const std::string said = ReadAll(err[0]);
    close(out[0]);
    close(err[0]);
    // As much as the pipe took before Ctrl+C: the clicks' lines in order, unless a note
    // tells that lines were dropped.
    const std::string kClickLines[] = {"notify  0x00201  left button down",
                                       "mouse   0x00201  left button down",
                                       "mouse   0x00202  left button up"};
    std::optional<size_t> next = 0;  // which of the click's lines comes next, when known
    size_t start = 0;
    for (size_t end; (end = shown.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string text = shown.substr(start, end - start);
        if (text.starts_with("... ") &&
            text.ends_with(" lines dropped: the output was not read in time")) {
            next.reset();
            continue;
        }
        const auto* found = std::find(std::begin(kClickLines), std::end(kClickLines), text);
        ASSERT_NE(found, std::end(kClickLines)) << text;
        const auto index = static_cast<size_t>(found - std::begin(kClickLines));
        if (next) {
            EXPECT_EQ(index, *next) << text;
        }
        next = (index + 1) % 3;
    }
    EXPECT_EQ(start, shown.size()) << "a line cut short";
    EXPECT_NE(said.find("lines were not shown"), std::string::npos) << said;
}

}  // namespace
}  // namespace x5k
