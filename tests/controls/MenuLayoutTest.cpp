#include "controls/MenuLayout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace x5k::controls {
namespace {

using Kind = MenuEntryKind;
constexpr Kind I = Kind::Item;
constexpr Kind S = Kind::Separator;

TEST(MenuLayoutTest, StacksItemsAndSeparatorsAndSizesThePopup) {
    const std::vector<Kind> kinds = {I, S, I, I, S, S, I};
    const MenuLayout layout = LayOutMenu(kinds);
    const std::vector<MenuSlot> expected = {
        {{6, 6, 110, 28}, false},   {{32, 30, 110, 31}, true}, {{6, 32, 110, 54}, false},
        {{6, 54, 110, 76}, false},  {{32, 78, 110, 79}, true}, {{32, 82, 110, 83}, true},
        {{6, 84, 110, 106}, false},
    };
    EXPECT_EQ(layout.entries, expected);
    EXPECT_EQ(layout.width, 116);
    EXPECT_EQ(layout.height, 109);
}

TEST(MenuLayoutTest, TwelveLanguagesMakeAPopupOf273Pixels) {
    const std::vector<Kind> kinds(12, I);
    const MenuLayout layout = LayOutMenu(kinds);
    EXPECT_EQ(layout.height, 6 + 12 * 22 + 3);
    EXPECT_EQ(LayOutMenu({}).height, 9);
}

struct HitCase {
    const char* name;
    int x;
    int y;
    std::optional<std::size_t> entry;
};

class MenuHitTestTable : public testing::TestWithParam<HitCase> {};

TEST_P(MenuHitTestTable, FindsTheFirstItemUnderThePoint) {
    const std::vector<Kind> kinds = {I, S, I};
    const MenuLayout layout = LayOutMenu(kinds);
    EXPECT_EQ(MenuHitTest(layout, GetParam().x, GetParam().y), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(Points, MenuHitTestTable,
                         testing::Values(HitCase{"first item top-left", 6, 6, 0},
                                         HitCase{"first item inside", 50, 20, 0},
                                         HitCase{"first item last pixel", 109, 27, 0},
                                         HitCase{"right edge is outside", 110, 10, std::nullopt},
                                         HitCase{"left margin", 5, 10, std::nullopt},
                                         HitCase{"top margin", 50, 5, std::nullopt},
                                         HitCase{"on the separator line", 50, 30, std::nullopt},
                                         HitCase{"gap above the separator", 50, 29, std::nullopt},
                                         HitCase{"second item", 50, 32, 2},
                                         HitCase{"bottom margin", 50, 55, std::nullopt},
                                         HitCase{"outside the pop-up", -3, -3, std::nullopt}),
                         [](const testing::TestParamInfo<HitCase>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// A gesture is a sequence of pointer events; the outcome is what the release chose and
// what stays highlighted afterwards.
struct Step {
    enum Kind { Move, Press, Release, Leave } kind;
    int x = 0;
    int y = 0;
};

struct GestureCase {
    const char* name;
    std::vector<Step> steps;
    std::optional<std::size_t> chosen;
    std::optional<std::size_t> highlightedAfter;
};

class MenuTrackerTable : public testing::TestWithParam<GestureCase> {};

TEST_P(MenuTrackerTable, ChoosesOnlyWhatWasPressedAndReleasedOn) {
    const std::vector<Kind> kinds = {I, S, I, I};  // items at y 6..27, 32..53, 54..75
    const MenuLayout layout = LayOutMenu(kinds);
    MenuTracker tracker;
    std::optional<std::size_t> chosen;
    for (const Step& step : GetParam().steps) {
        switch (step.kind) {
            case Step::Move:
                tracker.move(layout, step.x, step.y);
                break;
            case Step::Press:
                tracker.press(layout, step.x, step.y);
                break;
            case Step::Release:
                chosen = tracker.release(layout, step.x, step.y);
                break;
            case Step::Leave:
                tracker.leave();
                break;
        }
    }
    EXPECT_EQ(chosen, GetParam().chosen);
    EXPECT_EQ(tracker.highlighted(), GetParam().highlightedAfter);
    EXPECT_FALSE(tracker.pressed());
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, MenuTrackerTable,
    testing::Values(
        GestureCase{"click on an item",
                    {{Step::Move, 20, 40}, {Step::Press, 20, 40}, {Step::Release, 20, 40}},
                    2,
                    2},
        GestureCase{
            "click without a move first", {{Step::Press, 20, 60}, {Step::Release, 20, 60}}, 3, 3},
        GestureCase{"press moves inside the same item",
                    {{Step::Press, 20, 40}, {Step::Move, 100, 50}, {Step::Release, 100, 50}},
                    2,
                    2},
        GestureCase{"press on one item, release over another",
                    {{Step::Press, 20, 10}, {Step::Move, 20, 60}, {Step::Release, 20, 60}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"press on an item, release outside",
                    {{Step::Press, 20, 10}, {Step::Release, 200, 200}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"click on the separator",
                    {{Step::Move, 50, 30}, {Step::Press, 50, 30}, {Step::Release, 50, 30}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"click in the margin",
                    {{Step::Move, 2, 2}, {Step::Press, 2, 2}, {Step::Release, 2, 2}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"press in the margin, release on an item",
                    {{Step::Press, 2, 2}, {Step::Move, 20, 10}, {Step::Release, 20, 10}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"release without a press",
                    {{Step::Move, 20, 10}, {Step::Release, 20, 10}},
                    std::nullopt,
                    std::nullopt},
        GestureCase{"hover follows the pointer",
                    {{Step::Move, 20, 10}, {Step::Move, 20, 70}},
                    std::nullopt,
                    3},
        GestureCase{"leaving clears the hover",
                    {{Step::Move, 20, 10}, {Step::Leave}},
                    std::nullopt,
                    std::nullopt}),
    [](const testing::TestParamInfo<GestureCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

TEST(MenuTrackerTest, HighlightHoldsWhileTheButtonIsDown) {
    const std::vector<Kind> kinds = {I, I};
    const MenuLayout layout = LayOutMenu(kinds);
    MenuTracker tracker;
    EXPECT_TRUE(tracker.press(layout, 20, 10));
    EXPECT_FALSE(tracker.move(layout, 20, 40));
    EXPECT_FALSE(tracker.leave());
    EXPECT_EQ(tracker.highlighted(), 0u);
    // Staying within the highlighted row asks for no redraw.
    tracker.release(layout, 20, 10);
    EXPECT_FALSE(tracker.move(layout, 60, 20));
}

TEST(MenuTrackerTest, DirectHighlightRefusesSeparatorsAndMissingEntries) {
    const std::vector<Kind> kinds = {I, S, I};
    const MenuLayout layout = LayOutMenu(kinds);
    MenuTracker tracker;
    tracker.highlight(layout, 2);
    EXPECT_EQ(tracker.highlighted(), 2u);
    tracker.highlight(layout, 1);
    EXPECT_EQ(tracker.highlighted(), std::nullopt);
    tracker.highlight(layout, 9);
    EXPECT_EQ(tracker.highlighted(), std::nullopt);
}

TEST(MenuItemRecordTest, FieldsSitWhereTheMenuReadsThem) {
    EXPECT_EQ(sizeof(MenuItemRecord), 88u);
    MenuItemRecord item;
    item.setParentId(255);
    item.setItemId(21);
    item.setText("AB");
    const auto bytes = item.bytes();
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[4], 21);
    EXPECT_EQ(bytes[8], 'A');
    EXPECT_EQ(bytes[9], 0);
    EXPECT_EQ(bytes[10], 'B');
    EXPECT_EQ(bytes[12], 0);
    EXPECT_EQ(bytes[13], 0);
}

struct TextCase {
    const char* name;
    std::string text;
    std::string stored;
    bool whole;
};

class MenuItemTextTable : public testing::TestWithParam<TextCase> {};

TEST_P(MenuItemTextTable, KeepsAtMost39UnitsAndTheTerminator) {
    MenuItemRecord item;
    // A previous longer text must not show through.
    item.setText(std::string(60, 'x'));
    EXPECT_EQ(item.setText(GetParam().text), GetParam().whole);
    EXPECT_EQ(item.text(), GetParam().stored);
    const auto bytes = item.bytes();
    EXPECT_EQ(bytes[8 + 39 * 2], 0);
    EXPECT_EQ(bytes[8 + 39 * 2 + 1], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MenuItemTextTable,
    testing::Values(TextCase{"short", "Minecraft", "Minecraft", true},
                    TextCase{"exactly39", std::string(39, 'a'), std::string(39, 'a'), true},
                    TextCase{"forty", std::string(40, 'a'), std::string(39, 'a'), false},
                    TextCase{"long", std::string(100, 'b'), std::string(39, 'b'), false},
                    // A character outside the basic plane takes two units and is never split.
                    TextCase{"pairAtTheEnd", std::string(38, 'c') + "\xF0\x9F\x8E\xAE",
                             std::string(38, 'c'), false},
                    TextCase{"empty", "", "", true}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(MacroGroupMenuTest, HoldsTheTwentyOneGroupsAtTopLevel) {
    for (const bool chinese : {false, true}) {
        const MenuItemArray menu = BuildMacroGroupMenu(chinese);
        ASSERT_EQ(menu.count, 21);
        for (int i = 0; i < menu.count; ++i) {
            const MenuItemRecord& item = menu.items[static_cast<std::size_t>(i)];
            EXPECT_EQ(item.parentId(), kMenuTopLevel);
            EXPECT_EQ(item.itemId(), i + 1);
            EXPECT_FALSE(item.text().empty());
        }
        // The rest of the room stays empty.
        EXPECT_EQ(menu.items[21], MenuItemRecord{});
        EXPECT_EQ(menu.items[199], MenuItemRecord{});
    }
    const MenuItemArray english = BuildMacroGroupMenu(false);
    EXPECT_EQ(english.items[0].text(), "Battlefield 3 ");
    EXPECT_EQ(english.items[20].text(), "Customize");
    EXPECT_EQ(BuildMacroGroupMenu(true).items[16].text(), "我的世界");
}

}  // namespace
}  // namespace x5k::controls
