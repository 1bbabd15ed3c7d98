#include "platform/linux/X11PointerSettings.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>

namespace x5k {

std::optional<std::vector<uint8_t>> AccelProfileBytes(bool enhancePrecision,
                                                      std::span<const uint8_t> current,
                                                      std::span<const uint8_t> available) {
    // The flags are in the order adaptive, flat[, custom].
    const size_t wanted = enhancePrecision ? 0 : 1;
    if (current.size() < 2) return std::nullopt;
    if (wanted < available.size() && available[wanted] == 0) return std::nullopt;
    std::vector<uint8_t> bytes(current.size(), 0);
    bytes[wanted] = 1;
    return bytes;
}

X11Summary SummariseX11(const std::vector<X11DeviceOutcome>& devices, std::string_view profile) {
    using Result = X11DeviceOutcome::Result;
    X11Summary summary;
    if (devices.empty()) {
        summary.problems.push_back("no pointer device was found on the X display");
        return summary;
    }
    if (std::all_of(devices.begin(), devices.end(),
                    [](const auto& d) { return d.result == Result::NotLibinput; })) {
        summary.problems.push_back("no X11 pointer device uses the libinput driver");
        return summary;
    }
    for (const X11DeviceOutcome& device : devices) {
        const std::string prefix = "not set for '" + device.name + "': ";
        switch (device.result) {
            case Result::Applied:
                summary.applied = true;
                break;
            case Result::NotLibinput:
                summary.problems.push_back(
                    prefix + "it has no libinput acceleration setting (evdev or synaptics driver)");
                break;
            case Result::ProfileUnavailable:
                summary.problems.push_back(prefix + "it has no " + std::string(profile) +
                                           " acceleration profile");
                break;
            case Result::Refused:
                summary.problems.push_back(prefix + "the X server refused the change");
                break;
        }
    }
    return summary;
}

namespace {

// The route in place: the display it watches and what became of it. The handlers run on
// whichever thread Xlib meets the failure on, so everything they touch is atomic; the
// previous handlers are never cleared, as a toolkit may still call ours after the route
// ended.
std::mutex g_routeMutex;
std::atomic<Display*> g_watched{nullptr};
std::atomic<int> g_errors{0};
std::atomic<bool> g_lost{false};
std::atomic<XErrorHandler> g_previousError{nullptr};
std::atomic<XIOErrorHandler> g_previousIOError{nullptr};

bool Watched(Display* display) {
    return display != nullptr && display == g_watched.load();
}

int RouteError(Display* display, XErrorEvent* event) {
    if (Watched(display)) {
        ++g_errors;
        return 0;
    }
    const XErrorHandler previous = g_previousError.load();
    return previous != nullptr ? previous(display, event) : 0;
}

int RouteIOError(Display* display) {
    // Xlib then calls the display's exit handler, which for the watched display is
    // X11ErrorRoute::EndSession.
    if (Watched(display)) {
        g_lost = true;
        return 0;
    }
    const XIOErrorHandler previous = g_previousIOError.load();
    return previous != nullptr ? previous(display) : 0;
}

}  // namespace

X11ErrorRoute::X11ErrorRoute() : lock_(g_routeMutex) {
    g_watched = nullptr;
    g_errors = 0;
    g_lost = false;
    g_previousError = XSetErrorHandler(&RouteError);
    g_previousIOError = XSetIOErrorHandler(&RouteIOError);
}

X11ErrorRoute::~X11ErrorRoute() {
    const XErrorHandler error = XSetErrorHandler(g_previousError.load());
    if (error != &RouteError) XSetErrorHandler(error);
    const XIOErrorHandler ioError = XSetIOErrorHandler(g_previousIOError.load());
    if (ioError != &RouteIOError) XSetIOErrorHandler(ioError);
    g_watched = nullptr;
}

void X11ErrorRoute::watch(Display* display) {
    g_watched = display;
}

int X11ErrorRoute::takeErrors() {
    return g_errors.exchange(0);
}

bool X11ErrorRoute::connectionLost() const {
    return g_lost.load();
}

void X11ErrorRoute::EndSession(Display* display, void*) {
    if (Watched(display)) g_lost = true;
}

namespace {

// A connection to the X server for one setting, its failures routed to itself.
class XSession {
public:
    explicit XSession(const std::string& name) {
        // A failure while the connection is set up still goes to the handlers in place:
        // there is no display to tell it by yet.
        display_ = XOpenDisplay(name.c_str());
        if (display_ == nullptr) return;
        route_.watch(display_);
        XSetIOErrorExitHandler(display_, &X11ErrorRoute::EndSession, nullptr);
    }
    ~XSession() {
        if (display_ == nullptr) return;
        // Failures of the last requests still count as this session's; on a lost
        // connection Xlib no longer talks to the server and only frees the display.
        if (!route_.connectionLost()) XSync(display_, False);
        XCloseDisplay(display_);
        route_.watch(nullptr);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    Display* display() const { return display_; }
    X11ErrorRoute& route() { return route_; }

private:
    X11ErrorRoute route_;
    Display* display_ = nullptr;
};

struct XProperty {
    Atom name = None;
    Atom type = None;
    int format = 0;
    std::vector<uint8_t> bytes;
};

std::optional<XProperty> GetProperty(Display* display, int device, const char* name) {
    XProperty property;
    // Only an atom the server knows can name an existing property.
    property.name = XInternAtom(display, name, True);
    if (property.name == None) return std::nullopt;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Status status =
        XIGetProperty(display, device, property.name, 0, 16, False, AnyPropertyType, &property.type,
                      &property.format, &items, &after, &data);
    if (status == Success && property.type != None && data != nullptr) {
        // XI2 hands over 32-bit items packed, unlike the core protocol's longs.
        property.bytes.assign(data, data + items * static_cast<unsigned long>(property.format / 8));
    }
    if (data != nullptr) XFree(data);
    if (status != Success || property.type == None) return std::nullopt;
    return property;
}

using Result = X11DeviceOutcome::Result;

// Runs `apply` on every enabled pointer device but touchpads and the server's XTEST
// device; nothing with `problem` set when the display cannot be used.
std::optional<std::vector<X11DeviceOutcome>> ForEachPointer(
    const std::string& displayName, const std::function<Result(Display*, int)>& apply,
    std::string& problem) {
    XSession session(displayName);
    Display* display = session.display();
    if (display == nullptr) {
        problem = "the X display '" + displayName + "' could not be opened";
        return std::nullopt;
    }
    const std::string lost = "the connection to the X display '" + displayName + "' was lost";
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    // After a lost connection Xlib's answers are undefined (a failed reply leaves them
    // unset), so the connection is checked before each answer is used.
    const Bool present = XQueryExtension(display, "XInputExtension", &opcode, &event, &error);
    if (session.route().connectionLost()) {
        problem = lost;
        return std::nullopt;
    }
    const bool xinput = present && XIQueryVersion(display, &major, &minor) == Success;
    if (session.route().connectionLost()) {
        problem = lost;
        return std::nullopt;
    }
    if (!xinput) {
        problem = "the X server does not offer XInput 2";
        return std::nullopt;
    }
    std::vector<X11DeviceOutcome> outcomes;
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    if (session.route().connectionLost()) count = 0;
    for (int i = 0; i < count && !session.route().connectionLost(); ++i) {
        const XIDeviceInfo& device = devices[i];
        if (device.use != XISlavePointer || !device.enabled) continue;
        const std::string name = device.name != nullptr ? device.name : "";
        if (name.find("XTEST") != std::string::npos) continue;
        if (GetProperty(display, device.deviceid, "libinput Tapping Enabled")) continue;
        session.route().takeErrors();
        Result result = apply(display, device.deviceid);
        XSync(display, False);
        if (result == Result::Applied && session.route().takeErrors() != 0) {
            result = Result::Refused;
        }
        outcomes.push_back({name, result});
    }
    if (devices != nullptr) XIFreeDeviceInfo(devices);
    // Whatever the devices took went with the server.
    if (session.route().connectionLost()) {
        problem = lost;
        return std::nullopt;
    }
    return outcomes;
}

}  // namespace

bool X11PointerSettings::setAcceleration(bool enhancePrecision) {
    std::string problem;
    const auto outcomes = ForEachPointer(
        display_,
        [enhancePrecision](Display* display, int device) {
            const auto enabled = GetProperty(display, device, "libinput Accel Profile Enabled");
            if (!enabled || enabled->type != XA_INTEGER || enabled->format != 8) {
                return Result::NotLibinput;
            }
            const auto available =
                GetProperty(display, device, "libinput Accel Profiles Available");
            const auto bytes =
                AccelProfileBytes(enhancePrecision, enabled->bytes,
                                  available ? std::span<const uint8_t>(available->bytes)
                                            : std::span<const uint8_t>());
            if (!bytes) return Result::ProfileUnavailable;
            XIChangeProperty(display, device, enabled->name, XA_INTEGER, 8, XIPropModeReplace,
                             const_cast<unsigned char*>(bytes->data()),
                             static_cast<int>(bytes->size()));
            return Result::Applied;
        },
        problem);
    if (!outcomes) return report(Setting::Acceleration, false, {problem});
    X11Summary summary = SummariseX11(*outcomes, enhancePrecision ? "adaptive" : "flat");
    return report(Setting::Acceleration, summary.applied, std::move(summary.problems));
}

bool X11PointerSettings::setSpeed(int speed) {
    std::string problem;
    const auto outcomes = ForEachPointer(
        display_,
        [speed](Display* display, int device) {
            const auto current = GetProperty(display, device, "libinput Accel Speed");
            const Atom floatType = XInternAtom(display, "FLOAT", False);
            if (!current || current->type != floatType || current->format != 32) {
                return Result::NotLibinput;
            }
            float value = static_cast<float>(LibinputSpeed(speed));
            unsigned char item[sizeof value];
            std::memcpy(item, &value, sizeof value);
            XIChangeProperty(display, device, current->name, floatType, 32, XIPropModeReplace, item,
                             1);
            return Result::Applied;
        },
        problem);
    if (!outcomes) return report(Setting::Speed, false, {problem});
    X11Summary summary = SummariseX11(*outcomes, {});
    return report(Setting::Speed, summary.applied, std::move(summary.problems));
}

bool X11PointerSettings::setWheelScrollLines(int lines) {
    std::string problem =
        WheelScrollLinesProblem(lines).value_or("the X server keeps no wheel scroll lines setting");
    return report(Setting::WheelScrollLines, false, {std::move(problem)});
}

}  // namespace x5k
