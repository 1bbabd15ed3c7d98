// A minimal notification area for end-to-end runs on a bare X server: it takes the
// system tray selection of the default screen, announces itself to clients with the
// MANAGER message, and embeds every icon that asks to dock into one row of fixed-size
// slots of its own window, which sits at a known place on the screen.
//
// It prints one line per event on standard output, so a script can wait for them:
//   ready 0x<tray window> <x> <y>          the selection is ours
//   docked 0x<icon window> <x> <y> <w> <h>  an icon was embedded at that screen rectangle
//   undocked 0x<icon window>                an icon left (destroyed, unmapped for good or
//                                           reparented away)
//
// Usage: x5k-tray-host [--at X,Y] [--slot SIZE]
// Exits 1 when the selection is already owned or is taken away, 64 on a bad command line.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kExitUsage = 64;
constexpr int kSlotCount = 8;

// Opcodes of the system tray protocol and the one embedding message the tray sends.
constexpr long kTrayRequestDock = 0;
constexpr long kXEmbedEmbeddedNotify = 0;
constexpr long kXEmbedVersion = 0;
constexpr long kTrayOrientationHorizontal = 0;

struct Options {
    int x = 0;
    int y = 0;
    int slot = 24;
};

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (i + 1 >= argc) return std::nullopt;
        const std::string_view value = argv[++i];
        if (argument == "--at") {
            const size_t comma = value.find(',');
            if (comma == std::string_view::npos) return std::nullopt;
            const auto x = ParseInt(value.substr(0, comma));
            const auto y = ParseInt(value.substr(comma + 1));
            if (!x || !y || *x < 0 || *y < 0) return std::nullopt;
            options.x = *x;
            options.y = *y;
        } else if (argument == "--slot") {
            const auto size = ParseInt(value);
            if (!size || *size < 8 || *size > 256) return std::nullopt;
            options.slot = *size;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// Icons belong to other processes and may vanish between a request and our answer; the
// requests that then fail are of no consequence to the tray.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

class TrayHost {
public:
    TrayHost(Display* display, const Options& options)
        : display_(display), options_(options), screen_(DefaultScreen(display)) {
        const std::string selectionName = "_NET_SYSTEM_TRAY_S" + std::to_string(screen_);
        selection_ = XInternAtom(display_, selectionName.c_str(), False);
        opcode_ = XInternAtom(display_, "_NET_SYSTEM_TRAY_OPCODE", False);
        manager_ = XInternAtom(display_, "MANAGER", False);
        xembed_ = XInternAtom(display_, "_XEMBED", False);
        orientation_ = XInternAtom(display_, "_NET_SYSTEM_TRAY_ORIENTATION", False);
        visualAtom_ = XInternAtom(display_, "_NET_SYSTEM_TRAY_VISUAL", False);
    }

    // Creates the tray window and takes the selection; false when another tray has it.
    bool Start() {
        const Window root = RootWindow(display_, screen_);
        if (XGetSelectionOwner(display_, selection_) != None) {
            std::fprintf(stderr, "x5k-tray-host: another notification area owns the selection\n");
            return false;
        }
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = 0x404850;
        attributes.event_mask = SubstructureNotifyMask | PropertyChangeMask;
        window_ = XCreateWindow(display_, root, options_.x, options_.y,
                                static_cast<unsigned>(options_.slot * kSlotCount),
                                static_cast<unsigned>(options_.slot), 0, CopyFromParent,
                                InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
        XStoreName(display_, window_, "x5k-tray-host");

        // Icons draw in the screen's default visual, horizontally.
        const long orientation = kTrayOrientationHorizontal;
        XChangeProperty(display_, window_, orientation_, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&orientation), 1);
        const long visual =
            static_cast<long>(XVisualIDFromVisual(DefaultVisual(display_, screen_)));
        XChangeProperty(display_, window_, visualAtom_, XA_VISUALID, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&visual), 1);
        XMapRaised(display_, window_);

        const Time now = ServerTime();
        XSetSelectionOwner(display_, selection_, window_, now);
        if (XGetSelectionOwner(display_, selection_) != window_) {
            std::fprintf(stderr, "x5k-tray-host: could not take the selection\n");
            return false;
        }

        // Clients that started before us wait for this announcement on the root window.
        XEvent announce{};
        announce.xclient.type = ClientMessage;
        announce.xclient.window = root;
        announce.xclient.message_type = manager_;
        announce.xclient.format = 32;
        announce.xclient.data.l[0] = static_cast<long>(now);
        announce.xclient.data.l[1] = static_cast<long>(selection_);
        announce.xclient.data.l[2] = static_cast<long>(window_);
        XSendEvent(display_, root, False, StructureNotifyMask, &announce);
        XSync(display_, False);
        std::printf("ready 0x%lx %d %d\n", window_, options_.x, options_.y);
        return true;
    }

    // Serves dock requests until the selection is taken away or the server goes.
    int Run() {
        for (;;) {
            XEvent event;
            XNextEvent(display_, &event);
            switch (event.type) {
                case ClientMessage:
                    if (event.xclient.message_type == opcode_ &&
                        event.xclient.data.l[1] == kTrayRequestDock) {
                        Dock(static_cast<Window>(event.xclient.data.l[2]));
                    }
                    break;
                case DestroyNotify:
                    Undock(event.xdestroywindow.window);
                    break;
                case ReparentNotify:
                    if (event.xreparent.parent != window_) Undock(event.xreparent.window);
                    break;
                case SelectionClear:
                    if (event.xselectionclear.selection == selection_) {
                        std::fprintf(stderr, "x5k-tray-host: the selection was taken away\n");
                        return 1;
                    }
                    break;
                default:
                    break;
            }
        }
    }

private:
    // A timestamp from the server: the time of a property change on our own window.
    Time ServerTime() {
        const Atom stamp = XInternAtom(display_, "_X5K_TRAY_TIMESTAMP", False);
        XChangeProperty(display_, window_, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(display_, window_, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    void Dock(Window icon) {
        if (icon == None || SlotOf(icon)) return;
        std::optional<int> free;
        for (int i = 0; i < kSlotCount; ++i) {
            if (slots_[static_cast<size_t>(i)] == None) {
                free = i;
                break;
            }
        }
        if (!free) {
            std::fprintf(stderr, "x5k-tray-host: no free slot for 0x%lx\n", icon);
            return;
        }
        const int x = *free * options_.slot;
        slots_[static_cast<size_t>(*free)] = icon;
        const auto size = static_cast<unsigned>(options_.slot);
        XReparentWindow(display_, icon, window_, x, 0);
        XMoveResizeWindow(display_, icon, x, 0, size, size);
        XMapRaised(display_, icon);

        XEvent notify{};
        notify.xclient.type = ClientMessage;
        notify.xclient.window = icon;
        notify.xclient.message_type = xembed_;
        notify.xclient.format = 32;
        notify.xclient.data.l[0] = CurrentTime;
        notify.xclient.data.l[1] = kXEmbedEmbeddedNotify;
        notify.xclient.data.l[2] = 0;
        notify.xclient.data.l[3] = static_cast<long>(window_);
        notify.xclient.data.l[4] = kXEmbedVersion;
        XSendEvent(display_, icon, False, NoEventMask, &notify);
        XSync(display_, False);
        std::printf("docked 0x%lx %d %d %d %d\n", icon, options_.x + x, options_.y, options_.slot,
                    options_.slot);
    }

    void Undock(Window icon) {
        const auto slot = SlotOf(icon);
        if (!slot) return;
        slots_[*slot] = None;
        std::printf("undocked 0x%lx\n", icon);
    }

    std::optional<size_t> SlotOf(Window icon) const {
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i] == icon) return i;
        }
        return std::nullopt;
    }

    Display* display_;
    Options options_;
    int screen_;
    Window window_ = None;
    Atom selection_;
    Atom opcode_;
    Atom manager_;
    Atom xembed_;
    Atom orientation_;
    Atom visualAtom_;
    std::array<Window, kSlotCount> slots_{};
};

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: x5k-tray-host [--at X,Y] [--slot SIZE]\n");
        return kExitUsage;
    }
    // Each line reaches a waiting script as soon as it is printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x5k-tray-host: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    TrayHost host(display, *options);
    if (!host.Start()) return 1;
    return host.Run();
}
