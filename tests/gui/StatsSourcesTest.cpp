// Where the statistics' counts come from on each desktop, what the page tells about what
// it cannot see, and how the program's own wheel events become steps.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/StatsSources.h"
#include "pages/statistics/StatsModel.h"

using namespace x5k;
using namespace x5k::gui;

namespace {

struct SourceCase {
    const char* name;
    bool watchReadsPointer;
    bool displayStarted;  // the display's own source could start (an X11 session)
    bool displayCountsClicks;
    StatsSources expected;
    bool noticeShown;
    bool noticeTellsTheGroup;  // how to count everything
};

const SourceCase kSourceCases[] = {
    // The input watch reads a pointer: it counts; X11 still gives the pointer position.
    {"watch_on_x11", true, true, false, {ClickSource::InputWatch, true}, false, false},
    // Wayland (or no display): the watch counts, the distance stays still and is told.
    {"watch_on_wayland", true, false, false, {ClickSource::InputWatch, false}, true, false},
    // X11 without a readable pointer: the X server's raw events count.
    {"x11_without_watch", false, true, true, {ClickSource::Display, true}, false, false},
    // Wayland without a readable pointer: only the program's own windows, told with how
    // to grant access.
    {"wayland_without_watch", false, false, true, {ClickSource::OwnWindows, false}, true, true},
};

class ChoiceOfSource : public ::testing::TestWithParam<SourceCase> {};

TEST_P(ChoiceOfSource, FollowsThePreferenceOrder) {
    const SourceCase& c = GetParam();
    EXPECT_EQ(DisplayCountsClicks(c.watchReadsPointer), c.displayCountsClicks);
    const StatsSources sources = ChooseStatsSources(c.watchReadsPointer, c.displayStarted);
    EXPECT_EQ(sources, c.expected);
    for (const bool chinese : {false, true}) {
        const std::optional<std::string> notice = StatsLimitNotice(sources, chinese);
        ASSERT_EQ(notice.has_value(), c.noticeShown) << chinese;
        if (notice) {
            EXPECT_EQ(notice->find("input") != std::string::npos, c.noticeTellsTheGroup);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StatsSourcesTest, ChoiceOfSource, ::testing::ValuesIn(kSourceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatsSourcesTest, AnUnreachableX11ServerStillGivesTheWayToCountEverything) {
    const auto notice = StatsLimitNotice({ClickSource::OwnWindows, true}, false);
    ASSERT_TRUE(notice);
    EXPECT_NE(notice->find("\"input\" group"), std::string::npos);
}

struct WheelCase {
    const char* name;
    std::vector<int> deltas;
    std::vector<uint32_t> codes;
};

constexpr uint32_t kF = statistics::kWheelForward;
constexpr uint32_t kB = statistics::kWheelBackward;

const WheelCase kWheelCases[] = {
    {"one_notch_each_way", {120, -120}, {kF, kB}},
    {"two_notches_at_once", {240}, {kF, kF}},
    {"fine_steps_add_up", {40, 40, 40, 40}, {kF}},
    {"a_turn_back_drops_the_rest", {100, -100, -20}, {kB}},
    {"sideways_or_nothing", {0, 0}, {}},
};

class WheelStepsCase : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelStepsCase, GivesOneCodePerWholeStep) {
    WheelSteps steps;
    std::vector<uint32_t> codes;
    for (const int delta : GetParam().deltas) {
        for (const uint32_t code : steps.add(delta)) codes.push_back(code);
    }
    EXPECT_EQ(codes, GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(StatsSourcesTest, WheelStepsCase, ::testing::ValuesIn(kWheelCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
