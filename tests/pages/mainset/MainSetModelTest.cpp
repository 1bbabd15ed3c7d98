#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "functions/FunctionCatalogue.h"
#include "pages/mainset/MainSetModel.h"
#include "support/RecordingUserMessages.h"
#include "support/UsKeyboardLayout.h"

namespace x5k::mainset {
namespace {

using List = std::array<int32_t, profile::kResolutionSlots>;

ProfileImage WithList(const List& list) {
    ProfileImage image = DefaultProfile(false);
    for (int slot = 0; slot < profile::kResolutionSlots; ++slot) {
        image.set(profile::Resolution(slot), list[static_cast<size_t>(slot)]);
    }
    return image;
}

List ListOf(const ProfileImage& image) {
    List list{};
    for (int slot = 0; slot < profile::kResolutionSlots; ++slot) {
        list[static_cast<size_t>(slot)] = image.get(profile::Resolution(slot));
    }
    return list;
}

// Clicks on the resolution boxes, from a stored list, and the list they leave.
struct ClickCase {
    const char* name;
    List before;
    std::vector<int> clicks;  // box indices, 0 = 500 ... 7 = 3000
    List after;
};

class ResolutionClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ResolutionClickTest, LeavesOneToFiveLevelsInResolutionOrder) {
    const ClickCase& c = GetParam();
    ProfileImage image = WithList(c.before);
    MainSetModel model(image);  // shows the profile from the start
    for (int box : c.clicks) model.clickResolutionBox(box);
    EXPECT_EQ(ListOf(image), c.after);
    EXPECT_EQ(model.view().resolutionBoxes, BoxesForList(image));
}

const ClickCase kClickCases[] = {
    {"SecondOfTwoGoesOff", {500, 1000}, {2}, {500}},
    {"LastOneStaysOn", {500, 1000}, {2, 0}, {500}},
    {"FiveOnOffBoxStaysOff", {750, 1000, 1500, 2000, 3000}, {0}, {750, 1000, 1500, 2000, 3000}},
    {"FiveOnOnBoxGoesOff", {750, 1000, 1500, 2000, 3000}, {4}, {750, 1000, 2000, 3000}},
    {"FiveOnThenRoomForAnother",
     {750, 1000, 1500, 2000, 3000},
     {4, 0},
     {500, 750, 1000, 2000, 3000}},
    {"BoxOrderNotClickOrder", {500}, {7, 1}, {500, 750, 3000}},
    {"OutOfRangeBoxChangesNothing", {1000}, {8, -1}, {1000}},
    // Damaged lists: the first click rebuilds the list from the boxes shown.
    {"AllZeroFirstClickTurnsOn", {}, {3}, {1250}},
    {"UnknownValuesAreDropped", {800, 1600, 1000}, {7}, {1000, 3000}},
    {"UnsortedListIsSorted", {3000, 750}, {2}, {750, 1000, 3000}},
    {"GapInListIsClosed", {750, 0, 1000}, {6}, {750, 1000, 2000}},
    {"DuplicatesCollapse", {1000, 1000, 1000}, {0}, {500, 1000}},
    {"SlotsPastTheFifthAreCleared",
     {500, 750, 1000, 1250, 1500, 1750, 2000, 3000},
     {0},
     {750, 1000, 1250, 1500}},
    {"OnlyUnknownValuesClickTurnsOn", {1, -5, 99999}, {0}, {500}},
};

INSTANTIATE_TEST_SUITE_P(Table, ResolutionClickTest, ::testing::ValuesIn(kClickCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResolutionClickTest, NoClickSequenceLeavesFewerThanOneOrMoreThanFive) {
    // Every box clicked in turn, twice round, from each level count: the rules hold the
    // count in 1..5 whatever the order.
    for (int start = 0; start <= kResolutionBoxes; ++start) {
        List list{};
        for (int box = 0; box < start; ++box) {
            list[static_cast<size_t>(box)] = kResolutionChoices[static_cast<size_t>(box)];
        }
        ProfileImage image = WithList(list);
        MainSetModel model(image);
        model.RefreshFromProfile();
        for (int click = 0; click < 2 * kResolutionBoxes; ++click) {
            model.clickResolutionBox((click * 3) % kResolutionBoxes);
            const List now = ListOf(image);
            const auto levels = std::count_if(now.begin(), now.end(), [](int32_t v) { return v; });
            EXPECT_GE(levels, 1) << start << " " << click;
            EXPECT_LE(levels, kMaxLevels) << start << " " << click;
            EXPECT_TRUE(std::is_sorted(now.begin(), now.begin() + levels));
        }
    }
}

// The lines box text brought into range.
struct LinesCase {
    const char* text;
    const char* shown;
    int value;
    int caret;
};

class ValidateScrollLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ValidateScrollLinesTest, NormalisesTheText) {
    const LinesCase& c = GetParam();
    const ScrollLinesFix fix = ValidateScrollLines(c.text);
    EXPECT_EQ(fix.text, c.shown);
    EXPECT_EQ(fix.value, c.value);
    EXPECT_EQ(fix.caret, c.caret);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValidateScrollLinesTest,
    ::testing::Values(
        LinesCase{"007", "7", 7, 1}, LinesCase{"45", "30", 30, 2}, LinesCase{"", "1", 1, 0},
        LinesCase{"0", "1", 1, 1}, LinesCase{"000", "1", 1, 1}, LinesCase{"30", "30", 30, 2},
        LinesCase{"31", "30", 30, 2}, LinesCase{"1", "1", 1, 1}, LinesCase{"010", "10", 10, 2},
        // Too long for any integer: still the maximum, never an overflow.
        LinesCase{"99999999999999999999999", "30", 30, 2},
        // Pasted text: only the leading digits count.
        LinesCase{"12ab", "12", 12, 2}, LinesCase{"-5", "1", 1, 1}, LinesCase{"abc", "1", 1, 1}));

// What the page shows for a profile, and that showing it writes nothing.
struct ViewCase {
    const char* name;
    std::array<int32_t, 3> list;
    int32_t rate, lines, speed, height, precision;
    const char* shown;  // as Describe() puts it
};

constexpr bool T = true, F = false;

std::string Describe(const ViewState& v) {
    std::string boxes;
    for (bool on : v.resolutionBoxes) boxes += on ? '1' : '0';
    const bool linesConsistent = v.linesRadio != v.screenRadio &&
                                 v.linesEditEnabled == v.linesRadio &&
                                 v.linesText == std::to_string(v.linesValue);
    return "boxes " + boxes + " rate " + (v.rateRadio ? std::to_string(*v.rateRadio) : "-") +
           " lines " + (v.screenRadio ? "screen" : v.linesText) +
           (linesConsistent ? "" : " (inconsistent)") + " speed " +
           std::to_string(v.speedPosition) + " height " + std::to_string(v.heightPosition) +
           " precision " + (v.precision ? "1" : "0");
}

class RefreshFromProfileTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RefreshFromProfileTest, ShowsWhatCanBeShownAndWritesNothing) {
    const ViewCase& c = GetParam();
    ProfileImage image = WithList({c.list[0], c.list[1], c.list[2]});
    image.set(profile::kReportRate, c.rate);
    image.set(profile::kScrollLines, c.lines);
    image.set(profile::kPointerSpeed, c.speed);
    image.set(profile::kSensorHeight, c.height);
    image.set(profile::kPrecision, c.precision);
    const ProfileImage before = image;

    MainSetModel model(image);
    EXPECT_EQ(Describe(model.RefreshFromProfile()), c.shown);
    // Neither the refresh nor the 4-second timer touches a profile nobody edited.
    EXPECT_FALSE(model.validateTimerTick());
    EXPECT_TRUE(image == before);
}

// clang-format off
const ViewCase kViewCases[] = {
    {"Defaults", {750, 1000, 1500}, 1, 3, 10, 15, 0,
     "boxes 01101000 rate 2 lines 3 speed 10 height 15 precision 0"},
    {"Rate125", {500}, 8, 30, 20, 30, 1, "boxes 10000000 rate 0 lines 30 speed 20 height 30 precision 1"},
    {"Rate500", {500}, 2, 1, 1, 1, 0, "boxes 10000000 rate 1 lines 1 speed 1 height 1 precision 0"},
    {"RateCode4", {500}, 4, 3, 10, 15, 0, "boxes 10000000 rate - lines 3 speed 10 height 15 precision 0"},
    {"RateCode0", {500}, 0, 3, 10, 15, 0, "boxes 10000000 rate - lines 3 speed 10 height 15 precision 0"},
    {"ByScreen", {500}, 1, -1, 10, 15, 0, "boxes 10000000 rate 2 lines screen speed 10 height 15 precision 0"},
    {"AllZeroList", {0, 0, 0}, 1, 3, 10, 15, 0, "boxes 00000000 rate 2 lines 3 speed 10 height 15 precision 0"},
    {"UnknownResolutions", {800, 1600, 3000}, 1, 3, 10, 15, 0,
     "boxes 00000001 rate 2 lines 3 speed 10 height 15 precision 0"},
    {"UnsortedList", {3000, 500, 1250}, 1, 3, 10, 15, 0,
     "boxes 10010001 rate 2 lines 3 speed 10 height 15 precision 0"},
    {"LinesAbove30", {500}, 1, 45, 10, 15, 0, "boxes 10000000 rate 2 lines 30 speed 10 height 15 precision 0"},
    {"LinesZero", {500}, 1, 0, 10, 15, 0, "boxes 10000000 rate 2 lines 1 speed 10 height 15 precision 0"},
    {"LinesNegative", {500}, 1, -7, 10, 15, 0, "boxes 10000000 rate 2 lines 1 speed 10 height 15 precision 0"},
    {"SlidersOutside", {500}, 1, 3, 21, 0, 0, "boxes 10000000 rate 2 lines 3 speed 1 height 1 precision 0"},
    {"PrecisionTwo", {500}, 1, 3, 10, 15, 2, "boxes 10000000 rate 2 lines 3 speed 10 height 15 precision 0"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, RefreshFromProfileTest, ::testing::ValuesIn(kViewCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RefreshFromProfileTest, ReadsOnlyTheFirstFiveSlots) {
    ProfileImage image = WithList({500, 750, 1000, 1250, 1500, 1750, 2000, 3000});
    MainSetModel model(image);
    EXPECT_EQ(model.RefreshFromProfile().resolutionBoxes,
              (ResolutionBoxes{T, T, T, T, T, F, F, F}));
}

// A function picked from the pop-up's list.
AssignmentResult Chosen(int button, int32_t code) {
    AssignmentResult result;
    result.button = button;
    result.code = code;
    return result;
}

// A tab clicked, its pop-up ended with OK (a result) or not, from a default profile.
struct TabCase {
    const char* name;
    int button;
    std::optional<AssignmentResult> result;
    std::array<bool, kButtonCount> modified;
    int openAfter;
    const char* message;  // the refusal shown, empty for none
};

class ButtonTabTest : public ::testing::TestWithParam<TabCase> {};

TEST_P(ButtonTabTest, StoresOrRefusesAndTheTabLookFollows) {
    const TabCase& c = GetParam();
    ProfileImage image = DefaultProfile(false);
    image.set(profile::FunctionCode(6), 0);  // a modified tab that must stay modified
    std::array<int32_t, kButtonCount> macroIds{};
    test::RecordingUserMessages messages;
    const test::UsKeyboardLayout keys;
    MainSetModel model(image);
    model.RefreshFromProfile();

    // The pop-up shows a default function's name in the interface's language.
    EXPECT_EQ(model.openButton(c.button, true),
              FunctionName(kDefaultFunctionCodes[static_cast<size_t>(c.button)], true));
    const auto outcome = model.closeButton(c.result, {macroIds, false, messages, keys, {}});
    EXPECT_EQ(outcome.has_value(), c.result.has_value());
    EXPECT_EQ(model.view().tabModified, c.modified);
    EXPECT_EQ(model.openedButton(), c.openAfter);
    EXPECT_EQ(messages.texts(), std::string(c.message).empty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{c.message});
}

// clang-format off
const TabCase kTabCases[] = {
    {"Cancelled", 2, std::nullopt, {F, F, F, F, F, F, T}, 2, ""},
    {"Stored", 2, Chosen(2, 8), {F, F, T, F, F, F, T}, -1, ""},
    {"DefaultAgainLooksNormal", 6, Chosen(6, 22), {F, F, F, F, F, F, F}, -1, ""},
    {"LastClickRefused", 0, Chosen(0, 4), {F, F, F, F, F, F, T}, -1,
     "At least one button must be configured as 'Left click'!"},
    {"SniperOnWheelRefused", 5, Chosen(5, kFunctionSniper), {F, F, F, F, F, F, T}, -1,
     "This key can not use the sniper function!"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, ButtonTabTest, ::testing::ValuesIn(kTabCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The controls other than the resolution boxes, one step from a default profile each.
struct EditCase {
    const char* name;
    void (*edit)(MainSetModel&);
    I32Field field;
    int32_t stored;
    // The view equals a fresh refresh's; scrolling by screen keeps the lines typed before,
    // which a refresh would show as 1.
    bool likeRefresh = true;
};

class EditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditTest, StoresIntoTheProfile) {
    const EditCase& c = GetParam();
    ProfileImage image = DefaultProfile(false);
    MainSetModel model(image);
    model.RefreshFromProfile();
    ProfileImage expected = image;
    expected.set(c.field, c.stored);
    c.edit(model);
    EXPECT_TRUE(image == expected) << image.get(c.field);
    if (c.likeRefresh) {
        EXPECT_EQ(model.view(), ViewForProfile(image));
    }
}

// clang-format off
const EditCase kEditCases[] = {
    {"Rate125", [](MainSetModel& m) { m.clickRate(0); }, profile::kReportRate, 8},
    {"Rate500", [](MainSetModel& m) { m.clickRate(1); }, profile::kReportRate, 2},
    {"Rate1000", [](MainSetModel& m) { m.clickRate(2); }, profile::kReportRate, 1},
    {"RateOutsideIgnored", [](MainSetModel& m) { m.clickRate(3); }, profile::kReportRate, 1},
    {"PrecisionOn", [](MainSetModel& m) { m.clickPrecision(); }, profile::kPrecision, 1},
    {"PrecisionOnOff", [](MainSetModel& m) { m.clickPrecision(); m.clickPrecision(); }, profile::kPrecision, 0},
    {"Speed", [](MainSetModel& m) { m.moveSlider(kSpeedSliderId, 20); }, profile::kPointerSpeed, 20},
    {"SpeedOutsideIgnored", [](MainSetModel& m) { m.moveSlider(kSpeedSliderId, 21); }, profile::kPointerSpeed, 10},
    {"Height", [](MainSetModel& m) { m.moveSlider(kHeightSliderId, 30); }, profile::kSensorHeight, 30},
    {"UnknownSliderIgnored", [](MainSetModel& m) { m.moveSlider(2561, 5); }, profile::kSensorHeight, 15},
    {"ScreenRadio", [](MainSetModel& m) { m.clickScreenRadio(); }, profile::kScrollLines, -1, false},
    {"ScreenThenLines", [](MainSetModel& m) { m.clickScreenRadio(); m.clickLinesRadio(); }, profile::kScrollLines, 3},
    {"StepUp", [](MainSetModel& m) { m.stepLinesUp(); }, profile::kScrollLines, 4},
    {"StepDown", [](MainSetModel& m) { m.stepLinesDown(); }, profile::kScrollLines, 2},
    {"StepDownStopsAt1", [](MainSetModel& m) { for (int i = 0; i < 5; ++i) m.stepLinesDown(); }, profile::kScrollLines, 1},
    {"StepUpStopsAt30", [](MainSetModel& m) { for (int i = 0; i < 40; ++i) m.stepLinesUp(); }, profile::kScrollLines, 30},
    {"Typed007", [](MainSetModel& m) { m.typeLines("007"); (void)m.validateTimerTick(); }, profile::kScrollLines, 7},
    {"Typed45", [](MainSetModel& m) { m.typeLines("45"); (void)m.validateTimerTick(); }, profile::kScrollLines, 30},
    {"Cleared", [](MainSetModel& m) { m.typeLines(""); (void)m.validateTimerTick(); }, profile::kScrollLines, 1},
    {"TypedThenApply", [](MainSetModel& m) { m.typeLines("12"); m.beforeApply(); }, profile::kScrollLines, 12},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, EditTest, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollLinesTimerTest, RunsOnlyWhileTheLinesRadioIsSelected) {
    ProfileImage image = DefaultProfile(false);
    MainSetModel model(image);
    model.RefreshFromProfile();
    model.clickScreenRadio();
    model.typeLines("45");
    EXPECT_FALSE(model.validateTimerTick());
    model.beforeApply();  // scrolling by screen: nothing to bring into range
    EXPECT_EQ(image.get(profile::kScrollLines), -1);
    EXPECT_EQ(model.view().linesText, "45");
    model.clickLinesRadio();
    EXPECT_TRUE(model.validateTimerTick());
    EXPECT_EQ(model.view().linesText, "30");
    EXPECT_EQ(image.get(profile::kScrollLines), 30);
    EXPECT_FALSE(model.validateTimerTick()) << "nothing typed since";
}

TEST(ScrollLinesTimerTest, ApplyRepairsDamagedLines) {
    for (int32_t damaged : {45, 0, -7}) {
        ProfileImage image = DefaultProfile(false);
        image.set(profile::kScrollLines, damaged);
        MainSetModel model(image);
        const int shown = model.RefreshFromProfile().linesValue;
        model.beforeApply();
        EXPECT_EQ(image.get(profile::kScrollLines), shown) << damaged;
    }
}

// Hint numbers posted for a pointer position, in the order the page tests its controls.
struct HintCase {
    layout::Point point;
    bool chinese;
    std::vector<int> hints;
};

TEST(HintsTest, PostsEveryControlUnderThePointerInOrder) {
    const HintCase cases[] = {
        {{90, 70}, F, {12}},
        {{68, 65}, F, {12}},  // one pixel outside the box still counts
        {{67, 65}, F, {}},
        {{111, 80}, F, {12}},
        {{112, 81}, F, {}},
        {{150, 170}, F, {13}},
        {{100, 210}, F, {14}},
        {{500, 170}, F, {15}},
        {{100, 310}, F, {16}},
        {{240, 310}, F, {16}},
        {{600, 340}, F, {17}},  // the English lines radio is wider
        {{600, 340}, T, {}},
        {{500, 380}, F, {18}},
        {{500, 380}, T, {}},
        {{500, 365}, T, {18}},
        {{50, 420}, F, {65}},
        {{110, 420}, F, {65, 65}},  // two tab windows overlap between the slants
        {{100, 30}, F, {61}},
        {{200, 140}, F, {13}},
        {{400, 140}, F, {62}},
        {{100, 270}, F, {63}},
        {{400, 270}, F, {64}},
        {{100, 380}, F, {65}},
        {{560, 366}, F, {}},  // the lines box posts no hint
        {{800, 500}, F, {}},
    };
    for (const HintCase& c : cases) {
        EXPECT_EQ(HintsAt(c.point, c.chinese), c.hints) << c.point.x << "," << c.point.y;
    }
}

TEST(IndicatorsTest, LightOverTheMiddleOfATabWhileTheMainWindowIsInFront) {
    struct Case {
        layout::Point pointer;
        bool inFront;
        Indicators before;
        Indicators after;
    };
    const Indicators none{};
    const Case cases[] = {
        {{60, 420}, T, none, {T, F, F, F, F, F, F}},
        {{60, 420}, F, none, none},                                    // behind: unchanged
        {{60, 420}, F, {T, T, F, F, F, F, F}, {T, F, F, F, F, F, F}},  // off tab 1: out
        {{30, 420}, T, {T, F, F, F, F, F, F}, none},   // within 17 pixels of the edge
        {{109, 420}, T, none, {T, F, F, F, F, F, F}},  // tab 0's last middle column
        {{110, 420}, T, {T, F, F, F, F, F, F}, none},
        {{115, 420}, T, none, {F, T, F, F, F, F, F}},
        {{650, 440}, T, none, {F, F, F, F, F, F, T}},
        {{650, 441}, T, {F, F, F, F, F, F, T}, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateIndicators(c.before, c.pointer, c.inFront), c.after)
            << c.pointer.x << "," << c.pointer.y << " " << c.inFront;
    }
}

}  // namespace
}  // namespace x5k::mainset
