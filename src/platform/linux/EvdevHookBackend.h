#pragma once
// The desktop-wide keyboard and mouse watch on Linux, through the kernel's event
// devices.
//
// A dedicated input thread reads every keyboard and pointing device the user may read
// (the input subsystem's event nodes that udev marks as keyboards, keys, mice,
// touchpads, pointing sticks or trackballs), translates their events and hands them to
// the sink (the input hooks' callbacks). Devices plugged in later are picked up through
// a udev monitor in the same poll loop. Keyboards are only watched.
//
// Swallowing a mouse press needs more than watching: the mouse's own pointer nodes
// (event nodes whose USB device is the mouse) are grabbed, so that only this program
// gets their events, and what is not swallowed goes on through a virtual clone of the
// node made with uinput. The clone is made as soon as the mouse node is opened, so the
// desktop has taken it up by the time it is needed; the grab is taken only while the
// block list holds something and released when it is empty again, never while a
// button is held (a press and its release always reach the same device). The mouse
// hook's removal, the node's disappearance and the program's end release the grab at
// once, after the clone has let go of any button it holds. See EvdevCrashGuard.h for
// crashes.
//
// Which events go on through the clone is told by their time stamps, not by when they
// are read. The nodes are asked to stamp their events with the monotonic clock (where
// a node refuses, its stamps stay on the realtime clock and are compared with that);
// the time is noted just before the grab is taken and just before it is released, and
// exactly the events stamped in between go on to the clone, as only this program got
// them; the others reached the desktop from the device itself. So the events still
// queued when the grab is taken are reported but not passed on a second time, and
// those that came since the last read when the grab is released are read at once and
// passed on rather than lost.
//
// A key or button held down by events from before the grab (a press that came after
// the last read, just before the grab was taken) makes the grab go again at once: its
// release must reach the desktop from the device, where its press went; the grab is
// taken again once everything is up. This is judged by the events read, not by the
// kernel's key state, which would count a press that came just after the grab too:
// such a press reached only this program, goes on through the clone and keeps the
// grab.
//
// What is left to chance is a few microseconds around each switch. An event stamped
// while the grab ioctl runs may reach the desktop from both the device and the clone,
// an event stamped while the release ioctl runs from neither, and a release coming
// within microseconds of a press from just before the grab reaches only the clone. A
// press passed on when the grab is released reaches the desktop as a click, as the
// clone lets go of everything then; its release comes from the device.
//
// The input hooks tell the backend when the block list changes, and the input thread
// takes or releases the grab at once; it also looks at the list after every read and
// every blockListCheck, in case a change came from elsewhere.
//
// No call from another thread waits for the input thread (setSink() aside, which waits
// for the event at hand to be handled): installing opens the nodes once on the caller's
// thread to learn what may be read, and the rest is handed over through atomics and a
// wake-up. The input hooks install while holding their own lock, which the input
// thread's callbacks take too, so waiting there could deadlock. The input thread itself
// blocks only in poll(); its callbacks take the hooks' short lock and post messages,
// which never wait. So the grab, which only the input thread takes and releases, never
// hangs on another thread's progress.
//
// Install results: the keyboard hook counts as installed when every keyboard present
// can be read; the mouse hook when the mouse's own nodes can be read and at least one
// pointing device is read (or none is refused). Without /dev/uinput the mouse hook is
// still installed and everything is watched and reported, but nothing can be
// swallowed: a blocked button keeps its normal function as well. accessProblem() says
// what is missing and how to grant it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/Protocol.h"
#include "platform/HookBackend.h"
#include "platform/linux/EvdevTranslation.h"

namespace x5k {

// What the watch could not reach.
struct InputAccess {
    bool keyboardsRefused = false;  // keyboards that the user may not read
    bool pointersRefused = false;   // other pointing devices the user may not read
    bool mouseRefused = false;      // the mouse's own event nodes
    bool uinputMissing = false;     // there is no /dev/uinput
    bool uinputRefused = false;     // /dev/uinput is not writable for the user
    bool cloneFailed = false;       // /dev/uinput opened, yet the clone could not be made
    bool operator==(const InputAccess&) const = default;
};

// The text telling the user what does not work and how to grant the access; nothing
// when everything is reachable.
std::optional<std::string> DescribeInputAccess(const InputAccess& access);

// What an event node is, from its udev properties.
enum class InputNodeKind {
    Skip,      // no keyboard and no pointer (a joystick, tablet, switch, sensor...)
    Keyboard,  // keyboards and key devices (media keys, power buttons)
    Pointer,   // mice, touchpads, pointing sticks, trackballs
    Both,
    Unknown,  // udev has not classified it (no udev database): look at the device
};
using PropertyLookup = std::function<const char*(const char* name)>;
InputNodeKind ClassifyInputNode(const PropertyLookup& property);

class EvdevHookBackend final : public HookBackend {
public:
    struct Options {
        // Opens a device node; ::open by default. Called on the installing thread and
        // on the input thread.
        std::function<int(const char* path, int flags)> openNode;
        std::string uinputPath = "/dev/uinput";
        uint16_t mouseVendor = kMouseVendorId;
        uint16_t mouseProduct = kMouseProductId;
        // How often the input thread looks at the block list while the mouse node could
        // be grabbed, besides being told of each change.
        std::chrono::milliseconds blockListCheck{1000};
    };

    // What the input thread has open now.
    struct Status {
        int openNodes = 0;
        int clones = 0;
        int grabbed = 0;
    };

    EvdevHookBackend();
    explicit EvdevHookBackend(Options options);
    ~EvdevHookBackend() override;
    EvdevHookBackend(const EvdevHookBackend&) = delete;
    EvdevHookBackend& operator=(const EvdevHookBackend&) = delete;

    // Where events go; set it before installing a hook. Without a sink nothing is
    // reported and nothing swallowed. Once this returns the input thread no longer
    // calls the previous sink, so setSink(nullptr) comes before the sink's end.
    void setSink(HookSink* sink) override;

    bool installKeyboardHook() override;
    bool installMouseHook() override;
    void removeKeyboardHook() override;
    void removeMouseHook() override;
    void blockListChanged() override;

    // What the last installation found missing, with the way to grant it.
    std::optional<std::string> accessProblem() const override;
    bool readsKeyboard() const override;
    bool readsPointer() const override;
    InputAccess access() const;
    Status status() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace x5k
