#pragma once
// The statistics' own source on an X11 session: every button press and wheel step the X
// server sees, from its raw XInput 2 events (any client may ask for them, and the server
// sends them only when something is pressed), and where the pointer is, asked of the
// server every half second. One thread does both: it waits for the connection or for the
// next sample, whichever comes first, so while nothing is pressed it wakes twice a second.

#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "platform/Clock.h"
#include "platform/StatsInput.h"

struct _XDisplay;
union _XEvent;

namespace x5k {

// The thread's loop without the X server: `wait` blocks until events may have come or
// `timeoutMs` passed, and says false once the loop is to end; `readEvents` hands what
// came; `queryPointer` says where the pointer is (nothing when it cannot).
struct StatsPollSteps {
    std::function<bool(int timeoutMs)> wait;
    std::function<void()> readEvents;
    std::function<std::optional<std::pair<int32_t, int32_t>>()> queryPointer;
};

// Samples the pointer at once and then every StatsInput::kSamplePeriod on `clock`, and
// reads events in between, until `wait` says to end. A late wake-up shifts the next
// samples rather than bunching them.
void RunStatsPollLoop(Clock& clock, const StatsPollSteps& steps, StatsInputSink& sink);

// Hands the sink the input code of one X event, if it is a raw button press the
// statistics count; anything else is left alone. The event's data is fetched by the
// caller (XGetEventData). True when a code was handed.
bool HandleRawButtonEvent(const _XEvent& event, int xinputOpcode, StatsInputSink& sink);

// The session from the environment: WAYLAND_DISPLAY, XDG_SESSION_TYPE and DISPLAY (each
// may be null). A Wayland session's X server sees only the input of X programs, so it
// counts as Wayland even where DISPLAY is set.
DisplaySession DetectDisplaySession(const char* waylandDisplay, const char* sessionType,
                                    const char* display);

class X11StatsInput final : public StatsInput {
public:
    // Connects at start() to the X server $DISPLAY names.
    X11StatsInput();
    ~X11StatsInput() override;
    X11StatsInput(const X11StatsInput&) = delete;
    X11StatsInput& operator=(const X11StatsInput&) = delete;

    bool start(StatsInputSink& sink, bool clicks) override;
    void stop() override;

private:
    void run(StatsInputSink& sink);
    bool wait(int timeoutMs);
    void readEvents(StatsInputSink& sink);
    std::optional<std::pair<int32_t, int32_t>> queryPointer();

    _XDisplay* display_ = nullptr;
    int opcode_ = 0;
    int stopFd_ = -1;
    SteadyClock clock_;
    std::thread thread_;
};

}  // namespace x5k
