// The statistics' X11 source without an X server: which session the environment names,
// which raw events become which input codes, and the poll thread's pacing on a virtual
// clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pages/statistics/StatsModel.h"
#include "platform/linux/X11StatsInput.h"
#include "support/VirtualClock.h"

// Xlib's macros (None, Success) last: the program's headers use those names.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

using namespace x5k;

namespace {

class RecordingSink final : public StatsInputSink {
public:
    void mouseCode(uint32_t code) override { codes.push_back(code); }
    void cursorSample(int32_t x, int32_t y) override {
        samples.emplace_back(x, y);
        sampleTimes.push_back(clock ? clock->tickMs() : 0);
    }
    std::vector<uint32_t> codes;
    std::vector<std::pair<int32_t, int32_t>> samples;
    std::vector<uint32_t> sampleTimes;
    test::VirtualClock* clock = nullptr;
};

struct SessionCase {
    const char* name;
    const char* wayland;
    const char* sessionType;
    const char* display;
    DisplaySession expected;
};

const SessionCase kSessions[] = {
    {"x11", nullptr, "x11", ":0", DisplaySession::X11},
    {"x11_without_session_type", nullptr, nullptr, ":1", DisplaySession::X11},
    {"wayland_with_xwayland", "wayland-0", "wayland", ":0", DisplaySession::Wayland},
    {"wayland_display_only", "wayland-0", nullptr, nullptr, DisplaySession::Wayland},
    {"wayland_session_type_only", nullptr, "wayland", ":0", DisplaySession::Wayland},
    {"empty_values", "", "", "", DisplaySession::Headless},
    {"nothing", nullptr, nullptr, nullptr, DisplaySession::Headless},
};

class SessionFromEnvironment : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SessionFromEnvironment, IsDetected) {
    const SessionCase& c = GetParam();
    EXPECT_EQ(DetectDisplaySession(c.wayland, c.sessionType, c.display), c.expected);
}

INSTANTIATE_TEST_SUITE_P(X11StatsInputTest, SessionFromEnvironment, ::testing::ValuesIn(kSessions),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr int kOpcode = 131;

struct RawCase {
    const char* name;
    int type;
    int extension;
    int evtype;
    int detail;
    std::optional<uint32_t> code;
};

const RawCase kRawEvents[] = {
    {"left", GenericEvent, kOpcode, XI_RawButtonPress, 1, statistics::kLeftDown},
    {"middle", GenericEvent, kOpcode, XI_RawButtonPress, 2, statistics::kMiddleDown},
    {"right", GenericEvent, kOpcode, XI_RawButtonPress, 3, statistics::kRightDown},
    {"wheel_forward", GenericEvent, kOpcode, XI_RawButtonPress, 4, statistics::kWheelForward},
    {"wheel_backward", GenericEvent, kOpcode, XI_RawButtonPress, 5, statistics::kWheelBackward},
    {"sideways_scroll", GenericEvent, kOpcode, XI_RawButtonPress, 6, std::nullopt},
    {"back_button", GenericEvent, kOpcode, XI_RawButtonPress, 8, std::nullopt},
    {"release", GenericEvent, kOpcode, XI_RawButtonRelease, 1, std::nullopt},
    {"raw_motion", GenericEvent, kOpcode, XI_RawMotion, 1, std::nullopt},
    {"another_extension", GenericEvent, kOpcode + 1, XI_RawButtonPress, 1, std::nullopt},
    {"core_press", ButtonPress, kOpcode, XI_RawButtonPress, 1, std::nullopt},
};

class RawEventCode : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawEventCode, ReachesTheSinkOnlyForCountedPresses) {
    const RawCase& c = GetParam();
    XIRawEvent raw{};
    raw.evtype = c.evtype;
    raw.detail = c.detail;
    XEvent event{};
    event.xcookie.type = c.type;
    event.xcookie.extension = c.extension;
    event.xcookie.evtype = c.evtype;
    event.xcookie.data = &raw;
    RecordingSink sink;
    EXPECT_EQ(HandleRawButtonEvent(event, kOpcode, sink), c.code.has_value());
    const std::vector<uint32_t> expected =
        c.code ? std::vector<uint32_t>{*c.code} : std::vector<uint32_t>{};
    EXPECT_EQ(sink.codes, expected);
}

INSTANTIATE_TEST_SUITE_P(X11StatsInputTest, RawEventCode, ::testing::ValuesIn(kRawEvents),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(X11StatsInputTest, AnEventWhoseDataCouldNotBeFetchedIsLeftAlone) {
    XEvent event{};
    event.xcookie.type = GenericEvent;
    event.xcookie.extension = kOpcode;
    event.xcookie.evtype = XI_RawButtonPress;
    RecordingSink sink;
    EXPECT_FALSE(HandleRawButtonEvent(event, kOpcode, sink));
    EXPECT_TRUE(sink.codes.empty());
}

// The poll loop on a virtual clock: each wait advances the clock by its timeout, or by
// less when an event is to come earlier; the loop ends at `endMs`.
struct PollRun {
    std::vector<int> waits;
    std::vector<uint32_t> sampleTimes;
    std::vector<uint32_t> codes;
};

PollRun RunPoll(uint32_t endMs, std::vector<uint32_t> eventTimes, uint32_t lateWakeAt = 0,
                uint32_t lateBy = 0) {
    test::VirtualClock clock;
    RecordingSink sink;
    sink.clock = &clock;
    PollRun run;
    int32_t x = 0;
    bool eventDue = false;
    const StatsPollSteps steps{[&](int timeoutMs) {
                                   run.waits.push_back(timeoutMs);
                                   const uint32_t now = clock.tickMs();
                                   if (now >= endMs) return false;
                                   uint32_t until = now + static_cast<uint32_t>(timeoutMs);
                                   eventDue = false;
                                   if (!eventTimes.empty() && eventTimes.front() < until) {
                                       until = eventTimes.front();
                                       eventTimes.erase(eventTimes.begin());
                                       eventDue = true;
                                   }
                                   if (lateWakeAt != 0 && now < lateWakeAt && until >= lateWakeAt)
                                       until += lateBy;
                                   clock.advance(std::chrono::milliseconds(until - now));
                                   return true;
                               },
                               [&] {
                                   if (eventDue) sink.mouseCode(statistics::kLeftDown);
                               },
                               [&]() -> std::optional<std::pair<int32_t, int32_t>> {
                                   x += 10;
                                   return std::pair<int32_t, int32_t>{x, 0};
                               }};
    RunStatsPollLoop(clock, steps, sink);
    run.sampleTimes = sink.sampleTimes;
    run.codes = sink.codes;
    return run;
}

std::vector<uint32_t> Every500(uint32_t upTo) {
    std::vector<uint32_t> times;
    for (uint32_t t = 0; t <= upTo; t += 500) times.push_back(t);
    return times;
}

TEST(X11StatsInputTest, IdleTheThreadWakesTwiceASecondAndSamplesEachTime) {
    const PollRun run = RunPoll(10'000, {});
    EXPECT_EQ(run.sampleTimes, Every500(10'000));
    // 20 waits of half a second each, and the last one that ends the loop.
    ASSERT_EQ(run.waits.size(), 21u);
    for (size_t i = 0; i + 1 < run.waits.size(); ++i) EXPECT_EQ(run.waits[i], 500) << i;
}

TEST(X11StatsInputTest, PressesInBetweenAreHandedAndDoNotMoveTheSamples) {
    const PollRun run = RunPoll(3'000, {120, 130, 740, 2'999});
    EXPECT_EQ(run.codes.size(), 4u);
    EXPECT_EQ(run.sampleTimes, Every500(3'000));
    // After the press at 120 the wait is for the rest of the half second.
    ASSERT_GE(run.waits.size(), 3u);
    EXPECT_EQ(run.waits[1], 380);
}

TEST(X11StatsInputTest, ALateWakeUpShiftsTheSamplesInsteadOfBunchingThem) {
    // The wait that should end at 1,000 ends at 3,200 (a suspended computer).
    const PollRun run = RunPoll(4'200, {}, 1'000, 2'200);
    EXPECT_EQ(run.sampleTimes, (std::vector<uint32_t>{0, 500, 3'200, 3'700, 4'200}));
}

}  // namespace
