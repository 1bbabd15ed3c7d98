#include "platform/linux/EvdevHookBackend.h"
#include "platform/linux/UdevScan.h"

#include <errno.h>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "common/DiagnosticLog.h"
#include "platform/linux/EvdevCrashGuard.h"

namespace x5k {
namespace {

constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
constexpr int kUinputFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC;

bool IsPermissionError(int error) {
    return error == EACCES || error == EPERM;
}

bool PropertyIsOne(const PropertyLookup& property, const char* name) {
    const char* value = property(name);
    return value != nullptr && std::string_view(value) == "1";
}

PropertyLookup PropertiesOf(udev_device* device) {
    return [device](const char* name) { return udev_device_get_property_value(device, name); };
}

bool IsEventNode(udev_device* device) {
    const char* name = udev_device_get_sysname(device);
    return name != nullptr && std::string_view(name).starts_with("event") &&
           udev_device_get_devnode(device) != nullptr;
}

std::optional<uint16_t> HexAttribute(udev_device* device, const char* name) {
    const char* text = udev_device_get_sysattr_value(device, name);
    if (text == nullptr) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == text || value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Whether the node belongs to the USB device with these identifiers: the same USB
// device as the mouse's hidraw interfaces.
bool BelongsToUsbDevice(udev_device* device, uint16_t vendor, uint16_t product) {
    // The parent belongs to the child; it is not to be unreferenced.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    return usb != nullptr && HexAttribute(usb, "idVendor") == vendor &&
           HexAttribute(usb, "idProduct") == product;
}

// For nodes udev has not classified: a keyboard is anything with a key the program
// names, a pointer anything with a left button or a wheel.
bool LooksLikeKeyboard(const libevdev* device) {
    for (unsigned code = 1; code < BTN_MISC; ++code) {
        if (EvdevKeyToVirtualKey(static_cast<uint16_t>(code)) != 0 &&
            libevdev_has_event_code(device, EV_KEY, code)) {
            return true;
        }
    }
    return false;
}
bool LooksLikePointer(const libevdev* device) {
    return libevdev_has_event_code(device, EV_KEY, BTN_LEFT) ||
           libevdev_has_event_code(device, EV_REL, REL_WHEEL);
}

// Times in microseconds, the kernel's precision for event stamps.
constexpr int64_t kForever = std::numeric_limits<int64_t>::max();

int64_t StampOf(const input_event& event) {
    return int64_t{event.input_event_sec} * 1'000'000 + int64_t{event.input_event_usec};
}

int64_t Now(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

// Asks the node to stamp its events with the monotonic clock, which no one sets; the
// clock its events are stamped with.
clockid_t UseMonotonicStamps(int fd) {
    int clock = CLOCK_MONOTONIC;
    return ioctl(fd, EVIOCSCLOCKID, &clock) == 0 ? CLOCK_MONOTONIC : CLOCK_REALTIME;
}

class NullSink final : public HookSink {
public:
    void keyboardEvent(uint32_t, uint32_t) override {}
    bool mouseEvent(uint32_t, uint32_t) override { return false; }
    bool isBlocked(uint32_t) const override { return false; }
    bool anythingBlocked() const override { return false; }
};

struct Probe {
    InputAccess access;
    int pointersOpened = 0;
};

}  // namespace

std::optional<std::string> DescribeInputAccess(const InputAccess& a) {
    if (a == InputAccess{}) return std::nullopt;
    std::string text = "The X5K program cannot reach all the input devices it needs.\n";
    if (a.mouseRefused) {
        text +=
            "- The mouse's own input devices cannot be read: its clicks are not counted and "
            "buttons bound to actions on this computer do nothing.\n";
    }
    if (a.uinputMissing) {
        text +=
            "- There is no /dev/uinput, so a button bound to an action on this computer keeps "
            "its normal function as well. Load the kernel module with \"sudo modprobe uinput\"; "
            "to load it at every start, put the line \"uinput\" into "
            "/etc/modules-load.d/uinput.conf.\n";
    } else if (a.uinputRefused) {
        text +=
            "- /dev/uinput cannot be opened, so a button bound to an action on this computer "
            "keeps its normal function as well.\n";
    } else if (a.cloneFailed) {
        text +=
            "- The virtual copy of the mouse could not be made through /dev/uinput, so a button "
            "bound to an action on this computer keeps its normal function as well.\n";
    }
    if (a.mouseRefused || a.uinputRefused) {
        text +=
            "  To grant access, install the udev rule 70-x5k.rules that comes with the program "
            "into /etc/udev/rules.d/ (a package installs it for you), run \"sudo udevadm "
            "control --reload-rules\" and \"sudo udevadm trigger\", and plug the mouse in "
            "again. The rule gives the user logged in at the computer access to the mouse's "
            "own devices and to /dev/uinput.\n";
    }
    if (a.keyboardsRefused) {
        text +=
            "- The keyboards cannot be read: macro recording and key capture take only the "
            "keys typed into the program's own window.\n";
    }
    if (a.pointersRefused) {
        text += "- Other mice and touchpads cannot be read: their clicks are not counted.\n";
    }
    if (a.keyboardsRefused || a.pointersRefused) {
        text +=
            "  Keyboards and other input devices can be read only by members of the \"input\" "
            "group. To join it, run \"sudo usermod -aG input $USER\" and log in again. Every "
            "program you start can then read every key you type.\n";
    }
    return text;
}

InputNodeKind ClassifyInputNode(const PropertyLookup& property) {
    const bool keyboard =
        PropertyIsOne(property, "ID_INPUT_KEYBOARD") || PropertyIsOne(property, "ID_INPUT_KEY");
    const bool pointer = PropertyIsOne(property, "ID_INPUT_MOUSE") ||
                         PropertyIsOne(property, "ID_INPUT_TOUCHPAD") ||
                         PropertyIsOne(property, "ID_INPUT_POINTINGSTICK") ||
                         PropertyIsOne(property, "ID_INPUT_TRACKBALL");
    if (keyboard && pointer) return InputNodeKind::Both;
    if (keyboard) return InputNodeKind::Keyboard;
    if (pointer) return InputNodeKind::Pointer;
    // udev has looked at it and found it is neither.
    if (PropertyIsOne(property, "ID_INPUT")) return InputNodeKind::Skip;
    return InputNodeKind::Unknown;
}

class EvdevHookBackend::Impl {
public:
    explicit Impl(Options options) : options_(std::move(options)) {
        if (!options_.openNode) {
            options_.openNode = [](const char* path, int flags) { return ::open(path, flags); };
        }
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }

    ~Impl() {
        stopping_ = true;
        wake();
        if (thread_.joinable()) thread_.join();
        if (wakeFd_ >= 0) close(wakeFd_);
    }

    void setSink(HookSink* sink) {
        // Once this returns the input thread no longer uses the old sink.
        std::lock_guard lock(sinkMutex_);
        sink_ = sink;
    }

    bool install(bool mouse) {
        if (wakeFd_ < 0) return false;
        const Probe probe = probeDevices();
        InputAccess uinput;
        if (mouse) uinput = probeUinput();
        bool installed = false;
        {
            std::lock_guard lock(accessMutex_);
            access_.keyboardsRefused = probe.access.keyboardsRefused;
            access_.pointersRefused = probe.access.pointersRefused;
            access_.mouseRefused = probe.access.mouseRefused;
            if (mouse) {
                access_.uinputMissing = uinput.uinputMissing;
                access_.uinputRefused = uinput.uinputRefused;
                access_.cloneFailed = false;
                installed = !probe.access.mouseRefused &&
                            (probe.pointersOpened > 0 || !probe.access.pointersRefused);
                pointersReadable_ = probe.pointersOpened;
            } else {
                installed = !probe.access.keyboardsRefused;
            }
        }
        if (!installed) return false;
        (mouse ? mouseHook_ : keyboardHook_) = true;
        ensureThread();
        wake();
        return true;
    }

    void remove(bool mouse) {
        (mouse ? mouseHook_ : keyboardHook_) = false;
        wake();
    }

    InputAccess access() const {
        std::lock_guard lock(accessMutex_);
        return access_;
    }

    Status status() const { return {openNodes_.load(), clones_.load(), grabbed_.load()}; }
    bool readsKeyboard() const {
        if (!keyboardHook_ || keyboards_.load() == 0) return false;
        std::lock_guard lock(accessMutex_);
        return !access_.keyboardsRefused;
    }

    bool readsPointer() const { return mouseHook_ && pointersReadable_.load() > 0; }

    // The input thread looks at the block list again at once.
    void blockListChanged() { wake(); }

private:
    struct Node {
        std::string syspath;
        int fd = -1;
        libevdev* device = nullptr;
        // The mouse's own pointer node: cloned, and grabbed while something is blocked.
        bool ofMouse = false;
        // A keyboard or key device: its keys reach the keyboard hook.
        bool keyboard = false;
        EvdevFrameFilter filter;
        int uinputFd = -1;
        libevdev_uinput* clone = nullptr;
        bool cloneFailed = false;
        bool grabbed = false;
        bool gone = false;
        std::vector<input_event> out;
        // The clock the node's events are stamped with, and the events that reached
        // only this program, which go on to the clone: those stamped from
        // `exclusiveFrom` (just before the grab) up to `exclusiveUntil` (just before its
        // release, for ever while it is held). Empty once the release is done.
        clockid_t clock = CLOCK_REALTIME;
        int64_t exclusiveFrom = 0;
        int64_t exclusiveUntil = 0;
        // Keys and buttons held down by events from before the grab, read since.
        std::bitset<KEY_CNT> heldBeforeGrab;
    };

    // --- Installing thread -------------------------------------------------------

    // Tries every node the watch would read, to tell which the user may not read.
    Probe probeDevices() const {
        Probe probe;
        udev* context = udev_new();
        if (!context) return probe;
        ForEachUdevDevice(context, "input", [&](udev_device* device) { probeNode(device, probe); });
        udev_unref(context);
        return probe;
    }

    void probeNode(udev_device* device, Probe& probe) const {
        if (!IsEventNode(device) || isOwnClone(udev_device_get_syspath(device))) return;
        const InputNodeKind kind = ClassifyInputNode(PropertiesOf(device));
        if (kind == InputNodeKind::Skip) return;
        const bool pointer = kind != InputNodeKind::Keyboard;
        const bool keyboard = kind != InputNodeKind::Pointer;
        const int fd = options_.openNode(udev_device_get_devnode(device), kReadFlags);
        if (fd >= 0) {
            close(fd);
            if (pointer) ++probe.pointersOpened;
            return;
        }
        if (!IsPermissionError(errno)) return;
        if (BelongsToUsbDevice(device, options_.mouseVendor, options_.mouseProduct)) {
            probe.access.mouseRefused = true;
            return;
        }
        probe.access.keyboardsRefused = probe.access.keyboardsRefused || keyboard;
        probe.access.pointersRefused = probe.access.pointersRefused || pointer;
    }

    InputAccess probeUinput() const {
        InputAccess access;
        const int fd = options_.openNode(options_.uinputPath.c_str(), kUinputFlags);
        if (fd >= 0) {
            close(fd);
        } else {
            noteUinputError(errno, access);
        }
        return access;
    }

    static void noteUinputError(int error, InputAccess& access) {
        if (error == ENOENT || error == ENODEV || error == ENXIO) {
            access.uinputMissing = true;
        } else if (IsPermissionError(error)) {
            access.uinputRefused = true;
        } else {
            access.cloneFailed = true;
        }
    }

    void ensureThread() {
        std::lock_guard lock(threadMutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }

    void wake() {
        if (wakeFd_ < 0) return;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
    }

    bool isOwnClone(const char* syspath) const {
        if (syspath == nullptr) return false;
        const std::string_view path(syspath);
        std::lock_guard lock(clonesMutex_);
        return std::any_of(
            cloneSyspaths_.begin(), cloneSyspaths_.end(), [path](const std::string& clone) {
                return path == clone || (path.starts_with(clone) && path.size() > clone.size() &&
                                         path[clone.size()] == '/');
            });
    }

    // --- Input thread --------------------------------------------------------------

    void run() {
        // The crash handler runs on it, even when this thread overflowed its stack.
        const crash_guard::ThreadSignalStack signalStack;
        udev_ = udev_new();
        std::vector<pollfd> fds;
        std::vector<Node*> polled;
        while (!stopping_) {
            int timeout = -1;
            {
                std::lock_guard lock(sinkMutex_);
                const bool wanted = keyboardHook_ || mouseHook_;
                if (wanted && !active_) activate();
                if (!wanted && active_) deactivate();
                for (auto& node : nodes_) {
                    if (!node->ofMouse) continue;
                    if (mouseHook_) {
                        ensureClone(*node);
                    } else {
                        dropClone(*node);
                    }
                    const bool lookAgain = updateGrab(*node);
                    if (node->clone) timeout = static_cast<int>(options_.blockListCheck.count());
                    if (lookAgain) timeout = 0;
                }
                publishStatus();
            }

            fds.clear();
            polled.clear();
            fds.push_back({wakeFd_, POLLIN, 0});
            const int monitorFd = monitor_ ? udev_monitor_get_fd(monitor_) : -1;
            fds.push_back({monitorFd, POLLIN, 0});
            for (auto& node : nodes_) {
                fds.push_back({node->fd, POLLIN, 0});
                polled.push_back(node.get());
            }
            if (poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno == EINTR) continue;
                break;  // only a programming error gets here
            }
            if (fds[0].revents & POLLIN) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
            }

            std::lock_guard lock(sinkMutex_);
            for (size_t i = 0; i < polled.size(); ++i) {
                const short revents = fds[i + 2].revents;
                if (revents == 0) continue;
                Node& node = *polled[i];
                const bool readable = readNode(node);
                // A vanished device reports an error or a hang-up on poll.
                if (!readable || (revents & (POLLERR | POLLHUP | POLLNVAL))) node.gone = true;
            }
            if (fds[1].revents & POLLIN) handleMonitor();
            removeGoneNodes();
        }
        {
            std::lock_guard lock(sinkMutex_);
            deactivate();
            publishStatus();
        }
        udev_unref(udev_);
        udev_ = nullptr;
    }

    void activate() {
        active_ = true;
        if (!udev_) return;
        // The monitor first, so a device that arrives during the enumeration is not missed.
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_) {
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr);
            if (udev_monitor_enable_receiving(monitor_) < 0) {
                udev_monitor_unref(monitor_);
                monitor_ = nullptr;
            }
        }
        ForEachUdevDevice(udev_, "input", [&](udev_device* device) { openNode(device); });
    }

    void deactivate() {
        for (auto& node : nodes_) closeNode(*node);
        nodes_.clear();
        if (monitor_) udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        active_ = false;
    }

    void openNode(udev_device* device) {
        if (!IsEventNode(device)) return;
        const char* syspath = udev_device_get_syspath(device);
        if (isOwnClone(syspath)) return;
        if (std::any_of(nodes_.begin(), nodes_.end(),
                        [syspath](const auto& node) { return node->syspath == syspath; })) {
            return;
        }
        const InputNodeKind kind = ClassifyInputNode(PropertiesOf(device));
        if (kind == InputNodeKind::Skip) return;
        const bool ofMouse =
            BelongsToUsbDevice(device, options_.mouseVendor, options_.mouseProduct);

        const int fd = options_.openNode(udev_device_get_devnode(device), kReadFlags);
        if (fd < 0) {
            X5K_LOG("input: cannot read ", syspath, ": ", SysResult::failure(errno, "open (read)"));
            if (IsPermissionError(errno)) {
                std::lock_guard lock(accessMutex_);
                if (ofMouse) {
                    access_.mouseRefused = true;
                } else {
                    access_.keyboardsRefused |= kind != InputNodeKind::Pointer;
                    access_.pointersRefused |= kind != InputNodeKind::Keyboard;
                }
            }
            return;
        }
        // Before anything is queued: changing the clock throws away what is.
        const clockid_t clock = UseMonotonicStamps(fd);
        libevdev* evdev = nullptr;
        if (libevdev_new_from_fd(fd, &evdev) != 0) {
            close(fd);
            return;
        }
        const bool pointer = LooksLikePointer(evdev);
        if (kind == InputNodeKind::Unknown && !pointer && !LooksLikeKeyboard(evdev)) {
            libevdev_free(evdev);
            close(fd);
            return;
        }
        EvdevDeviceTraits traits;
        traits.wheel = libevdev_has_event_code(evdev, EV_REL, REL_WHEEL);
        traits.horizontalWheel = libevdev_has_event_code(evdev, EV_REL, REL_HWHEEL);
        traits.numLock = libevdev_get_event_value(evdev, EV_LED, LED_NUML) != 0;

        auto node = std::make_unique<Node>();
        node->syspath = syspath;
        node->fd = fd;
        node->device = evdev;
        node->ofMouse = ofMouse && pointer;
        node->keyboard = kind == InputNodeKind::Unknown ? LooksLikeKeyboard(evdev)
                                                        : kind != InputNodeKind::Pointer;
        node->filter = EvdevFrameFilter(traits);
        node->clock = clock;
        X5K_LOG("input: reading ", syspath, node->ofMouse ? " (the mouse's pointer)" : "");
        nodes_.push_back(std::move(node));
    }

    void closeNode(Node& node) {
        dropClone(node);
        if (node.grabbed) crash_guard::UnregisterDescriptor(node.fd);
        node.grabbed = false;
        libevdev_free(node.device);
        node.device = nullptr;
        if (node.fd >= 0) close(node.fd);
        node.fd = -1;
    }

    void removeGoneNodes() {
        for (auto& node : nodes_) {
            if (node->gone) closeNode(*node);
        }
        std::erase_if(nodes_, [](const auto& node) { return node->gone; });
    }

    void handleMonitor() {
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const std::string_view action = udev_device_get_action(device)
                                                ? udev_device_get_action(device)
                                                : std::string_view();
            if (action == "add") {
                openNode(device);
            } else if (action == "remove") {
                const char* syspath = udev_device_get_syspath(device);
                for (auto& node : nodes_) {
                    if (syspath && node->syspath == syspath) node->gone = true;
                }
            }
            udev_device_unref(device);
        }
    }

    // Reads what the node has; false when the device is gone.
    bool readNode(Node& node) {
        static NullSink nullSink;
        HookSink& sink = sink_ ? *sink_ : nullSink;
        const EvdevFrameFilter::Reporting reporting{keyboardHook_.load(), mouseHook_.load()};
        // The events a frame holds share its stamp, so a frame goes on to the clone
        // whole or not at all. The state libevdev makes up after lost events carries the
        // stamp of the loss.
        auto feed = [&](const input_event& event) {
            const int64_t stamp = StampOf(event);
            const bool exclusive = stamp >= node.exclusiveFrom && stamp < node.exclusiveUntil;
            if (node.grabbed && !exclusive && event.type == EV_KEY && event.code < KEY_CNT) {
                node.heldBeforeGrab.set(event.code, event.value != 0);
            }
            node.filter.feed(event, reporting, sink, exclusive ? &node.out : nullptr);
        };
        input_event event{};
        int rc;
        for (;;) {
            rc = libevdev_next_event(node.device, LIBEVDEV_READ_FLAG_NORMAL, &event);
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
                feed(event);
                continue;
            }
            if (rc != LIBEVDEV_READ_STATUS_SYNC) break;
            // Events were lost: the SYN_DROPPED, then the state that changed meanwhile.
            feed(event);
            while ((rc = libevdev_next_event(node.device, LIBEVDEV_READ_FLAG_SYNC, &event)) ==
                   LIBEVDEV_READ_STATUS_SYNC) {
                feed(event);
            }
            if (rc != -EAGAIN) break;
        }
        flush(node);
        return rc == -EAGAIN;
    }

    // Hands the filtered events to the clone in one write.
    void flush(Node& node) {
        if (node.out.empty()) return;
        if (node.uinputFd >= 0) {
            const char* data = reinterpret_cast<const char*>(node.out.data());
            size_t left = node.out.size() * sizeof(input_event);
            while (left > 0) {
                const ssize_t written = write(node.uinputFd, data, left);
                if (written < 0 && errno == EINTR) continue;
                if (written <= 0) {
                    // The clone is broken: without it nothing can be re-emitted, so the
                    // grab goes at the next look.
                    node.cloneFailed = true;
                    break;
                }
                data += written;
                left -= static_cast<size_t>(written);
            }
        }
        node.out.clear();
    }

    void ensureClone(Node& node) {
        if (node.clone || node.cloneFailed) return;
        const int fd = options_.openNode(options_.uinputPath.c_str(), kUinputFlags);
        if (fd < 0) {
            const int error = errno;
            X5K_LOG("input: no stand-in for ", node.syspath, ": ",
                    SysResult::failure(error, "open (uinput)"));
            node.cloneFailed = true;
            std::lock_guard lock(accessMutex_);
            noteUinputError(error, access_);
            return;
        }
        libevdev_uinput* clone = nullptr;
        if (const int error = libevdev_uinput_create_from_device(node.device, fd, &clone);
            error != 0) {
            X5K_LOG("input: no stand-in for ", node.syspath, ": ",
                    SysResult::failure(-error, "create the uinput device"));
            close(fd);
            node.cloneFailed = true;
            std::lock_guard lock(accessMutex_);
            access_.cloneFailed = true;
            return;
        }
        // Closing the file removes the clone, and the kernel lets go of whatever it
        // holds down: a crash must not leave a button pressed until its core dump ends.
        crash_guard::InstallHandlers();
        crash_guard::RegisterDescriptor(fd);
        node.clone = clone;
        node.uinputFd = fd;
        if (const char* syspath = libevdev_uinput_get_syspath(clone)) {
            std::lock_guard lock(clonesMutex_);
            cloneSyspaths_.emplace_back(syspath);
        }
    }

    void dropClone(Node& node) {
        releaseGrab(node, /*forced=*/true);
        if (node.clone) {
            node.filter.releaseHeld(node.out);
            flush(node);
            crash_guard::UnregisterDescriptor(node.uinputFd);
            libevdev_uinput_destroy(node.clone);
            close(node.uinputFd);
        }
        node.clone = nullptr;
        node.uinputFd = -1;
        node.cloneFailed = false;
    }

    bool holdsAnything(const Node& node) const {
        for (unsigned code = 0; code < KEY_CNT; ++code) {
            if (libevdev_has_event_code(node.device, EV_KEY, code) &&
                libevdev_get_event_value(node.device, EV_KEY, code) != 0) {
                return true;
            }
        }
        return false;
    }

    // True when the grab was given back because of a press from before it: what was
    // read meanwhile may have released the button already, and no event may come to
    // tell, so the grab is looked at again at once.
    bool updateGrab(Node& node) {
        // A press from before the grab that was read only now: its release must reach
        // the desktop from the device.
        if (node.grabbed && node.heldBeforeGrab.any()) {
            ungrab(node);
            return true;
        }
        GrabSituation s;
        s.grabbed = node.grabbed;
        s.mouseHook = mouseHook_;
        s.cloneReady = node.clone != nullptr && !node.cloneFailed;
        s.blocking = sink_ != nullptr && sink_->anythingBlocked();
        // Held keys matter only when the grab would change; looking costs a scan.
        const bool mayChange =
            s.grabbed ? !s.blocking : (s.mouseHook && s.blocking && s.cloneReady);
        if (mayChange) s.buttonsHeld = holdsAnything(node);
        switch (NextGrabStep(s)) {
            case GrabStep::Grab:
                return takeGrab(node);
            case GrabStep::Release:
                releaseGrab(node, !s.mouseHook || !s.cloneReady);
                break;
            case GrabStep::Keep:
                break;
        }
        return false;
    }

    // True when the grab was given back at once.
    bool takeGrab(Node& node) {
        // Noted before the grab: what is stamped later may have reached only this
        // program, and is better passed on twice than lost.
        const int64_t start = Now(node.clock);
        if (const int error = libevdev_grab(node.device, LIBEVDEV_GRAB); error != 0) {
            X5K_LOG("input: cannot grab ", node.syspath, ": ",
                    SysResult::failure(-error, "ioctl (EVIOCGRAB)"));
            return false;
        }
        X5K_LOG("input: grabbed ", node.syspath, " while presses are blocked");
        crash_guard::InstallHandlers();
        crash_guard::RegisterDescriptor(node.fd);
        node.grabbed = true;
        node.exclusiveFrom = start;
        node.exclusiveUntil = kForever;
        node.heldBeforeGrab.reset();
        node.filter.forgetSwallowed();
        // What is queued now came before the grab (it reached the desktop already and
        // is only reported) or after it (it goes on through the clone). A press that
        // came between the last read and the grab reached the desktop too, and its
        // release would now come only here, so the desktop would keep the button down:
        // the grab goes again at once, to be taken once everything is up. The events
        // read tell, not the kernel's key state, which would count a press that came
        // after the grab too, one that only this program got.
        readNode(node);
        if (node.heldBeforeGrab.none()) return false;
        ungrab(node);
        return true;
    }

    void releaseGrab(Node& node, bool forced) {
        if (!node.grabbed) return;
        // What is queued first: it may hold a button down, or let go of one.
        readNode(node);
        if (!forced && holdsAnything(node)) return;
        ungrab(node);
    }

    void ungrab(Node& node) {
        // Noted before the release: what is stamped later reached the desktop from the
        // device itself.
        node.exclusiveUntil = Now(node.clock);
        crash_guard::UnregisterDescriptor(node.fd);
        if (const int error = libevdev_grab(node.device, LIBEVDEV_UNGRAB); error != 0) {
            // The device is usually gone; the kernel dropped the grab with it.
            X5K_LOG("input: releasing the grab of ", node.syspath, ": ",
                    SysResult::failure(-error, "ioctl (EVIOCGRAB)"));
        }
        X5K_LOG("input: released the grab of ", node.syspath);
        node.grabbed = false;
        // What came since the last read and before the release reached only this
        // program: it goes on through the clone. Then nothing more does.
        readNode(node);
        node.exclusiveFrom = node.exclusiveUntil = 0;
        // From now on the desktop reads the device itself; the clone lets go of
        // whatever it still holds, so no button stays down on it.
        node.filter.releaseHeld(node.out);
        flush(node);
    }

    void publishStatus() {
        int clones = 0;
        int grabbed = 0;
        int keyboards = 0;
        for (const auto& node : nodes_) {
            clones += node->clone != nullptr;
            grabbed += node->grabbed;
            keyboards += node->keyboard;
        }
        openNodes_ = static_cast<int>(nodes_.size());
        keyboards_ = keyboards;
        clones_ = clones;
        grabbed_ = grabbed;
    }

    Options options_;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> keyboardHook_{false};
    std::atomic<bool> mouseHook_{false};

    std::mutex threadMutex_;
    std::thread thread_;

    // Held by the input thread while it works (not while it waits), so that setSink()
    // never swaps the sink under a callback.
    std::mutex sinkMutex_;
    HookSink* sink_ = nullptr;

    mutable std::mutex accessMutex_;
    InputAccess access_;

    // The clones this watch made: their nodes are never read as input devices.
    mutable std::mutex clonesMutex_;
    std::vector<std::string> cloneSyspaths_;

    std::atomic<int> openNodes_{0};
    std::atomic<int> keyboards_{0};
    // The pointing devices the last installation of the mouse hook could open.
    std::atomic<int> pointersReadable_{0};
    std::atomic<int> clones_{0};
    std::atomic<int> grabbed_{0};

    // The input thread's own.
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    bool active_ = false;
    std::vector<std::unique_ptr<Node>> nodes_;
};

EvdevHookBackend::EvdevHookBackend() : EvdevHookBackend(Options{}) {}
EvdevHookBackend::EvdevHookBackend(Options options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}
EvdevHookBackend::~EvdevHookBackend() = default;

void EvdevHookBackend::setSink(HookSink* sink) {
    impl_->setSink(sink);
}
bool EvdevHookBackend::installKeyboardHook() {
    return impl_->install(false);
}
bool EvdevHookBackend::installMouseHook() {
    return impl_->install(true);
}
void EvdevHookBackend::removeKeyboardHook() {
    impl_->remove(false);
}
void EvdevHookBackend::removeMouseHook() {
    impl_->remove(true);
}
void EvdevHookBackend::blockListChanged() {
    impl_->blockListChanged();
}
std::optional<std::string> EvdevHookBackend::accessProblem() const {
    return DescribeInputAccess(impl_->access());
}
InputAccess EvdevHookBackend::access() const {
    return impl_->access();
}
bool EvdevHookBackend::readsPointer() const {
    return impl_->readsPointer();
}

bool EvdevHookBackend::readsKeyboard() const {
    return impl_->readsKeyboard();
}
EvdevHookBackend::Status EvdevHookBackend::status() const {
    return impl_->status();
}

}  // namespace x5k
