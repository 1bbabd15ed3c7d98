#include "pages/mainset/MainSetModel.h"

#include <algorithm>

namespace x5k::mainset {
namespace {

// The tabs' windows are wider than the slanted pictures; the indicators take the middle.
constexpr int kIndicatorInset = 17;

const layout::PageLayout& settingsPage() {
    // The layout tables are compiled in, so the page is always there.
    return *layout::findPage("settings");
}

const layout::Control& tabControl(int button) {
    static constexpr std::array<std::string_view, kButtonCount> kTabNames = {
        "tab0", "tab1", "tab2", "tab3", "tab4", "tab5", "tab6"};
    return *layout::findControl(settingsPage(), kTabNames[static_cast<size_t>(button)]);
}

}  // namespace

ResolutionBoxes BoxesForList(const ProfileImage& profile) {
    ResolutionBoxes boxes{};
    for (int slot = 0; slot < kMaxLevels; ++slot) {
        const int32_t resolution = profile.get(profile::Resolution(slot));
        for (int box = 0; box < kResolutionBoxes; ++box) {
            if (kResolutionChoices[static_cast<size_t>(box)] == resolution) {
                boxes[static_cast<size_t>(box)] = true;
            }
        }
    }
    return boxes;
}

ResolutionBoxes ClickBox(const ResolutionBoxes& boxes, int box) {
    if (box < 0 || box >= kResolutionBoxes) return boxes;
    ResolutionBoxes after = boxes;
    bool& clicked = after[static_cast<size_t>(box)];
    const auto on = std::count(boxes.begin(), boxes.end(), true);
    if (on >= kMaxLevels) {
        clicked = false;
    } else if (!clicked) {
        clicked = true;
    } else if (on > 1) {
        clicked = false;
    }
    return after;
}

void WriteResolutionList(ProfileImage& profile, const ResolutionBoxes& boxes) {
    for (int slot = 0; slot < profile::kResolutionSlots; ++slot) {
        profile.set(profile::Resolution(slot), 0);
    }
    int next = 0;
    for (int box = 0; box < kResolutionBoxes; ++box) {
        if (boxes[static_cast<size_t>(box)]) {
            profile.set(profile::Resolution(next++), kResolutionChoices[static_cast<size_t>(box)]);
        }
    }
}

std::optional<int> RateRadioFor(int32_t code) {
    const auto found = std::find(kRateCodes.begin(), kRateCodes.end(), code);
    if (found == kRateCodes.end()) return std::nullopt;
    return static_cast<int>(found - kRateCodes.begin());
}

ScrollLinesFix ValidateScrollLines(std::string_view text) {
    const size_t oldLength = text.size();
    while (!text.empty() && text.front() == '0') text.remove_prefix(1);
    // Reading stops at the first non-digit and as soon as the number passes the maximum,
    // so no text can overflow the value.
    int value = 0;
    size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = std::min(value * 10 + (text[digits] - '0'), kLinesRange.maximum + 1);
    }
    ScrollLinesFix fix;
    fix.value = digits == 0 ? kLinesRange.minimum : kLinesRange.clamp(value);
    fix.text = std::to_string(fix.value);
    fix.caret = static_cast<int>(std::min(oldLength, fix.text.size()));
    return fix;
}

ViewState ViewForProfile(const ProfileImage& profile) {
    ViewState view;
    view.resolutionBoxes = BoxesForList(profile);
    // The sliders show a value outside their range at their start, as every slider does.
    view.speedPosition = kSpeedRange.orMinimum(profile.get(profile::kPointerSpeed));
    view.precision = profile.get(profile::kPrecision) == 1;
    view.heightPosition = kHeightRange.orMinimum(profile.get(profile::kSensorHeight));
    view.rateRadio = RateRadioFor(profile.get(profile::kReportRate));
    const int32_t lines = profile.get(profile::kScrollLines);
    view.screenRadio = lines == kScrollByScreen;
    view.linesRadio = !view.screenRadio;
    view.linesEditEnabled = view.linesRadio;
    // The box only ever holds 1..30; a damaged value shows its nearest end.
    view.linesValue = view.screenRadio ? kLinesRange.minimum : kLinesRange.clamp(lines);
    view.linesText = std::to_string(view.linesValue);
    for (int button = 0; button < kButtonCount; ++button) {
        view.tabModified[static_cast<size_t>(button)] = IsModified(profile, button);
    }
    return view;
}

std::vector<int> HintsAt(layout::Point point, bool chinese) {
    std::vector<int> hints;
    for (const layout::Control& control : settingsPage().controls) {
        if (control.hint == 0) continue;
        const layout::Rect& r = control.rectFor(chinese);
        const layout::Rect grown{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        if (grown.contains(point)) hints.push_back(control.hint);
    }
    return hints;
}

Indicators UpdateIndicators(const Indicators& lit, layout::Point pointer, bool mainInFront) {
    Indicators after = lit;
    for (int button = 0; button < kButtonCount; ++button) {
        const layout::Rect& tab = tabControl(button).rect;
        const layout::Rect middle{tab.left + kIndicatorInset, tab.top, tab.right - kIndicatorInset,
                                  tab.bottom};
        bool& indicator = after[static_cast<size_t>(button)];
        if (!middle.contains(pointer)) {
            indicator = false;
        } else if (mainInFront) {
            indicator = true;
        }
    }
    return after;
}

MainSetModel::MainSetModel(ProfileImage& profile) : profile_(profile) {
    RefreshFromProfile();
}

const ViewState& MainSetModel::RefreshFromProfile() {
    view_ = ViewForProfile(profile_);
    shownLines_ = view_.linesText;
    return view_;
}

void MainSetModel::clickResolutionBox(int box) {
    // The click works on the boxes as shown, so a damaged list is rebuilt whole by the
    // first click: values no box stands for and slots past the fifth go.
    view_.resolutionBoxes = ClickBox(view_.resolutionBoxes, box);
    WriteResolutionList(profile_, view_.resolutionBoxes);
}

void MainSetModel::clickPrecision() {
    view_.precision = !view_.precision;
    profile_.set(profile::kPrecision, view_.precision ? 1 : 0);
}

void MainSetModel::moveSlider(int sliderId, int position) {
    if (sliderId == kSpeedSliderId && kSpeedRange.clamp(position) == position) {
        view_.speedPosition = position;
        profile_.set(profile::kPointerSpeed, position);
    } else if (sliderId == kHeightSliderId && kHeightRange.clamp(position) == position) {
        view_.heightPosition = position;
        profile_.set(profile::kSensorHeight, position);
    }
}

void MainSetModel::clickRate(int radio) {
    if (radio < 0 || radio >= kRateRadios) return;
    view_.rateRadio = radio;
    profile_.set(profile::kReportRate, kRateCodes[static_cast<size_t>(radio)]);
}

void MainSetModel::clickLinesRadio() {
    view_.linesRadio = true;
    view_.screenRadio = false;
    view_.linesEditEnabled = true;
    profile_.set(profile::kScrollLines, view_.linesValue);
}

void MainSetModel::clickScreenRadio() {
    view_.linesRadio = false;
    view_.screenRadio = true;
    view_.linesEditEnabled = false;
    profile_.set(profile::kScrollLines, kScrollByScreen);
}

void MainSetModel::stepLinesUp() {
    storeLines(std::min(view_.linesValue + 1, kLinesRange.maximum));
}

void MainSetModel::stepLinesDown() {
    storeLines(std::max(view_.linesValue - 1, kLinesRange.minimum));
}

void MainSetModel::typeLines(std::string_view text) {
    view_.linesText = std::string(text);
}

int MainSetModel::ValidateScrollLines() {
    const ScrollLinesFix fix = mainset::ValidateScrollLines(view_.linesText);
    storeLines(fix.value);
    return fix.caret;
}

bool MainSetModel::validateTimerTick() {
    // Untouched text needs no fixing: the box already shows a value in range, and a
    // damaged profile value behind it is left alone until the user changes something.
    if (!view_.linesRadio || view_.linesText == shownLines_) return false;
    (void)ValidateScrollLines();
    return true;
}

void MainSetModel::beforeApply() {
    if (profile_.get(profile::kScrollLines) != kScrollByScreen) (void)ValidateScrollLines();
}

std::optional<std::string> MainSetModel::openButton(int button, bool chinese) {
    if (button < 0 || button >= kButtonCount) return std::nullopt;
    openedButton_ = button;
    (void)TranslateDefaultName(profile_, button, chinese);
    return profile_.text(profile::DisplayName(button));
}

std::optional<AssignOutcome> MainSetModel::closeButton(
    const std::optional<AssignmentResult>& result, const AssignmentContext& context) {
    std::optional<AssignOutcome> outcome;
    if (result) {
        outcome = AssignFunction(profile_, context.workingMacroIds, *result, context.chinese,
                                 context.messages, context.layout, context.macroName);
        openedButton_ = -1;
    }
    // Every tab, not only the open one: a refusal changes nothing, and a stored result
    // names its own button.
    for (int button = 0; button < kButtonCount; ++button) {
        view_.tabModified[static_cast<size_t>(button)] = IsModified(profile_, button);
    }
    return outcome;
}

void MainSetModel::storeLines(int value) {
    view_.linesValue = value;
    view_.linesText = std::to_string(value);
    shownLines_ = view_.linesText;
    profile_.set(profile::kScrollLines, value);
}

}  // namespace x5k::mainset
