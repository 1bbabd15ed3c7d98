#include "controls/ButtonLook.h"

namespace x5k::controls {

ButtonLook pictureButtonLook(const ButtonState& state) {
    const bool pressedLook = state.checkMode ? state.checked : state.pushed;
    if (pressedLook) return {ButtonPicture::Pressed, CaptionColour::Pressed};
    if (state.hovering) return {ButtonPicture::Hover, CaptionColour::Hover};
    if (!state.enabled) return {ButtonPicture::Disabled, CaptionColour::Disabled};
    return {ButtonPicture::Normal, CaptionColour::Normal};
}

ButtonLook shapedButtonLook(const ButtonState& state) {
    if (!state.checkMode && !state.enabled) {
        return {ButtonPicture::Disabled, CaptionColour::Normal};
    }
    const bool pushed = state.checkMode ? state.checked : state.pushed;
    if (pushed) return {ButtonPicture::Pressed, CaptionColour::Pressed};
    if (state.hovering) return {ButtonPicture::Hover, CaptionColour::Hover};
    return {ButtonPicture::Normal, CaptionColour::Normal};
}

bool HoverTracker::moved(bool leftButtonDown, bool overButton, bool windowActive) {
    if (!hovering_) {
        if (leftButtonDown || !overButton || !windowActive) return false;
        hovering_ = true;
        return true;
    }
    if (overButton) return false;
    hovering_ = false;
    return true;
}

bool HoverTracker::ended() {
    const bool changed = hovering_;
    hovering_ = false;
    return changed;
}

std::optional<uint32_t> swatchFrame(bool selected, bool pushed, bool hovering, bool border) {
    if (selected) return kSwatchFrameSelected;
    if (pushed) return kSwatchFramePushed;
    if (hovering) return kSwatchFrameHover;
    if (border) return kSwatchFrameBorder;
    return std::nullopt;
}

TextPoint shapedCaptionOrigin(int anchorX, int anchorY, int width) {
    return {anchorX - width / 2, anchorY - 6};
}

}  // namespace x5k::controls
