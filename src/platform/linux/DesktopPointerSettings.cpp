#include "platform/linux/DesktopPointerSettings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/linux/GnomePointerSettings.h"
#include "platform/linux/KdePointerSettings.h"
#include "platform/linux/PointerMice.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/SessionBus.h"
#include "platform/linux/X11PointerSettings.h"

namespace x5k {

double LibinputSpeed(int speed) {
    const int clamped = std::clamp(speed, 1, 20);
    return clamped <= 10 ? (clamped - 10) / 9.0 : (clamped - 10) / 10.0;
}

std::optional<std::string> WheelScrollLinesProblem(int lines) {
    if (lines == -1) return "no Linux desktop can scroll one screen per wheel notch";
    if (lines < 1 || lines > 30) {
        return std::to_string(lines) + " is not a number of lines from 1 to 30";
    }
    return std::nullopt;
}

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Desktops that keep their mouse settings in GNOME's schema and apply them from there.
constexpr std::string_view kGnomeFamily[] = {"gnome",  "gnome-classic",  "gnome-flashback", "unity",
                                             "budgie", "budgie-desktop", "pantheon"};

}  // namespace

DesktopEnvironment DesktopEnvironment::FromProcess() {
    DesktopEnvironment environment;
    environment.currentDesktop = Variable("XDG_CURRENT_DESKTOP");
    environment.sessionType = Variable("XDG_SESSION_TYPE");
    environment.display = Variable("DISPLAY");
    environment.waylandDisplay = Variable("WAYLAND_DISPLAY");

    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const std::filesystem::path configHome = Variable("XDG_CONFIG_HOME");
    if (configHome.is_absolute()) {
        environment.configHome = configHome;
    } else {
        std::string home = Variable("HOME");
        if (home.empty()) {
            if (const passwd* user = ::getpwuid(::getuid())) home = user->pw_dir;
        }
        if (!home.empty()) environment.configHome = std::filesystem::path(home) / ".config";
    }

    environment.sessionBusAddress = Variable("DBUS_SESSION_BUS_ADDRESS");
    // The stand-in of KeepSessionBusFromStarting names no bus.
    if (environment.sessionBusAddress == kNoSessionBus) environment.sessionBusAddress.clear();
    const std::string runtimeDir = Variable("XDG_RUNTIME_DIR");
    std::error_code error;
    if (environment.sessionBusAddress.empty() && !runtimeDir.empty() &&
        std::filesystem::is_socket(std::filesystem::path(runtimeDir) / "bus", error)) {
        environment.sessionBusAddress = "unix:path=" + runtimeDir + "/bus";
    }
    return environment;
}

bool DesktopEnvironment::isWayland() const {
    const std::string type = Lower(sessionType);
    return type == "wayland" || (type.empty() && !waylandDisplay.empty());
}

PointerDesktop ChooseDesktop(const DesktopEnvironment& environment) {
    std::string_view names = environment.currentDesktop;
    while (!names.empty()) {
        const size_t colon = names.find(':');
        const std::string name = Lower(names.substr(0, colon));
        names = colon == std::string_view::npos ? std::string_view{} : names.substr(colon + 1);
        if (std::find(std::begin(kGnomeFamily), std::end(kGnomeFamily), name) !=
            std::end(kGnomeFamily)) {
            return PointerDesktop::Gnome;
        }
        if (name == "kde") return PointerDesktop::Kde;
    }
    // Under Wayland the X display belongs to Xwayland, whose devices are stand-ins that
    // the compositor does not take settings from.
    if (!environment.isWayland() && !environment.display.empty()) return PointerDesktop::X11;
    return PointerDesktop::None;
}

std::unique_ptr<PointerSettings> MakeDesktopPointerSettings(const DesktopEnvironment& environment) {
    switch (ChooseDesktop(environment)) {
        case PointerDesktop::Gnome:
            return std::make_unique<GnomePointerSettings>();
        case PointerDesktop::Kde: {
            static PosixFileSystem disk;
            KdePointerSettings::Session session;
            session.configHome = environment.configHome;
            session.files = &disk;
            session.mice = &ConnectedMice;
            session.notify = [address = environment.sessionBusAddress] {
                return NotifyKdeMouseSettingsChanged(address);
            };
            if (!environment.isWayland() && !environment.display.empty()) {
                session.x11 = std::make_unique<X11PointerSettings>(environment.display);
            }
            return std::make_unique<KdePointerSettings>(std::move(session));
        }
        case PointerDesktop::X11:
            return std::make_unique<X11PointerSettings>(environment.display);
        case PointerDesktop::None:
            break;
    }
    if (environment.isWayland()) {
        const std::string name = environment.currentDesktop.empty() ? "this Wayland desktop"
                                                                    : environment.currentDesktop;
        return std::make_unique<UnavailablePointerSettings>(
            name + " keeps its pointer settings where this program cannot change them");
    }
    return std::make_unique<UnavailablePointerSettings>(
        "no desktop settings were found to change (no GNOME or KDE desktop and no X display)");
}

std::vector<std::string> ReportingPointerSettings::notApplied() const {
    static constexpr const char* kNames[] = {"Enhance pointer precision", "Pointer speed",
                                             "Wheel scroll lines"};
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (size_t i = 0; i < problems_.size(); ++i) {
        for (const std::string& problem : problems_[i]) {
            lines.push_back(std::string(kNames[i]) + ": " + problem);
        }
    }
    return lines;
}

std::vector<std::string> ReportingPointerSettings::reasonsFor(Setting setting) const {
    std::lock_guard lock(mutex_);
    return problems_[static_cast<size_t>(setting)];
}

bool ReportingPointerSettings::report(Setting setting, bool applied,
                                      std::vector<std::string> problems) {
    std::lock_guard lock(mutex_);
    problems_[static_cast<size_t>(setting)] = std::move(problems);
    return applied;
}

}  // namespace x5k
