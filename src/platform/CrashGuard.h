#pragma once
// Gives back what the program holds of the desktop when it crashes. While a mouse press
// is to be swallowed, the input watch holds the mouse exclusively and re-emits its input;
// a crashing process keeps its devices open until its core dump is written, which can
// take seconds, and the pointer would freeze meanwhile. The guard lets go of them first
// and then lets the crash go on as it would have, core dump included.

#include <memory>

namespace x5k {

class CrashGuard {
public:
    // What the guard needs on one thread to run there even after that thread overflowed
    // its stack. It belongs to the thread that asked for it, which also ends it.
    class ThreadCover {
    public:
        virtual ~ThreadCover() = default;
    };

    virtual ~CrashGuard() = default;

    // Sets the guard up for the whole process; later calls do nothing.
    virtual void install() = 0;

    // Covers the calling thread for as long as the returned object lives; the input
    // watch's own thread covers itself.
    virtual std::unique_ptr<ThreadCover> coverThisThread() = 0;
};

}  // namespace x5k
