// Evdev events in, virtual keys and mouse messages out; and what the grabbed mouse node
// passes on to its clone.

#include "platform/linux/EvdevTranslation.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

#include "functions/KeyNames.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPoster.h"

namespace x5k {
namespace {

using namespace mouse;

// Every key the key tables name comes from some evdev key, and that key reads back as
// the same virtual key.
TEST(EvdevKeys, EveryNamedKeyHasAnEvdevKey) {
    std::set<uint32_t> named;
    for (const ComboKey& row : ComboKeyTable()) named.insert(row.virtualKey);
    for (const MacroKeyNameRow& row : MacroKeyNames()) {
        if (row.code <= 0xFF) named.insert(row.code);
    }
    // Mouse buttons come from no key; 0x6C (the keypad separator, which the macro table
    // also uses for keypad Enter) is sent by no PC keyboard.
    for (const uint32_t notAKey : {0x01u, 0x02u, 0x04u, 0x6Cu}) named.erase(notAKey);
    for (const uint32_t vk : named) {
        const uint16_t code = VirtualKeyToEvdevKey(vk);
        EXPECT_NE(code, 0) << "virtual key 0x" << std::hex << vk;
        EXPECT_EQ(EvdevKeyToVirtualKey(code), vk) << "virtual key 0x" << std::hex << vk;
    }
}

// The punctuation keys are given by their US positions: on a US keymap each types what
// its virtual key stands for.
TEST(EvdevKeys, PunctuationSitsWhereAUsKeyboardHasIt) {
    KeyboardNames us;
    us.layout = "us";
    const XkbKeyboardLayout layout(us);
    ASSERT_TRUE(layout.isLoaded());
    const std::pair<uint16_t, char32_t> keys[] = {
        {KEY_SEMICOLON, U';'},  {KEY_EQUAL, U'='},       {KEY_COMMA, U','},
        {KEY_MINUS, U'-'},      {KEY_DOT, U'.'},         {KEY_SLASH, U'/'},
        {KEY_GRAVE, U'`'},      {KEY_LEFTBRACE, U'['},   {KEY_BACKSLASH, U'\\'},
        {KEY_RIGHTBRACE, U']'}, {KEY_APOSTROPHE, U'\''}, {KEY_Q, U'q'},
        {KEY_Z, U'z'},          {KEY_0, U'0'},
    };
    for (const auto& [code, typed] : keys) {
        EXPECT_EQ(layout.characterOf(EvdevKeyToVirtualKey(code)), typed) << "key " << code;
    }
}

struct KeyCase {
    const char* name;
    uint16_t code;
    int32_t value;
    bool numLock;
    std::optional<KeyboardEvent> expected;
};

const KeyCase kKeyCases[] = {
    {"press", KEY_A, 1, true, KeyboardEvent{0x41, 0}},
    {"auto-repeat is another press", KEY_A, 2, true, KeyboardEvent{0x41, 0}},
    {"release sets bit 7", KEY_A, 0, true, KeyboardEvent{0x41, 0x80}},
    {"left and right modifiers differ", KEY_LEFTCTRL, 1, true, KeyboardEvent{0xA2, 0}},
    {"right Ctrl is extended", KEY_RIGHTCTRL, 0, true, KeyboardEvent{0xA3, 0x81}},
    {"right Shift is not", KEY_RIGHTSHIFT, 1, true, KeyboardEvent{0xA1, 0}},
    {"keypad Enter is Enter, extended", KEY_KPENTER, 1, true, KeyboardEvent{0x0D, 0x01}},
    {"keypad 7 with Num Lock", KEY_KP7, 1, true, KeyboardEvent{0x67, 0}},
    {"keypad 7 without Num Lock is Home", KEY_KP7, 1, false, KeyboardEvent{0x24, 0}},
    {"keypad dot without Num Lock is Delete", KEY_KPDOT, 0, false, KeyboardEvent{0x2E, 0x80}},
    {"keypad slash ignores Num Lock", KEY_KPSLASH, 1, false, KeyboardEvent{0x6F, 0x01}},
    {"the Home key is extended", KEY_HOME, 1, false, KeyboardEvent{0x24, 0x01}},
    {"volume up", KEY_VOLUMEUP, 1, true, KeyboardEvent{0xAF, 0x01}},
    {"a mouse button is no key", BTN_LEFT, 1, true, std::nullopt},
    {"a key without a virtual key", KEY_POWER, 1, true, std::nullopt},
    {"an unknown value", KEY_A, 3, true, std::nullopt},
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class EvdevKeyTest : public ::testing::TestWithParam<KeyCase> {};
TEST_P(EvdevKeyTest, Translates) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(TranslateKey(c.code, c.value, c.numLock), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Table, EvdevKeyTest, ::testing::ValuesIn(kKeyCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
});

TEST(EvdevButtons, TranslateAsDesktopsNumberThem) {
    struct Case {
        uint16_t code;
        int32_t value;
        std::optional<MouseEvent> expected;
    };
    const Case cases[] = {
        {BTN_LEFT, 1, MouseEvent{kLeftDown, 0}},
        {BTN_LEFT, 0, MouseEvent{kLeftUp, 0}},
        {BTN_RIGHT, 1, MouseEvent{kRightDown, 0}},
        {BTN_MIDDLE, 0, MouseEvent{kMiddleUp, 0}},
        {BTN_SIDE, 1, MouseEvent{kSideDown, kSideButton1Data}},  // back
        {BTN_EXTRA, 0, MouseEvent{kSideUp, kSideButton2Data}},   // forward
        {BTN_FORWARD, 1, std::nullopt},
        {BTN_TASK, 1, std::nullopt},
        {BTN_LEFT, 2, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranslateButton(c.code, c.value), c.expected) << c.code << " " << c.value;
    }
}

TEST(EvdevWheel, DeltaGoesSignedIntoTheHighWord) {
    EXPECT_EQ(WheelMessage(kWheel, 120), (MouseEvent{kWheel, 0x00780000}));
    EXPECT_EQ(WheelMessage(kWheel, -120), (MouseEvent{kWheel, 0xFF880000}));
    EXPECT_EQ(WheelMessage(kWheel, -15), (MouseEvent{kWheel, 0xFFF10000}));
    EXPECT_EQ(WheelMessage(kWheel, 300 * 120), (MouseEvent{kWheel, 0x7FFF0000}));
    EXPECT_EQ(WheelMessage(kWheel, -300 * 120), (MouseEvent{kWheel, 0x80000000}));
}

// --- The frame filter, with the real input hooks deciding -------------------------

// The input hooks' callbacks, with every call written down.
class RecordingSink final : public HookSink {
public:
    explicit RecordingSink(InputHooks& hooks) : hooks_(hooks) {}
    void keyboardEvent(uint32_t virtualKey, uint32_t flags) override {
        keys.push_back({virtualKey, flags});
        hooks_.keyboardEvent(virtualKey, flags);
    }
    bool mouseEvent(uint32_t message, uint32_t mouseData) override {
        mice.push_back({message, mouseData});
        return hooks_.mouseEvent(message, mouseData);
    }
    bool isBlocked(uint32_t code) const override { return hooks_.isBlocked(code); }
    bool anythingBlocked() const override { return hooks_.anythingBlocked(); }
    std::vector<KeyboardEvent> keys;
    std::vector<MouseEvent> mice;

private:
    InputHooksSink hooks_;
};

struct Ev {
    uint16_t type;
    uint16_t code;
    int32_t value;
    bool operator==(const Ev&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Ev& e) {
    return os << "{" << e.type << "," << e.code << "," << e.value << "}";
}
constexpr Ev Syn{EV_SYN, SYN_REPORT, 0};
Ev Scan(int32_t value) {
    return {EV_MSC, MSC_SCAN, value};
}
Ev Key(uint16_t code, int32_t value) {
    return {EV_KEY, code, value};
}
Ev Rel(uint16_t code, int32_t value) {
    return {EV_REL, code, value};
}

// A step of a case: events to feed, or a change of the block list between them.
struct Block {
    uint32_t code;
    bool remove = false;
};
using Step = std::variant<std::vector<Ev>, Block>;

struct FilterCase {
    const char* name;
    std::vector<uint32_t> blocked;
    EvdevDeviceTraits traits;
    std::vector<Step> steps;
    std::vector<Ev> passed;
    std::vector<MouseEvent> reported;
};

const EvdevDeviceTraits kMouse{};
const EvdevDeviceTraits kFineWheelOnly{false, false, false};

const FilterCase kFilterCases[] = {
    {"a click passes whole",
     {},
     kMouse,
     {std::vector<Ev>{Scan(0x90001), Key(BTN_LEFT, 1), Syn},
      std::vector<Ev>{Scan(0x90001), Key(BTN_LEFT, 0), Syn}},
     {Scan(0x90001), Key(BTN_LEFT, 1), Syn, Scan(0x90001), Key(BTN_LEFT, 0), Syn},
     {{kLeftDown, 0}, {kLeftUp, 0}}},
    {"a blocked press and its release vanish with their frames",
     {kSide1Down},
     kMouse,
     {std::vector<Ev>{Scan(0x90004), Key(BTN_SIDE, 1), Syn}, std::vector<Ev>{Rel(REL_X, 3), Syn},
      std::vector<Ev>{Scan(0x90004), Key(BTN_SIDE, 0), Syn}},
     {Rel(REL_X, 3), Syn},
     {{kSideDown, kSideButton1Data}, {kSideUp, kSideButton1Data}}},
    {"motion sharing a frame with a blocked press still moves",
     {kLeftDown},
     kMouse,
     {std::vector<Ev>{Rel(REL_X, -2), Key(BTN_LEFT, 1), Syn},
      std::vector<Ev>{Key(BTN_LEFT, 0), Rel(REL_Y, 1), Syn}},
     {Rel(REL_X, -2), Syn, Rel(REL_Y, 1), Syn},
     {{kLeftDown, 0}, {kLeftUp, 0}}},
    {"only the blocked side button is swallowed",
     {kSide2Down},
     kMouse,
     {std::vector<Ev>{Key(BTN_SIDE, 1), Syn}, std::vector<Ev>{Key(BTN_EXTRA, 1), Syn},
      std::vector<Ev>{Key(BTN_EXTRA, 0), Syn}, std::vector<Ev>{Key(BTN_SIDE, 0), Syn}},
     {Key(BTN_SIDE, 1), Syn, Key(BTN_SIDE, 0), Syn},
     {{kSideDown, kSideButton1Data},
      {kSideDown, kSideButton2Data},
      {kSideUp, kSideButton2Data},
      {kSideUp, kSideButton1Data}}},
    {"a press swallowed before its code left the list keeps its release",
     {kRightDown},
     kMouse,
     {std::vector<Ev>{Key(BTN_RIGHT, 1), Syn}, Block{kRightDown, true},
      std::vector<Ev>{Key(BTN_RIGHT, 0), Syn}},
     {},
     {{kRightDown, 0}, {kRightUp, 0}}},
    {"a press that passed keeps its release when its code is blocked meanwhile",
     {},
     kMouse,
     {std::vector<Ev>{Key(BTN_MIDDLE, 1), Syn}, Block{kMiddleDown},
      std::vector<Ev>{Key(BTN_MIDDLE, 0), Syn}},
     {Key(BTN_MIDDLE, 1), Syn, Key(BTN_MIDDLE, 0), Syn},
     {{kMiddleDown, 0}, {kMiddleUp, 0}}},
    {"a blocked wheel direction loses notch and fine events, once reported per frame",
     {kWheelBackward},
     kMouse,
     {std::vector<Ev>{Rel(REL_WHEEL, -1), Rel(REL_WHEEL_HI_RES, -120), Syn},
      std::vector<Ev>{Rel(REL_WHEEL_HI_RES, 120), Rel(REL_WHEEL, 1), Syn},
      std::vector<Ev>{Rel(REL_WHEEL_HI_RES, -120), Rel(REL_WHEEL, -1), Syn}},
     {Rel(REL_WHEEL_HI_RES, 120), Rel(REL_WHEEL, 1), Syn},
     {{kWheel, 0xFF880000}, {kWheel, 0x00780000}, {kWheel, 0xFF880000}}},
    {"between notches a fine wheel follows the block list, unreported",
     {kWheelForward},
     kMouse,
     {std::vector<Ev>{Rel(REL_WHEEL_HI_RES, 30), Syn},
      std::vector<Ev>{Rel(REL_WHEEL_HI_RES, -30), Syn}},
     {Rel(REL_WHEEL_HI_RES, -30), Syn},
     {}},
    {"a wheel with fine events only is reported by them",
     {kWheelForward},
     kFineWheelOnly,
     {std::vector<Ev>{Rel(REL_WHEEL_HI_RES, 60), Syn},
      std::vector<Ev>{Rel(REL_WHEEL_HI_RES, -60), Syn}},
     {Rel(REL_WHEEL_HI_RES, -60), Syn},
     {{kWheel, 0x003C0000}, {kWheel, 0xFFC40000}}},
    {"several notches in one frame make one message",
     {},
     kMouse,
     {std::vector<Ev>{Rel(REL_WHEEL, 3), Rel(REL_WHEEL_HI_RES, 360), Syn}},
     {Rel(REL_WHEEL, 3), Rel(REL_WHEEL_HI_RES, 360), Syn},
     {{kWheel, 0x01680000}}},
    {"the horizontal wheel is reported and passes",
     {kWheelForward, kWheelBackward},
     kMouse,
     {std::vector<Ev>{Rel(REL_HWHEEL, -1), Rel(REL_HWHEEL_HI_RES, -120), Syn}},
     {Rel(REL_HWHEEL, -1), Rel(REL_HWHEEL_HI_RES, -120), Syn},
     {{kHorizontalWheel, 0xFF880000}}},
    {"lost events take their unfinished frame with them",
     {},
     kMouse,
     {std::vector<Ev>{Key(BTN_LEFT, 1), {EV_SYN, SYN_DROPPED, 0}},
      std::vector<Ev>{Rel(REL_X, 1), Syn}},
     {Rel(REL_X, 1), Syn},
     {}},
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.name;
}

class EvdevFilterTest : public ::testing::TestWithParam<FilterCase> {
protected:
    test::InertHookBackend backend_;
    test::RecordingPoster poster_;
    InputHooks hooks_{backend_, poster_};
};

TEST_P(EvdevFilterTest, PassesAndReports) {
    const FilterCase& c = GetParam();
    for (const uint32_t code : c.blocked) hooks_.BlockMouseCode(code, false);
    RecordingSink sink(hooks_);
    EvdevFrameFilter filter(c.traits);
    std::vector<input_event> out;
    for (const Step& step : c.steps) {
        if (const auto* block = std::get_if<Block>(&step)) {
            hooks_.BlockMouseCode(block->code, block->remove);
            continue;
        }
        for (const Ev& e : std::get<std::vector<Ev>>(step)) {
            input_event event{};
            event.type = e.type;
            event.code = e.code;
            event.value = e.value;
            filter.feed(event, {true, true}, sink, &out);
        }
    }
    std::vector<Ev> passed;
    for (const input_event& e : out) passed.push_back({e.type, e.code, e.value});
    EXPECT_EQ(passed, c.passed);
    EXPECT_EQ(sink.mice, c.reported);
    EXPECT_FALSE(filter.holdsKeys()) << "every press that passed was released";
}

INSTANTIATE_TEST_SUITE_P(Table, EvdevFilterTest, ::testing::ValuesIn(kFilterCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

input_event Make(const Ev& e) {
    input_event event{};
    event.type = e.type;
    event.code = e.code;
    event.value = e.value;
    return event;
}

TEST_F(EvdevFilterTest, WithoutAGrabABlockedPressIsReportedButNothingIsHeldBack) {
    hooks_.BlockMouseCode(kLeftDown, false);
    hooks_.InstallHooks(Window::MainWindow);
    RecordingSink sink(hooks_);
    EvdevFrameFilter filter;
    for (const Ev& e : {Key(BTN_LEFT, 1), Syn, Key(BTN_LEFT, 0), Syn}) {
        filter.feed(Make(e), {true, true}, sink, nullptr);
    }
    EXPECT_EQ(sink.mice, (std::vector<MouseEvent>{{kLeftDown, 0}, {kLeftUp, 0}}));
    EXPECT_EQ(poster_.wParams(Window::MainWindow, msg::kHookNotify),
              std::vector<uintptr_t>{kLeftDown});
    // Nothing was swallowed, so a later grab starts with nothing owed.
    std::vector<input_event> out;
    filter.feed(Make(Key(BTN_LEFT, 0)), {true, true}, sink, &out);
    filter.feed(Make(Syn), {true, true}, sink, &out);
    EXPECT_EQ(out.size(), 2u);
}

TEST_F(EvdevFilterTest, KeysAreReportedOnlyWhileTheKeyboardIsWatched) {
    RecordingSink sink(hooks_);
    EvdevFrameFilter filter(EvdevDeviceTraits{true, true, true});
    std::vector<input_event> out;
    const std::vector<Ev> stream = {Scan(0x70004), Key(KEY_A, 1),   Syn, {EV_LED, LED_NUML, 0},
                                    Syn,           Key(KEY_KP8, 1), Syn};
    for (const Ev& e : stream) filter.feed(Make(e), {true, false}, sink, &out);
    filter.feed(Make(Key(KEY_B, 1)), {false, false}, sink, &out);
    filter.feed(Make(Syn), {false, false}, sink, &out);
    // The keypad key came after the Num Lock light went out: it is Up.
    EXPECT_EQ(sink.keys, (std::vector<KeyboardEvent>{{0x41, 0}, {0x26, 0}}));
    EXPECT_EQ(out.size(), stream.size() + 2) << "keys are never held back";
}

TEST_F(EvdevFilterTest, ReleasingHeldLetsGoOfWhatTheCloneHoldsOnly) {
    hooks_.BlockMouseCode(kSide1Down, false);
    RecordingSink sink(hooks_);
    EvdevFrameFilter filter;
    std::vector<input_event> out;
    for (const Ev& e : {Key(BTN_LEFT, 1), Syn, Key(BTN_SIDE, 1), Syn, Key(KEY_A, 1), Syn}) {
        filter.feed(Make(e), {true, true}, sink, &out);
    }
    EXPECT_TRUE(filter.holdsKeys());
    out.clear();
    filter.releaseHeld(out);
    std::vector<Ev> released;
    for (const input_event& e : out) released.push_back({e.type, e.code, e.value});
    EXPECT_EQ(released, (std::vector<Ev>{Key(KEY_A, 0), Key(BTN_LEFT, 0), Syn}));
    EXPECT_FALSE(filter.holdsKeys());
    out.clear();
    filter.releaseHeld(out);
    EXPECT_TRUE(out.empty());
}

TEST(EvdevGrab, ChangesOnlyWhenNoButtonIsSplitBetweenDeviceAndClone) {
    struct Case {
        const char* name;
        GrabSituation situation;
        GrabStep expected;
    };
    // grabbed, mouse hook, blocking, clone ready, buttons held
    const Case cases[] = {
        {"something to swallow", {false, true, true, true, false}, GrabStep::Grab},
        {"a button is held", {false, true, true, true, true}, GrabStep::Keep},
        {"nothing blocked", {false, true, false, true, false}, GrabStep::Keep},
        {"no clone to re-emit through", {false, true, true, false, false}, GrabStep::Keep},
        {"no mouse hook", {false, false, true, true, false}, GrabStep::Keep},
        {"still something to swallow", {true, true, true, true, true}, GrabStep::Keep},
        {"list emptied, button held", {true, true, false, true, true}, GrabStep::Keep},
        {"list emptied, all up", {true, true, false, true, false}, GrabStep::Release},
        {"hook removed, button held", {true, false, true, true, true}, GrabStep::Release},
        {"clone lost", {true, true, true, false, true}, GrabStep::Release},
    };
    for (const Case& c : cases) EXPECT_EQ(NextGrabStep(c.situation), c.expected) << c.name;
}

}  // namespace
}  // namespace x5k
