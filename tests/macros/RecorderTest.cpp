// Recording keys into a macro's event rows on the macro page.

#include "macros/Recorder.h"

#include <gtest/gtest.h>

#include "support/FaultyFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPoster.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using namespace std::chrono_literals;
using test::BoxKind;
using test::ShownMessage;

constexpr uint32_t kA = 0x41, kB = 0x42;
constexpr uint32_t kUp = kKeyReleasedFlag;

struct Fixture {
    test::InertHookBackend backend;
    test::RecordingPoster poster;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    InputHooks hooks{backend, poster};
    std::vector<EventRow> rows;
    Recorder recorder{hooks, poster, clock, messages, rows};

    Fixture() {
        hooks.InstallHooks(Window::MainWindow);
        clock.advance(1000ms);
    }
    void start() {
        ASSERT_EQ(recorder.ToggleRecording(EditMode::Idle, true, false), Recorder::Toggle::Started);
    }
};

// One input at `at` ms after the previous one, with the no-delays toggle as given.
struct Key {
    int after;
    uint32_t code;
    uint32_t flags;
    bool noDelays = false;
};

struct TimingCase {
    const char* name;
    std::vector<Key> keys;
    std::vector<EventRow> rows;
};

TEST(Recorder, RowsAndDelaysTable) {
    const TimingCase cases[] = {
        {"a held key gives one press and one release",
         {{0, kA, 0}, {500, kA, 0}, {33, kA, 0}, {33, kA, 0}, {434, kA, kUp}},
         {PressRow(kA), DelayRow(1000), ReleaseRow(kA)}},
        {"A, B, A give six events and five delays",
         {{0, kA, 0}, {80, kA, kUp}, {120, kB, 0}, {90, kB, kUp}, {200, kA, 0}, {70, kA, kUp}},
         {PressRow(kA), DelayRow(80), ReleaseRow(kA), DelayRow(120), PressRow(kB), DelayRow(90),
          ReleaseRow(kB), DelayRow(200), PressRow(kA), DelayRow(70), ReleaseRow(kA)}},
        {"no delays while the toggle is pressed",
         {{0, kA, 0, true}, {80, kA, kUp, true}, {120, kB, 0, true}, {90, kB, kUp, true}},
         {PressRow(kA), ReleaseRow(kA), PressRow(kB), ReleaseRow(kB)}},
        {"released after being pressed from the start, it only sets the tick",
         {{0, kA, 0, true}, {80, kA, kUp, true}, {120, kB, 0}, {90, kB, kUp}},
         {PressRow(kA), ReleaseRow(kA), PressRow(kB), DelayRow(90), ReleaseRow(kB)}},
        {"released mid-recording, the delay counts from the last tick taken",
         {{0, kA, 0}, {80, kA, kUp, true}, {120, kB, 0}},
         {PressRow(kA), ReleaseRow(kA), DelayRow(200), PressRow(kB)}},
        {"two inputs in one tick",
         {{0, kA, 0}, {0, kB, 0}},
         {PressRow(kA), DelayRow(0), PressRow(kB)}},
        {"a pause longer than a row holds is kept at the longest",
         {{0, kA, 0}, {0x1000005, kA, kUp}},
         {PressRow(kA), DelayRow(macro::kValueMask), ReleaseRow(kA)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.start();
        for (const auto& k : c.keys) {
            f.clock.advance(std::chrono::milliseconds(k.after));
            (void)f.recorder.HandleHookInput(k.code, k.flags, EditMode::Idle, k.noDelays);
        }
        EXPECT_EQ(f.rows, c.rows);
    }
}

TEST(Recorder, RowKindsValuesAndTexts) {
    Fixture f;
    f.start();
    (void)f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false);
    f.clock.advance(250ms);
    (void)f.recorder.HandleHookInput(kA, 0x81, EditMode::Idle, false);
    ASSERT_EQ(f.rows.size(), 3u);
    EXPECT_EQ(f.rows[0].item, 0x03000041u);
    EXPECT_EQ(f.rows[0].text, "A");
    EXPECT_EQ(f.rows[1].item, 0x040000FAu);
    EXPECT_EQ(f.rows[1].text, "250  ms");
    EXPECT_EQ(f.rows[2].item, 0x02000041u);
    EXPECT_EQ(f.recorder.capturedCount(), 2);
}

// The tick count wraps after 49.7 days; the pause across the wrap is still right,
// and an input at tick 0 still starts the next pause.
TEST(Recorder, TickWrapAndTickZero) {
    for (uint32_t firstTick : {0xFFFFFFCEu, 0u}) {
        SCOPED_TRACE(firstTick);
        Fixture f;
        f.start();
        const uint32_t now = f.clock.tickMs();
        f.clock.advance(std::chrono::milliseconds(static_cast<uint32_t>(firstTick - now)));
        ASSERT_EQ(f.clock.tickMs(), firstTick);
        (void)f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false);
        f.clock.advance(100ms);
        (void)f.recorder.HandleHookInput(kA, kUp, EditMode::Idle, false);
        EXPECT_EQ(f.rows, (std::vector{PressRow(kA), DelayRow(100), ReleaseRow(kA)}));
    }
}

TEST(Recorder, The999thInputIsTheLast) {
    Fixture f;
    f.start();
    for (int i = 0; i < Recorder::kMaxInputs; ++i) {
        ASSERT_EQ(f.recorder.HandleHookInput(kA, i % 2 ? kUp : 0, EditMode::Idle, true),
                  Recorder::Input::Recorded);
    }
    EXPECT_EQ(f.recorder.HandleHookInput(kA, kUp, EditMode::Idle, true), Recorder::Input::Full);
    EXPECT_EQ(f.rows.size(), 999u);
    EXPECT_EQ(f.recorder.capturedCount(), 999);
    // A new recording starts from nothing again.
    ASSERT_EQ(f.recorder.ToggleRecording(EditMode::Idle, true, false), Recorder::Toggle::Stopped);
    f.start();
    EXPECT_TRUE(f.rows.empty());
    EXPECT_EQ(f.recorder.HandleHookInput(kB, 0, EditMode::Idle, false), Recorder::Input::Recorded);
}

TEST(Recorder, ALongRecordingWithPausesEndsWhereTheRecordIsFullAndStillStores) {
    Fixture f;
    f.start();
    int recorded = 0;
    while (f.recorder.HandleHookInput(kA, recorded % 2 ? kUp : 0, EditMode::Idle, false) ==
           Recorder::Input::Recorded) {
        ++recorded;
        f.clock.advance(10ms);
    }
    // Press, then a pause before each further input: 500 inputs fill 999 rows.
    EXPECT_EQ(recorded, 500);
    EXPECT_EQ(f.rows.size(), 999u);
    EXPECT_EQ(f.recorder.HandleHookInput(kB, 0, EditMode::Idle, true), Recorder::Input::Recorded);
    EXPECT_EQ(f.rows.size(), 1000u);
    EXPECT_EQ(f.recorder.HandleHookInput(kB, kUp, EditMode::Idle, true), Recorder::Input::Full);

    test::TempFolder data;
    test::FaultyFileSystem files;
    InterfaceStrings strings;
    MacroStore store{files, f.clock, f.messages, strings, data.path()};
    ASSERT_TRUE(f.recorder.Stop());
    const StoredRows out = StoreEventRows(store, f.rows, "1", 0x15000001, "long");
    EXPECT_EQ(out.build, BuildStatus::Built);
    EXPECT_EQ(out.stored, StoreResult::Stored);
    EXPECT_EQ(store.table().slot(0).get(macro::kEventCount), 1000);
}

TEST(Recorder, StoringThePageRowsTable) {
    struct Case {
        const char* name;
        std::vector<EventRow> rows;
        BuildStatus build;
        std::optional<StoreResult> stored;
        int events;  // in the stored record
    };
    const std::vector<EventRow> tooMany(1001, PressRow(kA));
    const Case cases[] = {
        {"recorded rows",
         {PressRow(kA), DelayRow(5), DelayRow(7), ReleaseRow(kA)},
         BuildStatus::Built,
         StoreResult::Stored,
         3},
        {"no rows: nothing is written", {}, BuildStatus::NoRows, std::nullopt, 0},
        {"more events than a record holds", tooMany, BuildStatus::TooManyEvents, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder data;
        test::FaultyFileSystem files;
        test::VirtualClock clock;
        test::RecordingUserMessages messages;
        InterfaceStrings strings;
        MacroStore store{files, clock, messages, strings, data.path()};
        std::vector<EventRow> rows = c.rows;
        const StoredRows out = StoreEventRows(store, rows, "3", 0x15000002, "m");
        EXPECT_EQ(out.build, c.build);
        EXPECT_EQ(out.stored, c.stored);
        EXPECT_EQ(store.table().slot(0).get(macro::kEventCount), c.events);
        store.waitForSaves();
        EXPECT_EQ(std::filesystem::exists(store.filePath()), c.stored.has_value());
    }
}

TEST(Recorder, LastInputCarriesAcrossRecordingsAndKeyCapture) {
    Fixture f;
    f.start();
    (void)f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false);
    ASSERT_EQ(f.recorder.ToggleRecording(EditMode::Idle, true, false), Recorder::Toggle::Stopped);
    f.start();
    EXPECT_EQ(f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false), Recorder::Input::Repeat);
    EXPECT_TRUE(f.rows.empty());
    EXPECT_EQ(f.recorder.HandleHookInput(kA, kUp, EditMode::Idle, false),
              Recorder::Input::Recorded);
    f.recorder.Stop();

    // Key capture takes inputs through the same filter.
    EXPECT_EQ(f.recorder.HandleHookInput(kB, 0, EditMode::InsertKey, false),
              Recorder::Input::ForKeyEdit);
    EXPECT_EQ(f.recorder.HandleHookInput(kB, 0, EditMode::ModifyKey, false),
              Recorder::Input::Repeat);
    EXPECT_EQ(f.recorder.lastInput(), (Recorder::LastInput{kB, false}));
    // Outside a recording and key capture nothing is taken.
    EXPECT_EQ(f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false),
              Recorder::Input::NotRecording);
    EXPECT_EQ(f.rows.size(), 1u);
}

TEST(Recorder, ToggleTable) {
    const struct {
        const char* name;
        EditMode mode;
        bool selected;
        bool chinese;
        Recorder::Toggle result;
        std::vector<ShownMessage> shown;
    } cases[] = {
        {"key insertion",
         EditMode::InsertKey,
         true,
         false,
         Recorder::Toggle::RefusedKeyEdit,
         {{BoxKind::InfoDialog, "It is Modifying or inserting a button,you can not record"}}},
        {"key modification, Chinese",
         EditMode::ModifyKey,
         true,
         true,
         Recorder::Toggle::RefusedKeyEdit,
         {{BoxKind::InfoDialog, "正在修改/插入一个键，无法录制"}}},
        {"delay insertion",
         EditMode::InsertDelay,
         true,
         false,
         Recorder::Toggle::RefusedDelayEdit,
         {{BoxKind::InfoDialog, "It is Modifying or inserting a delay,you can not record"}}},
        {"delay modification, Chinese",
         EditMode::ModifyDelay,
         false,
         true,
         Recorder::Toggle::RefusedDelayEdit,
         {{BoxKind::InfoDialog, "正在修改/插入一个延时，无法录制"}}},
        {"no macro selected", EditMode::Idle, false, false, Recorder::Toggle::NoMacroSelected, {}},
        {"starts", EditMode::Idle, true, false, Recorder::Toggle::Started, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.hooks.SetTarget(Window::StatisticsPage);
        f.rows = {PressRow(kA)};
        EXPECT_EQ(f.recorder.ToggleRecording(c.mode, c.selected, c.chinese), c.result);
        EXPECT_EQ(f.messages.shown(), c.shown);
        const bool started = c.result == Recorder::Toggle::Started;
        const bool refused = c.result == Recorder::Toggle::RefusedKeyEdit ||
                             c.result == Recorder::Toggle::RefusedDelayEdit;
        EXPECT_EQ(f.recorder.recording(), started);
        EXPECT_EQ(f.rows.empty(), started);
        EXPECT_EQ(f.hooks.keyboardForwarding(), started || refused);
        EXPECT_EQ(f.hooks.mouseForwarding(), refused);
        EXPECT_EQ(f.hooks.target(), started   ? Window::MacroPage
                                    : refused ? Window::StatisticsPage
                                              : Window::MainWindow);
    }
}

TEST(Recorder, StoppingHandsForwardingBackAndKeepsRows) {
    Fixture f;
    f.start();
    (void)f.recorder.HandleHookInput(kA, 0, EditMode::Idle, false);
    EXPECT_EQ(f.recorder.ToggleRecording(EditMode::Idle, true, false), Recorder::Toggle::Stopped);
    EXPECT_FALSE(f.recorder.recording());
    EXPECT_FALSE(f.hooks.keyboardForwarding());
    EXPECT_EQ(f.hooks.target(), Window::MainWindow);
    EXPECT_EQ(f.rows, std::vector{PressRow(kA)});
    EXPECT_FALSE(f.recorder.Stop());
    EXPECT_EQ(RecordButtonCaption(true, false), "Stop Record");
    EXPECT_EQ(RecordButtonCaption(false, true), "开始录制");
}

TEST(Recorder, PadsTable) {
    const struct {
        const char* name;
        bool recording;
        EditMode mode;
        MousePad pad;
        bool pressed;
        std::vector<uintptr_t> posted;
        intptr_t flags;
    } cases[] = {
        {"click pad press while recording", true, EditMode::Idle, MousePad::Click, true, {1}, 0},
        {"menu pad release while recording",
         true,
         EditMode::Idle,
         MousePad::Menu,
         false,
         {2},
         0x80},
        {"middle pad in key capture", false, EditMode::ModifyKey, MousePad::Middle, true, {4}, 0},
        {"idle pads do nothing", false, EditMode::Idle, MousePad::Click, true, {}, 0},
        {"delay editing pads do nothing",
         false,
         EditMode::InsertDelay,
         MousePad::Click,
         true,
         {},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        if (c.recording) f.start();
        EXPECT_EQ(f.recorder.PadInput(c.pad, c.pressed, c.mode), !c.posted.empty());
        EXPECT_EQ(f.poster.wParams(Window::MacroPage, msg::kHookInput), c.posted);
        if (!c.posted.empty()) {
            EXPECT_EQ(f.poster.messages().back().lParam, c.flags);
        }
    }
}

}  // namespace
}  // namespace x5k
