#include "platform/linux/EvdevTranslation.h"

#include <algorithm>
#include <array>
#include <limits>

namespace x5k {
namespace {

struct KeyRow {
    uint16_t code;
    uint8_t virtualKey;
    bool extended;
};

constexpr bool kExt = true;

// Every key the program can name, by its position on a PC keyboard. Where two evdev
// codes share a virtual key (Enter and keypad Enter, the menu key's two codes, the
// Japanese yen key and backslash) the reverse lookup takes the first row.
// clang-format off
constexpr KeyRow kKeyRows[] = {
    {KEY_ESC, 0x1B, false},
    {KEY_1, 0x31, false}, {KEY_2, 0x32, false}, {KEY_3, 0x33, false}, {KEY_4, 0x34, false},
    {KEY_5, 0x35, false}, {KEY_6, 0x36, false}, {KEY_7, 0x37, false}, {KEY_8, 0x38, false},
    {KEY_9, 0x39, false}, {KEY_0, 0x30, false},
    {KEY_MINUS, 0xBD, false}, {KEY_EQUAL, 0xBB, false}, {KEY_BACKSPACE, 0x08, false},
    {KEY_TAB, 0x09, false},
    {KEY_Q, 0x51, false}, {KEY_W, 0x57, false}, {KEY_E, 0x45, false}, {KEY_R, 0x52, false},
    {KEY_T, 0x54, false}, {KEY_Y, 0x59, false}, {KEY_U, 0x55, false}, {KEY_I, 0x49, false},
    {KEY_O, 0x4F, false}, {KEY_P, 0x50, false},
    {KEY_LEFTBRACE, 0xDB, false}, {KEY_RIGHTBRACE, 0xDD, false}, {KEY_ENTER, 0x0D, false},
    {KEY_LEFTCTRL, 0xA2, false},
    {KEY_A, 0x41, false}, {KEY_S, 0x53, false}, {KEY_D, 0x44, false}, {KEY_F, 0x46, false},
    {KEY_G, 0x47, false}, {KEY_H, 0x48, false}, {KEY_J, 0x4A, false}, {KEY_K, 0x4B, false},
    {KEY_L, 0x4C, false},
    {KEY_SEMICOLON, 0xBA, false}, {KEY_APOSTROPHE, 0xDE, false}, {KEY_GRAVE, 0xC0, false},
    {KEY_LEFTSHIFT, 0xA0, false}, {KEY_BACKSLASH, 0xDC, false},
    {KEY_Z, 0x5A, false}, {KEY_X, 0x58, false}, {KEY_C, 0x43, false}, {KEY_V, 0x56, false},
    {KEY_B, 0x42, false}, {KEY_N, 0x4E, false}, {KEY_M, 0x4D, false},
    {KEY_COMMA, 0xBC, false}, {KEY_DOT, 0xBE, false}, {KEY_SLASH, 0xBF, false},
    {KEY_RIGHTSHIFT, 0xA1, false}, {KEY_KPASTERISK, 0x6A, false}, {KEY_LEFTALT, 0xA4, false},
    {KEY_SPACE, 0x20, false}, {KEY_CAPSLOCK, 0x14, false},
    {KEY_F1, 0x70, false}, {KEY_F2, 0x71, false}, {KEY_F3, 0x72, false}, {KEY_F4, 0x73, false},
    {KEY_F5, 0x74, false}, {KEY_F6, 0x75, false}, {KEY_F7, 0x76, false}, {KEY_F8, 0x77, false},
    {KEY_F9, 0x78, false}, {KEY_F10, 0x79, false}, {KEY_F11, 0x7A, false}, {KEY_F12, 0x7B, false},
    {KEY_F13, 0x7C, false}, {KEY_F14, 0x7D, false}, {KEY_F15, 0x7E, false}, {KEY_F16, 0x7F, false},
    {KEY_F17, 0x80, false}, {KEY_F18, 0x81, false}, {KEY_F19, 0x82, false}, {KEY_F20, 0x83, false},
    {KEY_F21, 0x84, false}, {KEY_F22, 0x85, false}, {KEY_F23, 0x86, false}, {KEY_F24, 0x87, false},
    {KEY_NUMLOCK, 0x90, kExt}, {KEY_SCROLLLOCK, 0x91, false},
    {KEY_KP7, 0x67, false}, {KEY_KP8, 0x68, false}, {KEY_KP9, 0x69, false},
    {KEY_KPMINUS, 0x6D, false},
    {KEY_KP4, 0x64, false}, {KEY_KP5, 0x65, false}, {KEY_KP6, 0x66, false},
    {KEY_KPPLUS, 0x6B, false},
    {KEY_KP1, 0x61, false}, {KEY_KP2, 0x62, false}, {KEY_KP3, 0x63, false},
    {KEY_KP0, 0x60, false}, {KEY_KPDOT, 0x6E, false},
    {KEY_KPENTER, 0x0D, kExt}, {KEY_KPSLASH, 0x6F, kExt},
    // The extra keys of ISO, Brazilian, Japanese and Korean keyboards.
    {KEY_102ND, 0xE2, false}, {KEY_RO, 0xC1, false}, {KEY_KPCOMMA, 0xC2, false},
    {KEY_YEN, 0xDC, false}, {KEY_HENKAN, 0x1C, false}, {KEY_MUHENKAN, 0x1D, false},
    {KEY_HANGEUL, 0x15, false}, {KEY_HANJA, 0x19, false},
    {KEY_RIGHTCTRL, 0xA3, kExt}, {KEY_SYSRQ, 0x2C, kExt}, {KEY_RIGHTALT, 0xA5, kExt},
    {KEY_PAUSE, 0x13, false},
    {KEY_HOME, 0x24, kExt}, {KEY_UP, 0x26, kExt}, {KEY_PAGEUP, 0x21, kExt},
    {KEY_LEFT, 0x25, kExt}, {KEY_RIGHT, 0x27, kExt}, {KEY_END, 0x23, kExt},
    {KEY_DOWN, 0x28, kExt}, {KEY_PAGEDOWN, 0x22, kExt}, {KEY_INSERT, 0x2D, kExt},
    {KEY_DELETE, 0x2E, kExt},
    {KEY_LEFTMETA, 0x5B, kExt}, {KEY_RIGHTMETA, 0x5C, kExt}, {KEY_COMPOSE, 0x5D, kExt},
    {KEY_MENU, 0x5D, kExt},
    {KEY_SELECT, 0x29, false}, {KEY_PRINT, 0x2A, false}, {KEY_HELP, 0x2F, false},
    {KEY_CLEAR, 0x0C, false}, {KEY_SLEEP, 0x5F, kExt},
    // Browser, media and launch keys, as the consumer-control keys map to them.
    {KEY_BACK, 0xA6, kExt}, {KEY_FORWARD, 0xA7, kExt}, {KEY_REFRESH, 0xA8, kExt},
    {KEY_STOP, 0xA9, kExt}, {KEY_SEARCH, 0xAA, kExt}, {KEY_BOOKMARKS, 0xAB, kExt},
    {KEY_HOMEPAGE, 0xAC, kExt},
    {KEY_MUTE, 0xAD, kExt}, {KEY_VOLUMEDOWN, 0xAE, kExt}, {KEY_VOLUMEUP, 0xAF, kExt},
    {KEY_NEXTSONG, 0xB0, kExt}, {KEY_PREVIOUSSONG, 0xB1, kExt}, {KEY_STOPCD, 0xB2, kExt},
    {KEY_PLAYPAUSE, 0xB3, kExt},
    {KEY_MAIL, 0xB4, kExt}, {KEY_CONFIG, 0xB5, kExt}, {KEY_MEDIA, 0xB5, kExt},
    {KEY_FILE, 0xB6, kExt}, {KEY_CALC, 0xB7, kExt},
};
// clang-format on

constexpr bool RowsAreSound() {
    for (size_t i = 0; i < std::size(kKeyRows); ++i) {
        if (kKeyRows[i].code == 0 || kKeyRows[i].code >= KEY_CNT || kKeyRows[i].virtualKey == 0)
            return false;
        // Mouse buttons are no keys.
        if (kKeyRows[i].code >= BTN_MISC && kKeyRows[i].code < KEY_OK) return false;
        for (size_t j = i + 1; j < std::size(kKeyRows); ++j) {
            if (kKeyRows[i].code == kKeyRows[j].code) return false;
        }
    }
    return true;
}
static_assert(RowsAreSound(), "each evdev code once, each with a virtual key");

struct KeyTables {
    std::array<uint8_t, KEY_CNT> virtualKey{};
    std::array<bool, KEY_CNT> extended{};
};

// Indexed by evdev code, so a key event costs one load.
constexpr KeyTables MakeKeyTables() {
    KeyTables tables;
    for (const KeyRow& row : kKeyRows) {
        tables.virtualKey[row.code] = row.virtualKey;
        tables.extended[row.code] = row.extended;
    }
    return tables;
}
constexpr KeyTables kKeyTables = MakeKeyTables();

// With Num Lock off the keypad's digits and dot are the navigation keys printed below
// them; they are then reported as those keys, but as keypad keys without the extended
// bit, which is how they differ from the dedicated navigation block.
struct KeypadNavigation {
    uint16_t code;
    uint8_t virtualKey;
};
constexpr std::array<KeypadNavigation, 11> kKeypadNavigation = {{
    {KEY_KP0, 0x2D},    // Insert
    {KEY_KP1, 0x23},    // End
    {KEY_KP2, 0x28},    // Down
    {KEY_KP3, 0x22},    // Page Down
    {KEY_KP4, 0x25},    // Left
    {KEY_KP5, 0x0C},    // Clear
    {KEY_KP6, 0x27},    // Right
    {KEY_KP7, 0x24},    // Home
    {KEY_KP8, 0x26},    // Up
    {KEY_KP9, 0x21},    // Page Up
    {KEY_KPDOT, 0x2E},  // Delete
}};

struct ButtonRow {
    uint16_t code;
    uint32_t down;
    uint32_t up;
    uint32_t mouseData;
};
constexpr std::array<ButtonRow, 5> kButtons = {{
    {BTN_LEFT, mouse::kLeftDown, mouse::kLeftUp, 0},
    {BTN_RIGHT, mouse::kRightDown, mouse::kRightUp, 0},
    {BTN_MIDDLE, mouse::kMiddleDown, mouse::kMiddleUp, 0},
    {BTN_SIDE, mouse::kSideDown, mouse::kSideUp, mouse::kSideButton1Data},
    {BTN_EXTRA, mouse::kSideDown, mouse::kSideUp, mouse::kSideButton2Data},
}};

const ButtonRow* FindButton(uint16_t code) {
    // The five buttons are consecutive codes.
    static_assert(BTN_RIGHT == BTN_LEFT + 1 && BTN_MIDDLE == BTN_LEFT + 2 &&
                  BTN_SIDE == BTN_LEFT + 3 && BTN_EXTRA == BTN_LEFT + 4);
    if (code < BTN_LEFT || code > BTN_EXTRA) return nullptr;
    return &kButtons[code - BTN_LEFT];
}

constexpr int32_t kNotch = 120;

int32_t NotchesTo120ths(int32_t notches) {
    const int64_t delta = int64_t{notches} * kNotch;
    return static_cast<int32_t>(std::clamp<int64_t>(delta, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Events that carry input, as opposed to framing and scan codes.
bool CarriesInput(const input_event& event) {
    return event.type != EV_SYN && event.type != EV_MSC;
}

}  // namespace

uint8_t EvdevKeyToVirtualKey(uint16_t code) {
    return code < KEY_CNT ? kKeyTables.virtualKey[code] : 0;
}

uint16_t VirtualKeyToEvdevKey(uint32_t virtualKey) {
    const auto it =
        std::find_if(std::begin(kKeyRows), std::end(kKeyRows),
                     [virtualKey](const KeyRow& row) { return row.virtualKey == virtualKey; });
    return it == std::end(kKeyRows) ? 0 : it->code;
}

bool IsExtendedEvdevKey(uint16_t code) {
    return code < KEY_CNT && kKeyTables.extended[code];
}

std::optional<KeyboardEvent> TranslateKey(uint16_t code, int32_t value, bool numLock) {
    if (value < 0 || value > 2) return std::nullopt;
    uint8_t virtualKey = EvdevKeyToVirtualKey(code);
    if (virtualKey == 0) return std::nullopt;
    uint32_t flags = IsExtendedEvdevKey(code) ? kKeyExtendedFlag : 0;
    if (!numLock) {
        for (const KeypadNavigation& key : kKeypadNavigation) {
            if (key.code == code) virtualKey = key.virtualKey;
        }
    }
    if (value == 0) flags |= kKeyReleasedFlag;
    return KeyboardEvent{virtualKey, flags};
}

std::optional<MouseEvent> TranslateButton(uint16_t code, int32_t value) {
    const ButtonRow* button = FindButton(code);
    if (!button || (value != 0 && value != 1)) return std::nullopt;
    return MouseEvent{value == 1 ? button->down : button->up, button->mouseData};
}

MouseEvent WheelMessage(uint32_t message, int32_t delta120) {
    const int32_t clamped = std::clamp<int32_t>(delta120, std::numeric_limits<int16_t>::min(),
                                                std::numeric_limits<int16_t>::max());
    const auto highWord = static_cast<uint16_t>(static_cast<int16_t>(clamped));
    return {message, uint32_t{highWord} << 16};
}

EvdevFrameFilter::EvdevFrameFilter(EvdevDeviceTraits traits)
    : traits_(traits), numLock_(traits.numLock) {
    // A mouse frame has a handful of events; a touchpad's can have a few dozen.
    frame_.reserve(64);
    drop_.reserve(64);
}

void EvdevFrameFilter::feed(const input_event& event, Reporting reporting, HookSink& sink,
                            std::vector<input_event>* out) {
    if (event.type == EV_SYN && event.code == SYN_DROPPED) {
        // The kernel lost events: the unfinished frame is to be thrown away, and the
        // state that follows comes as a fresh frame.
        frame_.clear();
        return;
    }
    frame_.push_back(event);
    // A device that never ends its frames must not make the buffer grow without end.
    constexpr size_t kLongestFrame = 1024;
    if ((event.type == EV_SYN && event.code == SYN_REPORT) || frame_.size() >= kLongestFrame) {
        processFrame(reporting, sink, out);
        frame_.clear();
    }
}

void EvdevFrameFilter::processFrame(Reporting reporting, HookSink& sink,
                                    std::vector<input_event>* out) {
    const size_t n = frame_.size();
    drop_.assign(n, false);
    // The verdict on each direction's notch events, which the high-resolution events of
    // the same frame follow. Index 1 is forward (or right), 0 backward (or left).
    std::array<std::optional<bool>, 2> wheelVerdict;
    std::array<std::optional<bool>, 2> horizontalVerdict;
    const bool swallowing = out != nullptr;

    auto reportWheel = [&](uint32_t message, int32_t delta120) {
        if (!reporting.mouse) return false;
        const MouseEvent m = WheelMessage(message, delta120);
        return sink.mouseEvent(m.message, m.mouseData) && swallowing;
    };

    for (size_t i = 0; i < n; ++i) {
        const input_event& e = frame_[i];
        if (e.type == EV_KEY) {
            if (const ButtonRow* button = FindButton(e.code)) {
                if (e.value == 1) {
                    const bool swallow = reporting.mouse &&
                                         sink.mouseEvent(button->down, button->mouseData) &&
                                         swallowing;
                    drop_[i] = swallow;
                    swallowed_.set(e.code, swallow);
                } else if (e.value == 0) {
                    if (reporting.mouse) sink.mouseEvent(button->up, button->mouseData);
                    // The release goes where its press went, whatever the verdict: the
                    // clone must neither keep a button down nor see a stray release.
                    drop_[i] = swallowed_.test(e.code);
                    swallowed_.reset(e.code);
                } else {
                    drop_[i] = swallowed_.test(e.code);
                }
            } else if (reporting.keyboard) {
                if (const auto key = TranslateKey(e.code, e.value, numLock_)) {
                    sink.keyboardEvent(key->virtualKey, key->flags);
                }
            }
        } else if (e.type == EV_LED && e.code == LED_NUML) {
            numLock_ = e.value != 0;
        } else if (e.type == EV_REL && e.value != 0) {
            const size_t forward = e.value > 0 ? 1 : 0;
            switch (e.code) {
                case REL_WHEEL:
                    drop_[i] = reportWheel(mouse::kWheel, NotchesTo120ths(e.value));
                    wheelVerdict[forward] = drop_[i];
                    break;
                case REL_HWHEEL:
                    drop_[i] = reportWheel(mouse::kHorizontalWheel, NotchesTo120ths(e.value));
                    horizontalVerdict[forward] = drop_[i];
                    break;
                case REL_WHEEL_HI_RES:
                    // High-resolution units are already 120ths of a notch.
                    if (!traits_.wheel) drop_[i] = reportWheel(mouse::kWheel, e.value);
                    break;
                case REL_HWHEEL_HI_RES:
                    if (!traits_.horizontalWheel) {
                        drop_[i] = reportWheel(mouse::kHorizontalWheel, e.value);
                    }
                    break;
                default:
                    break;
            }
        }
    }

    // The high-resolution events of a device that also sends notches follow the notch
    // of their frame; between notches (a fine-grained wheel turned less than a notch)
    // they follow the block list, so a blocked direction does not scroll by small steps.
    if (swallowing && reporting.mouse) {
        for (size_t i = 0; i < n; ++i) {
            const input_event& e = frame_[i];
            if (e.type != EV_REL || e.value == 0) continue;
            const size_t forward = e.value > 0 ? 1 : 0;
            if (e.code == REL_WHEEL_HI_RES && traits_.wheel) {
                drop_[i] = wheelVerdict[forward] ? *wheelVerdict[forward]
                                                 : sink.isBlocked(WheelCode(forward != 0));
            } else if (e.code == REL_HWHEEL_HI_RES && traits_.horizontalWheel) {
                drop_[i] = horizontalVerdict[forward].value_or(false);
            }
        }
    }

    if (!out) return;
    const bool anyDropped = std::find(drop_.begin(), drop_.end(), true) != drop_.end();
    if (anyDropped) {
        bool inputLeft = false;
        for (size_t i = 0; i < n; ++i)
            inputLeft = inputLeft || (!drop_[i] && CarriesInput(frame_[i]));
        if (!inputLeft) return;
    }
    for (size_t i = 0; i < n; ++i) {
        if (drop_[i]) continue;
        const input_event& e = frame_[i];
        if (e.type == EV_KEY && e.code < KEY_CNT) emittedDown_.set(e.code, e.value != 0);
        out->push_back(e);
    }
}

void EvdevFrameFilter::releaseHeld(std::vector<input_event>& out) {
    if (emittedDown_.none()) return;
    for (size_t code = 0; code < emittedDown_.size(); ++code) {
        if (!emittedDown_.test(code)) continue;
        input_event e{};
        e.type = EV_KEY;
        e.code = static_cast<uint16_t>(code);
        e.value = 0;
        out.push_back(e);
    }
    input_event syn{};
    syn.type = EV_SYN;
    syn.code = SYN_REPORT;
    out.push_back(syn);
    emittedDown_.reset();
}

GrabStep NextGrabStep(const GrabSituation& s) {
    if (!s.grabbed) {
        const bool wanted = s.mouseHook && s.blocking && s.cloneReady;
        return wanted && !s.buttonsHeld ? GrabStep::Grab : GrabStep::Keep;
    }
    if (!s.mouseHook || !s.cloneReady) return GrabStep::Release;
    if (!s.blocking && !s.buttonsHeld) return GrabStep::Release;
    return GrabStep::Keep;
}

}  // namespace x5k
