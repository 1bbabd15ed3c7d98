#pragma once
// One running program per user. The first start becomes the primary and keeps running;
// a later start finds it, hands it one window message (the request to show its window)
// and ends, so a second click on the program's icon brings the running one forward
// instead of starting a second one that would talk to the same mouse.
//
// The primary learns of hand-overs through its event loop: fd() is watched for
// readability, and takeMessages() collects what arrived without blocking.

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/WindowMessages.h"

namespace x5k {

// A window message handed from a later start to the running program.
struct HandOver {
    uint32_t message = 0;
    uint32_t wParam = 0;
    int32_t lParam = 0;
    bool operator==(const HandOver&) const = default;
};

// What a later start hands over: the notification icon's message with a left double
// click, which shows the running program's window.
inline constexpr HandOver kShowRunningInstance{msg::kTrayIcon, 0, 0x0203};

class ProgramInstance {
public:
    // Primary: this start is the running program. Secondary: another start of the same
    // user runs already. Unavailable: no one can be told apart (the platform gave no
    // place to meet); the program then runs as if alone.
    enum class Role { Primary, Secondary, Unavailable };

    virtual ~ProgramInstance() = default;

    virtual Role role() const = 0;

    // The primary's descriptor for the event loop to watch for readability; -1 otherwise,
    // and also for a primary that could not set up its end (later starts then find no
    // one to hand over to and end).
    virtual int fd() const = 0;

    // For the primary: the hand-overs that have arrived, in the order they completed.
    // Never blocks; what comes from another user or is malformed is dropped.
    virtual std::vector<HandOver> takeMessages() = 0;

    // For a secondary: hands one message to the running program. False when it cannot be
    // reached or did not take the message within `limit`.
    virtual bool send(const HandOver& message,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(1000)) const = 0;
};

}  // namespace x5k
