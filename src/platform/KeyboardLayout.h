#pragma once
// The character a key types on the user's keyboard layout, for naming keys.

#include <cstdint>
#include <limits>
#include <optional>

namespace x5k {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // The character that the key with this virtual-key code types with no modifier
    // held, or nothing when the layout has no such key or it types no character.
    virtual std::optional<char32_t> characterOf(uint32_t virtualKey) const = 0;
};

}  // namespace x5k

namespace x5k {

// A key event in the form the input hooks report keys: the virtual-key code and the
// hook's flags (bit 0 an extended key, bit 7 a release).
struct HookKeyEvent {
    uint32_t virtualKey = 0;
    uint32_t flags = 0;
    bool operator==(const HookKeyEvent&) const = default;
};

// Turns a key event of the program's own window into the form the input hooks report,
// so a key typed while the program has focus and one the hooks saw are the same event.
// The platform's key table does the work; nothing here knows a key code.
class KeyEventTranslator {
public:
    virtual ~KeyEventTranslator() = default;
    // `evdevCode` names the physical key (an X11 or Wayland key code is the evdev code
    // plus 8); `value` is 1 for a press, 2 for an auto-repeat and 0 for a release.
    // Nothing for a key the program has no virtual key for.
    virtual std::optional<HookKeyEvent> translate(uint16_t evdevCode, int32_t value,
                                                  bool numLock) const = 0;
};

// A key of the program's own window by its native scan code (the X11 or Wayland key code,
// the evdev code plus 8), `value` as for translate(). Nothing for a code outside the
// evdev range or a key the table does not know.
inline std::optional<HookKeyEvent> TranslateWindowKey(const KeyEventTranslator& translator,
                                                      uint32_t nativeScanCode, int32_t value,
                                                      bool numLock) {
    constexpr uint32_t kScanCodeOffset = 8;
    if (nativeScanCode < kScanCodeOffset ||
        nativeScanCode - kScanCodeOffset > std::numeric_limits<uint16_t>::max()) {
        return std::nullopt;
    }
    return translator.translate(static_cast<uint16_t>(nativeScanCode - kScanCodeOffset), value,
                                numLock);
}

}  // namespace x5k
