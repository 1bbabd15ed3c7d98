#include "platform/linux/EvdevCrashGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace x5k::crash_guard {
namespace {

// A slot holds its descriptor plus one, so that zero (the value a static array starts
// with) marks a free slot and descriptor 0 can still be registered.
std::array<std::atomic<int>, kCapacity> g_slots{};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

constexpr std::array<int, 6> kCrashSignals = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS};
// What each signal did before the handler was installed; written once, before the
// handlers go in.
std::array<struct sigaction, NSIG> g_previous{};

void OnCrashSignal(int signal, siginfo_t* info, void* context) {
    CloseRegistered();
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

size_t PageSize() {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<size_t>(page) : 4096;
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

bool RegisterDescriptor(int fd) {
    if (fd < 0) return false;
    for (auto& slot : g_slots) {
        int expected = 0;
        if (slot.compare_exchange_strong(expected, fd + 1)) return true;
    }
    return false;
}

void UnregisterDescriptor(int fd) {
    for (auto& slot : g_slots) {
        int expected = fd + 1;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

void CloseRegistered() {
    for (auto& slot : g_slots) {
        // Whoever empties the slot owns the close, so no descriptor is closed twice.
        const int stored = slot.exchange(0);
        if (stored > 0) close(stored - 1);
    }
}

size_t ThreadSignalStack::Size() {
    // The handler itself needs little, but what it hands on to (a sanitizer's report)
    // needs more; the kernel's own minimum grows with the processor's register state.
    size_t size = 64 * 1024;
    const long minimum = sysconf(_SC_SIGSTKSZ);
    if (minimum > 0) size = std::max(size, 4 * static_cast<size_t>(minimum));
    const size_t page = PageSize();
    return (size + page - 1) / page * page;
}

ThreadSignalStack::ThreadSignalStack() {
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_DISABLE) == 0) return;
    const size_t page = PageSize();
    const size_t size = Size();
    void* mapping = mmap(nullptr, size + page, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) return;
    // A handler that overran the stack would write over whatever lies below it; the
    // guard page makes that a fault instead.
    mprotect(mapping, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = size;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(mapping, size + page);
        return;
    }
    mapping_ = mapping;
    mappingSize_ = size + page;
}

ThreadSignalStack::~ThreadSignalStack() {
    if (mapping_ == nullptr) return;
    // Switched off only while it is still this one's: a stack put in place since then
    // stays.
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0 &&
        current.ss_sp == static_cast<char*>(mapping_) + PageSize()) {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    }
    munmap(mapping_, mappingSize_);
}

}  // namespace x5k::crash_guard
