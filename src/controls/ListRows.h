#pragma once
// The rules of the skinned list box and its scroll bars that need no window: how a row's
// item value carries the row kind, which icon a row shows and where its text starts,
// where the parts of a scroll bar lie for its size and scroll information, which part a
// point hits, which cell of the skin bitmap draws a part, and the auto-repeat pacing of a
// held arrow or track. The windows only draw and route input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace x5k::controls {

// --- Rows -------------------------------------------------------------------------------

// Row kinds of the macro event list; 0 is a plain row (the macro lists).
inline constexpr int kRowPlain = 0;
inline constexpr int kRowIndented = 1;  // text indented as for an icon, no icon
inline constexpr int kRowRelease = 2;   // "up" icon
inline constexpr int kRowPress = 3;     // "down" icon
inline constexpr int kRowDelay = 4;     // "delay" icon

inline constexpr int kRowIconSize = 16;
inline constexpr int kRowIconLeft = 5;  // from the row's left edge
inline constexpr int kRowIconTop = 1;   // from the row's top edge
inline constexpr int kRowTextLeft = 5;  // text of a row without an icon slot
inline constexpr int kRowIconTextGap = 10;
inline constexpr int kRowEditMaxLength = 20;

// How a list's rows became others: `head` rows stayed at the start and `tail` at the end;
// the rows between went, and the new rows between came. A list redrawn from it touches
// only what changed: one row for a recorded input, two for an inserted key.
struct ChangedRun {
    size_t head = 0;
    size_t tail = 0;
    bool operator==(const ChangedRun&) const = default;
};
template <class Row>
ChangedRun FindChangedRun(const std::vector<Row>& before, const std::vector<Row>& after) {
    ChangedRun run;
    const size_t common = std::min(before.size(), after.size());
    while (run.head < common && before[run.head] == after[run.head]) ++run.head;
    while (run.tail < common - run.head &&
           before[before.size() - 1 - run.tail] == after[after.size() - 1 - run.tail]) {
        ++run.tail;
    }
    return run;
}

// The value a row keeps: a kind 1..255 goes into the top byte over the low 24 bits of the
// value; any other kind leaves the value as given (macro IDs carry their group there).
uint32_t RowItemValue(int kind, uint32_t value);
// The kind a painted row shows: the top byte of its item value.
int RowKind(uint32_t itemValue);

// The icon file below skins/ of a row kind, the "select" variant while the row is
// selected; empty for kinds without an icon.
std::string_view RowIconFile(int kind, bool selected);

// Where the row's text starts, from the row's left edge. While the list shows icons,
// kinds 1 to 4 leave room for an icon of iconWidth; every other row starts at 5.
int RowTextLeft(int kind, bool showIcons, int iconWidth = kRowIconSize);

// --- Scroll bars ------------------------------------------------------------------------

// The commands a scroll bar sends its owner (the numbers of the system's scroll codes).
enum class ScrollCode : int {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

// Scroll information as the system keeps it: the range [min, max] covers the whole
// content and page is the visible part of it, so the highest position is max - page + 1.
struct ScrollInfo {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;

    int maxPosition() const;
    // The position moved into [min, maxPosition()].
    int clamp(int position) const;
    // Something is hidden, so the bar can move the content.
    bool scrollable() const;
    bool operator==(const ScrollInfo&) const = default;
};

// The scroll information of a scroll bar that keeps its highest position as maximum and
// a page step beside it (Qt's scroll bars).
ScrollInfo ScrollInfoFromSteps(int minimum, int maximumPosition, int pageStep, int value);

// Where a command moves the position (line 1, a page, or to the given position), clamped.
// The end of a scroll leaves the position alone.
int ScrollTarget(const ScrollInfo& info, ScrollCode code, int trackPosition);

enum class ScrollPart : int {
    None = -1,
    LineUpArrow = 0,  // up or left arrow
    LineDownArrow,    // down or right arrow
    Thumb,
    PageUpTrack,  // track before the thumb
    PageDownTrack,
};

// The command a press on an arrow or the track sends at once and repeats while held; the
// thumb (which is dragged instead) and no part send none.
std::optional<ScrollCode> PartCommand(ScrollPart part);

// The parts along the bar's length, as [start, end) offsets from its top (left) end.
struct ScrollLayout {
    int length = 0;      // along the bar
    int arrowUpEnd = 0;  // [0, arrowUpEnd) is the first arrow
    int arrowDownStart = 0;
    int thumbStart = 0;  // thumb [thumbStart, thumbEnd); empty when there is none
    int thumbEnd = 0;

    bool hasThumb() const { return thumbEnd > thumbStart; }
    int trackStart() const { return arrowUpEnd; }
    int trackEnd() const { return arrowDownStart; }
};

// Arrows are cells of size s at both ends (half the bar each when it is shorter than two
// cells); the thumb's length is the page's share of the track, at least s, and there is
// no thumb when nothing can scroll or the track is shorter than that.
ScrollLayout LayoutScrollBar(int length, int cellSize, const ScrollInfo& info);

// The part at an offset along the bar; None outside it.
ScrollPart HitScrollPart(const ScrollLayout& layout, int offset);

// The position the thumb stands for when its start is at thumbStart (a drag), clamped.
int ThumbPosition(const ScrollLayout& layout, const ScrollInfo& info, int thumbStart);

// The thumb's start for a position: the inverse of ThumbPosition.
int ThumbStartFor(const ScrollLayout& layout, const ScrollInfo& info, int position);

// The skin bitmap holds nine columns of s x s cells and three rows of states.
enum class CellState : int { Normal = 0, Hover = 1, Pressed = 2 };
inline constexpr int kSkinColumns = 9;

int SkinCellSize(int bitmapWidth);

struct CellRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const CellRect&) const = default;
};

// The cell drawing a part: vertical bars use columns 0 up arrow, 1 down arrow, 2 thumb and
// 3 track, horizontal bars columns 4 to 7 in the same order; both track parts draw the
// track cell. None gives an empty cell.
CellRect SkinCell(bool vertical, ScrollPart part, CellState state, int cellSize);

// A held arrow or track repeats its command: first after 500 ms, then every 100 ms.
struct RepeatSchedule {
    int firstDelayMs = 500;
    int intervalMs = 100;
};
inline constexpr RepeatSchedule kScrollRepeat{};

// How many commands a press held over its part for heldMs has sent in all (the press
// itself counts as the first).
int CommandsAfter(const RepeatSchedule& schedule, int heldMs);

}  // namespace x5k::controls
