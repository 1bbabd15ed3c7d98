#include "platform/linux/TerminationSignals.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>

namespace x5k {
namespace {

// Each case runs in a child process, as a signal taken the system's way ends it.
struct SignalCase {
    const char* name;
    int signal;
    int raises;
    bool stopFirst;
    int endedBy;  // the signal that ends the child; 0 when it lives and saw one request
};

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << c.name;
}

class TerminationSignalsCases : public ::testing::TestWithParam<SignalCase> {};

// The first request reaches the program's loop and the program lives on; a second one,
// or one after the program stopped taking them, ends it as the system would.
TEST_P(TerminationSignalsCases, OnlyTheFirstIsTakenAsAClose) {
    const SignalCase& c = GetParam();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TerminationSignals requests;
        if (!requests.start() || requests.fd() < 0 || requests.takeRequests()) _exit(2);
        if (c.stopFirst) requests.stop();
        for (int i = 0; i < c.raises; ++i) std::raise(c.signal);
        // raise() runs the handler before it returns, so the byte is in the pipe now.
        const bool took = requests.takeRequests();
        const bool tookTwice = requests.takeRequests();
        _exit(took && !tookTwice ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (c.endedBy == 0) {
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
        ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), c.endedBy);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, TerminationSignalsCases,
    ::testing::Values(SignalCase{"TermIsAClose", SIGTERM, 1, false, 0},
                      SignalCase{"IntIsAClose", SIGINT, 1, false, 0},
                      SignalCase{"HupIsAClose", SIGHUP, 1, false, 0},
                      SignalCase{"ASecondTermEndsTheProgram", SIGTERM, 2, false, SIGTERM},
                      SignalCase{"AHupAfterStopEndsTheProgram", SIGHUP, 1, true, SIGHUP}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace x5k
