#pragma once
// The desktop's pointer settings on Linux, and how a profile's values map onto them.
//
// Which settings store is written depends on the running desktop (XDG_CURRENT_DESKTOP,
// a colon-separated list read case-insensitively, first known name wins):
//   - GNOME and the desktops that keep its mouse settings (GNOME, GNOME-Classic,
//     GNOME-Flashback, ubuntu:GNOME, Unity, Budgie, Pantheon): GSettings schema
//     org.gnome.desktop.peripherals.mouse (GnomePointerSettings.h).
//   - KDE Plasma: kcminputrc and kdeglobals in the user's configuration folder, then the
//     session is told over D-Bus (KdePointerSettings.h); under an X11 session the X
//     devices are also set directly.
//   - any other desktop with an X display (and not a Wayland session): the libinput
//     properties of the X pointer devices (X11PointerSettings.h).
//   - otherwise nothing can be applied, and every call says so.
//
// Mappings, the same on every desktop:
//   - Enhance pointer precision on -> libinput's "adaptive" acceleration profile (the
//     pointer accelerates with hand speed, as the thresholds 6/10 with acceleration 1 do);
//     off -> the "flat" profile (a constant factor). The desktop's "default" profile is
//     never written.
//   - Pointer speed 1..20 -> libinput speed -1..1, linear on each side of the middle:
//     10 -> 0 (the desktop's default), 1 -> -1 (slowest), 20 -> 1 (fastest); below 10 a
//     step is 1/9, above it 1/10 (for example 5 -> -0.556, 15 -> 0.5). Values outside
//     1..20 count as the nearest end.
//   - Wheel scroll lines 1..30 -> KDE's lines per notch. GNOME and plain X11 keep no
//     such setting, and no Linux desktop scrolls one screen per notch (-1): these, and
//     counts outside 1..30, are reported as not applied.

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/PointerSettings.h"

namespace x5k {

// The profile's pointer speed as libinput's speed -1..1 (see the top of this header).
double LibinputSpeed(int speed);

// Why `lines` cannot be set as lines per wheel notch; nothing when it can (1..30).
std::optional<std::string> WheelScrollLinesProblem(int lines);

// What of the process environment chooses and locates the desktop's settings.
struct DesktopEnvironment {
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"
    std::string sessionType;     // XDG_SESSION_TYPE: "x11", "wayland", "tty" or empty
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    // The user's configuration folder: XDG_CONFIG_HOME when it is an absolute path,
    // else ~/.config.
    std::filesystem::path configHome;
    // The session bus: DBUS_SESSION_BUS_ADDRESS, else the socket "bus" in XDG_RUNTIME_DIR
    // when that exists; empty when there is none.
    std::string sessionBusAddress;

    // This process's environment.
    static DesktopEnvironment FromProcess();
    // A Wayland session: XDG_SESSION_TYPE says so, or it is unset and WAYLAND_DISPLAY is set.
    bool isWayland() const;
};

enum class PointerDesktop { Gnome, Kde, X11, None };

PointerDesktop ChooseDesktop(const DesktopEnvironment& environment);

// The settings of the desktop `environment` describes (see the top of this header).
std::unique_ptr<PointerSettings> MakeDesktopPointerSettings(const DesktopEnvironment& environment);

// Keeps, per setting, why its most recent call was not (fully) applied.
class ReportingPointerSettings : public PointerSettings {
public:
    enum class Setting { Acceleration, Speed, WheelScrollLines };

    // Every setting's lines, each prefixed with the setting's name.
    std::vector<std::string> notApplied() const override;
    // The lines of one setting without the prefix.
    std::vector<std::string> reasonsFor(Setting setting) const;

protected:
    // Replaces the setting's lines with `problems` and returns `applied`.
    bool report(Setting setting, bool applied, std::vector<std::string> problems);

private:
    mutable std::mutex mutex_;
    std::array<std::vector<std::string>, 3> problems_;
};

// A session where no settings store is known: every call fails with the same reason.
class UnavailablePointerSettings final : public ReportingPointerSettings {
public:
    explicit UnavailablePointerSettings(std::string reason) : reason_(std::move(reason)) {}
    bool setAcceleration(bool) override { return report(Setting::Acceleration, false, {reason_}); }
    bool setSpeed(int) override { return report(Setting::Speed, false, {reason_}); }
    bool setWheelScrollLines(int) override {
        return report(Setting::WheelScrollLines, false, {reason_});
    }

private:
    std::string reason_;
};

}  // namespace x5k
