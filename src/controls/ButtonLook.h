#pragma once
// The looks of the owner-drawn buttons as plain rules: which of a button's pictures and
// caption colours shows in a given state, how the pointer starts and ends a hover, the
// frame of a colour swatch and where a shaped button writes its caption. The widgets
// only gather their state, ask here and paint.

#include <cstdint>
#include <optional>

#include "layout/Layout.h"

namespace x5k::controls {

// Which of a button's four pictures is drawn.
enum class ButtonPicture { Normal, Hover, Pressed, Disabled };
// Which caption colour the text is drawn in.
enum class CaptionColour { Normal, Hover, Pressed, Disabled };

struct ButtonLook {
    ButtonPicture picture;
    CaptionColour caption;
    bool operator==(const ButtonLook&) const = default;
};

struct ButtonState {
    bool checkMode = false;
    bool checked = false;
    bool pushed = false;  // the left button went down on the button and is still down over it
    bool hovering = false;
    bool enabled = true;
};

// The picture button: in check mode the checked state alone decides the pressed look, so a
// checked tab stays pressed wherever the pointer is; otherwise the pushed state does. A
// hovered button shows its hover look even when disabled, because hover wins over disabled.
ButtonLook pictureButtonLook(const ButtonState& state);

// The shaped button: in check mode pushed means checked; otherwise a disabled button shows
// its disabled picture with the normal caption colour, whatever the pointer does.
ButtonLook shapedButtonLook(const ButtonState& state);

// The pointer's side of hovering for the picture and colour buttons. Each call answers
// whether the look changed, so the widget repaints only then.
class HoverTracker {
public:
    bool hovering() const { return hovering_; }

    // A move reached the button. While the left button is held down (a press that started
    // elsewhere, or a drag) a button that is not hovering does not start to; a move away
    // from the button ends the hover even then. Hover starts only while one of the
    // program's windows is active, so a button of a window in the background stays calm.
    bool moved(bool leftButtonDown, bool overButton, bool windowActive);
    // The pointer went to another window, the pointer grab was lost, the window lost its
    // activation or the button was hidden or its checked state was set.
    bool ended();

private:
    bool hovering_ = false;
};

// The one-pixel frame of a colour swatch as 0xAARRGGBB, or none. A selected swatch keeps
// its dark frame whatever the pointer does, so the selection stays readable.
std::optional<uint32_t> swatchFrame(bool selected, bool pushed, bool hovering, bool border);

inline constexpr uint32_t kSwatchFrameSelected = 0xFF393839;
inline constexpr uint32_t kSwatchFramePushed = 0xFFD31814;
inline constexpr uint32_t kSwatchFrameHover = 0xFFE8BE1C;
inline constexpr uint32_t kSwatchFrameBorder = 0xFF313439;

using TextPoint = layout::Point;

// Where the shaped button puts the top-left corner of its caption: centred on the anchor
// by the caption's measured width in pixels, its line starting 6 pixels above the anchor.
// (Guessing the width from the number of characters put long captions, German and
// Ukrainian ones, well right of the middle and into the button's mark.)
TextPoint shapedCaptionOrigin(int anchorX, int anchorY, int width);

}  // namespace x5k::controls
