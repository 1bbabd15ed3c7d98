// The input watch's pieces that need no devices: which nodes it reads, what it tells
// the user when access is missing, and how a crash lets go of a grabbed mouse.

#include "platform/linux/EvdevHookBackend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/EvdevCrashGuard.h"

namespace x5k {
namespace {

TEST(EvdevNodes, AreReadByWhatUdevSaysTheyAre) {
    using Properties = std::map<std::string, std::string>;
    struct Case {
        Properties properties;
        InputNodeKind expected;
    };
    const Case cases[] = {
        {{{"ID_INPUT", "1"}, {"ID_INPUT_KEYBOARD", "1"}, {"ID_INPUT_KEY", "1"}},
         InputNodeKind::Keyboard},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_KEY", "1"}}, InputNodeKind::Keyboard},  // media keys
        {{{"ID_INPUT", "1"}, {"ID_INPUT_MOUSE", "1"}}, InputNodeKind::Pointer},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_TOUCHPAD", "1"}}, InputNodeKind::Pointer},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_POINTINGSTICK", "1"}}, InputNodeKind::Pointer},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_TRACKBALL", "1"}}, InputNodeKind::Pointer},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_MOUSE", "1"}, {"ID_INPUT_KEY", "1"}}, InputNodeKind::Both},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_JOYSTICK", "1"}}, InputNodeKind::Skip},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_TABLET", "1"}}, InputNodeKind::Skip},
        {{{"ID_INPUT", "1"}, {"ID_INPUT_MOUSE", "0"}}, InputNodeKind::Skip},
        {{}, InputNodeKind::Unknown},
    };
    for (const Case& c : cases) {
        const auto kind = ClassifyInputNode([&c](const char* name) -> const char* {
            const auto it = c.properties.find(name);
            return it == c.properties.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(kind, c.expected) << testing::PrintToString(c.properties);
    }
}

TEST(EvdevAccess, TellsWhatIsMissingAndHowToGrantIt) {
    struct Case {
        const char* name;
        InputAccess access;
        std::vector<std::string> mentions;
        std::vector<std::string> omits;
    };
    InputAccess keyboards;
    keyboards.keyboardsRefused = true;
    InputAccess mouse;
    mouse.mouseRefused = true;
    InputAccess noModule;
    noModule.uinputMissing = true;
    InputAccess uinput;
    uinput.uinputRefused = true;
    InputAccess pointers;
    pointers.pointersRefused = true;
    const Case cases[] = {
        {"keyboards",
         keyboards,
         {"only the keys typed into the program's own window", "\"input\"", "usermod -aG input"},
         {"70-x5k.rules", "uinput"}},
        {"the mouse", mouse, {"clicks are not counted", "70-x5k.rules", "udevadm"}, {"usermod"}},
        {"no uinput module", noModule, {"modprobe uinput", "normal function"}, {"70-x5k.rules"}},
        {"uinput refused", uinput, {"/dev/uinput", "70-x5k.rules"}, {"usermod"}},
        {"other pointers", pointers, {"Other mice", "usermod -aG input"}, {"70-x5k.rules"}},
    };
    for (const Case& c : cases) {
        const auto text = DescribeInputAccess(c.access);
        ASSERT_TRUE(text) << c.name;
        for (const auto& part : c.mentions) {
            EXPECT_NE(text->find(part), std::string::npos) << c.name << ": " << part;
        }
        for (const auto& part : c.omits) {
            EXPECT_EQ(text->find(part), std::string::npos) << c.name << ": " << part;
        }
    }
    EXPECT_EQ(DescribeInputAccess(InputAccess{}), std::nullopt);
}

// The handler hands the signal on to the handler that was there before; this one keeps
// the crashing child alive, so the test can see that the registered descriptor was
// closed before the process ended rather than by its end.
void Linger(int) {
    for (;;) pause();
}

// Runs `crash` in a child whose crash guard holds the write end of a pipe, with the
// lingering handler behind the guard's for `signal`; true when the write end was closed
// while the child was still there.
bool GuardClosesBeforeTheCrashGoesOn(int signal, const std::function<void()>& crash) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(pipeFds[0]);
        // A crash the guard misses kills the child: no core dump of it.
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        struct sigaction linger {};
        linger.sa_handler = Linger;
        sigaction(signal, &linger, nullptr);
        crash_guard::InstallHandlers();
        crash_guard::RegisterDescriptor(pipeFds[1]);
        crash();
        _exit(0);  // not reached: the lingering handler never returns
    }
    close(pipeFds[1]);
    // End of file on the pipe: the child's only write end was closed, by the guard or
    // by the child's end.
    pollfd p{pipeFds[0], POLLIN, 0};
    const bool closed = poll(&p, 1, 5000) == 1;
    char byte;
    const bool endOfFile = closed && read(pipeFds[0], &byte, 1) == 0;
    int status = 0;
    const bool alive = waitpid(child, &status, WNOHANG) == 0;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    return endOfFile && alive;
}

TEST(EvdevCrashGuard, ClosesRegisteredDescriptorsBeforeTheCrashGoesOn) {
    EXPECT_TRUE(GuardClosesBeforeTheCrashGoesOn(SIGABRT, [] { raise(SIGABRT); }));
}

// Deep enough to overflow any stack; the limit only keeps the compiler from calling
// the recursion endless.
volatile int g_depthLimit = INT_MAX;
int Recurse(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth >= g_depthLimit) return frame[0];
    return Recurse(depth + 1) + frame[0];
}

void* OverflowWithSignalStack(void*) {
    const crash_guard::ThreadSignalStack stack;
    Recurse(0);
    return nullptr;
}

TEST(EvdevCrashGuard, RunsWhenAThreadWithItsSignalStackOverflowsItsStack) {
    EXPECT_TRUE(GuardClosesBeforeTheCrashGoesOn(SIGSEGV, [] {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 256 * 1024);
        pthread_t thread;
        if (pthread_create(&thread, &attributes, OverflowWithSignalStack, nullptr) != 0) {
            _exit(1);
        }
        pthread_join(thread, nullptr);
    }));
}

// What a thread's alternate signal stack is: none, or where and how big.
struct AltStack {
    bool on = false;
    void* where = nullptr;
    size_t size = 0;
};
AltStack CurrentAltStack() {
    stack_t current{};
    sigaltstack(nullptr, &current);
    if (current.ss_flags & SS_DISABLE) return {};
    return {true, current.ss_sp, current.ss_size};
}

TEST(EvdevCrashGuard, GivesAThreadASignalStackWhileItLivesAndKeepsOneThereAlready) {
    struct Seen {
        AltStack during;
        AltStack after;
    };
    std::vector<char> own(64 * 1024);
    // On a thread of its own, whose stack is put back as it was (a sanitizer may have
    // given it one that it frees at the thread's end).
    auto run = [](const std::function<void()>& before) {
        Seen seen;
        std::thread([&] {
            stack_t previous{};
            sigaltstack(nullptr, &previous);
            before();
            {
                const crash_guard::ThreadSignalStack stack;
                seen.during = CurrentAltStack();
            }
            seen.after = CurrentAltStack();
            sigaltstack(&previous, nullptr);
        }).join();
        return seen;
    };

    const Seen none = run([] {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    });
    EXPECT_TRUE(none.during.on);
    EXPECT_GE(none.during.size, crash_guard::ThreadSignalStack::Size());
    EXPECT_FALSE(none.after.on) << "the stack outlived its owner";

    const Seen there = run([&own] {
        stack_t stack{};
        stack.ss_sp = own.data();
        stack.ss_size = own.size();
        sigaltstack(&stack, nullptr);
    });
    EXPECT_EQ(there.during.where, own.data());
    EXPECT_EQ(there.after.where, own.data());
    EXPECT_TRUE(there.after.on);
}

TEST(EvdevCrashGuard, HoldsAGrabbedNodeAndACloneForEachOfAFewMouseNodes) {
    // The mouse's pointer nodes (a few) each take two slots while grabbed.
    EXPECT_GE(crash_guard::kCapacity, 2u * 8u);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::vector<int> fds;
    for (size_t i = 0; i <= crash_guard::kCapacity; ++i) fds.push_back(dup(pipeFds[1]));
    for (size_t i = 0; i < crash_guard::kCapacity; ++i) {
        EXPECT_TRUE(crash_guard::RegisterDescriptor(fds[i])) << i;
    }
    EXPECT_FALSE(crash_guard::RegisterDescriptor(fds.back())) << "beyond the capacity";
    // A slot given back takes another.
    crash_guard::UnregisterDescriptor(fds.front());
    EXPECT_TRUE(crash_guard::RegisterDescriptor(fds.back()));

    crash_guard::CloseRegistered();
    for (size_t i = 1; i < fds.size(); ++i) {
        EXPECT_EQ(fcntl(fds[i], F_GETFD), -1) << "descriptor " << i << " stayed open";
    }
    EXPECT_NE(fcntl(fds.front(), F_GETFD), -1) << "an unregistered descriptor was closed";
    close(fds.front());
    close(pipeFds[0]);
    close(pipeFds[1]);
}

}  // namespace
}  // namespace x5k
