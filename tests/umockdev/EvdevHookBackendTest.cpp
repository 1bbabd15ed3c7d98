// The input watch against faked event nodes and /dev/uinput: what the hooks receive from
// keyboards and the mouse, when the mouse is grabbed and what its clone passes on,
// missing access, and devices that come and go.

#include "platform/linux/EvdevHookBackend.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
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
using test::Syn;

// Waits for the input thread, looking every millisecond; false after five seconds.
bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

using Triple = std::tuple<uint16_t, uint16_t, int32_t>;
std::vector<Triple> Triples(const std::vector<input_event>& events) {
    std::vector<Triple> out;
    for (const input_event& e : events) out.emplace_back(e.type, e.code, e.value);
    return out;
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

}  // namespace
}  // namespace x5k
