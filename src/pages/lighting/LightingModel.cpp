#include "pages/lighting/LightingModel.h"

namespace x5k::lightingpage {
namespace {

constexpr int32_t kPresetSource = 0;
constexpr int32_t kCustomSource = 1;

// The colour wheel's ellipse, page coordinates, right and bottom exclusive.
constexpr layout::Rect kWheel{771, 264, 891, 383};

bool ColourMode(int32_t mode) {
    return mode == lighting::kModeSteady || mode == lighting::kModeBreathing;
}

bool ValidSwatch(int32_t index) {
    return index >= 0 && index < kSwatchCount;
}

}  // namespace

Components ComponentsOf(uint32_t colorref) {
    return {static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
            static_cast<int>((colorref >> 16) & 0xFF)};
}

uint32_t ColorrefOf(const Components& components) {
    return static_cast<uint32_t>(components[0] & 0xFF) |
           static_cast<uint32_t>(components[1] & 0xFF) << 8 |
           static_cast<uint32_t>(components[2] & 0xFF) << 16;
}

ViewState ViewForProfile(const ProfileImage& profile) {
    ViewState view;
    const int32_t mode = profile.get(profile::kLightingMode);
    view.pressedMode = mode >= 1 && mode <= kModeCount ? mode : 0;
    const bool colourMode = ColourMode(mode);
    view.colourEnabled = colourMode;
    view.picking = colourMode;
    view.level1Enabled = mode == lighting::kModeSteady;
    view.level2Enabled = mode == lighting::kModeBreathing;
    view.level1 = kLevel1Range.orMinimum(profile.get(profile::kMode1Level));
    view.level2 = kLevel2Range.orMinimum(profile.get(profile::kMode2Level));
    view.ledOn = profile.get(profile::kLightSwitch) == 1;
    const auto colour = static_cast<uint32_t>(profile.get(profile::kLightingColour)) & 0xFFFFFF;
    // A preset colour shows its bytes in every mode; a custom one only while the colour
    // section is on.
    const bool preset = profile.get(profile::kColourSource) == kPresetSource;
    if (preset || colourMode) view.components = ComponentsOf(colour);
    if (preset) {
        const int32_t index = profile.get(profile::kPresetSwatch);
        view.swatch = ValidSwatch(index) ? index : 0;
    }
    view.displayColour = colour;
    return view;
}

bool InsideWheel(layout::Point point) {
    // The pixel's centre inside the ellipse the rectangle bounds.
    const double rx = kWheel.width() / 2.0;
    const double ry = kWheel.height() / 2.0;
    const double dx = (point.x + 0.5 - (kWheel.left + rx)) / rx;
    const double dy = (point.y + 0.5 - (kWheel.top + ry)) / ry;
    return dx * dx + dy * dy <= 1.0;
}

int HintAt(layout::Point point, bool chinese) {
    int hint = 0;
    for (const layout::Control& control : layout::findPage("lighting")->controls) {
        const layout::Rect& r = control.rectFor(chinese);
        const layout::Rect grown{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        if (control.hint != 0 && grown.contains(point)) hint = control.hint;
    }
    return hint;
}

LightingModel::LightingModel(ProfileImage& profile)
    : profile_(profile), view_(ViewForProfile(profile)) {}

const ViewState& LightingModel::RefreshLighting() {
    if (profile_.get(profile::kColourSource) == kPresetSource &&
        !ValidSwatch(profile_.get(profile::kPresetSwatch))) {
        profile_.set(profile::kPresetSwatch, 0);
    }
    view_ = ViewForProfile(profile_);
    return view_;
}

void LightingModel::clickMode(int mode) {
    if (mode < 1 || mode > kModeCount) return;
    profile_.set(profile::kLightingMode, mode);
    RefreshLighting();
}

void LightingModel::clickLed(bool on) {
    profile_.set(profile::kLightSwitch, on ? 1 : 0);
    RefreshLighting();
}

void LightingModel::clickSwatch(int index) {
    if (!ValidSwatch(index)) return;
    profile_.set(profile::kLightingColour,
                 static_cast<int32_t>(kSwatchColours[static_cast<size_t>(index)]));
    profile_.set(profile::kPresetSwatch, index);
    profile_.set(profile::kColourSource, kPresetSource);
    RefreshLighting();
}

void LightingModel::moveSlider(int sliderId, int position) {
    const auto inRange = [position](controls::SliderRange range) {
        return position >= range.minimum && position <= range.maximum;
    };
    switch (sliderId) {
        case kRedSliderId:
        case kGreenSliderId:
        case kBlueSliderId: {
            if (!inRange(kComponentRange)) return;
            const auto colour = static_cast<uint32_t>(profile_.get(profile::kLightingColour));
            Components components = ComponentsOf(colour);
            components[static_cast<size_t>(sliderId - kRedSliderId)] = position;
            takeCustomColour(ColorrefOf(components));
            return;
        }
        case kLevel1SliderId:
            if (!inRange(kLevel1Range)) return;
            profile_.set(profile::kMode1Level, position);
            break;
        case kLevel2SliderId:
            if (!inRange(kLevel2Range)) return;
            profile_.set(profile::kMode2Level, position);
            break;
        default:
            return;
    }
    view_ = ViewForProfile(profile_);
}

bool LightingModel::clickWheel(layout::Point point, uint32_t pixel) {
    if (!view_.picking || !InsideWheel(point)) return false;
    takeCustomColour(pixel & 0xFFFFFF);
    return true;
}

void LightingModel::takeCustomColour(uint32_t colorref) {
    profile_.set(profile::kLightingColour, static_cast<int32_t>(colorref));
    profile_.set(profile::kColourSource, kCustomSource);
    view_ = ViewForProfile(profile_);
}

}  // namespace x5k::lightingpage
