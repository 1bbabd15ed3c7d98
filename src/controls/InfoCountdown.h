#pragma once
// The program's message box and progress dialog as plain rules: their built-in texts in
// both interface languages, where the box's buttons sit for each layout, where the boxes
// open on the screen, and the caption sequence of the self-closing notice. The widgets
// only ask here and paint.

#include <optional>
#include <string>

namespace x5k::controls {

// A rectangle as the layout tables give it: left and top inclusive, right and bottom
// exclusive.
struct BoxRect {
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const BoxRect&) const = default;
};

struct BoxPoint {
    int x;
    int y;
    bool operator==(const BoxPoint&) const = default;
};

// The answers of the box: OK, and Cancel for everything else that ends it (the Cancel
// button, the close button, closing the window, the countdown running out).
inline constexpr int kInfoResultOk = 1;
inline constexpr int kInfoResultCancel = 2;

// Both boxes are fixed pictures of this size.
inline constexpr int kInfoBoxWidth = 330;
inline constexpr int kInfoBoxHeight = 160;

inline constexpr BoxRect kInfoMessageRect{90, 73, 305, 91};
inline constexpr BoxRect kInfoTitleRect{10, 9, 100, 23};
// RGB (83, 97, 103): the message, the title and the idle button captions.
inline constexpr unsigned kInfoTextRgb = 0x536167;

// The progress dialog: its bar, the bar's control identifier, the text's layout
// rectangle and colour, and the percentage that ends an apply.
inline constexpr int kProgressBoxHeight = 80;
inline constexpr BoxRect kProgressBarRect{35, 47, 295, 56};
inline constexpr int kProgressBarId = 777;
inline constexpr BoxRect kProgressTextRect{35, 20, 35 + 310, 20 + 40};
inline constexpr unsigned kProgressTextArgb = 0xFF808080;
inline constexpr int kProgressDone = 100;
// The dialog stays half a second at 100 % so the user sees the full bar.
inline constexpr int kProgressCloseDelayMs = 500;

inline constexpr int kCountdownSeconds = 5;
inline constexpr int kCountdownTickMs = 1000;

// The box's pictures and controls for one layout (with Cancel or OK only).
struct InfoLayout {
    int normalResource;
    int hoverResource;
    int pressedResource;
    BoxRect closeButton;
    BoxRect okButton;
    std::optional<BoxRect> cancelButton;
};

InfoLayout infoLayout(bool withCancel);

// Built-in texts, UTF-8, in the form the Chinese-interface flag chooses.
std::string okCaption(bool chinese);
std::string cancelCaption(bool chinese);
std::string tipsTitle(bool chinese);
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
