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
// the X server restarts.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/DesktopPointerSettings.h"

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
    enum class Result { Applied, NotLibinput, ProfileUnavailable, Refused };
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
