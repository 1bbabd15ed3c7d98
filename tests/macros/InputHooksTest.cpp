// The desktop-wide input watch: what it posts, what it swallows, its block list and
// its target.

#include "macros/InputHooks.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/RecordingLogSink.h"
#include "support/RecordingPoster.h"

namespace x5k {
namespace {

using test::PostedMessage;
using test::RecordingPoster;
using namespace mouse;

class FakeHookBackend final : public HookBackend {
public:
    bool keyboardWorks = true;
    bool mouseWorks = true;
    int keyboardInstalls = 0, mouseInstalls = 0, keyboardRemovals = 0, mouseRemovals = 0;
    int blockListChanges = 0;

    bool installKeyboardHook() override {
        ++keyboardInstalls;
        return keyboardWorks;
    }
    bool installMouseHook() override {
        ++mouseInstalls;
        return mouseWorks;
    }
    void removeKeyboardHook() override { ++keyboardRemovals; }
    void removeMouseHook() override { ++mouseRemovals; }
    void blockListChanged() override { ++blockListChanges; }
};

constexpr uint32_t kWheelUpData = 0x00780000;    // delta +120
constexpr uint32_t kWheelDownData = 0xFF880000;  // delta -120

PostedMessage Notify(uint32_t code, Window to = Window::MainWindow) {
    return {to, msg::kHookNotify, code, 0, false};
}
PostedMessage Input(uint32_t code, intptr_t flags = 0, Window to = Window::MainWindow) {
    return {to, msg::kHookInput, code, flags, false};
}

struct MouseEvent {
    uint32_t message;
    uint32_t data;
    bool swallowed;
};

struct MouseCase {
    const char* name;
    std::vector<uint32_t> blocked;
    bool notify;
    bool forward;
    std::vector<MouseEvent> events;
    std::vector<PostedMessage> posted;
};

const MouseCase kMouseCases[] = {
    {"free left click notifies its down only",
     {},
     true,
     false,
     {{kLeftDown, 0, false}, {kLeftUp, 0, false}},
     {Notify(kLeftDown)}},
    {"blocked left down and its up are swallowed",
     {kLeftDown},
     true,
     false,
     {{kLeftDown, 0, true}, {kLeftUp, 0, true}, {kLeftUp, 0, false}},
     {Notify(kLeftDown)}},
    {"a blocked button is reported with notify off",
     {kRightDown},
     false,
     true,
     {{kRightDown, 0, true}, {kRightUp, 0, true}},
     {Notify(kRightDown)}},
    {"forwarding posts downs and ups",
     {},
     false,
     true,
     {{kMiddleDown, 0, false}, {kMiddleUp, 0, false}},
     {Input(kMiddleDown), Input(kMiddleUp)}},
    {"notify and forward together",
     {},
     true,
     true,
     {{kLeftDown, 0, false}},
     {Notify(kLeftDown), Input(kLeftDown)}},
    {"wheel directions by the signed delta",
     {},
     true,
     true,
     {{kWheel, kWheelUpData, false}, {kWheel, kWheelDownData, false}, {kWheel, 0, false}},
     {Notify(kWheelForward), Input(kWheelForward), Notify(kWheelBackward), Input(kWheelBackward),
      Notify(kWheelForward), Input(kWheelForward)}},
    {"a blocked wheel direction is swallowed",
     {kWheelBackward},
     false,
     true,
     {{kWheel, kWheelDownData, true}, {kWheel, kWheelUpData, false}},
     {Notify(kWheelBackward), Input(kWheelForward)}},
    {"side buttons carry their data",
     {},
     true,
     true,
     {{kSideDown, kSideButton2Data, false}, {kSideUp, kSideButton2Data, false}},
     {Notify(kSide2Down), Input(kSide2Down), Input(kSide2Up)}},
    {"blocked side button and its up",
     {kSide1Down},
     true,
     true,
     {{kSideDown, kSideButton1Data, true}, {kSideUp, kSideButton1Data, true}},
     {Notify(kSide1Down)}},
    // The other side button's click passes whole while the blocked one is held, so no
    // program sees a press without its release.
    {"the other side button is not robbed of its up",
     {kSide1Down},
     true,
     false,
     {{kSideDown, kSideButton1Data, true},
      {kSideDown, kSideButton2Data, false},
      {kSideUp, kSideButton2Data, false},
      {kSideUp, kSideButton1Data, true}},
     {Notify(kSide1Down), Notify(kSide2Down)}},
    {"two held blocked buttons both lose their ups",
     {kLeftDown, kRightDown},
     false,
     false,
     {{kLeftDown, 0, true}, {kRightDown, 0, true}, {kLeftUp, 0, true}, {kRightUp, 0, true}},
     {Notify(kLeftDown), Notify(kRightDown)}},
    {"movement is never forwarded", {}, true, true, {{kMove, 0, false}}, {}},
    {"other messages add their data",
     {},
     true,
     true,
     {{0x203, 0, false}, {0x20E, kWheelUpData, false}},
     {Input(0x203), Input(0x20E + kWheelUpData)}},
    {"an up listed as blocked is not swallowed",
     {kLeftUp},
     true,
     true,
     {{kLeftUp, 0, false}},
     {Input(kLeftUp)}},
};

TEST(InputHooks, MouseCallbackTable) {
    for (const auto& c : kMouseCases) {
        SCOPED_TRACE(c.name);
        FakeHookBackend backend;
        RecordingPoster poster;
        InputHooks hooks(backend, poster);
        ASSERT_TRUE(hooks.InstallHooks(Window::MainWindow));
        hooks.SetForwarding(true, c.forward);
        hooks.SetMouseNotify(c.notify);
        for (uint32_t code : c.blocked) hooks.BlockMouseCode(code, false);
        for (size_t i = 0; i < c.events.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(hooks.OnMouseEvent(c.events[i].message, c.events[i].data),
                      c.events[i].swallowed);
        }
        EXPECT_EQ(poster.messages(), c.posted);
    }
}

// A button unblocked while held: its up is still swallowed, but a later press that
// other programs saw keeps its release even if that up never came.
TEST(InputHooks, PendingUpEndsWithAPressThatPasses) {
    FakeHookBackend backend;
    RecordingPoster poster;
    InputHooks hooks(backend, poster);
    hooks.InstallHooks(Window::MainWindow);
    hooks.SetForwarding(false, false);
    hooks.BlockMouseCode(kLeftDown, false);
    EXPECT_TRUE(hooks.OnMouseEvent(kLeftDown, 0));
    hooks.BlockMouseCode(kLeftDown, true);
    EXPECT_FALSE(hooks.OnMouseEvent(kLeftDown, 0));
    EXPECT_FALSE(hooks.OnMouseEvent(kLeftUp, 0));
}

struct KeyCase {
    const char* name;
    bool forward;
    bool install;
    uint32_t flags;
    std::vector<PostedMessage> posted;
};

TEST(InputHooks, KeyboardCallbackTable) {
    const KeyCase cases[] = {
        {"press forwarded with its flags", true, true, 0x00, {Input(0x41, 0x00)}},
        {"release keeps bit 7", true, true, 0x81, {Input(0x41, 0x81)}},
        {"forwarding off", false, true, 0x00, {}},
        {"no target before installation", true, false, 0x00, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHookBackend backend;
        RecordingPoster poster;
        InputHooks hooks(backend, poster);
        if (c.install) hooks.InstallHooks(Window::MainWindow);
        hooks.SetForwarding(c.forward, false);
        EXPECT_FALSE(hooks.OnKeyboardEvent(0x41, c.flags));
        EXPECT_EQ(poster.messages(), c.posted);
    }
}

struct BlockOp {
    uint32_t code;
    bool remove;
};

TEST(InputHooks, BlockListTable) {
    using List = std::array<uint32_t, InputHooks::kBlockListSize>;
    std::vector<BlockOp> fill;
    List full{};
    for (uint32_t i = 0; i < InputHooks::kBlockListSize; ++i) {
        fill.push_back({0x300 + i, false});
        full[i] = 0x300 + i;
    }
    std::vector<BlockOp> overfull = fill;
    overfull.push_back({0x400, false});

    const struct {
        const char* name;
        std::vector<BlockOp> ops;
        List expected;
    } cases[] = {
        {"adds in order", {{kLeftDown, false}, {kWheelForward, false}}, {kLeftDown, kWheelForward}},
        {"a duplicate is not added", {{kLeftDown, false}, {kLeftDown, false}}, {kLeftDown}},
        {"remove clears its entry only",
         {{kLeftDown, false}, {kRightDown, false}, {kLeftDown, true}},
         {0, kRightDown}},
        {"a hole is filled first",
         {{kLeftDown, false}, {kRightDown, false}, {kLeftDown, true}, {kSide1Down, false}},
         {kSide1Down, kRightDown}},
        {"removing an absent code changes nothing",
         {{kLeftDown, false}, {kRightDown, true}},
         {kLeftDown}},
        {"code 0 is no input", {{0, false}, {kLeftDown, false}}, {kLeftDown}},
        {"twelve fill the list", fill, full},
        {"a full list stays unchanged", overfull, full},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHookBackend backend;
        RecordingPoster poster;
        InputHooks hooks(backend, poster);
        int changes = 0;
        for (const auto& op : c.ops) {
            const auto before = hooks.blockList();
            hooks.BlockMouseCode(op.code, op.remove);
            if (hooks.blockList() != before) ++changes;
        }
        EXPECT_EQ(hooks.blockList(), c.expected);
        // The backend hears of every change, and only of changes.
        EXPECT_EQ(backend.blockListChanges, changes);
    }
}

TEST(InputHooks, ForwardingFallsBackToTheHomeTarget) {
    const struct {
        bool keyboard, mouse;
        Window expected;
    } cases[] = {
        {false, false, Window::MainWindow},
        {false, true, Window::MacroPage},
        {true, false, Window::MacroPage},
        {true, true, Window::MacroPage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keyboard << c.mouse);
        FakeHookBackend backend;
        RecordingPoster poster;
        InputHooks hooks(backend, poster);
        hooks.InstallHooks(Window::MainWindow);
        hooks.SetTarget(Window::MacroPage);
        hooks.SetForwarding(c.keyboard, c.mouse);
        EXPECT_EQ(hooks.target(), c.expected);
        EXPECT_EQ(hooks.homeTarget(), Window::MainWindow);
        // Notifications follow the target.
        hooks.OnMouseEvent(kLeftDown, 0);
        EXPECT_EQ(poster.wParams(c.expected, msg::kHookNotify), std::vector<uintptr_t>{kLeftDown});
    }
}

TEST(InputHooks, InstallationTable) {
    const struct {
        bool keyboardWorks, mouseWorks, result;
    } cases[] = {
        {true, true, true},
        {false, true, false},
        {true, false, false},
        {false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keyboardWorks << c.mouseWorks);
        FakeHookBackend backend;
        backend.keyboardWorks = c.keyboardWorks;
        backend.mouseWorks = c.mouseWorks;
        RecordingPoster poster;
        InputHooks hooks(backend, poster);
        EXPECT_EQ(hooks.InstallHooks(Window::MainWindow), c.result);
        EXPECT_EQ(hooks.keyboardHookInstalled(), c.keyboardWorks);
        EXPECT_EQ(hooks.mouseHookInstalled(), c.mouseWorks);
        hooks.RemoveHooks();
        EXPECT_EQ(backend.keyboardRemovals, c.keyboardWorks ? 1 : 0);
        EXPECT_EQ(backend.mouseRemovals, c.mouseWorks ? 1 : 0);
    }
}

TEST(InputHooks, ReinstallingKeepsSwitchesAndNeverDoublesHooks) {
    FakeHookBackend backend;
    RecordingPoster poster;
    InputHooks hooks(backend, poster);
    EXPECT_TRUE(hooks.keyboardForwarding() && hooks.mouseForwarding() && hooks.mouseNotify());
    backend.mouseWorks = false;
    EXPECT_FALSE(hooks.InstallHooks(Window::MainWindow));
    hooks.SetForwarding(false, false);
    hooks.SetMouseNotify(false);
    backend.mouseWorks = true;
    EXPECT_TRUE(hooks.InstallHooks(Window::MacroPage));
    EXPECT_EQ(backend.keyboardInstalls, 1);
    EXPECT_EQ(backend.mouseInstalls, 2);
    EXPECT_EQ(hooks.target(), Window::MacroPage);
    EXPECT_FALSE(hooks.keyboardForwarding() || hooks.mouseForwarding() || hooks.mouseNotify());
    hooks.RemoveHooks();
    hooks.RemoveHooks();
    EXPECT_EQ(backend.keyboardRemovals, 1);
    EXPECT_EQ(backend.mouseRemovals, 1);
}

// The apply worker changes the list while the input thread reads it.
TEST(InputHooks, BlockListIsSharedWithTheInputThread) {
    FakeHookBackend backend;
    RecordingPoster poster;
    InputHooks hooks(backend, poster);
    hooks.InstallHooks(Window::MainWindow);
    hooks.SetForwarding(false, false);
    hooks.SetMouseNotify(false);
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) hooks.BlockMouseCode(kWheelForward, i % 2 == 0);
    });
    for (int i = 0; i < 2000; ++i) (void)hooks.OnMouseEvent(kWheel, kWheelUpData);
    writer.join();
    EXPECT_EQ(hooks.blockList()[0], kWheelForward);
    EXPECT_TRUE(hooks.OnMouseEvent(kWheel, kWheelUpData));
}

// The hooks' state changes are what a report of a swallowed button needs to show.
TEST(InputHooks, StateChangesAreLogged) {
    FakeHookBackend backend;
    RecordingPoster poster;
    InputHooks hooks(backend, poster);
    test::RecordingLogSink log;
    hooks.InstallHooks(Window::MainWindow);
    hooks.BlockMouseCode(0x1020B, false);
    hooks.BlockMouseCode(0x1020B, false);  // listed already: no change, no line
    hooks.SetForwarding(true, false);
    hooks.BlockMouseCode(0x1020B, true);
    hooks.RemoveHooks();
    hooks.RemoveHooks();  // nothing installed: no line
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "hooks: installed for window 0: keyboard yes, mouse yes",
                               "hooks: blocking mouse input 0x1020B",
                               "hooks: forwarding keyboard yes, mouse no",
                               "hooks: no longer blocking mouse input 0x1020B",
                               "hooks: removed",
                           }));
}

}  // namespace
}  // namespace x5k
