#pragma once
// The arithmetic of the skinned horizontal sliders and the progress bar: which value a
// click on a track or a thumb's left edge stands for, where the thumb sits for a value,
// and how wide the progress fill is. Everything is integer arithmetic with truncating
// division, so a value maps to the same pixel on every run; the windows only draw.

#include <optional>

namespace x5k::controls {

// A value range [minimum, maximum]. A range whose maximum lies below its minimum holds
// the minimum only, so no caller ever divides by a negative or zero span.
struct SliderRange {
    int minimum = 0;
    int maximum = 10;

    // maximum - minimum, never below 0.
    long long span() const;
    // The value moved into the range.
    int clamp(int value) const;
    // The value itself when it lies in the range, otherwise the minimum: the controls
    // treat a value they were given outside their range as "start".
    int orMinimum(int value) const;
};

// Where a thumb of thumbWidth pixels may travel: its left edge stays within
// [left, right - thumbWidth], right exclusive, in the track's coordinates.
struct ThumbTravel {
    int left = 0;
    int right = 0;
    int thumbWidth = 0;

    // How far the thumb's left edge can move; 0 when the thumb does not fit.
    int span() const;
    int clampLeft(int thumbLeft) const;
};

// The value of a click at x on a track spanning [left, right): proportional to the
// distance from the left edge, truncated, with the exceptions the short ranges 1..3,
// 1..5 and 1..10 carry so that their last value is reachable before the very end. The
// last pixel column counts as the right edge and gives the maximum. A track without
// width gives the minimum.
int TrackClickValue(int x, int left, int right, SliderRange range);

// The value a thumb whose left edge is at thumbLeft stands for (truncated, clamped).
int ThumbValue(int thumbLeft, const ThumbTravel& travel, SliderRange range);

// The left edge of the thumb showing the value; a value outside the range shows the
// minimum. A one-value range, or a thumb that does not fit, sits at the travel's left.
int ThumbLeft(int value, const ThumbTravel& travel, SliderRange range);

// One drag move of a thumb.
struct DragInput {
    int currentLeft = 0;   // where the thumb's left edge is now
    int currentValue = 0;  // the value it shows now
    int pressX = 0;        // where the press landed, in the thumb's coordinates then
    int x = 0;             // where the pointer is, in the thumb's coordinates now
};
struct DragStep {
    int left = 0;   // the thumb's new left edge: the position of the value
    int value = 0;  // the value to report
};
// The thumb follows the pointer within its travel and snaps to the position of the value
// it lands on, kept within the inner limits. With limitStop set, pulling further against
// a limit the value already sits on is ignored (no step). A pointer that did not move
// horizontally makes a step with the current value and position.
std::optional<DragStep> ThumbDrag(const DragInput& input, const ThumbTravel& travel,
                                  SliderRange range, SliderRange limits, bool limitStop);

// How many columns of the fill picture a progress bar of the width shows at the
// position; 0 outside the range and for a one-value range.
int ProgressFillWidth(int width, int position, SliderRange range);

}  // namespace x5k::controls
