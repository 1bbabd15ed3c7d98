#pragma once
// The program's message box and progress dialog as plain rules: their built-in texts in
// both interface languages, where the box's buttons sit for each layout, where the boxes
// open on the screen, and the caption sequence of the self-closing notice. The widgets
// only ask here and paint.

#include <optional>
#include <string>

#include "layout/Layout.h"

namespace x5k::controls {

// Rectangles and points as the layout tables give them: left and top inclusive, right and
// bottom exclusive.
using BoxRect = layout::Rect;
using BoxPoint = layout::Point;

// The answers of the box: OK, and Cancel for everything else that ends it (the Cancel
// button, the close button, closing the window, the countdown running out).
inline constexpr int kInfoResultOk = 1;
inline constexpr int kInfoResultCancel = 2;

// Both boxes are fixed pictures of this size.
inline constexpr int kInfoBoxWidth = 330;
inline constexpr int kInfoBoxHeight = 160;

// RGB (83, 97, 103): the message, the title and the idle button captions.
inline constexpr unsigned kInfoTextRgb = 0x536167;

// The progress dialog: the text's colour and the percentage that ends an apply.
inline constexpr unsigned kProgressTextArgb = 0xFF808080;
inline constexpr int kProgressDone = 100;
// The dialog stays half a second at 100 % so the user sees the full bar.
inline constexpr int kProgressCloseDelayMs = 500;

inline constexpr int kCountdownSeconds = 5;
inline constexpr int kCountdownTickMs = 1000;

// The box's pictures and controls for one layout (with Cancel or OK only), from the
// windows' layout tables.
struct InfoLayout {
    int normalResource;
    int hoverResource;
    int pressedResource;
    BoxRect closeButton;
    BoxRect okButton;
    std::optional<BoxRect> cancelButton;
    BoxRect message;
    BoxRect title;
};

InfoLayout infoLayout(bool withCancel);

// The progress dialog's bar (with its control identifier) and text area, from the
// windows' layout tables.
struct ProgressLayout {
    int width;
    int height;
    BoxRect bar;
    int barId;
    BoxRect text;
    // The Cancel button of a download that may be cancelled.
    BoxRect cancel;
};

ProgressLayout progressLayout();

// Built-in texts, UTF-8, in the form the Chinese-interface flag chooses.
std::string okCaption(bool chinese);
std::string cancelCaption(bool chinese);
std::string tipsTitle(bool chinese);
// The box's close button shows no words; screen readers know it by this name.
std::string closeButtonName(bool chinese);
std::string progressText(bool chinese);
// "OK (5s)" with the given number of seconds.
std::string countdownCaption(int seconds, bool chinese);

// Where a box of the fixed size opens inside an area (the screen's available geometry,
// origin at the area's corner): centred, or for the self-closing notice in the
// bottom-right corner, ten pixels in from the right edge and flush with the bottom.
BoxPoint centredOrigin(int areaWidth, int areaHeight);
BoxPoint countdownOrigin(int areaWidth, int areaHeight);

// The self-closing notice: the OK caption shows the seconds left, the box closes by
// itself with Cancel's answer once they ran out. The caption shows 5 at opening and
// again after the first tick, then 4, 3, 2 and 1; the sixth tick closes the box, about
// six seconds after it opened.
class InfoCountdown {
public:
    struct Tick {
        bool close = false;
        std::string caption;  // the new OK caption; empty when closing
        bool operator==(const Tick&) const = default;
    };

    explicit InfoCountdown(bool chinese) : chinese_(chinese) {}

    // Restarts the count and returns the caption the box opens with.
    std::string start();
    // One timer period passed.
    Tick tick();
    int secondsLeft() const { return secondsLeft_; }

private:
    bool chinese_;
    int secondsLeft_ = kCountdownSeconds;
};

}  // namespace x5k::controls
