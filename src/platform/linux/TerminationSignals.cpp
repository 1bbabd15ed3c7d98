#include "platform/linux/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace x5k {
namespace {

// The handler reaches the pipe through these alone, as it may touch nothing else.
int gSignalPipe[2] = {-1, -1};
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::~TerminationSignals() {
    stop();
    for (int& end : gSignalPipe) {
        if (end >= 0) close(end);
        end = -1;
    }
}

bool TerminationSignals::start() {
    if (gSignalPipe[0] < 0 && pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kTerminationSignals) sigaction(signal, &action, nullptr);
    return true;
}

int TerminationSignals::fd() const {
    return gSignalPipe[0];
}

bool TerminationSignals::takeRequests() {
    bool any = false;
    char bytes[16];
    while (gSignalPipe[0] >= 0 && read(gSignalPipe[0], bytes, sizeof bytes) > 0) any = true;
    return any;
}

void TerminationSignals::stop() {
    if (gSignalPipe[0] < 0) return;
    for (const int signal : kTerminationSignals) std::signal(signal, SIG_DFL);
}

}  // namespace x5k
