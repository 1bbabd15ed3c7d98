#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "pages/lighting/LightingModel.h"

namespace x5k::lightingpage {
namespace {

// One user action on the page.
struct Step {
    enum Kind { Mode, Led, Swatch, Slider, Wheel } kind;
    int a = 0;  // mode, 0/1, swatch index, slider id, wheel x
    int b = 0;  // slider position, wheel y
};

struct Lighting {
    int32_t mode, colour, source, swatch, led, level1, level2;
    friend bool operator==(const Lighting&, const Lighting&) = default;
};

ProfileImage WithLighting(const Lighting& l) {
    ProfileImage image = DefaultProfile(false);
    image.set(profile::kLightingMode, l.mode);
    image.set(profile::kLightingColour, l.colour);
    image.set(profile::kColourSource, l.source);
    image.set(profile::kPresetSwatch, l.swatch);
    image.set(profile::kLightSwitch, l.led);
    image.set(profile::kMode1Level, l.level1);
    image.set(profile::kMode2Level, l.level2);
    return image;
}

Lighting LightingOf(const ProfileImage& image) {
    return {image.get(profile::kLightingMode), image.get(profile::kLightingColour),
            image.get(profile::kColourSource), image.get(profile::kPresetSwatch),
            image.get(profile::kLightSwitch),  image.get(profile::kMode1Level),
            image.get(profile::kMode2Level)};
}

// The wheel pixel every wheel click in these cases finds.
constexpr uint32_t kWheelPixel = 0xFF123456;  // the top byte is no part of a colour

void Perform(LightingModel& model, const Step& step) {
    switch (step.kind) {
        case Step::Mode:
            model.clickMode(step.a);
            break;
        case Step::Led:
            model.clickLed(step.a == 1);
            break;
        case Step::Swatch:
            model.clickSwatch(step.a);
            break;
        case Step::Slider:
            model.moveSlider(step.a, step.b);
            break;
        case Step::Wheel:
            (void)model.clickWheel({step.a, step.b}, kWheelPixel);
            break;
    }
}

// The shipped lighting: mode 4, custom red, LED on, levels 5 and 3.
constexpr Lighting kNew{4, 0x0000FF, 1, 0, 1, 5, 3};

struct ClickCase {
    const char* name;
    Lighting before;
    std::vector<Step> steps;
    Lighting after;
    // What the page shows afterwards.
    int pressedMode;
    bool colourEnabled;
    bool level1Enabled;
    bool level2Enabled;
    Components components;
    std::optional<int> swatch;
};

class LightingClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(LightingClickTest, EditsTheProfileAndShowsIt) {
    const ClickCase& c = GetParam();
    ProfileImage image = WithLighting(c.before);
    LightingModel model(image);
    model.RefreshLighting();
    for (const Step& step : c.steps) Perform(model, step);
    EXPECT_EQ(LightingOf(image), c.after);
    const ViewState& view = model.view();
    EXPECT_EQ(view.pressedMode, c.pressedMode);
    EXPECT_EQ(view.colourEnabled, c.colourEnabled);
    EXPECT_EQ(view.picking, c.colourEnabled);
    EXPECT_EQ(view.level1Enabled, c.level1Enabled);
    EXPECT_EQ(view.level2Enabled, c.level2Enabled);
    EXPECT_EQ(view.components, c.components);
    EXPECT_EQ(view.swatch, c.swatch);
    EXPECT_EQ(view.displayColour, static_cast<uint32_t>(c.after.colour));
    // A level out of the slider's range shows the slider's start.
    EXPECT_EQ(view.level1, kLevel1Range.orMinimum(c.after.level1));
    EXPECT_EQ(view.level2, kLevel2Range.orMinimum(c.after.level2));
    EXPECT_EQ(view.ledOn, c.after.led == 1);
    // A refresh shows the same: every click leaves the view as the profile says.
    EXPECT_EQ(model.RefreshLighting(), view);
}

constexpr Step M(int mode) {
    return {Step::Mode, mode};
}
constexpr Step S(int swatch) {
    return {Step::Swatch, swatch};
}
constexpr Step Move(int id, int position) {
    return {Step::Slider, id, position};
}

const ClickCase kClickCases[] = {
    {"Swatch3",
     kNew,
     {M(1), S(3)},
     {1, 0x00EDF9, 0, 3, 1, 5, 3},
     1,
     true,
     true,
     false,
     {249, 237, 0},
     3},
    {"Swatch3ThenGreen128",
     kNew,
     {M(1), S(3), Move(kGreenSliderId, 128)},
     {1, 0x0080F9, 1, 3, 1, 5, 3},
     1,
     true,
     true,
     false,
     {249, 128, 0},
     std::nullopt},
    {"Mode3WithSwatchShowsItsBytes",
     kNew,
     {M(1), S(3), M(3)},
     {3, 0x00EDF9, 0, 3, 1, 5, 3},
     3,
     false,
     false,
     false,
     {249, 237, 0},
     3},
    {"Mode3WithCustomColourShowsZero",
     kNew,
     {M(1), Move(kBlueSliderId, 200), M(3)},
     {3, 0xC800FF, 1, 0, 1, 5, 3},
     3,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
    {"Mode4CustomShowsZero", kNew, {}, kNew, 4, false, false, false, {0, 0, 0}, std::nullopt},
    {"OffSwatchShowsItsBytes",
     {5, 0x0012FA, 0, 1, 1, 5, 3},
     {},
     {5, 0x0012FA, 0, 1, 1, 5, 3},
     5,
     false,
     false,
     false,
     {250, 18, 0},
     1},
    {"LevelKeptAcrossModes",
     kNew,
     {M(1), Move(kLevel1SliderId, 8), M(2), M(1)},
     {1, 0x0000FF, 1, 0, 1, 8, 3},
     1,
     true,
     true,
     false,
     {255, 0, 0},
     std::nullopt},
    {"Mode2Level",
     kNew,
     {M(2), Move(kLevel2SliderId, 5), M(4)},
     {4, 0x0000FF, 1, 0, 1, 5, 5},
     4,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
    {"LevelsOutOfRangeChangeNothing",
     kNew,
     {M(1), Move(kLevel1SliderId, 11), Move(kLevel2SliderId, 0), Move(kRedSliderId, 256),
      Move(999, 3)},
     {1, 0x0000FF, 1, 0, 1, 5, 3},
     1,
     true,
     true,
     false,
     {255, 0, 0},
     std::nullopt},
    {"LedOffThenOn",
     kNew,
     {{Step::Led, 0}},
     {4, 0x0000FF, 1, 0, 0, 5, 3},
     4,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
    {"UnknownModeAndSwatchChangeNothing",
     kNew,
     {M(0), M(6), S(26), S(-1)},
     kNew,
     4,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
    {"Swatch30ReadsAsSwatch0",
     {1, 0x7E05FA, 0, 30, 1, 5, 3},
     {},
     {1, 0x7E05FA, 0, 0, 1, 5, 3},
     1,
     true,
     true,
     false,
     {250, 5, 126},
     0},
    {"NegativeSwatchReadsAsSwatch0",
     {2, 0x7E05FA, 0, -4, 1, 5, 3},
     {},
     {2, 0x7E05FA, 0, 0, 1, 5, 3},
     2,
     true,
     false,
     true,
     {250, 5, 126},
     0},
    {"CustomColourKeepsAnyOldIndex",
     {1, 0x102030, 1, 30, 1, 5, 3},
     {},
     {1, 0x102030, 1, 30, 1, 5, 3},
     1,
     true,
     true,
     false,
     {0x30, 0x20, 0x10},
     std::nullopt},
    {"WheelTakesThePixel",
     kNew,
     {M(2), S(5), {Step::Wheel, 831, 323}},
     {2, 0x123456, 1, 5, 1, 5, 3},
     2,
     true,
     false,
     true,
     {0x56, 0x34, 0x12},
     std::nullopt},
    {"WheelInMode4DoesNothing",
     kNew,
     {{Step::Wheel, 831, 323}},
     kNew,
     4,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
    {"WheelCornerIsOutsideTheEllipse",
     kNew,
     {M(1), {Step::Wheel, 772, 265}},
     {1, 0x0000FF, 1, 0, 1, 5, 3},
     1,
     true,
     true,
     false,
     {255, 0, 0},
     std::nullopt},
    {"DamagedModeShowsNoButton",
     {9, 0x0000FF, 1, 0, 1, 0, 99},
     {},
     {9, 0x0000FF, 1, 0, 1, 0, 99},
     0,
     false,
     false,
     false,
     {0, 0, 0},
     std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Clicks, LightingClickTest, ::testing::ValuesIn(kClickCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The wheel's ellipse: points on its axes just inside and just outside.
struct WheelPoint {
    layout::Point point;
    bool inside;
};

class WheelEllipseTest : public ::testing::TestWithParam<WheelPoint> {};

TEST_P(WheelEllipseTest, TellsInsideFromOutside) {
    EXPECT_EQ(InsideWheel(GetParam().point), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(
    Points, WheelEllipseTest,
    ::testing::Values(WheelPoint{{831, 323}, true}, WheelPoint{{771, 323}, true},
                      WheelPoint{{770, 323}, false}, WheelPoint{{890, 323}, true},
                      WheelPoint{{891, 323}, false}, WheelPoint{{831, 264}, true},
                      WheelPoint{{831, 263}, false}, WheelPoint{{831, 382}, true},
                      WheelPoint{{831, 383}, false}, WheelPoint{{771, 264}, false},
                      WheelPoint{{890, 382}, false}));

// Hints follow the controls' rectangles grown by one pixel, in each layout.
struct HintCase {
    layout::Point point;
    bool chinese;
    int hint;
};

class LightingHintTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(LightingHintTest, GrowsEachRectangleByOnePixel) {
    EXPECT_EQ(HintAt(GetParam().point, GetParam().chinese), GetParam().hint);
}

INSTANTIATE_TEST_SUITE_P(
    Points, LightingHintTest,
    ::testing::Values(HintCase{{196, 35}, false, 26},  // mode 4, corner
                      HintCase{{407, 53}, false, 26}, HintCase{{408, 53}, false, 0},
                      HintCase{{195, 40}, false, 0}, HintCase{{400, 40}, true, 27},  // mode 3 there
                      HintCase{{600, 110}, false, 32}, HintCase{{650, 110}, true, 0},
                      HintCase{{500, 106}, true, 32}, HintCase{{698, 283}, false, 39},
                      HintCase{{200, 300}, false, 0}));  // a swatch

}  // namespace
}  // namespace x5k::lightingpage
