#include "controls/InfoCountdown.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace x5k::controls {
namespace {

// ---- The self-closing notice -----------------------------------------------------------

struct CountdownCase {
    const char* name;
    bool chinese;
    std::vector<std::string> captions;  // at opening, then after ticks 1..5
};

TEST(InfoCountdown, CaptionSequenceThenClosesAtSixthTick) {
    const CountdownCase cases[] = {
        {"English", false, {"OK (5s)", "OK (5s)", "OK (4s)", "OK (3s)", "OK (2s)", "OK (1s)"}},
        {"Chinese",
         true,
         {"确定 (5s)", "确定 (5s)", "确定 (4s)", "确定 (3s)", "确定 (2s)", "确定 (1s)"}},
    };
    for (const CountdownCase& c : cases) {
        SCOPED_TRACE(c.name);
        InfoCountdown countdown(c.chinese);
        std::vector<std::string> shown{countdown.start()};
        for (int tick = 1; tick <= 5; ++tick) {
            const InfoCountdown::Tick t = countdown.tick();
            EXPECT_FALSE(t.close) << "tick " << tick;
            shown.push_back(t.caption);
        }
        EXPECT_EQ(shown, c.captions);
        EXPECT_EQ(countdown.tick(), (InfoCountdown::Tick{true, ""}));
        // A late tick (the timer fired once more before it was stopped) still closes.
        EXPECT_TRUE(countdown.tick().close);
    }
}

// ---- Texts ----------------------------------------------------------------------------

TEST(InfoTexts, BothLanguages) {
    struct Row {
        std::string (*text)(bool);
        const char* english;
        const char* chinese;
    };
    const Row rows[] = {
        {okCaption, "OK", "确定"},
        {cancelCaption, "Cancel", "取消"},
        {tipsTitle, "Tips", "提示"},
        {progressText, "Updating is in progress, please wait…", "更新进行中，请稍候..."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.english);
        EXPECT_EQ(row.text(false), row.english);
        EXPECT_EQ(row.text(true), row.chinese);
    }
}

// ---- Layout ---------------------------------------------------------------------------

TEST(InfoLayout, ButtonsAndPicturesPerLayout) {
    const InfoLayout withCancel = infoLayout(true);
    EXPECT_EQ(withCancel.okButton, (BoxRect{178, 127, 244, 159}));
    ASSERT_TRUE(withCancel.cancelButton.has_value());
    EXPECT_EQ(*withCancel.cancelButton, (BoxRect{245, 127, 311, 159}));
    EXPECT_EQ(withCancel.closeButton, (BoxRect{300, 0, 329, 29}));
    EXPECT_EQ((std::vector{withCancel.normalResource, withCancel.hoverResource,
                           withCancel.pressedResource}),
              (std::vector{1006, 1008, 1004}));

    const InfoLayout okOnly = infoLayout(false);
    EXPECT_EQ(okOnly.okButton, (BoxRect{240, 127, 306, 159}));
    EXPECT_FALSE(okOnly.cancelButton.has_value());
    EXPECT_EQ(okOnly.closeButton, (BoxRect{300, 0, 329, 29}));
    EXPECT_EQ((std::vector{okOnly.normalResource, okOnly.hoverResource, okOnly.pressedResource}),
              (std::vector{1007, 1009, 1005}));
}

TEST(InfoLayout, PlacementOnTheScreen) {
    struct Row {
        int width;
        int height;
        BoxPoint centred;
        BoxPoint countdown;
    };
    const Row rows[] = {
        {1920, 1040, {795, 440}, {1580, 880}},
        {1366, 728, {518, 284}, {1026, 568}},
        {331, 161, {0, 0}, {-9, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
        EXPECT_EQ(centredOrigin(row.width, row.height), row.centred);
        EXPECT_EQ(countdownOrigin(row.width, row.height), row.countdown);
    }
}

}  // namespace
}  // namespace x5k::controls
