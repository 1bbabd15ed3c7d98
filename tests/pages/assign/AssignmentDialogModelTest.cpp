#include "pages/assign/AssignmentDialogModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "functions/FunctionCatalogue.h"
#include "macros/MacroRecord.h"
#include "support/RecordingUserMessages.h"
#include "support/SampleMacro.h"
#include "support/UsKeyboardLayout.h"

namespace x5k::assign {
namespace {

constexpr uint32_t kKeyB = 0x42;

// A table with two macros of group 2 (row 1) and one of group 21 (row 20).
struct Macros {
    Macros() {
        (void)table.put(test::SampleMacro(0x0200'0011, "Jump"));
        (void)table.put(test::SampleMacro(0x1500'0012, "Mine"));
        (void)table.put(test::SampleMacro(0x0200'0013, "Crouch"));
    }
    MacroTable table;
};

struct ResultCase {
    std::string name;
    int button;
    std::function<void(AssignmentDialogModel&, const MacroTable&)> steps;
    bool pressOk;  // else the default button
    DialogOutcome expected;
};

const std::string kLongPath = "/home/u/" + std::string(300, 'x') + ".wav";

std::vector<ResultCase> ResultCases() {
    using M = AssignmentDialogModel;
    using T = const MacroTable&;
    return {
        {"NothingChosenOnKeyPage", 3, [](M&, T) {}, true, std::nullopt},
        {"KeyWithCtrlShift", 3,
         [](M& m, T) {
             m.keyPage().OnHookInput(0x41, 0);
             m.keyPage().OnHookInput(kKeyB, 0);
             m.keyPage().clickToggle(Modifier::Ctrl);
             m.keyPage().clickToggle(Modifier::Shift);
         },
         true, AssignmentResult{3, 0x0005'0300, kKindKey, 0, ""}},
        {"AltAlone", 2, [](M& m, T) { m.keyPage().clickToggle(Modifier::Alt); }, true,
         AssignmentResult{2, 0x00E2'0000, kKindKey, 0, ""}},
        {"AltCtrlWithoutKeyEndsLikeCancel", 2,
         [](M& m, T) {
             m.keyPage().clickToggle(Modifier::Alt);
             m.keyPage().clickToggle(Modifier::Ctrl);
         },
         true, std::nullopt},
        {"MacroOfSelectedGroup", 4,
         [](M& m, T t) {
             m.ShowSubPage(kMacroPage);
             m.macroPage().onGameSelected(1, t);
             m.macroPage().selectMacro(1);
         },
         true, AssignmentResult{4, 0x0200'0013, kKindMacro, 0, ""}},
        {"MacroGroupWithoutMacroRow", 4,
         [](M& m, T t) {
             m.ShowSubPage(kMacroPage);
             m.macroPage().onGameSelected(1, t);
         },
         true, std::nullopt},
        {"BasicRow", 1,
         [](M& m, T) {
             m.ShowSubPage(kBasicPage);
             m.basicPage().selectRow(22);
         },
         true, AssignmentResult{1, 142, kKindCatalogue, 0, ""}},
        {"BasicNothingSelected", 1, [](M& m, T) { m.ShowSubPage(kBasicPage); }, true, std::nullopt},
        {"AdvancedFirstRowWithPath", 5,
         [](M& m, T) {
             m.ShowSubPage(kAdvancedPage);
             m.advancedPage().pathChosen(1, "/usr/bin/gimp");
             m.advancedPage().clickRadio(1);
         },
         true, AssignmentResult{5, ((0xD0 + 5) << 16) | 6, kKindHostAction, 1, "/usr/bin/gimp"}},
        {"AdvancedRadioOnEmptyRow", 5,
         [](M& m, T) {
             m.ShowSubPage(kAdvancedPage);
             (void)m.advancedPage().browse(2, {});
             m.advancedPage().pathChosen(2, "/home/u/a.txt");
             m.advancedPage().clickRadio(0);
         },
         true, std::nullopt},
        {"OnlyTheShownPageCounts", 3,
         [](M& m, T) {
             m.keyPage().OnHookInput(kKeyB, 0);
             m.ShowSubPage(kBasicPage);
         },
         true, std::nullopt},
        {"DisabledWhateverWasChosen", 3,
         [](M& m, T) {
             m.ShowSubPage(kBasicPage);
             m.basicPage().selectRow(0);
             m.clickDisable();
         },
         true, AssignmentResult{3, 7, kKindDisabled, 0, ""}},
        {"DisableOffAgainShowsKeyPage", 3,
         [](M& m, T) {
             m.ShowSubPage(kBasicPage);
             m.basicPage().selectRow(0);
             m.clickDisable();
             m.clickDisable();
             m.keyPage().OnHookInput(kKeyB, 0);
         },
         true, AssignmentResult{3, 0x0005'0000, kKindKey, 0, ""}},
        {"DefaultOfWheelBackward", 6, [](M&, T) {}, false,
         AssignmentResult{6, 22, kKindCatalogue, 0, ""}},
        {"DefaultOfLeftEvenWhenDisabled", 0, [](M& m, T) { m.clickDisable(); }, false,
         AssignmentResult{0, 1, kKindCatalogue, 0, ""}},
    };
}

class PopupResult : public testing::TestWithParam<ResultCase> {};

TEST_P(PopupResult, OkOrDefaultGivesTheResult) {
    const ResultCase& c = GetParam();
    Macros macros;
    std::vector<bool> forwarding;
    AssignmentDialogModel model(c.button, "Name", [&](bool on) { forwarding.push_back(on); });
    c.steps(model, macros.table);
    const DialogOutcome outcome = c.pressOk ? model.clickOk() : model.clickDefault();
    EXPECT_EQ(outcome, c.expected);
    EXPECT_EQ(model.endedWithOk(), c.expected.has_value());
    // Every way out leaves the hooks with the home window.
    ASSERT_FALSE(forwarding.empty());
    EXPECT_FALSE(forwarding.back());
    EXPECT_FALSE(model.forwarding());
}

INSTANTIATE_TEST_SUITE_P(All, PopupResult, testing::ValuesIn(ResultCases()),
                         [](const auto& info) { return info.param.name; });

// Which sub-page shows and where the keys go after each click.
struct PageStep {
    std::function<void(AssignmentDialogModel&)> click;
    int shown;
    bool forwarding;
};

TEST(PopupPages, TabsAndDisableBoxSteerTheHooks) {
    std::vector<bool> calls;
    AssignmentDialogModel model(2, "Back", [&](bool on) { calls.push_back(on); });
    EXPECT_EQ(model.shownSubPage(), kKeyPage);
    EXPECT_TRUE(model.forwarding());
    const std::vector<PageStep> steps = {
        {[](auto& m) { m.clickTab(2); }, kMacroPage, false},
        {[](auto& m) { m.clickTab(4); }, kAdvancedPage, false},
        {[](auto& m) { m.clickTab(1); }, kKeyPage, true},
        {[](auto& m) { m.clickTab(3); }, kBasicPage, false},
        {[](auto& m) { m.clickDisable(); }, 0, false},
        {[](auto& m) { m.clickTab(2); }, 0, false},
        {[](auto& m) { m.clickDisable(); }, kKeyPage, true},
        {[](auto& m) { m.clickTab(9); }, kKeyPage, true},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].click(model);
        EXPECT_EQ(model.shownSubPage(), steps[i].shown) << "step " << i;
        EXPECT_EQ(model.selectedTab(), steps[i].shown) << "step " << i;
        EXPECT_EQ(model.forwarding(), steps[i].forwarding) << "step " << i;
    }
    EXPECT_EQ(model.clickClose(), std::nullopt);
    EXPECT_EQ(model.endedWithOk(), false);
    EXPECT_FALSE(calls.back());
}

// What the pop-up hands over goes through the page's store and its refusals.
struct StoreCase {
    std::string name;
    int button;
    std::function<void(AssignmentDialogModel&)> steps;
    AssignOutcome expected;
    std::string shownText;  // empty: nothing shown
    std::vector<int32_t> codes = {1, 4, 2, 8, 16, 11, 22};
};

class PopupThroughAssignFunction : public testing::TestWithParam<StoreCase> {};

TEST_P(PopupThroughAssignFunction, StoredOrRefused) {
    const StoreCase& c = GetParam();
    ProfileImage image = DefaultProfile(false);
    for (int b = 0; b < kButtonCount; ++b) {
        image.set(profile::FunctionCode(b), c.codes[static_cast<size_t>(b)]);
    }
    std::array<int32_t, kButtonCount> macroIds{};
    test::RecordingUserMessages messages;
    test::UsKeyboardLayout layout;

    AssignmentDialogModel model(c.button, "", nullptr);
    c.steps(model);
    const DialogOutcome outcome = model.clickOk();
    ASSERT_TRUE(outcome.has_value());
    const ProfileImage before = image;
    EXPECT_EQ(AssignFunction(image, macroIds, *outcome, false, messages, layout, nullptr),
              c.expected);
    if (c.shownText.empty()) {
        EXPECT_TRUE(messages.shown().empty());
    } else {
        EXPECT_EQ(messages.shown(),
                  (std::vector<test::ShownMessage>{{test::BoxKind::InfoDialog, c.shownText}}));
        EXPECT_TRUE(image == before);
    }
}

std::vector<StoreCase> StoreCases() {
    using M = AssignmentDialogModel;
    const auto hostPath = [](std::string path) {
        return [path](M& m) {
            m.ShowSubPage(kAdvancedPage);
            (void)m.advancedPage().browse(0, {});
            m.advancedPage().pathChosen(0, path);
        };
    };
    // Only the left button keeps Click unless a case says otherwise.
    return {
        {"KeyOnLeftLosesTheLastClick", 0, [](M& m) { m.keyPage().OnHookInput(kKeyB, 0); },
         AssignOutcome::RefusedLeftClick,
         "At least one button must be configured as 'Left click'!"},
        {"SniperOnWheelStep", 5,
         [](M& m) {
             m.ShowSubPage(kBasicPage);
             m.basicPage().selectRow(22);
         },
         AssignOutcome::RefusedSniper, "This key can not use the sniper function!"},
        {"SniperOnSideButton", 3,
         [](M& m) {
             m.ShowSubPage(kBasicPage);
             m.basicPage().selectRow(22);
         },
         AssignOutcome::Stored, ""},
        // The right button keeps Click too, so only the host-action rule can refuse.
        {"SoundOnLeft",
         0,
         hostPath("/usr/share/sounds/a.wav"),
         AssignOutcome::RefusedHostActionOnLeft,
         "The left button can not carry out a computer action!",
         {1, 1, 2, 8, 16, 11, 22}},
        {"PathOf259Characters", 4, hostPath("/" + std::string(258, 'p')), AssignOutcome::Stored,
         ""},
        {"PathOf260CharactersIsNeverCut", 4, hostPath(kLongPath), AssignOutcome::RefusedPathTooLong,
         "The path is too long: at most 259 characters can be stored!"},
        {"DisabledRight", 1, [](M& m) { m.clickDisable(); }, AssignOutcome::Stored, ""},
    };
}

INSTANTIATE_TEST_SUITE_P(All, PopupThroughAssignFunction, testing::ValuesIn(StoreCases()),
                         [](const auto& info) { return info.param.name; });

TEST(AdvancedPage, FirstRowWithRadioAndPathWins) {
    // The radios are exclusive through clicks, so the rule is seen through the order in
    // which a path and a radio come.
    struct Case {
        std::vector<std::pair<int, std::string>> paths;
        int radio;        // -1 none
        int expectedRow;  // -1 nothing chosen
    };
    const std::vector<Case> cases = {
        {{}, -1, -1},
        {{{0, "/a.wav"}}, -1, -1},
        {{{0, "/a.wav"}}, 0, 0},
        {{{2, "/home/u/f"}, {3, "/home/u"}}, 3, 3},
        {{{2, "/home/u/f"}}, 0, -1},
        {{{1, "/usr/bin/x"}, {1, ""}}, 1, -1},
        {{{0, "/a.wav"}, {1, "/usr/bin/x"}, {2, "/f"}, {3, "/d"}}, 2, 2},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        AdvancedPageModel page(3);
        for (const auto& [row, path] : cases[i].paths) page.setPath(row, path);
        if (cases[i].radio >= 0) page.clickRadio(cases[i].radio);
        const SubPageChoice choice = page.AdvancedPageResult();
        if (cases[i].expectedRow < 0) {
            EXPECT_EQ(choice.code, 0) << "case " << i;
            continue;
        }
        const int r = cases[i].expectedRow;
        EXPECT_EQ(choice, (SubPageChoice{HostActionCode(r, 3), kKindHostAction, r, page.path(r)}))
            << "case " << i;
    }
}

TEST(AdvancedPage, BrowseSelectsTheRowAndCancelKeepsThePath) {
    AdvancedPageModel page(2);
    page.setPath(1, "/usr/bin/old");
    page.clickRadio(3);
    const auto request = page.browse(1, {"/home/u", nullptr});
    ASSERT_TRUE(request.has_value());
    for (int r = 0; r < kAdvancedRowCount; ++r) EXPECT_EQ(page.radio(r), r == 1);
    // The dialog was cancelled: nothing but the radio changed.
    EXPECT_EQ(page.path(1), "/usr/bin/old");
    EXPECT_FALSE(page.browse(4, {}).has_value());
    EXPECT_TRUE(page.radio(1));
}

TEST(MacroPage, RefillsOnlyForAnotherRow) {
    Macros macros;
    MacroPageModel page;
    EXPECT_TRUE(page.macroRows().empty());
    EXPECT_EQ(page.gameRow(), -1);
    EXPECT_TRUE(page.onGameSelected(1, macros.table));
    EXPECT_EQ(page.macroRows(),
              (std::vector<MacroListRow>{{"Jump", 0x0200'0011}, {"Crouch", 0x0200'0013}}));
    page.selectMacro(1);
    // The same row again changes nothing, the selection included.
    EXPECT_FALSE(page.onGameSelected(1, macros.table));
    EXPECT_EQ(page.selectedMacro(), 1);
    EXPECT_TRUE(page.onGameSelected(20, macros.table));
    EXPECT_EQ(page.macroRows(), (std::vector<MacroListRow>{{"Mine", 0x1500'0012}}));
    EXPECT_EQ(page.selectedMacro(), -1);
    page.selectMacro(5);
    EXPECT_EQ(page.MacroPageResult().code, 0);
    EXPECT_TRUE(page.onGameSelected(0, macros.table));
    EXPECT_TRUE(page.macroRows().empty());
}

}  // namespace
}  // namespace x5k::assign
