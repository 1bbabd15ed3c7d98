#pragma once
// The rules of the main settings page that need no window: what each click does to the
// working profile (resolution levels, pointer speed and precision, sensor height, report
// rate, wheel scroll lines), what the page shows for a profile, which hint numbers a
// pointer position posts and when the button indicators light. The page's widgets call
// these and draw what the view state says.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/SliderScale.h"
#include "functions/Assignment.h"
#include "layout/Layout.h"
#include "profiles/ProfileImage.h"

namespace x5k::mainset {

// The resolution boxes, left to right, and the counts per inch each stands for.
inline constexpr int kResolutionBoxes = 8;
inline constexpr std::array<int32_t, kResolutionBoxes> kResolutionChoices = {
    500, 750, 1000, 1250, 1500, 1750, 2000, 3000};
// The mouse has five levels: no more than five boxes can be on, and only the first five
// slots of the list are levels.
inline constexpr int kMaxLevels = 5;

using ResolutionBoxes = std::array<bool, kResolutionBoxes>;

// The boxes a resolution list shows: every box whose resolution is in one of the first
// five slots. Values that are no box's resolution show nothing.
ResolutionBoxes BoxesForList(const ProfileImage& profile);
// The boxes after a click on `box`. With five (or, from a damaged list, more) boxes on,
// only a box that is on can change, and it goes off; otherwise the box toggles, except
// that the last box on stays on. A box index outside 0..7 changes nothing.
ResolutionBoxes ClickBox(const ResolutionBoxes& boxes, int box);
// Rewrites all eight slots: the resolutions of the boxes that are on, in box order (so in
// ascending resolution), packed from slot 0, zero after the last.
void WriteResolutionList(ProfileImage& profile, const ResolutionBoxes& boxes);

// The two sliders carry their values as positions.
inline constexpr int kSpeedSliderId = 2560;
inline constexpr int kHeightSliderId = 2562;
inline constexpr int kLinesEditId = 2563;
inline constexpr controls::SliderRange kSpeedRange{1, 20};
inline constexpr controls::SliderRange kHeightRange{1, 30};

// The report-rate radios, left to right, and the code each stores.
inline constexpr int kRateRadios = 3;
inline constexpr std::array<int32_t, kRateRadios> kRateCodes = {8, 2, 1};  // 125, 500, 1000/s
// The radio showing a report-rate code; none for a code the page does not offer (the
// device also knows 4, and a damaged profile may hold anything).
std::optional<int> RateRadioFor(int32_t code);

// Wheel scroll lines: 1..30 lines a notch, or one screen a notch.
inline constexpr int32_t kScrollByScreen = -1;
inline constexpr controls::SliderRange kLinesRange{1, 30};

// What the lines box holds after it has been brought into range.
struct [[nodiscard]] ScrollLinesFix {
    std::string text;  // what the box shows now
    int value = 1;     // 1..30
    int caret = 0;     // caret position: after the old text's last character, within text
    friend bool operator==(const ScrollLinesFix&, const ScrollLinesFix&) = default;
};
// Brings the text of the lines box into range: leading zeros go, an empty box becomes
// "1", a number above 30 becomes "30". Only the leading digits count, so pasted text or a
// number too long for any integer still gives a value in 1..30.
ScrollLinesFix ValidateScrollLines(std::string_view text);

// What the page shows.
struct ViewState {
    ResolutionBoxes resolutionBoxes{};
    int speedPosition = 1;
    bool precision = false;
    int heightPosition = 1;
    std::optional<int> rateRadio;  // index into kRateCodes; none selected when empty
    bool linesRadio = false;       // exactly one of the two wheel radios is selected
    bool screenRadio = false;
    bool linesEditEnabled = false;  // the box and its two step buttons
    int linesValue = 1;
    std::string linesText = "1";
    std::array<bool, kButtonCount> tabModified{};  // the tab's "modified" look
    friend bool operator==(const ViewState&, const ViewState&) = default;
};

// The page's view for a profile. It reads only, so a damaged profile is shown as far as it
// can be and stays as it is until the user changes something.
ViewState ViewForProfile(const ProfileImage& profile);

// The hint numbers a pointer at `point` (page coordinates) posts, in the order the page
// tests its controls: resolution boxes, speed slider, precision box, height slider, rate
// radios, lines radio, screen radio, button tabs, section areas. A control counts when
// its window rectangle grown by one pixel on each side holds the point.
std::vector<int> HintsAt(layout::Point point, bool chinese);

// The button indicators after one tick of their 200 ms timer: indicator i lights while
// the pointer is over tab i, narrowed by 17 pixels on each side, and the main window is
// in front; it goes out when the pointer leaves; otherwise it stays as it was.
using Indicators = std::array<bool, kButtonCount>;
Indicators UpdateIndicators(const Indicators& lit, layout::Point pointer, bool mainInFront);

// What storing a pop-up's result needs beyond the profile.
struct AssignmentContext {
    std::array<int32_t, kButtonCount>& workingMacroIds;
    bool chinese = false;
    UserMessages& messages;
    const KeyboardLayout& layout;
    MacroNameLookup macroName;
};

// The page's state between clicks over the working profile. Every change goes straight
// into the profile; saving and sending belong to the main window.
class MainSetModel {
public:
    // Starts out showing the profile, so a click before the first refresh works on what the
    // profile holds.
    explicit MainSetModel(ProfileImage& profile);

    // Takes the view from the profile (after start-up and whenever the main window has
    // replaced the profile). Writes nothing.
    const ViewState& RefreshFromProfile();
    const ViewState& view() const { return view_; }

    void clickResolutionBox(int box);
    void clickPrecision();
    // A slider reports a new position; an unknown slider or a position outside its range
    // changes nothing.
    void moveSlider(int sliderId, int position);
    void clickRate(int radio);
    void clickLinesRadio();
    void clickScreenRadio();
    void stepLinesUp();
    void stepLinesDown();
    // The user typed into the lines box; the text is taken as it stands until it is
    // brought into range.
    void typeLines(std::string_view text);

    // Brings the lines box into range and stores its value as the wheel scroll lines.
    // Returns the caret position to give the box.
    int ValidateScrollLines();
    // The 4-second timer: brings the box into range while the lines radio is selected and
    // the user has typed since the box was last set. Returns true when it ran.
    bool validateTimerTick();
    // Before the main window applies the profile: the lines are brought into range unless
    // the profile scrolls by screen.
    void beforeApply();

    // A click on tab `button`: it becomes the open button, a default function's name is
    // put into the interface language, and the name returned is what the pop-up shows as
    // the current function. Returns nothing for an index outside 0..6.
    std::optional<std::string> openButton(int button, bool chinese);
    // The button whose pop-up is open; -1 when none.
    int openedButton() const { return openedButton_; }
    // The pop-up of the open button ended: with OK (a result) the function is stored, or
    // refused with its message, and no button is open any more. Either way the tabs' looks
    // follow the profile. Returns the outcome when there was a result to store.
    std::optional<AssignOutcome> closeButton(const std::optional<AssignmentResult>& result,
                                             const AssignmentContext& context);

private:
    void storeLines(int value);

    ProfileImage& profile_;
    ViewState view_;
    std::string shownLines_ = "1";  // what the model last put into the lines box
    int openedButton_ = -1;
};

}  // namespace x5k::mainset
