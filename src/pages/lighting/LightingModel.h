#pragma once
// The lighting page's rules without its window: what a click on a mode, LED or swatch
// button, a slider move and a click on the colour wheel do to the working profile's
// lighting fields, and what the page shows for them. The window draws view() and passes
// its clicks here; the values reach the mouse only when the profile is applied.

#include <array>
#include <cstdint>
#include <optional>

#include "controls/SliderScale.h"
#include "device/Protocol.h"
#include "layout/Layout.h"
#include "profiles/ProfileImage.h"

namespace x5k::lightingpage {

inline constexpr int kModeCount = 5;  // modes 1..5; the profile's mode numbers
inline constexpr int kSwatchCount = 26;

// The sliders report their positions with these identifiers.
inline constexpr int kRedSliderId = 769;
inline constexpr int kGreenSliderId = 770;
inline constexpr int kBlueSliderId = 771;
inline constexpr int kLevel1SliderId = 777;
inline constexpr int kLevel2SliderId = 778;
inline constexpr controls::SliderRange kLevel1Range{1, 10};
inline constexpr controls::SliderRange kLevel2Range{1, 5};
inline constexpr controls::SliderRange kComponentRange{0, 255};

// The preset colours, 0x00BBGGRR.
inline constexpr std::array<uint32_t, kSwatchCount> kSwatchColours = {
    0x7E05FA, 0x0012FA, 0x0179F8, 0x00EDF9, 0x09F0C1, 0x00F927, 0x2AA418, 0x93E713, 0xDFE90D,
    0xFAC101, 0xFA8E05, 0xF96F00, 0xF80024, 0xE3185A, 0xE21B7F, 0xE218C1, 0x54FAE6, 0x30B900,
    0x7D63FA, 0x233BC4, 0x1603DE, 0xAD7A17, 0x12B900, 0xC05A4A, 0xEE4E6F, 0xB95401};

// Red, green and blue of a colour.
using Components = std::array<int, 3>;
Components ComponentsOf(uint32_t colorref);
uint32_t ColorrefOf(const Components& components);

// What the page shows.
struct ViewState {
    int pressedMode = 0;         // 1..5; 0 for a mode the page has no button for
    bool colourEnabled = false;  // swatches and colour sliders
    bool picking = false;        // the colour wheel takes clicks
    bool level1Enabled = false;
    bool level2Enabled = false;
    int level1 = kLevel1Range.minimum;  // slider positions; a level out of range shows the minimum
    int level2 = kLevel2Range.minimum;
    bool ledOn = false;
    Components components{};     // the colour sliders and the value fields
    std::optional<int> swatch;   // the highlighted swatch
    uint32_t displayColour = 0;  // the colour display, 0x00BBGGRR
    friend bool operator==(const ViewState&, const ViewState&) = default;
};

// The view of a profile's lighting; reads only (a swatch index out of range shows
// swatch 0).
ViewState ViewForProfile(const ProfileImage& profile);

// Whether a point (page coordinates) lies in the colour wheel's ellipse, the same in both
// layouts.
bool InsideWheel(layout::Point point);

// The hint number a pointer at `point` (page coordinates) posts: that of the last control
// or area, in the layout's order, whose rectangle grown by one pixel on each side holds the
// point; 0 for none.
int HintAt(layout::Point point, bool chinese);

class LightingModel {
public:
    // Starts out showing the profile, so a click before the first refresh works on it.
    explicit LightingModel(ProfileImage& profile);

    // Takes the view from the profile. A preset colour whose swatch index is out of range
    // is taken as swatch 0 and stored back.
    const ViewState& RefreshLighting();
    const ViewState& view() const { return view_; }

    // Mode 1..5; others change nothing.
    void clickMode(int mode);
    void clickLed(bool on);
    // Swatch 0..25; others change nothing.
    void clickSwatch(int index);
    // A slider reports its position; an unknown slider or a position outside its range
    // changes nothing.
    void moveSlider(int sliderId, int position);
    // A left press at `point` over the wheel whose pixel there is `pixel` (0x00BBGGRR).
    // Returns whether it took the colour: only while picking and inside the ellipse.
    bool clickWheel(layout::Point point, uint32_t pixel);

private:
    void takeCustomColour(uint32_t colorref);

    ProfileImage& profile_;
    ViewState view_;
};

}  // namespace x5k::lightingpage
