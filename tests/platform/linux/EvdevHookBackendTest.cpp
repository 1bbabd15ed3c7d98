// The input watch's pieces that need no devices: which nodes it reads, what it tells
// the user when access is missing, and how a crash lets go of a grabbed mouse.

#include "platform/linux/EvdevHookBackend.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>

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
         {"macros cannot be recorded", "\"input\"", "usermod -aG input"},
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
// the crashing child alive, so the test can see that the grabbed descriptor was closed
// before the process ended rather than by its end.
void Linger(int) {
    for (;;) pause();
}

TEST(EvdevCrashGuard, ClosesGrabbedDescriptorsBeforeTheCrashGoesOn) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        struct sigaction linger {};
        linger.sa_handler = Linger;
        sigaction(SIGABRT, &linger, nullptr);
        crash_guard::InstallHandlers();
        crash_guard::RegisterGrabbed(pipeFds[1]);
        raise(SIGABRT);
        _exit(0);  // not reached: the lingering handler never returns
    }
    close(pipeFds[1]);
    // End of file on the pipe: the child's only write end was closed.
    pollfd p{pipeFds[0], POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1) << "the grabbed descriptor stayed open";
    char byte;
    EXPECT_EQ(read(pipeFds[0], &byte, 1), 0);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "the child was still there";
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    close(pipeFds[0]);
}

}  // namespace
}  // namespace x5k
