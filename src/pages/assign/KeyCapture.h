#pragma once
// The key page of the assignment pop-up: four modifier toggles and one captured key.
// Keys reach it by two paths that end in the same rule: the input hooks post each key
// the desktop sees (while the page is their target with keyboard forwarding on), and the
// page's own window hands over the keys it receives while it has focus, which is all
// there is where the input devices cannot be read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/assign/SubPageTables.h"
#include "platform/KeyboardLayout.h"

namespace x5k::assign {

enum class Modifier { Ctrl, Alt, Shift, Windows };
inline constexpr int kModifierCount = 4;

// What one key event did to the page, so the window repaints only what changed.
enum class KeyEffect {
    Ignored,        // a modifier's release, or a key the program cannot name
    ToggleFlipped,  // a modifier's press flipped its toggle
    KeyCaptured,    // the key became the captured key; its name's area is repainted
};

// The result a sub-page gives the pop-up: code 0 means nothing is chosen.
struct SubPageChoice {
    int32_t code = 0;
    int kind = 0;
    int row = 0;
    std::string path;
    bool operator==(const SubPageChoice&) const = default;
};

class KeyPageModel {
public:
    // The toggle's click flips it.
    void clickToggle(Modifier modifier);
    bool toggle(Modifier modifier) const { return toggles_[index(modifier)]; }

    // A key as the hooks report it (the hook-input message: wParam the virtual key,
    // lParam the hook's flags). A modifier flips its toggle on a press only; any other
    // key, pressed or released, becomes the captured key.
    KeyEffect OnHookInput(uint32_t virtualKey, uint32_t flags);

    // A key of the page's own window: its native scan code (the X11 or Wayland key
    // code, which is the evdev code plus 8), `value` 1 press, 2 auto-repeat, 0 release.
    // The platform's table turns it into the hooks' form, so both paths capture alike.
    KeyEffect onWindowKey(const KeyEventTranslator& translator, uint32_t nativeScanCode,
                          int32_t value, bool numLock);

    // The captured virtual key; 0 while none is.
    uint32_t capturedKey() const { return capturedKey_; }

    // The name drawn for the captured key; nothing while no key is captured, when the
    // page draws nothing.
    std::optional<std::string> keyName(const KeyboardLayout& layout) const;

    // The key value of the captured key with the toggles, kind 5; code 0 when they make
    // no valid key (nothing at all, or several modifiers without a key).
    SubPageChoice KeyPageResult() const;

private:
    static size_t index(Modifier m) { return static_cast<size_t>(m); }

    std::array<bool, kModifierCount> toggles_{};
    uint32_t capturedKey_ = 0;
};

// The modifier a virtual key stands for (either side's key or the side-free code).
std::optional<Modifier> ModifierOfVirtualKey(uint32_t virtualKey);

// True for the hook flags of a key press: no flag but the extended-key, injected and
// Alt-held bits.
bool IsPressFlags(uint32_t flags);

}  // namespace x5k::assign
