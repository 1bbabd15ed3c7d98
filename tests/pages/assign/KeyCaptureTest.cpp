#include "pages/assign/KeyCapture.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <string>
#include <vector>

#include "macros/InputHooks.h"
#include "pages/assign/AssignmentDialogModel.h"
#include "platform/linux/EvdevTranslation.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPoster.h"
#include "support/UsKeyboardLayout.h"

namespace x5k::assign {
namespace {

// One key event as the keyboard sends it: evdev code and value (1 press, 2 repeat,
// 0 release).
struct KeyStroke {
    uint16_t code;
    int32_t value;
};

struct SequenceCase {
    std::string name;
    std::vector<KeyStroke> strokes;
    bool ctrl, alt, shift, windows;
    uint32_t capturedKey;
    std::string keyName;  // empty: nothing drawn
};

std::vector<SequenceCase> SequenceCases() {
    return {
        {"LeftShiftTapTurnsShiftOnOnce",
         {{KEY_LEFTSHIFT, 1}, {KEY_LEFTSHIFT, 0}},
         false,
         false,
         true,
         false,
         0,
         ""},
        {"SecondShiftTapTurnsItOff",
         {{KEY_LEFTSHIFT, 1}, {KEY_LEFTSHIFT, 0}, {KEY_RIGHTSHIFT, 1}, {KEY_RIGHTSHIFT, 0}},
         false,
         false,
         false,
         false,
         0,
         ""},
        {"LastKeyWins",
         {{KEY_A, 1}, {KEY_A, 0}, {KEY_B, 1}, {KEY_B, 0}},
         false,
         false,
         false,
         false,
         0x42,
         "B"},
        {"ReleaseAloneCaptures", {{KEY_F5, 0}}, false, false, false, false, 0x74, "F5"},
        {"RightCtrlAndAltAreExtendedPresses",
         {{KEY_RIGHTCTRL, 1}, {KEY_RIGHTCTRL, 0}, {KEY_LEFTALT, 1}, {KEY_LEFTALT, 0}},
         true,
         true,
         false,
         false,
         0,
         ""},
        {"BothWindowsKeys",
         {{KEY_LEFTMETA, 1}, {KEY_RIGHTMETA, 1}, {KEY_LEFTMETA, 1}},
         false,
         false,
         false,
         true,
         0,
         ""},
        {"ModifiersAroundAKey",
         {{KEY_LEFTCTRL, 1}, {KEY_DELETE, 1}, {KEY_DELETE, 0}, {KEY_LEFTCTRL, 0}},
         true,
         false,
         false,
         false,
         0x2E,
         "Delete"},
        {"UnknownKeysChangeNothing",
         {{KEY_A, 1}, {BTN_LEFT, 1}, {0x2FF, 1}},
         false,
         false,
         false,
         false,
         0x41,
         "A"},
    };
}

void Check(const KeyPageModel& page, const SequenceCase& c) {
    EXPECT_EQ(page.toggle(Modifier::Ctrl), c.ctrl);
    EXPECT_EQ(page.toggle(Modifier::Alt), c.alt);
    EXPECT_EQ(page.toggle(Modifier::Shift), c.shift);
    EXPECT_EQ(page.toggle(Modifier::Windows), c.windows);
    EXPECT_EQ(page.capturedKey(), c.capturedKey);
    const auto name = page.keyName(test::UsKeyboardLayout());
    EXPECT_EQ(name.value_or(""), c.keyName);
    EXPECT_EQ(name.has_value(), !c.keyName.empty());
}

class KeyCaptureSequence : public testing::TestWithParam<SequenceCase> {};

// The keys the desktop sees reach the page through the input hooks, which post them to
// the key page while the pop-up shows it.
TEST_P(KeyCaptureSequence, ThroughTheInputHooks) {
    test::InertHookBackend backend;
    test::RecordingPoster poster;
    InputHooks hooks(backend, poster);
    ASSERT_TRUE(hooks.InstallHooks(Window::MainWindow));
    AssignmentDialogModel popup(3, "", ForwardingThrough(hooks));
    for (const KeyStroke& s : GetParam().strokes) {
        if (const auto key = TranslateKey(s.code, s.value, false)) {
            (void)hooks.OnKeyboardEvent(key->virtualKey, key->flags);
        }
    }
    for (const auto& m : poster.messages()) {
        ASSERT_EQ(m.target, Window::AssignmentKeyPage);
        if (m.message == msg::kHookInput) {
            popup.keyPage().OnHookInput(static_cast<uint32_t>(m.wParam),
                                        static_cast<uint32_t>(m.lParam));
        }
    }
    Check(popup.keyPage(), GetParam());
    // Leaving the pop-up sends the keys home again.
    (void)popup.clickClose();
    EXPECT_EQ(hooks.target(), Window::MainWindow);
    EXPECT_FALSE(hooks.keyboardForwarding());
}

// The page's own window hands over its key events by native scan code.
TEST_P(KeyCaptureSequence, ThroughTheWindowsOwnKeys) {
    const EvdevKeyEventTranslator translator;
    KeyPageModel page;
    for (const KeyStroke& s : GetParam().strokes) {
        (void)page.onWindowKey(translator, s.code + 8u, s.value, false);
    }
    Check(page, GetParam());
}

INSTANTIATE_TEST_SUITE_P(All, KeyCaptureSequence, testing::ValuesIn(SequenceCases()),
                         [](const auto& info) { return info.param.name; });

// Which hook flags count as a modifier's press.
TEST(KeyCaptureFlags, OnlyPressFlagsFlipAToggle) {
    struct Case {
        uint32_t flags;
        bool flips;
    };
    const Case cases[] = {{0, true},     {1, true},     {16, true},    {17, true},
                          {32, true},    {33, true},    {0x80, false}, {0x81, false},
                          {0x90, false}, {0xA1, false}, {48, false},   {2, false}};
    for (const Case& c : cases) {
        for (const uint32_t vk : {0x10u, 0xA0u, 0xA1u}) {
            KeyPageModel page;
            const KeyEffect effect = page.OnHookInput(vk, c.flags);
            EXPECT_EQ(page.toggle(Modifier::Shift), c.flips) << c.flags << " " << vk;
            EXPECT_EQ(effect, c.flips ? KeyEffect::ToggleFlipped : KeyEffect::Ignored);
            EXPECT_EQ(page.capturedKey(), 0u);
        }
        // Any other key is captured whatever its flags.
        KeyPageModel page;
        EXPECT_EQ(page.OnHookInput(0x5A, c.flags), KeyEffect::KeyCaptured);
        EXPECT_EQ(page.capturedKey(), 0x5Au);
    }
}

TEST(KeyCaptureFlags, WindowKeysBelowTheOffsetAreIgnored) {
    const EvdevKeyEventTranslator translator;
    KeyPageModel page;
    for (const uint32_t scanCode : {0u, 7u, 0x10008u}) {
        EXPECT_EQ(page.onWindowKey(translator, scanCode, 1, false), KeyEffect::Ignored);
    }
    EXPECT_EQ(page.onWindowKey(translator, KEY_KP7 + 8, 1, true), KeyEffect::KeyCaptured);
    EXPECT_EQ(page.capturedKey(), 0x67u);  // keypad 7
    EXPECT_EQ(page.onWindowKey(translator, KEY_KP7 + 8, 1, false), KeyEffect::KeyCaptured);
    EXPECT_EQ(page.capturedKey(), 0x24u);  // Home, with Num Lock off
}

}  // namespace
}  // namespace x5k::assign
