#pragma once
// Lets go of grabbed input devices when the program crashes.
//
// While the watch holds the mouse's event node grabbed, the desktop gets that mouse's
// input only through the program. The kernel ends a grab when the file is closed, so
// when the process dies the mouse comes back by itself; but a crashing process keeps
// its files open until its core dump has been written, which can take seconds, and the
// pointer would freeze meanwhile. So the grabbed descriptors are registered here, and a
// handler for the crash signals (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS)
// closes them first and then hands the signal on: to the handler that was installed
// before (a sanitizer's, for example) or to the default action, so the crash and its
// core dump happen as they would have. The handler only reads atomics and calls
// close(), sigaction() and raise(), which are async-signal-safe.
//
// What no handler can cover: a process stopped by SIGSTOP or held at a debugger's
// breakpoint keeps its grab, and the mouse stays frozen until it runs again or dies.

namespace x5k::crash_guard {

// Installs the handlers once per process; later calls do nothing.
void InstallHandlers();

// Registers a grabbed descriptor; false when every slot is taken (the descriptor is
// then released only when the process ends).
bool RegisterGrabbed(int fd);
// Forgets a descriptor before its grab ends or it is closed.
void UnregisterGrabbed(int fd);

// Closes every registered descriptor and forgets it; what the handler does first.
// Async-signal-safe.
void ReleaseAllGrabbed();

}  // namespace x5k::crash_guard
