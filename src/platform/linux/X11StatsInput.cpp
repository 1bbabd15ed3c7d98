#include "platform/linux/X11StatsInput.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string_view>

#include "common/DiagnosticLog.h"
#include "pages/statistics/StatsModel.h"

// Xlib's macros (None, Success, Status) last: the program's headers use those names.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace x5k {
namespace {

// A lost connection ends the thread, not the program (Xlib's own ending exits).
std::atomic<bool> g_lost{false};
void ConnectionLost(Display*, void*) {
    g_lost = true;
}

}  // namespace

void RunStatsPollLoop(Clock& clock, const StatsPollSteps& steps, StatsInputSink& sink) {
    const auto period = static_cast<uint32_t>(StatsInput::kSamplePeriod.count());
    uint32_t next = clock.tickMs();
    for (;;) {
        const uint32_t now = clock.tickMs();
        auto left = static_cast<int32_t>(next - now);
        if (left <= 0) {
            if (const auto point = steps.queryPointer()) {
                sink.cursorSample(point->first, point->second);
            }
            next += period;
            // Woken late (a suspended computer, a busy machine): the samples go on from
            // now instead of catching up.
            if (static_cast<int32_t>(next - now) <= 0) next = now + period;
            left = static_cast<int32_t>(next - now);
        }
        if (!steps.wait(left)) return;
        steps.readEvents();
    }
}

bool HandleRawButtonEvent(const XEvent& event, int xinputOpcode, StatsInputSink& sink) {
    const XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != xinputOpcode ||
        cookie.evtype != XI_RawButtonPress || cookie.data == nullptr) {
        return false;
    }
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    const std::optional<uint32_t> code = statistics::RawButtonEventCode(raw->detail);
    if (!code) return false;
    sink.mouseCode(*code);
    return true;
}

DisplaySession DetectDisplaySession(const char* waylandDisplay, const char* sessionType,
                                    const char* display) {
    const auto given = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (given(waylandDisplay)) return DisplaySession::Wayland;
    if (given(sessionType) && std::string_view(sessionType) == "wayland") {
        return DisplaySession::Wayland;
    }
    return given(display) ? DisplaySession::X11 : DisplaySession::Headless;
}

X11StatsInput::X11StatsInput() = default;

X11StatsInput::~X11StatsInput() {
    stop();
}

bool X11StatsInput::start(StatsInputSink& sink, bool clicks) {
    if (thread_.joinable()) return true;
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return false;
    XSetIOErrorExitHandler(display_, &ConnectionLost, nullptr);
    g_lost = false;
    if (clicks) {
        int event = 0;
        int error = 0;
        // 2.1 and later send raw events whatever grab is active.
        int major = 2;
        int minor = 2;
        if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error) ||
            XIQueryVersion(display_, &major, &minor) != Success || major < 2) {
            X5K_LOG("statistics: the X server offers no XInput 2; its clicks are not counted");
            XCloseDisplay(display_);
            display_ = nullptr;
            return false;
        }
        std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
        XISetMask(bits.data(), XI_RawButtonPress);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
        XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
        XFlush(display_);
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        XCloseDisplay(display_);
        display_ = nullptr;
        return false;
    }
    thread_ = std::thread([this, target = &sink] { run(*target); });
    return true;
}

void X11StatsInput::stop() {
    if (!thread_.joinable()) return;
    const uint64_t one = 1;
    static_cast<void>(write(stopFd_, &one, sizeof one));
    thread_.join();
    close(stopFd_);
    stopFd_ = -1;
    XCloseDisplay(display_);
    display_ = nullptr;
}

void X11StatsInput::run(StatsInputSink& sink) {
    const StatsPollSteps steps{[this](int timeoutMs) { return wait(timeoutMs); },
                               [this, target = &sink] { readEvents(*target); },
                               [this] { return queryPointer(); }};
    RunStatsPollLoop(clock_, steps, sink);
}

bool X11StatsInput::wait(int timeoutMs) {
    if (g_lost) return false;
    // Events Xlib has already read from the connection wait in its queue.
    if (XPending(display_) > 0) return true;
    std::array<pollfd, 2> fds{pollfd{ConnectionNumber(display_), POLLIN, 0},
                              pollfd{stopFd_, POLLIN, 0}};
    int ready = 0;
    do {
        ready = poll(fds.data(), fds.size(), timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (fds[1].revents != 0) return false;
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    return !g_lost;
}

void X11StatsInput::readEvents(StatsInputSink& sink) {
    while (!g_lost && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (XGetEventData(display_, &event.xcookie)) {
            HandleRawButtonEvent(event, opcode_, sink);
            XFreeEventData(display_, &event.xcookie);
        }
    }
}

std::optional<std::pair<int32_t, int32_t>> X11StatsInput::queryPointer() {
    if (g_lost) return std::nullopt;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY,
                       &windowX, &windowY, &buttons)) {
        // The pointer is on another screen: it did not travel on this one.
        return std::nullopt;
    }
    return std::pair<int32_t, int32_t>{rootX, rootY};
}

}  // namespace x5k
