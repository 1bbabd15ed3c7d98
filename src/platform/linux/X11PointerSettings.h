#pragma once
// Pointer settings of a plain X11 session, set on the X server's pointer devices.
//
// Under the libinput X driver each pointer device carries the properties
//   "libinput Accel Speed"            FLOAT, 1 item, -1..1
//   "libinput Accel Profile Enabled"  8-bit INTEGER, one flag per profile: adaptive, flat
//                                     (and custom on newer drivers)
//   "libinput Accel Profiles Available"  the same layout, what the device supports
// which take effect at once. The core pointer control (XChangePointerControl) does
// nothing under libinput, and devices driven by evdev or synaptics have none of these
// properties: they are reported as not set. Touchpads (devices with "libinput Tapping
// Enabled") keep their own settings and are left alone, as the desktops do. The X server
// keeps no wheel scroll lines. Settings made here last until the device is unplugged or
// the X server restarts. An X server that goes away while a setting is made ends only that
// attempt, which is reported as not applied; the program goes on.

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/DesktopPointerSettings.h"

// Xlib's Display.
struct _XDisplay;

namespace x5k {

// The bytes of "libinput Accel Profile Enabled" that select the adaptive profile (precision
// on) or the flat one, as many as the device holds now (`current`); nothing when it holds
// fewer than two, or when `available` (possibly empty: unknown) says the device lacks that
// profile.
std::optional<std::vector<uint8_t>> AccelProfileBytes(bool enhancePrecision,
                                                      std::span<const uint8_t> current,
                                                      std::span<const uint8_t> available);

// What became of one X pointer device.
struct X11DeviceOutcome {
    enum class [[nodiscard]] Result { Applied, NotLibinput, ProfileUnavailable, Refused };
    std::string name;
    Result result = Result::Applied;
};

struct X11Summary {
    bool applied = false;  // at least one device took the setting
    std::vector<std::string> problems;
};

// Whether a setting took and what to report, from every device's outcome; `profile` names
// the acceleration profile asked for ("flat"), empty for the speed.
X11Summary SummariseX11(const std::vector<X11DeviceOutcome>& devices, std::string_view profile);

// Xlib reports failed requests and a lost server connection to handlers shared by every X
// connection of the process (a toolkit's too); its defaults end the program. A route puts
// its own handlers in place for as long as it lives: failed requests and a lost connection
// of the display it watches are recorded here, the program going on; those of any other
// connection go to the handlers that were in place before. One route at a time: a second
// waits until the first ends.
class X11ErrorRoute {
public:
    // Puts the route's handlers in place; until a display is watched, everything goes on.
    X11ErrorRoute();
    // Puts back the handlers that were in place (but keeps one installed meanwhile by
    // someone else).
    ~X11ErrorRoute();
    X11ErrorRoute(const X11ErrorRoute&) = delete;
    X11ErrorRoute& operator=(const X11ErrorRoute&) = delete;

    // From now on the failures of `display` are this route's; null: none are.
    void watch(::_XDisplay* display);
    // The failed requests of the watched display since the last call.
    int takeErrors();
    // Whether the watched display lost its connection to the server.
    bool connectionLost() const;
    // Xlib's last step after a lost connection, set per display (XSetIOErrorExitHandler):
    // where Xlib's own ends the program, this returns, and Xlib's calls on the display then
    // fail instead.
    static void EndSession(::_XDisplay* display, void* unused);

private:
    std::unique_lock<std::mutex> lock_;
};

class X11PointerSettings final : public ReportingPointerSettings {
public:
    // `display` as in DISPLAY (":0").
    explicit X11PointerSettings(std::string display) : display_(std::move(display)) {}

    bool setAcceleration(bool enhancePrecision) override;
    bool setSpeed(int speed) override;
    bool setWheelScrollLines(int lines) override;

private:
    std::string display_;
};

}  // namespace x5k
