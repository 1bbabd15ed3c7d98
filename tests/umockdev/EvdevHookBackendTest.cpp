// The input watch against faked event nodes and /dev/uinput: what the hooks receive from
// keyboards and the mouse, when the mouse is grabbed and what its clone passes on,
// missing access, and devices that come and go.

#include "platform/linux/EvdevHookBackend.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "EvdevTestbed.h"
#include "macros/InputHooks.h"
#include "support/RecordingPoster.h"

namespace x5k {
namespace {

using namespace mouse;
using test::Event;
using test::StampedAt;
using test::Syn;
using test::WaitFor;

using Triple = std::tuple<uint16_t, uint16_t, int32_t>;
std::vector<Triple> Triples(const std::vector<input_event>& events) {
    std::vector<Triple> out;
    for (const input_event& e : events) out.emplace_back(e.type, e.code, e.value);
    return out;
}

std::vector<input_event> Joined(std::vector<input_event> first,
                                const std::vector<input_event>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class EvdevWatch : public ::testing::Test {
protected:
    void start(EvdevHookBackend::Options options = {}) {
        // The backend is never left to find a change of the block list by itself: the
        // grab must follow the hooks' word at once.
        options.blockListCheck = std::chrono::hours(1);
        backend_ = std::make_unique<EvdevHookBackend>(std::move(options));
        hooks_ = std::make_unique<InputHooks>(*backend_, poster_);
        sink_ = std::make_unique<InputHooksSink>(*hooks_);
        backend_->setSink(sink_.get());
        hooks_->SetForwarding(true, true);
    }
    void TearDown() override {
        if (hooks_) hooks_->RemoveHooks();
        // The input thread ends before the testbed goes.
        backend_.reset();
    }

    std::vector<std::pair<uintptr_t, intptr_t>> inputs() const {
        std::vector<std::pair<uintptr_t, intptr_t>> out;
        for (const auto& m : poster_.messages()) {
            if (m.message == msg::kHookInput) out.emplace_back(m.wParam, m.lParam);
        }
        return out;
    }
    std::vector<uintptr_t> inputCodes() const {
        std::vector<uintptr_t> out;
        for (const auto& [code, flags] : inputs()) out.push_back(code);
        return out;
    }
    std::vector<uintptr_t> notified() const {
        return poster_.wParams(Window::MainWindow, msg::kHookNotify);
    }
    bool waitForInputs(size_t count) {
        return WaitFor([&] { return inputs().size() >= count; });
    }
    bool waitForOpen(int nodes) {
        return WaitFor([&] { return backend_->status().openNodes == nodes; });
    }

    test::EvdevTestbed bed_;
    test::RecordingPoster poster_;
    std::unique_ptr<EvdevHookBackend> backend_;
    std::unique_ptr<InputHooks> hooks_;
    std::unique_ptr<InputHooksSink> sink_;
};

TEST_F(EvdevWatch, HooksReceiveKeysButtonsSideButtonsAndTheWheel) {
    const auto keyboard = bed_.addNode(test::KeyboardSpec("event3"));
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(waitForOpen(2));

    bed_.feed(keyboard,
              {Event(EV_MSC, MSC_SCAN, 0x70004), Event(EV_KEY, KEY_A, 1), Syn(),
               Event(EV_KEY, KEY_A, 2), Syn(), Event(EV_KEY, KEY_A, 0), Syn(),
               Event(EV_KEY, KEY_RIGHTCTRL, 1), Syn(), Event(EV_KEY, KEY_RIGHTCTRL, 0), Syn()});
    ASSERT_TRUE(waitForInputs(5));
    const std::vector<std::pair<uintptr_t, intptr_t>> keys = {
        {0x41, 0}, {0x41, 0}, {0x41, 0x80}, {0xA3, 0x01}, {0xA3, 0x81}};
    EXPECT_EQ(inputs(), keys);

    bed_.feed(mouse, {Event(EV_MSC, MSC_SCAN, 0x90001),
                      Event(EV_KEY, BTN_LEFT, 1),
                      Syn(),
                      Event(EV_KEY, BTN_LEFT, 0),
                      Syn(),
                      Event(EV_KEY, BTN_SIDE, 1),
                      Syn(),
                      Event(EV_KEY, BTN_SIDE, 0),
                      Syn(),
                      Event(EV_KEY, BTN_EXTRA, 1),
                      Syn(),
                      Event(EV_KEY, BTN_EXTRA, 0),
                      Syn(),
                      Event(EV_REL, REL_X, 5),
                      Syn(),
                      Event(EV_REL, REL_WHEEL, 1),
                      Event(EV_REL, REL_WHEEL_HI_RES, 120),
                      Syn(),
                      Event(EV_REL, REL_WHEEL_HI_RES, -120),
                      Event(EV_REL, REL_WHEEL, -1),
                      Syn()});
    ASSERT_TRUE(waitForInputs(keys.size() + 8));
    std::vector<uintptr_t> mouseInputs;
    for (size_t i = keys.size(); i < inputs().size(); ++i) mouseInputs.push_back(inputs()[i].first);
    EXPECT_EQ(mouseInputs,
              (std::vector<uintptr_t>{kLeftDown, kLeftUp, kSide1Down, kSide1Up, kSide2Down,
                                      kSide2Up, kWheelForward, kWheelBackward}));
    EXPECT_EQ(notified(), (std::vector<uintptr_t>{kLeftDown, kSide1Down, kSide2Down, kWheelForward,
                                                  kWheelBackward}));
}

TEST_F(EvdevWatch, WithoutUinputEverythingIsReportedAndNothingSwallowed) {
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    hooks_->BlockMouseCode(kLeftDown, false);
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    EXPECT_TRUE(backend_->access().uinputMissing);
    const auto problem = backend_->accessProblem();
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("modprobe uinput"), std::string::npos);

    ASSERT_TRUE(waitForOpen(1));
    bed_.feed(mouse, {Event(EV_KEY, BTN_LEFT, 1), Syn(), Event(EV_KEY, BTN_LEFT, 0), Syn()});
    ASSERT_TRUE(WaitFor([&] { return !notified().empty(); }));
    EXPECT_EQ(notified(), std::vector<uintptr_t>{kLeftDown});
    EXPECT_EQ(bed_.grabs(mouse), 0);
    EXPECT_EQ(backend_->status().clones, 0);
}

TEST_F(EvdevWatch, GrabsWhileSomethingIsBlockedAndTheClonePassesTheRest) {
    bed_.addUinput();
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    // The clone is there before it is needed, but nothing is grabbed yet.
    ASSERT_TRUE(WaitFor([&] { return backend_->status().clones == 1; }));
    EXPECT_EQ(bed_.uinputName(), "X5K Gaming Mouse");
    EXPECT_FALSE(bed_.grabbed(mouse));

    hooks_->BlockMouseCode(kSide1Down, false);
    hooks_->BlockMouseCode(kWheelForward, false);
    ASSERT_TRUE(WaitFor([&] { return bed_.grabbed(mouse); }));

    bed_.feed(mouse, {Event(EV_MSC, MSC_SCAN, 0x90004), Event(EV_KEY, BTN_SIDE, 1), Syn(),
                      Event(EV_REL, REL_X, 4), Event(EV_REL, REL_Y, -1), Syn(),
                      Event(EV_MSC, MSC_SCAN, 0x90004), Event(EV_KEY, BTN_SIDE, 0), Syn(),
                      Event(EV_KEY, BTN_LEFT, 1), Syn(), Event(EV_KEY, BTN_LEFT, 0), Syn(),
                      Event(EV_REL, REL_WHEEL, 1), Event(EV_REL, REL_WHEEL_HI_RES, 120), Syn(),
                      Event(EV_REL, REL_WHEEL, -1), Event(EV_REL, REL_WHEEL_HI_RES, -120), Syn()});
    const std::vector<Triple> passed = {
        {EV_REL, REL_X, 4},      {EV_REL, REL_Y, -1},     {EV_SYN, SYN_REPORT, 0},
        {EV_KEY, BTN_LEFT, 1},   {EV_SYN, SYN_REPORT, 0}, {EV_KEY, BTN_LEFT, 0},
        {EV_SYN, SYN_REPORT, 0}, {EV_REL, REL_WHEEL, -1}, {EV_REL, REL_WHEEL_HI_RES, -120},
        {EV_SYN, SYN_REPORT, 0},
    };
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputWritten().size() >= passed.size(); }));
    EXPECT_EQ(Triples(bed_.uinputWritten()), passed);
    EXPECT_EQ(notified(),
              (std::vector<uintptr_t>{kSide1Down, kLeftDown, kWheelForward, kWheelBackward}));

    // An empty list gives the mouse back; removing the hook ends the clone.
    hooks_->BlockMouseCode(kSide1Down, true);
    hooks_->BlockMouseCode(kWheelForward, true);
    ASSERT_TRUE(WaitFor([&] { return !bed_.grabbed(mouse); }));
    EXPECT_EQ(bed_.ungrabs(mouse), 1);
    hooks_->RemoveHooks();
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputDestroyed() == 1; }));
}

TEST_F(EvdevWatch, NeverGrabsWhileAButtonIsHeld) {
    bed_.addUinput();
    const auto keyboard = bed_.addNode(test::KeyboardSpec("event3"));
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(WaitFor([&] { return backend_->status().clones == 1; }));
    bed_.feed(mouse, {Event(EV_KEY, BTN_LEFT, 1), Syn()});
    ASSERT_TRUE(waitForInputs(1));

    hooks_->BlockMouseCode(kRightDown, false);
    // Keys typed meanwhile show that the watch went round its loop, looking at the list
    // each time.
    for (int i = 0; i < 5; ++i) {
        bed_.feed(keyboard, {Event(EV_KEY, KEY_A, 1), Syn()});
        ASSERT_TRUE(waitForInputs(2 + static_cast<size_t>(i)));
    }
    EXPECT_FALSE(bed_.grabbed(mouse));

    bed_.feed(mouse, {Event(EV_KEY, BTN_LEFT, 0), Syn()});
    ASSERT_TRUE(WaitFor([&] { return bed_.grabbed(mouse); }));
    // The release went to the desktop from the mouse itself, where its press went.
    EXPECT_TRUE(bed_.uinputWritten().empty());
}

TEST_F(EvdevWatch, RemovingTheMouseHookLetsGoAtOnceAndTheCloneReleasesItsButtons) {
    bed_.addUinput();
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    hooks_->BlockMouseCode(kRightDown, false);
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(WaitFor([&] { return bed_.grabbed(mouse); }));
    bed_.feed(mouse, {Event(EV_KEY, BTN_LEFT, 1), Syn()});
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputWritten().size() == 2; }));

    hooks_->RemoveHooks();
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputDestroyed() == 1; }));
    EXPECT_FALSE(bed_.grabbed(mouse));
    EXPECT_EQ(Triples(bed_.uinputWritten()), (std::vector<Triple>{{EV_KEY, BTN_LEFT, 1},
                                                                  {EV_SYN, SYN_REPORT, 0},
                                                                  {EV_KEY, BTN_LEFT, 0},
                                                                  {EV_SYN, SYN_REPORT, 0}}));
}

TEST_F(EvdevWatch, InstallingFailsForWhatTheUserMayNotRead) {
    struct Case {
        const char* refused;
        bool keyboardInstalled;
        bool mouseInstalled;
        const char* mention;
    };
    const Case cases[] = {
        {"/dev/input/event3", false, true, "usermod -aG input"},
        {"/dev/input/event5", true, false, "70-x5k.rules"},
    };
    bed_.addUinput();
    const auto keyboard = bed_.addNode(test::KeyboardSpec("event3"));
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        EvdevHookBackend::Options options;
        const std::string refused = c.refused;
        options.openNode = [refused](const char* path, int flags) {
            if (path == refused) {
                errno = EACCES;
                return -1;
            }
            return ::open(path, flags);
        };
        start(std::move(options));
        EXPECT_FALSE(hooks_->InstallHooks(Window::MainWindow));
        EXPECT_EQ(hooks_->keyboardHookInstalled(), c.keyboardInstalled);
        EXPECT_EQ(hooks_->mouseHookInstalled(), c.mouseInstalled);
        // A pointer is read exactly when the mouse hook runs: the statistics then need no
        // other source.
        EXPECT_EQ(backend_->readsPointer(), c.mouseInstalled);
        const auto problem = backend_->accessProblem();
        ASSERT_TRUE(problem);
        EXPECT_NE(problem->find(c.mention), std::string::npos) << *problem;

        // What may be read is still watched.
        ASSERT_TRUE(waitForOpen(1));
        const size_t before = inputs().size();
        bed_.feed(c.keyboardInstalled ? keyboard : mouse,
                  {Event(EV_KEY, c.keyboardInstalled ? KEY_B : BTN_RIGHT, 1), Syn()});
        ASSERT_TRUE(waitForInputs(before + 1));
        TearDown();
    }
}

TEST_F(EvdevWatch, PicksUpTheMouseWhenPluggedInAndLetsItGo) {
    const auto keyboard = bed_.addNode(test::KeyboardSpec("event3"));
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(waitForOpen(1));

    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    bed_.announce(mouse, "add");
    ASSERT_TRUE(waitForOpen(2));
    bed_.feed(mouse, {Event(EV_KEY, BTN_MIDDLE, 1), Syn()});
    ASSERT_TRUE(WaitFor([&] { return notified() == std::vector<uintptr_t>{kMiddleDown}; }));

    bed_.announce(mouse, "remove");
    ASSERT_TRUE(waitForOpen(1));
}

TEST_F(EvdevWatch, NeverReadsItsOwnClone) {
    bed_.addUinput();
    bed_.addNode(test::MouseSpec("event5"));
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(WaitFor([&] { return backend_->status().clones == 1; }));

    // The clone's node appears where uinput puts it, then another keyboard.
    const auto clone =
        bed_.addVirtualNode(test::EvdevTestbed::kUinputSysname, test::MouseSpec("event99"));
    bed_.announce(clone, "add");
    const auto keyboard = bed_.addNode(test::KeyboardSpec("event7"));
    bed_.announce(keyboard, "add");
    bed_.feed(keyboard, {Event(EV_KEY, KEY_C, 1), Syn()});
    ASSERT_TRUE(waitForInputs(1));
    EXPECT_EQ(backend_->status().openNodes, 2);
}

// What the mouse sends around the moment the grab is taken: what was stamped before it
// reached the desktop from the device, what was stamped after it reached only the
// program and goes on through the clone.
struct GrabStartCase {
    const char* name;
    std::vector<input_event> before;  // stamped before the grab, still queued when it is taken
    std::vector<input_event> after;   // coming while the grab is taken
    bool letsGo;                      // a button is down from before: the grab goes at once
    std::vector<input_event> later;   // once the grab has settled (or gone)
    std::vector<Triple> passed;
    std::vector<uintptr_t> reported;  // as forwarded input
    std::vector<uintptr_t> notified;
};

const GrabStartCase kGrabStartCases[] = {
    {"WheelStepQueuedBefore",
     {Event(EV_REL, REL_WHEEL, 1), Event(EV_REL, REL_WHEEL_HI_RES, 120), Syn()},
     {},
     false,
     {},
     {},
     {kWheelForward},
     {kWheelForward}},
    {"ClickQueuedBefore",
     {Event(EV_KEY, BTN_LEFT, 1), Syn(), Event(EV_KEY, BTN_LEFT, 0), Syn()},
     {},
     false,
     {},
     {},
     {kLeftDown, kLeftUp},
     {kLeftDown}},
    {"PressQueuedBefore",
     {Event(EV_KEY, BTN_LEFT, 1), Syn()},
     {},
     true,
     {Event(EV_KEY, BTN_LEFT, 0), Syn()},
     {},
     {kLeftDown, kLeftUp},
     {kLeftDown}},
    {"PressJustAfter",
     {},
     {Event(EV_KEY, BTN_LEFT, 1), Syn()},
     false,
     {Event(EV_KEY, BTN_LEFT, 0), Syn()},
     {{EV_KEY, BTN_LEFT, 1},
      {EV_SYN, SYN_REPORT, 0},
      {EV_KEY, BTN_LEFT, 0},
      {EV_SYN, SYN_REPORT, 0}},
     {kLeftDown, kLeftUp},
     {kLeftDown}},
    {"SwallowedPressJustAfter",
     {},
     {Event(EV_KEY, BTN_SIDE, 1), Syn()},
     false,
     {Event(EV_KEY, BTN_SIDE, 0), Syn()},
     {},
     {},
     {kSide1Down}},
    {"WheelStepJustAfter",
     {},
     {Event(EV_REL, REL_WHEEL, -1), Event(EV_REL, REL_WHEEL_HI_RES, -120), Syn()},
     false,
     {},
     {{EV_REL, REL_WHEEL, -1}, {EV_REL, REL_WHEEL_HI_RES, -120}, {EV_SYN, SYN_REPORT, 0}},
     {kWheelBackward},
     {kWheelBackward}},
    {"PressBeforeAndWheelStepAfter",
     {Event(EV_KEY, BTN_LEFT, 1), Syn()},
     {Event(EV_REL, REL_WHEEL, 1), Event(EV_REL, REL_WHEEL_HI_RES, 120), Syn()},
     true,
     {Event(EV_KEY, BTN_LEFT, 0), Syn()},
     {{EV_REL, REL_WHEEL, 1}, {EV_REL, REL_WHEEL_HI_RES, 120}, {EV_SYN, SYN_REPORT, 0}},
     {kLeftDown, kWheelForward, kLeftUp},
     {kLeftDown, kWheelForward}},
};

// Each case on a node that stamps its events with the monotonic clock and on one that
// refuses and keeps the realtime clock.
class GrabStart : public EvdevWatch,
                  public ::testing::WithParamInterface<std::tuple<GrabStartCase, bool>> {};

TEST_P(GrabStart, PassesOnExactlyWhatOnlyTheProgramGot) {
    const auto& [c, refusesClockChange] = GetParam();
    bed_.addUinput();
    auto description = test::MouseSpec("event5");
    description.refusesClockChange = refusesClockChange;
    const auto mouse = bed_.addNode(description);
    start();
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(WaitFor([&] { return backend_->status().clones == 1; }));

    const int64_t early = bed_.now(mouse);
    bed_.feedAtGrab(mouse, Joined(StampedAt(c.before, early), c.after));
    hooks_->BlockMouseCode(kSide1Down, false);
    if (c.letsGo) {
        // The button pressed before the grab is released on the device itself, and
        // only then is the grab taken again.
        ASSERT_TRUE(WaitFor([&] { return bed_.ungrabs(mouse) == 1; }));
        bed_.feed(mouse, c.later);
        ASSERT_TRUE(WaitFor([&] { return bed_.grabs(mouse) == 2 && bed_.grabbed(mouse); }));
    } else {
        ASSERT_TRUE(WaitFor([&] { return bed_.grabbed(mouse); }));
        bed_.feed(mouse, c.later);
    }
    // A movement closes what the clone got: everything before it has been handled.
    bed_.feed(mouse, {Event(EV_REL, REL_X, 7), Syn()});
    auto expected = c.passed;
    expected.insert(expected.end(), {{EV_REL, REL_X, 7}, {EV_SYN, SYN_REPORT, 0}});
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputWritten().size() >= expected.size(); }));
    EXPECT_EQ(Triples(bed_.uinputWritten()), expected);
    EXPECT_EQ(inputCodes(), c.reported);
    EXPECT_EQ(notified(), c.notified);
    EXPECT_EQ(bed_.ungrabs(mouse), c.letsGo ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Evdev, GrabStart, ::testing::Combine(::testing::ValuesIn(kGrabStartCases), ::testing::Bool()),
    [](const ::testing::TestParamInfo<GrabStart::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "RealtimeStamps" : "MonotonicStamps");
    });

// What the mouse sends around the moment the grab is released.
struct GrabEndCase {
    const char* name;
    bool removingTheHook;             // rather than emptying the block list
    std::vector<input_event> before;  // stamped before the release, read after it
    std::vector<input_event> after;   // coming while the grab is released
    std::vector<Triple> passed;
};

const GrabEndCase kGrabEndCases[] = {
    {"WheelStepJustBefore",
     false,
     {Event(EV_REL, REL_WHEEL, 1), Event(EV_REL, REL_WHEEL_HI_RES, 120), Syn()},
     {},
     {{EV_REL, REL_WHEEL, 1}, {EV_REL, REL_WHEEL_HI_RES, 120}, {EV_SYN, SYN_REPORT, 0}}},
    {"WheelStepJustAfter",
     false,
     {},
     {Event(EV_REL, REL_WHEEL, 1), Event(EV_REL, REL_WHEEL_HI_RES, 120), Syn()},
     {}},
    // The press reaches the desktop, as a click: the clone may not keep it once the
    // release can come from the device itself.
    {"PressJustBefore",
     false,
     {Event(EV_KEY, BTN_LEFT, 1), Syn()},
     {},
     {{EV_KEY, BTN_LEFT, 1},
      {EV_SYN, SYN_REPORT, 0},
      {EV_KEY, BTN_LEFT, 0},
      {EV_SYN, SYN_REPORT, 0}}},
    {"WheelStepJustBeforeTheHookGoes",
     true,
     {Event(EV_REL, REL_WHEEL, -1), Event(EV_REL, REL_WHEEL_HI_RES, -120), Syn()},
     {},
     {{EV_REL, REL_WHEEL, -1}, {EV_REL, REL_WHEEL_HI_RES, -120}, {EV_SYN, SYN_REPORT, 0}}},
    {"PressJustBeforeTheHookGoes",
     true,
     {Event(EV_KEY, BTN_MIDDLE, 1), Syn()},
     {},
     {{EV_KEY, BTN_MIDDLE, 1},
      {EV_SYN, SYN_REPORT, 0},
      {EV_KEY, BTN_MIDDLE, 0},
      {EV_SYN, SYN_REPORT, 0}}},
};

class GrabEnd : public EvdevWatch, public ::testing::WithParamInterface<GrabEndCase> {};

TEST_P(GrabEnd, PassesOnWhatCameBeforeTheRelease) {
    const GrabEndCase& c = GetParam();
    bed_.addUinput();
    const auto mouse = bed_.addNode(test::MouseSpec("event5"));
    start();
    hooks_->BlockMouseCode(kSide1Down, false);
    ASSERT_TRUE(hooks_->InstallHooks(Window::MainWindow));
    ASSERT_TRUE(WaitFor([&] { return bed_.grabbed(mouse); }));

    const int64_t whileGrabbed = bed_.now(mouse);
    bed_.feedAtUngrab(mouse, Joined(StampedAt(c.before, whileGrabbed), c.after));
    if (c.removingTheHook) {
        hooks_->RemoveHooks();
    } else {
        hooks_->BlockMouseCode(kSide1Down, true);
        ASSERT_TRUE(WaitFor([&] { return bed_.ungrabs(mouse) == 1; }));
        hooks_->RemoveHooks();
    }
    // The clone goes last, after it has let go of what it holds.
    ASSERT_TRUE(WaitFor([&] { return bed_.uinputDestroyed() == 1; }));
    EXPECT_EQ(Triples(bed_.uinputWritten()), c.passed);
    EXPECT_FALSE(bed_.grabbed(mouse));
}

INSTANTIATE_TEST_SUITE_P(Evdev, GrabEnd, ::testing::ValuesIn(kGrabEndCases),
                         [](const ::testing::TestParamInfo<GrabEndCase>& info) {
                             return std::string(info.param.name);
                         });

// Tells whether the thread that hands it a key has an alternate signal stack.
class StackProbeSink final : public HookSink {
public:
    void keyboardEvent(uint32_t, uint32_t) override {
        stack_t current{};
        const bool has =
            sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0;
        answer_ = has ? 1 : 0;
    }
    bool mouseEvent(uint32_t, uint32_t) override { return false; }
    bool isBlocked(uint32_t) const override { return false; }
    bool anythingBlocked() const override { return false; }
    int answer() const { return answer_; }

private:
    std::atomic<int> answer_{-1};
};

TEST(EvdevInputThread, HasAnAlternateSignalStackForTheCrashHandler) {
    test::EvdevTestbed bed;
    const auto keyboard = bed.addNode(test::KeyboardSpec("event3"));
    StackProbeSink sink;
    {
        EvdevHookBackend backend;
        backend.setSink(&sink);
        ASSERT_TRUE(backend.installKeyboardHook());
        ASSERT_TRUE(WaitFor([&] { return backend.status().openNodes == 1; }));
        bed.feed(keyboard, {Event(EV_KEY, KEY_A, 1), Syn()});
        ASSERT_TRUE(WaitFor([&] { return sink.answer() >= 0; }));
        backend.setSink(nullptr);
    }
    EXPECT_EQ(sink.answer(), 1);
}

}  // namespace
}  // namespace x5k
