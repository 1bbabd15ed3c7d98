#include "controls/ButtonLook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace x5k::controls {
namespace {

using P = ButtonPicture;
using C = CaptionColour;

struct LookCase {
    const char* name;
    ButtonState state;
    ButtonLook picture;  // the picture button's look
    ButtonLook shaped;   // the shaped button's look
};

// checkMode, checked, pushed, hovering, enabled
const LookCase kLookCases[] = {
    {"idle", {false, false, false, false, true}, {P::Normal, C::Normal}, {P::Normal, C::Normal}},
    {"hovered", {false, false, false, true, true}, {P::Hover, C::Hover}, {P::Hover, C::Hover}},
    {"pushed and hovered",
     {false, false, true, true, true},
     {P::Pressed, C::Pressed},
     {P::Pressed, C::Pressed}},
    {"checked outside check mode is ignored",
     {false, true, false, false, true},
     {P::Normal, C::Normal},
     {P::Normal, C::Normal}},
    {"check mode, checked, pointer elsewhere",
     {true, true, false, false, true},
     {P::Pressed, C::Pressed},
     {P::Pressed, C::Pressed}},
    {"check mode, unchecked, hovered",
     {true, false, false, true, true},
     {P::Hover, C::Hover},
     {P::Hover, C::Hover}},
    {"check mode, unchecked, pushed shows no press",
     {true, false, true, false, true},
     {P::Normal, C::Normal},
     {P::Normal, C::Normal}},
    {"disabled",
     {false, false, false, false, false},
     {P::Disabled, C::Disabled},
     {P::Disabled, C::Normal}},
    {"disabled and hovered",
     {false, false, false, true, false},
     {P::Hover, C::Hover},
     {P::Disabled, C::Normal}},
    {"disabled in check mode, checked",
     {true, true, false, false, false},
     {P::Pressed, C::Pressed},
     {P::Pressed, C::Pressed}},
    {"disabled in check mode, unchecked",
     {true, false, false, false, false},
     {P::Disabled, C::Disabled},
     {P::Normal, C::Normal}},
};

TEST(ButtonLook, FirstMatchingRowWins) {
    for (const LookCase& c : kLookCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pictureButtonLook(c.state), c.picture);
        EXPECT_EQ(shapedButtonLook(c.state), c.shaped);
    }
}

// One step of the pointer: a move (with the left button held or not, over the button or
// not, a program window active or not) or the end of the hover from outside.
struct HoverStep {
    enum Kind { Move, End } kind;
    bool leftDown;
    bool over;
    bool active;
    bool changed;
    bool hovering;
};

struct HoverCase {
    const char* name;
    std::vector<HoverStep> steps;
};

TEST(HoverTracker, FollowsThePointer) {
    using S = HoverStep;
    const HoverCase cases[] = {
        {"enters and leaves",
         {{S::Move, false, true, true, true, true},
          {S::Move, false, true, true, false, true},
          {S::Move, false, false, true, true, false}}},
        {"no hover while no window is active", {{S::Move, false, true, false, false, false}}},
        {"a drag from elsewhere does not start a hover",
         {{S::Move, true, true, true, false, false}}},
        {"a press while hovering keeps the hover",
         {{S::Move, false, true, true, true, true}, {S::Move, true, true, true, false, true}}},
        {"dragging away ends the hover even with the button held",
         {{S::Move, false, true, true, true, true}, {S::Move, true, false, true, true, false}}},
        {"ended from outside, then back",
         {{S::Move, false, true, true, true, true},
          {S::End, false, false, false, true, false},
          {S::End, false, false, false, false, false},
          {S::Move, false, true, true, true, true}}},
    };
    for (const HoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        HoverTracker tracker;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const HoverStep& s = c.steps[i];
            const bool changed = s.kind == HoverStep::Move
                                     ? tracker.moved(s.leftDown, s.over, s.active)
                                     : tracker.ended();
            EXPECT_EQ(changed, s.changed);
            EXPECT_EQ(tracker.hovering(), s.hovering);
        }
    }
}

}  // namespace
}  // namespace x5k::controls
