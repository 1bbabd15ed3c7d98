#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "controls/SliderScale.h"

namespace x5k::controls {
namespace {

std::string caseName(const char* name) {
    return name;
}

// ---- a click on the track ----

struct ClickCase {
    const char* name;
    int x, left, right;
    SliderRange range;
    int expected;
};

class TrackClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(TrackClickTest, GivesTheValueUnderThePointer) {
    const ClickCase& c = GetParam();
    EXPECT_EQ(TrackClickValue(c.x, c.left, c.right, c.range), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrackClickTest,
    ::testing::Values(ClickCase{"left_edge_is_minimum", 0, 0, 100, {1, 5}, 1},
                      ClickCase{"left_edge_of_placed_track", 104, 104, 293, {1, 20}, 1},
                      ClickCase{"exclusive_right_edge_is_maximum", 100, 0, 100, {1, 20}, 20},
                      // The last column a click can reach stands for the right edge.
                      ClickCase{"last_column_is_maximum", 292, 104, 293, {1, 20}, 20},
                      ClickCase{"last_column_wide_range", 126, 0, 127, {0, 255}, 255},
                      ClickCase{"truncates_in_the_middle", 198, 104, 293, {1, 20}, 10},
                      // 4.76 > 4.75 although truncation gives 4.
                      ClickCase{"ninety_four_percent_of_1_to_5", 94, 0, 100, {1, 5}, 5},
                      ClickCase{"ninety_three_percent_of_1_to_5", 93, 0, 100, {1, 5}, 4},
                      // Exactly on a threshold is not above it.
                      ClickCase{"exactly_4_75", 150, 0, 160, {1, 5}, 4},
                      ClickCase{"just_above_4_75", 151, 0, 160, {1, 5}, 5},
                      ClickCase{"exactly_9_75", 350, 0, 360, {1, 10}, 9},
                      ClickCase{"just_above_9_75", 351, 0, 360, {1, 10}, 10},
                      // 2.87 has no exact binary form; the comparison must not depend on rounding.
                      ClickCase{"exactly_2_87", 187, 0, 200, {1, 3}, 2},
                      ClickCase{"just_above_2_87", 188, 0, 200, {1, 3}, 3},
                      ClickCase{"level_slider_below_9_75", 709, 571, 713, {1, 10}, 9},
                      ClickCase{"level_slider_above_9_75", 710, 571, 713, {1, 10}, 10},
                      ClickCase{"no_jump_when_range_starts_at_0", 96, 0, 100, {0, 5}, 4},
                      ClickCase{"no_jump_when_range_starts_at_2", 96, 0, 100, {2, 6}, 5},
                      ClickCase{"no_jump_for_1_to_20", 97, 0, 100, {1, 20}, 19},
                      ClickCase{"left_of_the_track", -5, 0, 100, {1, 5}, 1},
                      ClickCase{"right_of_the_track", 150, 0, 100, {1, 5}, 5},
                      ClickCase{"track_without_width", 0, 10, 10, {1, 5}, 1},
                      ClickCase{"track_inside_out", 5, 10, 0, {1, 5}, 1},
                      ClickCase{"one_value_range", 50, 0, 100, {3, 3}, 3},
                      ClickCase{"range_inside_out", 50, 0, 100, {5, 1}, 5},
                      ClickCase{"large_range_no_overflow", 500, 0, 1000, {0, INT_MAX}, 1073741823}),
    [](const auto& info) { return caseName(info.param.name); });

// ---- the thumb's left edge and its value ----

struct ThumbCase {
    const char* name;
    ThumbTravel travel;
    SliderRange range;
    int value;
    int left;  // where the thumb shows the value
};

class ThumbLeftTest : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(ThumbLeftTest, PlacesTheThumbForTheValue) {
    const ThumbCase& c = GetParam();
    EXPECT_EQ(ThumbLeft(c.value, c.travel, c.range), c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbLeftTest,
    ::testing::Values(ThumbCase{"minimum_at_travel_left", {0, 100, 10}, {1, 5}, 1, 0},
                      ThumbCase{"maximum_at_travel_end", {0, 100, 10}, {1, 5}, 5, 90},
                      ThumbCase{"middle", {0, 100, 10}, {1, 5}, 3, 45},
                      ThumbCase{"truncated", {0, 100, 10}, {0, 255}, 128, 45},
                      ThumbCase{"offset_travel", {20, 120, 10}, {1, 5}, 5, 110},
                      ThumbCase{"above_maximum_shows_minimum", {0, 100, 10}, {1, 5}, 6, 0},
                      ThumbCase{"below_minimum_shows_minimum", {0, 100, 10}, {1, 5}, 0, 0},
                      ThumbCase{"one_value_range", {0, 100, 10}, {4, 4}, 4, 0},
                      ThumbCase{"thumb_wider_than_track", {0, 8, 10}, {1, 5}, 5, 0}),
    [](const auto& info) { return caseName(info.param.name); });

struct ThumbValueCase {
    const char* name;
    int thumbLeft;
    ThumbTravel travel;
    SliderRange range;
    int expected;
};

class ThumbValueTest : public ::testing::TestWithParam<ThumbValueCase> {};

TEST_P(ThumbValueTest, ReadsTheValueFromTheLeftEdge) {
    const ThumbValueCase& c = GetParam();
    EXPECT_EQ(ThumbValue(c.thumbLeft, c.travel, c.range), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbValueTest,
    ::testing::Values(ThumbValueCase{"travel_left", 0, {0, 100, 10}, {1, 5}, 1},
                      ThumbValueCase{"travel_end", 90, {0, 100, 10}, {1, 5}, 5},
                      ThumbValueCase{"one_short_of_the_end", 89, {0, 100, 10}, {1, 5}, 4},
                      ThumbValueCase{"beyond_the_end", 200, {0, 100, 10}, {1, 5}, 5},
                      ThumbValueCase{"before_the_start", -7, {0, 100, 10}, {1, 5}, 1},
                      ThumbValueCase{"thumb_fills_the_track", 0, {0, 10, 10}, {1, 5}, 1}),
    [](const auto& info) { return caseName(info.param.name); });

TEST(SliderScale, DraggingAPlacedThumbRightNeverLowersItsValue) {
    // A thumb put at a value sits up to a pixel left of where the value starts; pressing
    // it without moving, or pulling it a pixel right, must not report the value below.
    const SliderRange ranges[] = {{1, 5}, {1, 10}, {1, 20}, {1, 30}, {0, 255}};
    const ThumbTravel travel{0, 300, 12};
    for (const SliderRange& range : ranges) {
        for (int value = range.minimum; value <= range.maximum; ++value) {
            const int left = ThumbLeft(value, travel, range);
            const auto still = ThumbDrag({left, value, 5, 5}, travel, range, range, false);
            const auto right = ThumbDrag({left, value, 5, 6}, travel, range, range, false);
            ASSERT_TRUE(still && right);
            EXPECT_EQ(still->value, value) << range.minimum << ".." << range.maximum;
            EXPECT_GE(right->value, value) << range.minimum << ".." << range.maximum;
        }
    }
}

// ---- one drag move of the thumb ----

struct DragCase {
    const char* name;
    DragInput input;
    SliderRange limits;
    bool limitStop;
    std::optional<DragStep> expected;
};

class ThumbDragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(ThumbDragTest, MovesWithinTravelAndLimits) {
    const DragCase& c = GetParam();
    // Travel 0..100 with a 10 px thumb: 90 px for 1..5, 22.5 px a value.
    const auto step =
        ThumbDrag(c.input, ThumbTravel{0, 100, 10}, SliderRange{1, 5}, c.limits, c.limitStop);
    ASSERT_EQ(step.has_value(), c.expected.has_value());
    if (step) {
        EXPECT_EQ(step->left, c.expected->left);
        EXPECT_EQ(step->value, c.expected->value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbDragTest,
    ::testing::Values(
        DragCase{"follows_the_pointer", {0, 1, 5, 50}, {1, 5}, false, DragStep{45, 3}},
        DragCase{"snaps_to_the_value_position", {0, 1, 5, 30}, {1, 5}, false, DragStep{22, 2}},
        DragCase{"stops_at_travel_end", {45, 3, 5, 400}, {1, 5}, false, DragStep{90, 5}},
        DragCase{"stops_at_travel_start", {45, 3, 5, -400}, {1, 5}, false, DragStep{0, 1}},
        DragCase{"no_horizontal_move", {45, 3, 5, 5}, {1, 5}, false, DragStep{45, 3}},
        // Value 2 sits at 22 although it starts at 22.5: an unmoved press keeps it.
        DragCase{
            "no_horizontal_move_truncated_place", {22, 2, 5, 5}, {1, 5}, false, DragStep{22, 2}},
        DragCase{"inner_upper_limit", {45, 3, 5, 400}, {2, 4}, false, DragStep{67, 4}},
        DragCase{"inner_lower_limit", {45, 3, 5, -400}, {2, 4}, false, DragStep{22, 2}},
        DragCase{"stop_at_upper_limit_moving_right", {67, 4, 5, 30}, {2, 4}, true, std::nullopt},
        DragCase{"stop_at_lower_limit_moving_left", {22, 2, 5, 1}, {2, 4}, true, std::nullopt},
        DragCase{
            "stop_lets_a_move_away_from_the_limit", {67, 4, 5, -5}, {2, 4}, true, DragStep{45, 3}},
        DragCase{"without_stop_pulling_on_keeps_the_limit",
                 {67, 4, 5, 30},
                 {2, 4},
                 false,
                 DragStep{67, 4}}),
    [](const auto& info) { return caseName(info.param.name); });

// ---- the progress fill ----

struct FillCase {
    const char* name;
    int width;
    int position;
    SliderRange range;
    int expected;
};

class ProgressFillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(ProgressFillTest, FillsFromTheLeft) {
    const FillCase& c = GetParam();
    EXPECT_EQ(ProgressFillWidth(c.width, c.position, c.range), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressFillTest,
    ::testing::Values(
        FillCase{"empty_at_minimum", 200, 0, {0, 100}, 0}, FillCase{"half", 200, 50, {0, 100}, 100},
        FillCase{"full", 200, 100, {0, 100}, 200}, FillCase{"truncated", 200, 33, {0, 100}, 66},
        FillCase{"offset_range", 90, 20, {10, 40}, 30},
        FillCase{"above_maximum_is_empty", 200, 101, {0, 100}, 0},
        FillCase{"below_minimum_is_empty", 200, -1, {0, 100}, 0},
        FillCase{"one_value_range", 200, 5, {5, 5}, 0}, FillCase{"no_width", 0, 50, {0, 100}, 0},
        FillCase{"large_values_no_overflow", 100000, 30000, {0, 60000}, 50000}),
    [](const auto& info) { return caseName(info.param.name); });

TEST(SliderScale, InsideOutRangeHoldsOnlyItsMinimum) {
    const SliderRange range{5, 1};
    EXPECT_EQ(range.span(), 0);
    EXPECT_EQ(range.clamp(3), 5);
    EXPECT_EQ(range.orMinimum(5), 5);
    EXPECT_EQ(range.orMinimum(3), 5);
}

}  // namespace
}  // namespace x5k::controls
