#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/MainWindowRules.h"
#include "profiles/ProfileImage.h"

namespace x5k::mainwindow {
namespace {

TEST(MainWindowRulesTest, SelectingAPageShowsItLeavesTheOthersAndEnablesProfilesOnTheFirstTwo) {
    struct Case {
        int page;
        bool valid;
        bool enabled;
        bool refresh;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, true, true, true},    {2, true, true, true},
        {3, true, false, false},  {4, true, false, false},  {5, true, false, false},
        {6, false, false, false}, {-1, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const PageSelection s = SelectPage(c.page);
        EXPECT_EQ(s.valid, c.valid);
        EXPECT_EQ(s.profileButtonsEnabled, c.enabled);
        EXPECT_EQ(s.refresh, c.refresh);
        for (int n = 1; n <= kPageCount; ++n) {
            EXPECT_EQ(s.shown[static_cast<size_t>(n - 1)], c.valid && n == c.page) << n;
            EXPECT_EQ(s.left[static_cast<size_t>(n - 1)], c.valid && n != c.page) << n;
        }
    }
}

TEST(MainWindowRulesTest, HintsComeFromTheRegionButtonsBoxesGrownByOnePixel) {
    struct Case {
        layout::Point point;
        std::vector<int> hints;
    };
    const Case cases[] = {
        {{100, 100}, {1}},     // inside the first page tab
        {{200, 100}, {1, 2}},  // where the boxes of two slanted tabs overlap
        {{29, 100}, {1}},      // one pixel left of the first tab's box
        {{28, 100}, {}},       // two pixels left of it
        {{210, 121}, {1, 2}},  // on the exclusive bottom-right edge of the first box
        {{615, 620}, {8, 9}},  // profile buttons 3 and 4 share a strip of their boxes
        {{560, 620}, {8}},     // profile button 3 alone
        {{900, 612}, {11}},    // Apply
        {{940, 632}, {11}},    // Apply's exclusive corner, inside the grown box
        {{941, 633}, {}},      // just outside the grown box
        {{480, 300}, {}},      // the page area
        {{10, 10}, {}},        // the background
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
        EXPECT_EQ(HoverHints(c.point), c.hints);
    }
}

TEST(MainWindowRulesTest, HintTextsFollowTheHintTable) {
    InterfaceStrings strings;
    strings.set("str_main", "Main settings");
    strings.set("str_profile3", "Profile 3");
    strings.set("str_ok", "Apply");
    ProfileImage profile;
    profile.setText(profile::DisplayName(1), "Middle button");
    struct Case {
        int number;
        std::string text;
    };
    const Case cases[] = {
        {1, "Main settings"},
        {8, "Profile 3"},
        {11, "Apply"},
        {2, ""},  // not loaded
        {99, ""},
        {0, ""},
        {-5, ""},
        {1000, ""},
        {20, "Middle button"},  // the display name of button 1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HintText(c.number, strings, profile, false), c.text) << c.number;
    }
}

TEST(MainWindowRulesTest, OnlyPressesOfProgrammableButtonsRunHostActions) {
    struct Case {
        uint32_t code;
        std::optional<int> button;
    };
    const Case cases[] = {
        {0x207, 1},
        {0x204, 2},
        {0x2020B, 3},
        {0x1020B, 4},
        {0x20A01, 5},
        {0x20A00, 6},
        {0x201, std::nullopt},  // left button
        {0x208, std::nullopt},
        {0x205, std::nullopt},
        {0x2020C, std::nullopt},
        {0x20B, std::nullopt},
        {0, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ButtonOfHookCode(c.code), c.button) << std::hex << c.code;
}

TEST(MainWindowRulesTest, TrayEventsShowOnDoubleClickAndOpenTheMenuOnRightButtonUp) {
    EXPECT_EQ(TrayEventOf(0x203), TrayEvent::Show);
    EXPECT_EQ(TrayEventOf(0x205), TrayEvent::Menu);
    for (const intptr_t other : {0x200, 0x201, 0x202, 0x204, 0x206, 0}) {
        EXPECT_EQ(TrayEventOf(other), TrayEvent::Ignore) << other;
    }
    EXPECT_EQ(RegionPictureBase(true), 154);
    EXPECT_EQ(RegionPictureBase(false), 157);
}

TEST(MainWindowRulesTest, TheFlagIsNamedAfterTheLanguageItShows) {
    const struct {
        int picture;
        std::string_view name;
    } cases[] = {{142, "Chinese"}, {143, "English"}, {146, "German"}, {153, "Trad.Chinese"},
                 {0, ""},          {141, ""},        {154, ""}};
    for (const auto& c : cases) EXPECT_EQ(flagName(c.picture), c.name) << c.picture;
}

}  // namespace
}  // namespace x5k::mainwindow
