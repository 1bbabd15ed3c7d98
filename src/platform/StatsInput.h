#pragma once
// The desktop-wide source of the statistics page's clicks and pointer samples beside the
// input watch: on X11 the X server tells every button press (raw events, which need no
// permission) and where the pointer is. Elsewhere there is none.

#include <chrono>
#include <cstdint>

namespace x5k {

// The kind of desktop session the program runs in.
enum class DisplaySession {
    Headless,  // no display the program knows (Qt's offscreen platform, tests)
    X11,       // an X server of its own
    Wayland,   // a Wayland compositor; its X server (Xwayland) sees only X programs' input
};

// Where the source hands what it sees; called on the source's own thread.
class StatsInputSink {
public:
    virtual ~StatsInputSink() = default;
    // A mouse input code of the hooks' kind: a button-down message number or a wheel
    // step code.
    virtual void mouseCode(uint32_t code) = 0;
    // Where the pointer is, in screen pixels.
    virtual void cursorSample(int32_t x, int32_t y) = 0;
};

class StatsInput {
public:
    // The pointer is sampled this often, and the source's thread wakes no more often
    // than that while nothing is pressed.
    static constexpr std::chrono::milliseconds kSamplePeriod{500};

    virtual ~StatsInput() = default;
    // Starts the source's thread: it samples the pointer every kSamplePeriod and, with
    // `clicks`, hands every button press and wheel step. False when the display cannot
    // be reached (nothing runs then). The sink outlives the source or stop().
    [[nodiscard]] virtual bool start(StatsInputSink& sink, bool clicks) = 0;
    // Ends the thread; the sink is not called once this returns.
    virtual void stop() = 0;
};

}  // namespace x5k
