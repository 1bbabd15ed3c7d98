#include "controls/ListRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace x5k::controls {
namespace {

struct ValueCase {
    int kind;
    uint32_t value;
    uint32_t stored;
};

class RowItemValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RowItemValueTest, KindTakesTheTopByteOnly) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(RowItemValue(c.kind, c.value), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowItemValueTest,
    ::testing::Values(
        // A macro ID keeps its group byte when the row is plain.
        ValueCase{0, 0x15123456u, 0x15123456u}, ValueCase{2, 0x00000041u, 0x02000041u},
        ValueCase{3, 0xFF123456u, 0x03123456u}, ValueCase{4, 50u, 0x04000032u},
        ValueCase{255, 0xFFFFFFFFu, 0xFFFFFFFFu}, ValueCase{1, 0xAB000000u, 0x01000000u},
        // Kinds outside 1..255 are no kinds: the value stays as given.
        ValueCase{256, 0x12345678u, 0x12345678u}, ValueCase{-1, 0x12345678u, 0x12345678u}));

// A list redrawn from the changed run, with its rows as letters: what stays at the start
// and end is left alone, so applying the run to `before` gives `after`.
TEST(ChangedRunTest, LeavesTheUnchangedEndsAlone) {
    const struct {
        std::string before, after;
        x5k::controls::ChangedRun run;
    } cases[] = {
        {"", "", {0, 0}},           {"", "ab", {0, 0}},
        {"abc", "abc", {3, 0}},     {"abc", "abcd", {3, 0}},  // a recorded input
        {"abcd", "axybcd", {1, 3}},                           // two rows inserted at the second
        {"abcd", "acd", {1, 2}},                              // one deleted
        {"abcd", "abXd", {2, 1}},                             // one renamed
        {"aaaa", "aaaaaa", {4, 0}},                           // repeated rows never count twice
        {"aaaa", "aa", {2, 0}},     {"abc", "", {0, 0}},
    };
    for (const auto& c : cases) {
        const std::vector<char> before(c.before.begin(), c.before.end());
        const std::vector<char> after(c.after.begin(), c.after.end());
        const x5k::controls::ChangedRun run = x5k::controls::FindChangedRun(before, after);
        EXPECT_EQ(run, c.run) << c.before << " -> " << c.after;
        std::string rebuilt = c.before.substr(0, run.head) +
                              c.after.substr(run.head, c.after.size() - run.head - run.tail) +
                              c.before.substr(c.before.size() - run.tail);
        EXPECT_EQ(rebuilt, c.after) << c.before << " -> " << c.after;
    }
}

TEST(RowKindTest, ReadsBackTheKind) {
    for (int kind = 1; kind <= 255; ++kind) {
        EXPECT_EQ(RowKind(RowItemValue(kind, 0x00ABCDEFu)), kind);
    }
}

struct RowLookCase {
    int kind;
    bool showIcons;
    std::string normalIcon;
    std::string selectedIcon;
    int textLeft;
};

class RowLookTest : public ::testing::TestWithParam<RowLookCase> {};

TEST_P(RowLookTest, IconAndTextStart) {
    const RowLookCase& c = GetParam();
    EXPECT_EQ(std::string(RowIconFile(c.kind, false)), c.normalIcon);
    EXPECT_EQ(std::string(RowIconFile(c.kind, true)), c.selectedIcon);
    EXPECT_EQ(RowTextLeft(c.kind, c.showIcons), c.textLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowLookTest,
    ::testing::Values(RowLookCase{0, true, "", "", 5}, RowLookCase{1, true, "", "", 26},
                      RowLookCase{2, true, "up_normal.png", "up_select.png", 26},
                      RowLookCase{3, true, "down_normal.png", "down_select.png", 26},
                      RowLookCase{4, true, "delay_normal.png", "delay_select.png", 26},
                      RowLookCase{5, true, "", "", 5},
                      // A list that does not show icons starts every row at 5.
                      RowLookCase{2, false, "up_normal.png", "up_select.png", 5},
                      RowLookCase{1, false, "", "", 5}));

TEST(ScrollInfoTest, StepsConvertToTheWholeRange) {
    // Qt keeps the highest position (10) and the page (5): the content spans 0..14.
    const ScrollInfo info = ScrollInfoFromSteps(0, 10, 5, 3);
    EXPECT_EQ(info, (ScrollInfo{0, 14, 5, 3}));
    EXPECT_EQ(info.maxPosition(), 10);
    EXPECT_TRUE(info.scrollable());
    // Everything fits: nothing to scroll.
    EXPECT_FALSE(ScrollInfoFromSteps(0, 0, 12, 0).scrollable());
    EXPECT_FALSE((ScrollInfo{0, 9, 20, 0}).scrollable());
    EXPECT_FALSE((ScrollInfo{}).scrollable());
    // A value outside the range is clamped.
    EXPECT_EQ(ScrollInfoFromSteps(0, 10, 5, 99).pos, 10);
}

struct TargetCase {
    ScrollCode code;
    int pos;
    int track;
    int expected;
};

class ScrollTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(ScrollTargetTest, MovesAndClamps) {
    const TargetCase& c = GetParam();
    const ScrollInfo info{0, 29, 10, c.pos};  // positions 0..20
    EXPECT_EQ(ScrollTarget(info, c.code, c.track), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, ScrollTargetTest,
    ::testing::Values(
        TargetCase{ScrollCode::LineUp, 5, 0, 4}, TargetCase{ScrollCode::LineUp, 0, 0, 0},
        TargetCase{ScrollCode::LineDown, 5, 0, 6}, TargetCase{ScrollCode::LineDown, 20, 0, 20},
        TargetCase{ScrollCode::PageUp, 5, 0, 0}, TargetCase{ScrollCode::PageDown, 5, 0, 15},
        TargetCase{ScrollCode::PageDown, 15, 0, 20}, TargetCase{ScrollCode::ThumbTrack, 5, 12, 12},
        TargetCase{ScrollCode::ThumbPosition, 5, 40, 20}, TargetCase{ScrollCode::Top, 5, 0, 0},
        TargetCase{ScrollCode::Bottom, 5, 0, 20}, TargetCase{ScrollCode::EndScroll, 5, 12, 5}));

TEST(ScrollLayoutTest, PartsAlongTheBar) {
    // 200 pixels, cells of 18, content 0..99 with a page of 25 at the top.
    const ScrollInfo info{0, 99, 25, 0};
    const ScrollLayout layout = LayoutScrollBar(200, 18, info);
    EXPECT_EQ(layout.arrowUpEnd, 18);
    EXPECT_EQ(layout.arrowDownStart, 182);
    EXPECT_EQ(layout.thumbStart, 18);
    EXPECT_EQ(layout.thumbEnd, 18 + 164 * 25 / 100);

    const ScrollLayout bottom = LayoutScrollBar(200, 18, ScrollInfo{0, 99, 25, 75});
    EXPECT_EQ(bottom.thumbEnd, 182);
}

TEST(ScrollLayoutTest, ThumbNeverShorterThanACell) {
    const ScrollLayout layout = LayoutScrollBar(200, 18, ScrollInfo{0, 9999, 10, 0});
    EXPECT_EQ(layout.thumbEnd - layout.thumbStart, 18);
}

TEST(ScrollLayoutTest, NoThumbWithoutAnythingToScrollOrRoom) {
    EXPECT_FALSE(LayoutScrollBar(200, 18, ScrollInfo{0, 9, 20, 0}).hasThumb());
    // A track of 10 pixels cannot hold a thumb of a cell.
    EXPECT_FALSE(LayoutScrollBar(46, 18, ScrollInfo{0, 99, 10, 0}).hasThumb());
    // A bar shorter than two cells splits itself between the arrows.
    const ScrollLayout tiny = LayoutScrollBar(20, 18, ScrollInfo{0, 99, 10, 0});
    EXPECT_EQ(tiny.arrowUpEnd, 10);
    EXPECT_EQ(tiny.arrowDownStart, 10);
}

struct HitCase {
    int offset;
    ScrollPart part;
};

class HitScrollPartTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitScrollPartTest, FindsThePart) {
    // Thumb at [59, 100) for the position 25 of 0..75.
    const ScrollLayout layout = LayoutScrollBar(200, 18, ScrollInfo{0, 99, 25, 25});
    ASSERT_EQ(layout.thumbStart, 59);
    ASSERT_EQ(layout.thumbEnd, 100);
    EXPECT_EQ(HitScrollPart(layout, GetParam().offset), GetParam().part);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, HitScrollPartTest,
    ::testing::Values(HitCase{-1, ScrollPart::None}, HitCase{0, ScrollPart::LineUpArrow},
                      HitCase{17, ScrollPart::LineUpArrow}, HitCase{18, ScrollPart::PageUpTrack},
                      HitCase{58, ScrollPart::PageUpTrack}, HitCase{59, ScrollPart::Thumb},
                      HitCase{99, ScrollPart::Thumb}, HitCase{100, ScrollPart::PageDownTrack},
                      HitCase{181, ScrollPart::PageDownTrack},
                      HitCase{182, ScrollPart::LineDownArrow},
                      HitCase{199, ScrollPart::LineDownArrow}, HitCase{200, ScrollPart::None}));

TEST(ScrollLayoutTest, DraggedThumbPositionRoundTrips) {
    const ScrollInfo info{0, 99, 25, 0};
    const ScrollLayout layout = LayoutScrollBar(200, 18, info);
    for (int pos = 0; pos <= info.maxPosition(); ++pos) {
        EXPECT_EQ(ThumbPosition(layout, info, ThumbStartFor(layout, info, pos)), pos) << pos;
    }
    // Dragging past either end stops at the ends of the range.
    EXPECT_EQ(ThumbPosition(layout, info, -50), 0);
    EXPECT_EQ(ThumbPosition(layout, info, 500), 75);
}

TEST(ScrollLayoutTest, PartsHaveCommands) {
    EXPECT_EQ(PartCommand(ScrollPart::LineUpArrow), ScrollCode::LineUp);
    EXPECT_EQ(PartCommand(ScrollPart::LineDownArrow), ScrollCode::LineDown);
    EXPECT_EQ(PartCommand(ScrollPart::PageUpTrack), ScrollCode::PageUp);
    EXPECT_EQ(PartCommand(ScrollPart::PageDownTrack), ScrollCode::PageDown);
    EXPECT_FALSE(PartCommand(ScrollPart::Thumb).has_value());
    EXPECT_FALSE(PartCommand(ScrollPart::None).has_value());
}

struct CellCase {
    bool vertical;
    ScrollPart part;
    CellState state;
    CellRect cell;
};

class SkinCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(SkinCellTest, CellOfPartAndState) {
    const CellCase& c = GetParam();
    // The program's skin is 163 pixels wide: cells of 18.
    EXPECT_EQ(SkinCell(c.vertical, c.part, c.state, SkinCellSize(163)), c.cell);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, SkinCellTest,
    ::testing::Values(
        CellCase{true, ScrollPart::LineUpArrow, CellState::Normal, {0, 0, 18, 18}},
        CellCase{true, ScrollPart::LineDownArrow, CellState::Hover, {18, 18, 18, 18}},
        CellCase{true, ScrollPart::Thumb, CellState::Pressed, {36, 36, 18, 18}},
        CellCase{true, ScrollPart::PageUpTrack, CellState::Normal, {54, 0, 18, 18}},
        CellCase{true, ScrollPart::PageDownTrack, CellState::Normal, {54, 0, 18, 18}},
        CellCase{false, ScrollPart::LineUpArrow, CellState::Normal, {72, 0, 18, 18}},
        CellCase{false, ScrollPart::LineDownArrow, CellState::Pressed, {90, 36, 18, 18}},
        CellCase{false, ScrollPart::Thumb, CellState::Hover, {108, 18, 18, 18}},
        CellCase{false, ScrollPart::PageDownTrack, CellState::Normal, {126, 0, 18, 18}},
        CellCase{true, ScrollPart::None, CellState::Normal, {}}));

TEST(RepeatScheduleTest, OnceAtPressThenAfter500EveryHundred) {
    const std::vector<std::pair<int, int>> expected = {{0, 1},   {499, 1}, {500, 2},
                                                       {599, 2}, {600, 3}, {1000, 7}};
    for (const auto& [ms, commands] : expected) {
        EXPECT_EQ(CommandsAfter(kScrollRepeat, ms), commands) << ms;
    }
}

}  // namespace
}  // namespace x5k::controls
