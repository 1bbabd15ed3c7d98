#include "platform/linux/EvdevCrashGuard.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>

namespace x5k::crash_guard {
namespace {

// A slot holds its descriptor plus one, so that zero (the value a static array starts
// with) marks a free slot and descriptor 0 can still be registered.
constexpr size_t kSlots = 16;
std::array<std::atomic<int>, kSlots> g_slots{};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

constexpr std::array<int, 6> kCrashSignals = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS};
// What each signal did before the handler was installed; written once, before the
// handlers go in.
std::array<struct sigaction, NSIG> g_previous{};

void OnCrashSignal(int signal, siginfo_t* info, void* context) {
    ReleaseAllGrabbed();
    const struct sigaction& previous = g_previous[static_cast<size_t>(signal)];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        if (previous.sa_sigaction != nullptr) {
            previous.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // The default action: restore it and let the signal take its course. A fault comes
    // back when the faulting instruction runs again; a signal that was sent or raised
    // (abort() included) is raised anew and arrives once this handler returns.
    sigaction(signal, &previous, nullptr);
    if (info == nullptr || info->si_code <= 0) raise(signal);
}

}  // namespace

void InstallHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : kCrashSignals) {
            struct sigaction action {};
            action.sa_sigaction = OnCrashSignal;
            action.sa_flags = SA_SIGINFO | SA_ONSTACK;
            sigemptyset(&action.sa_mask);
            sigaction(signal, nullptr, &g_previous[static_cast<size_t>(signal)]);
            sigaction(signal, &action, nullptr);
        }
    });
}

bool RegisterGrabbed(int fd) {
    if (fd < 0) return false;
    for (auto& slot : g_slots) {
        int expected = 0;
        if (slot.compare_exchange_strong(expected, fd + 1)) return true;
    }
    return false;
}

void UnregisterGrabbed(int fd) {
    for (auto& slot : g_slots) {
        int expected = fd + 1;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

void ReleaseAllGrabbed() {
    for (auto& slot : g_slots) {
        // Whoever empties the slot owns the close, so no descriptor is closed twice.
        const int stored = slot.exchange(0);
        if (stored > 0) close(stored - 1);
    }
}

}  // namespace x5k::crash_guard
