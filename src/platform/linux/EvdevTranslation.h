#pragma once
// The input watch's translation from evdev events to the virtual keys and mouse
// messages the input hooks speak, and the filter that decides which events of a grabbed
// mouse node go on to the desktop through its virtual clone.
//
// Key codes are taken by position: an evdev key code names a physical key, and the
// virtual key given for it is the one that key has on a US keyboard (letters, digits
// and punctuation included), which is how the hooks report keys whatever the layout.
// The layout's own character comes in only when a key is named.

#include <linux/input.h>

#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

#include "macros/InputHooks.h"
#include "platform/KeyboardLayout.h"

namespace x5k {

// Bit 0 of a keyboard event's flags marks an extended key: one whose scan code comes
// with the 0xE0 prefix on a PC keyboard (right Ctrl and Alt, the navigation block, the
// arrows, keypad Enter and slash, the Windows and menu keys, media keys...).
inline constexpr uint32_t kKeyExtendedFlag = 0x01;

namespace mouse {
// The horizontal wheel's message; its data carries the signed delta in the high word
// like the vertical wheel's.
inline constexpr uint32_t kHorizontalWheel = 0x20E;
}  // namespace mouse

// The virtual key of an evdev key code; 0 when the program has none for it.
uint8_t EvdevKeyToVirtualKey(uint16_t code);
// The first evdev key code that gives this virtual key; 0 when none does.
uint16_t VirtualKeyToEvdevKey(uint32_t virtualKey);
bool IsExtendedEvdevKey(uint16_t code);

struct KeyboardEvent {
    uint32_t virtualKey;
    uint32_t flags;
    bool operator==(const KeyboardEvent&) const = default;
};

// An EV_KEY event of a keyboard key: value 1 is a press, 2 an auto-repeat (reported as
// another press) and 0 a release (bit 7 of the flags). With Num Lock off the keypad's
// digit and dot keys report the navigation keys they double as (keypad 7 is Home),
// without the extended bit. Nothing for mouse buttons and keys without a virtual key.
std::optional<KeyboardEvent> TranslateKey(uint16_t code, int32_t value, bool numLock);

// The key events of the program's own window through the same table as the hooks'
// keys, for key capture while the input devices cannot be read.
class EvdevKeyEventTranslator final : public KeyEventTranslator {
public:
    std::optional<HookKeyEvent> translate(uint16_t evdevCode, int32_t value,
                                          bool numLock) const override {
        const auto key = TranslateKey(evdevCode, value, numLock);
        if (!key) return std::nullopt;
        return HookKeyEvent{key->virtualKey, key->flags};
    }
};

struct MouseEvent {
    uint32_t message;
    uint32_t mouseData;
    bool operator==(const MouseEvent&) const = default;
};

// An EV_KEY event of a mouse button: left, right, middle, and the two side buttons as
// desktops number them (BTN_SIDE is back, the first side button; BTN_EXTRA is forward,
// the second). Value 2 (a repeat, which buttons do not really send) and other buttons
// give nothing.
std::optional<MouseEvent> TranslateButton(uint16_t code, int32_t value);

// A wheel message for a delta in 120ths of a notch, which go into the high word as a
// signed 16-bit value (clamped to its range). Positive is forward (away from the user)
// or, for the horizontal wheel, to the right: evdev uses the same signs.
MouseEvent WheelMessage(uint32_t message, int32_t delta120);

// The input code a wheel step in this direction is blocked under.
inline uint32_t WheelCode(bool forward) {
    return forward ? mouse::kWheelForward : mouse::kWheelBackward;
}

// What a device can send that changes how its frames are read.
struct EvdevDeviceTraits {
    // The device sends notch-sized wheel events (REL_WHEEL, REL_HWHEEL). Most mice send
    // the high-resolution events as well, in the same frames; a wheel is then reported
    // once per frame, from the notch events, never from both.
    bool wheel = true;
    bool horizontalWheel = true;
    bool numLock = false;  // the Num Lock light when the device was opened
};

// Reads one device's event stream frame by frame (a frame ends with SYN_REPORT) and
// reports what it carries. For the grabbed mouse node it also yields the events that go
// on to the virtual clone: everything except the presses the sink swallows and the
// releases that belong to them, and the wheel events of a swallowed wheel step (notch
// and high-resolution alike). A frame whose every input event was dropped is dropped
// whole, its SYN_REPORT and scan codes included, so the clone never sees an empty
// frame. A release always follows its press: it is dropped exactly when the press was,
// so the clone can never be left holding a button down nor see a stray release.
class EvdevFrameFilter {
public:
    struct Reporting {
        bool keyboard = false;  // hand keys to the sink
        bool mouse = false;     // hand buttons and wheels to the sink, and honour its verdict
    };

    explicit EvdevFrameFilter(EvdevDeviceTraits traits = {});

    // Takes one event. At the end of a frame the frame is reported to `sink` and, when
    // `out` is given, the events that pass are appended to it (the frame's SYN_REPORT
    // last). SYN_DROPPED forgets the unfinished frame, as the kernel asks.
    void feed(const input_event& event, Reporting reporting, HookSink& sink,
              std::vector<input_event>* out);

    // Appends a frame releasing every key and button the re-emitted stream holds down
    // (nothing when none is held) and forgets them.
    void releaseHeld(std::vector<input_event>& out);
    // Whether the re-emitted stream holds any key or button down.
    bool holdsKeys() const { return emittedDown_.any(); }
    // Forgets every swallowed press, for a stream that starts afresh (a new grab).
    void forgetSwallowed() { swallowed_.reset(); }

private:
    void processFrame(Reporting reporting, HookSink& sink, std::vector<input_event>* out);

    EvdevDeviceTraits traits_;
    bool numLock_;
    std::vector<input_event> frame_;
    std::vector<bool> drop_;
    // Keys and buttons held down on the re-emitted stream, and buttons whose press was
    // swallowed and whose release is still to come.
    std::bitset<KEY_CNT> emittedDown_;
    std::bitset<KEY_CNT> swallowed_;
};

// Whether the grab of the mouse node should change now.
enum class GrabStep { Keep, Grab, Release };

struct GrabSituation {
    bool grabbed = false;
    bool mouseHook = false;    // the mouse hook is installed
    bool blocking = false;     // something is on the block list
    bool cloneReady = false;   // the virtual clone exists to re-emit through
    bool buttonsHeld = false;  // the device holds a key or button down
};

// Grab while something may be swallowed and the clone is there; release when nothing
// may be swallowed any more. Neither happens while a button is held, so no press and
// release are ever split between the device and its clone: the grab waits for the
// buttons to come up. Only the removal of the mouse hook (or losing the clone) releases
// at once; the caller then lets the clone release what it holds.
GrabStep NextGrabStep(const GrabSituation& s);

}  // namespace x5k
