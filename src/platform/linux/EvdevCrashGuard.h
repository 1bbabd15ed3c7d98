#pragma once
// Lets go of the mouse when the program crashes.
//
// While the watch holds the mouse's event node grabbed, the desktop gets that mouse's
// input only through the program, re-emitted by the node's virtual clone. The kernel
// ends a grab when the file is closed, and removes a uinput device (releasing every key
// and button it holds down) when its /dev/uinput file is closed, so when the process
// dies the mouse comes back by itself; but a crashing process keeps its files open
// until its core dump has been written, which can take seconds, and the pointer would
// freeze meanwhile, a button held on the clone staying down. So these descriptors (the
// grabbed event nodes and the clones' uinput files) are registered here, and a handler
// for the crash signals (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS) closes them
// first and then hands the signal on: to the handler that was installed before (a
// sanitizer's, for example) or to the default action, so the crash and its core dump
// happen as they would have. The handler only reads atomics and calls close(),
// sigaction() and raise(), which are async-signal-safe.
//
// The handler runs on the alternate signal stack (SA_ONSTACK) where the crashing thread
// has one, so that it runs even when the thread overflowed its own stack. The input
// thread gives itself one (ThreadSignalStack); the other threads, the main thread
// included, are the application's business: without an alternate stack a stack
// overflow there kills the process without the handler, and the descriptors are only
// closed when the core dump is done.
//
// What no handler can cover: a process stopped by SIGSTOP or held at a debugger's
// breakpoint keeps its grab, and the mouse stays frozen until it runs again or dies.

#include <cstddef>

namespace x5k::crash_guard {

// Installs the handlers once per process; later calls do nothing.
void InstallHandlers();

// How many descriptors can be registered at once: the grabbed node and the clone of
// each of the mouse's pointer nodes (a mouse has a few), with room to spare.
inline constexpr size_t kCapacity = 32;

// Registers a descriptor to be closed at a crash; false when every slot is taken (the
// descriptor is then closed only when the process ends).
bool RegisterDescriptor(int fd);
// Forgets a descriptor; done before its grab ends or it is closed.
void UnregisterDescriptor(int fd);

// Closes every registered descriptor and forgets it; what the handler does first.
// Async-signal-safe.
void CloseRegistered();

// Gives the thread that makes it an alternate signal stack for as long as the object
// lives; the same thread destroys it. A stack the thread has already (a sanitizer's)
// is kept, and nothing is made.
class ThreadSignalStack {
public:
    ThreadSignalStack();
    ~ThreadSignalStack();
    ThreadSignalStack(const ThreadSignalStack&) = delete;
    ThreadSignalStack& operator=(const ThreadSignalStack&) = delete;

    // The size of the stacks made here, enough for the handler and what it hands on to.
    static size_t Size();

private:
    void* mapping_ = nullptr;  // the stack with a guard page below it
    size_t mappingSize_ = 0;
};

}  // namespace x5k::crash_guard
