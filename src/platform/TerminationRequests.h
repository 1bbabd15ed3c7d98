#pragma once
// Requests from outside the program to end it: the session ending or a terminal closing
// or interrupting it. Each becomes a close request of the main window, so the program
// ends as through "Exit" and keeps its statistics. Only the first is taken that way: a
// later one has the system's own effect, so a program that hangs can still be ended.

namespace x5k {

class TerminationRequests {
public:
    virtual ~TerminationRequests() = default;

    // Starts taking the requests; false when they cannot be taken (they then end the
    // program as the system would).
    virtual bool start() = 0;

    // The descriptor for the event loop to watch for readability; -1 before start() or
    // when it failed.
    virtual int fd() const = 0;

    // Never blocks: true when a request came since the last call.
    virtual bool takeRequests() = 0;

    // Stops taking the requests, once the program's loop has ended: a request from now on
    // has the system's own effect.
    virtual void stop() = 0;
};

}  // namespace x5k
