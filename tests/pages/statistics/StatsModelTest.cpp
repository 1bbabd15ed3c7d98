#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>

#include "pages/statistics/StatsModel.h"
#include "support/RecordingUserMessages.h"
#include "support/VirtualClock.h"

namespace x5k::statistics {
namespace {

using namespace std::chrono_literals;
constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();

TEST(StatsModelTest, TrophyLevelCountsTheThresholdsReached) {
    struct Case {
        uint32_t total;
        int level;
    };
    const Case cases[] = {
        {0, 0},          {99'999, 0},     {100'000, 1},     {499'999, 1},   {500'000, 2},
        {1'499'999, 3},  {2'000'000, 5},  {2'999'999, 6},   {3'000'000, 7}, {7'999'999, 10},
        {8'000'000, 11}, {9'999'999, 11}, {10'000'000, 12}, {kMax, 12},
    };
    for (const Case& c : cases) EXPECT_EQ(TrophyLevel(c.total), c.level) << c.total;
}

TEST(StatsModelTest, OnlyTheButtonAndWheelCodesCount) {
    struct Case {
        uint32_t code;
        std::optional<Counter> counter;
    };
    const Case cases[] = {
        {0x201, Counter::LeftPresses},
        {0x207, Counter::MiddlePresses},
        {0x204, Counter::RightPresses},
        {0x20A01, Counter::WheelForward},
        {0x20A00, Counter::WheelBackward},
        {0x202, std::nullopt},  // left up
        {0x1020B, std::nullopt},
        {0x2020B, std::nullopt},  // extended buttons
        {0x100, std::nullopt},    // a key
        {0x20A, std::nullopt},
        {0x20A02, std::nullopt},
    };
    for (const Case& c : cases) {
        StatsRecord record;
        StatsModel model(record);
        EXPECT_EQ(model.countEvent(c.code), c.counter.has_value()) << std::hex << c.code;
        for (size_t i = 0; i < kCounterCount; ++i) {
            const auto which = static_cast<Counter>(i);
            EXPECT_EQ(record.counter(which), c.counter == which ? 1u : 0u) << std::hex << c.code;
        }
        EXPECT_EQ(model.changed(), c.counter.has_value());
    }
}

TEST(StatsModelTest, RawButtonNumbersMapToTheCountedCodes) {
    struct Case {
        int detail;
        std::optional<uint32_t> code;
    };
    const Case cases[] = {
        {0, std::nullopt}, {1, 0x201},        {2, 0x207},         {3, 0x204},
        {4, 0x20A01},      {5, 0x20A00},      {6, std::nullopt},  {7, std::nullopt},
        {8, std::nullopt}, {9, std::nullopt}, {-1, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RawButtonEventCode(c.detail), c.code) << c.detail;
        if (c.code) {
            EXPECT_TRUE(CounterOf(*c.code).has_value()) << c.detail;
        }
    }
}

TEST(StatsModelTest, CountersAndTravelWrapAtTheTopOfTheirRange) {
    StatsRecord record;
    record.setCounter(Counter::LeftPresses, kMax);
    record.setCounter(Counter::PointerDistance, kMax - 2);
    StatsModel model(record);
    model.countEvent(0x201);
    model.setCursorStart(10, 10);
    model.addCursorSample(12, 13);  // 5 pixels
    EXPECT_EQ(record.counter(Counter::LeftPresses), 0u);
    EXPECT_EQ(record.counter(Counter::PointerDistance), 2u);
}

TEST(StatsModelTest, TravelAddsTheAbsoluteDifferences) {
    struct Case {
        int lastX, lastY, x, y;
        uint32_t travel;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0},
        {100, 100, 90, 130, 40},
        {-50, 20, 50, -20, 140},  // screens left of and above the primary one
        {std::numeric_limits<int>::min(), 0, std::numeric_limits<int>::max(), 0, kMax},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CursorTravel(c.lastX, c.lastY, c.x, c.y), c.travel) << c.x << "," << c.y;
    }
}

TEST(StatsModelTest, SamplesAddTravelFromTheStartAndTheSampleBefore) {
    StatsRecord record;
    StatsModel model(record);
    model.setCursorStart(100, 100);
    model.addCursorSample(110, 95);   // 15
    model.addCursorSample(110, 95);   // 0
    model.addCursorSample(100, 100);  // 15
    EXPECT_EQ(record.counter(Counter::PointerDistance), 30u);

    // Without a start the first sample only sets where the pointer is.
    StatsRecord fresh;
    StatsModel unstarted(fresh);
    unstarted.addCursorSample(500, 500);
    EXPECT_EQ(fresh.counter(Counter::PointerDistance), 0u);
    EXPECT_FALSE(unstarted.changed());
}

TEST(StatsModelTest, FiguresShowTheCountsAndTheDistanceInTenThousands) {
    struct Case {
        std::array<uint32_t, kCounterCount> counters;
        std::array<std::string, kFigureCount> texts;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0}, {"0", "0", "0", "0", "0", "0", "0", "0.00"}},
        {{1, 2, 3, 4, 5, 12'345}, {"1", "2", "3", "6", "4", "5", "9", "1.23"}},
        {{0, 0, 0, 0, 0, 99}, {"0", "0", "0", "0", "0", "0", "0", "0.01"}},  // rounds
        {{kMax, 1, 0, 0x80000000u, 0x80000000u, kMax},
         {"4294967295", "1", "0", "0", "2147483648", "2147483648", "0", "429496.73"}},
    };
    for (const Case& c : cases) {
        StatsRecord record;
        for (size_t i = 0; i < kCounterCount; ++i) {
            record.setCounter(static_cast<Counter>(i), c.counters[i]);
        }
        const StatsModel model(record);
        for (int f = 0; f < kFigureCount; ++f) {
            EXPECT_EQ(model.figureText(static_cast<Figure>(f)), c.texts[static_cast<size_t>(f)])
                << kFigureNames[static_cast<size_t>(f)];
        }
    }
}

TEST(StatsModelTest, RefreshShowsTheHigherLevelOfClicksAndWheel) {
    struct Case {
        const char* name;
        uint32_t left, right, forward, backward;
        int level;
        int barWidth;
    };
    const Case cases[] = {
        {"nothing counted", 0, 0, 0, 0, 0, 21},
        {"clicks 99,999", 99'998, 1, 0, 0, 0, 21},
        {"clicks 100,000", 99'999, 1, 0, 0, 1, 42},
        {"clicks at 3, wheel at 5", 1'000'000, 0, 1'000'000, 1'000'000, 5, 126},
        {"wheel at 3, clicks at 5", 1'000'000, 1'000'000, 1'000'000, 0, 5, 126},
        {"clicks 10,000,000", 10'000'000, 0, 0, 0, 12, 273},
        {"the distance plays no part", 0, 0, 0, 0, 0, 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StatsRecord record;
        record.setCounter(Counter::LeftPresses, c.left);
        record.setCounter(Counter::RightPresses, c.right);
        record.setCounter(Counter::WheelForward, c.forward);
        record.setCounter(Counter::WheelBackward, c.backward);
        record.setCounter(Counter::PointerDistance, kMax);
        StatsModel model(record);
        EXPECT_EQ(model.shownLevel(), kNoLevelShown);
        const TrophyView first = model.refresh();
        EXPECT_EQ(first.level, c.level);
        EXPECT_TRUE(first.loadTrophy);
        EXPECT_EQ(first.barWidth, c.barWidth);
        for (int cell = 0; cell < kCellCount; ++cell) {
            EXPECT_EQ(first.lit[static_cast<size_t>(cell)], cell <= c.level) << cell;
        }
        // The picture is loaded once per level.
        EXPECT_FALSE(model.refresh().loadTrophy);
        EXPECT_EQ(model.shownLevel(), c.level);
    }
}

TEST(StatsModelTest, LevelNeverDropsExceptByReset) {
    StatsRecord record;
    record.setCounter(Counter::LeftPresses, kMax);
    record.setCounter(Counter::WheelForward, 2'000'000);
    StatsModel model(record);
    EXPECT_EQ(model.refresh().level, 12);
    EXPECT_EQ(model.trophyLevel(), 12);
    model.countEvent(0x201);  // the left counter wraps to 0: the totals are at level 5
    const TrophyView after = model.refresh();
    EXPECT_EQ(after.level, 12);
    EXPECT_FALSE(after.loadTrophy);

    test::RecordingUserMessages messages;
    messages.answer = UserMessages::kCancel;
    EXPECT_FALSE(model.reset(messages, false));
    EXPECT_EQ(model.refresh().level, 12);
    EXPECT_EQ(record.counter(Counter::WheelForward), 2'000'000u);

    messages.answer = UserMessages::kOk;
    EXPECT_TRUE(model.reset(messages, true));
    EXPECT_EQ(model.shownLevel(), kNoLevelShown);
    for (size_t i = 0; i < kCounterCount; ++i) {
        EXPECT_EQ(record.counter(static_cast<Counter>(i)), 0u) << i;
    }
    const TrophyView reset = model.refresh();
    EXPECT_EQ(reset.level, 0);
    EXPECT_TRUE(reset.loadTrophy);  // trophy 0 and cell 0 show again
    EXPECT_EQ(messages.shown(),
              (std::vector<test::ShownMessage>{
                  {test::BoxKind::InfoDialogWithCancel, "Do you want to reset trophy data ?"},
                  {test::BoxKind::InfoDialogWithCancel, "确定要重置奖杯和统计数据么？"}}));
}

TEST(StatsModelTest, LevelBarGrowsByAThirteenthPerLevel) {
    const std::pair<int, int> cases[] = {{0, 21},   {1, 42},   {5, 126},  {6, 147},
                                         {11, 252}, {12, 273}, {13, 273}, {800, 273}};
    for (const auto& [level, width] : cases) EXPECT_EQ(LevelBarWidth(level), width) << level;
}

// Saves at the given minutes, with counts changed or not before each step.
TEST(StatsModelTest, PeriodicSaveAtMostOnceInFiveMinutesWhileChanged) {
    enum class Step { Count, Tick, Hide, Fail };
    struct Case {
        const char* name;
        std::vector<std::pair<std::chrono::milliseconds, Step>> steps;
        int saves;
    };
    const Case cases[] = {
        {"unchanged counters are not written", {{5min, Step::Tick}, {10min, Step::Tick}}, 0},
        {"a count waits for five minutes",
         {{0min, Step::Count}, {4min, Step::Tick}, {299'999ms, Step::Tick}, {5min, Step::Tick}},
         1},
        {"once per period however often counted",
         {{5min, Step::Count},
          {5min, Step::Tick},
          {6min, Step::Count},
          {6min, Step::Tick},
          {9min, Step::Count},
          {9min, Step::Tick},
          {10min, Step::Tick}},
         2},
        {"hiding saves what changed and restarts the period",
         {{1min, Step::Count},
          {1min, Step::Hide},
          {1min, Step::Hide},
          {2min, Step::Count},
          {5min, Step::Tick},
          {6min, Step::Tick}},
         2},
        {"a failed write is tried again a period later",
         {{0min, Step::Count}, {5min, Step::Fail}, {6min, Step::Tick}, {10min, Step::Tick}},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::VirtualClock clock;
        StatsRecord record;
        StatsModel model(record);
        int saves = 0;
        bool failing = false;
        SavePolicy policy(model, clock, [&] {
            ++saves;
            return !failing;
        });
        std::chrono::milliseconds now{0};
        for (const auto& [at, step] : c.steps) {
            clock.advance(at - now);
            now = at;
            failing = step == Step::Fail;
            if (step == Step::Count) model.countEvent(0x201);
            if (step == Step::Tick || step == Step::Fail) policy.periodicCheck();
            if (step == Step::Hide) policy.saveWhenHidden();
        }
        EXPECT_EQ(saves, c.saves);
    }
}

TEST(StatsModelTest, PeriodicSaveSurvivesTheTickCountWrap) {
    test::VirtualClock clock;
    clock.advance(std::chrono::milliseconds(kMax - 1000));
    StatsRecord record;
    StatsModel model(record);
    int saves = 0;
    SavePolicy policy(model, clock, [&] { return ++saves > 0; });
    model.countEvent(0x207);
    clock.advance(2min);
    EXPECT_FALSE(policy.periodicCheck());
    clock.advance(3min);
    EXPECT_TRUE(policy.periodicCheck());
    EXPECT_FALSE(model.changed());
    EXPECT_TRUE(policy.saveNow());  // exit and reset write whatever changed
    EXPECT_EQ(saves, 2);
}

TEST(StatsModelTest, FileProblemsTellOnlyAMissingPathAndARefusal) {
    struct Case {
        FileError error;
        std::optional<std::string> load, save;
    };
    const Case cases[] = {
        {FileError::None, std::nullopt, std::nullopt},
        {FileError::NotFound, "Failed to open file, check whether there is a /d/Sts.cfg path?",
         "No path /d/Sts.cfg"},
        {FileError::AccessDenied, std::nullopt, "Denied"},
        {FileError::Other, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadProblemText(c.error, "/d/Sts.cfg"), c.load);
        EXPECT_EQ(SaveProblemText(c.error, "/d/Sts.cfg", "No path %s", "Denied"), c.save);
    }
}

}  // namespace
}  // namespace x5k::statistics
