#include "controls/ListRows.h"

#include <algorithm>
#include <array>

namespace x5k::controls {
namespace {

constexpr uint32_t kKindShift = 24;
constexpr uint32_t kLowBits = 0x00FFFFFF;

struct RowIcons {
    int kind;
    std::string_view normal;
    std::string_view selected;
};
constexpr std::array<RowIcons, 3> kRowIcons{{
    {kRowRelease, "up_normal.png", "up_select.png"},
    {kRowPress, "down_normal.png", "down_select.png"},
    {kRowDelay, "delay_normal.png", "delay_select.png"},
}};

// Cell columns of the vertical bar's parts; the horizontal bar's are four further right.
constexpr int kHorizontalColumnOffset = 4;
constexpr int ColumnOf(ScrollPart part) {
    switch (part) {
        case ScrollPart::LineUpArrow:
            return 0;
        case ScrollPart::LineDownArrow:
            return 1;
        case ScrollPart::Thumb:
            return 2;
        case ScrollPart::PageUpTrack:
        case ScrollPart::PageDownTrack:
            return 3;
        case ScrollPart::None:
            break;
    }
    return -1;
}

}  // namespace

uint32_t RowItemValue(int kind, uint32_t value) {
    if (kind < 1 || kind > 255) return value;
    return static_cast<uint32_t>(kind) << kKindShift | (value & kLowBits);
}

int RowKind(uint32_t itemValue) {
    return static_cast<int>(itemValue >> kKindShift);
}

std::string_view RowIconFile(int kind, bool selected) {
    for (const RowIcons& icons : kRowIcons) {
        if (icons.kind == kind) return selected ? icons.selected : icons.normal;
    }
    return {};
}

int RowTextLeft(int kind, bool showIcons, int iconWidth) {
    if (showIcons && kind >= kRowIndented && kind <= kRowDelay) {
        return iconWidth + kRowIconTextGap;
    }
    return kRowTextLeft;
}

int ScrollInfo::maxPosition() const {
    const int highest = page > 0 ? max - page + 1 : max;
    return std::max(min, highest);
}

int ScrollInfo::clamp(int position) const {
    return std::clamp(position, min, maxPosition());
}

bool ScrollInfo::scrollable() const {
    return maxPosition() > min;
}

ScrollInfo ScrollInfoFromSteps(int minimum, int maximumPosition, int pageStep, int value) {
    ScrollInfo info;
    info.min = minimum;
    info.page = std::max(pageStep, 0);
    info.max = std::max(maximumPosition, minimum) + (info.page > 0 ? info.page - 1 : 0);
    info.pos = info.clamp(value);
    return info;
}

int ScrollTarget(const ScrollInfo& info, ScrollCode code, int trackPosition) {
    const int page = std::max(info.page, 1);
    switch (code) {
        case ScrollCode::LineUp:
            return info.clamp(info.pos - 1);
        case ScrollCode::LineDown:
            return info.clamp(info.pos + 1);
        case ScrollCode::PageUp:
            return info.clamp(info.pos - page);
        case ScrollCode::PageDown:
            return info.clamp(info.pos + page);
        case ScrollCode::ThumbPosition:
        case ScrollCode::ThumbTrack:
            return info.clamp(trackPosition);
        case ScrollCode::Top:
            return info.min;
        case ScrollCode::Bottom:
            return info.maxPosition();
        case ScrollCode::EndScroll:
            break;
    }
    return info.clamp(info.pos);
}

std::optional<ScrollCode> PartCommand(ScrollPart part) {
    switch (part) {
        case ScrollPart::LineUpArrow:
            return ScrollCode::LineUp;
        case ScrollPart::LineDownArrow:
            return ScrollCode::LineDown;
        case ScrollPart::PageUpTrack:
            return ScrollCode::PageUp;
        case ScrollPart::PageDownTrack:
            return ScrollCode::PageDown;
        case ScrollPart::Thumb:
        case ScrollPart::None:
            break;
    }
    return std::nullopt;
}

ScrollLayout LayoutScrollBar(int length, int cellSize, const ScrollInfo& info) {
    ScrollLayout layout;
    layout.length = std::max(length, 0);
    const int arrow = std::min(std::max(cellSize, 0), layout.length / 2);
    layout.arrowUpEnd = arrow;
    layout.arrowDownStart = layout.length - arrow;
    const int track = layout.arrowDownStart - layout.arrowUpEnd;
    if (!info.scrollable() || track <= 0) return layout;

    const long long whole = static_cast<long long>(info.max) - info.min + 1;
    int thumb =
        info.page > 0 ? static_cast<int>(track * static_cast<long long>(info.page) / whole) : 0;
    thumb = std::max(thumb, cellSize);
    if (thumb > track || thumb <= 0) return layout;
    layout.thumbStart = ThumbStartFor(
        ScrollLayout{layout.length, layout.arrowUpEnd, layout.arrowDownStart, 0, thumb}, info,
        info.pos);
    layout.thumbEnd = layout.thumbStart + thumb;
    return layout;
}

ScrollPart HitScrollPart(const ScrollLayout& layout, int offset) {
    if (offset < 0 || offset >= layout.length) return ScrollPart::None;
    if (offset < layout.arrowUpEnd) return ScrollPart::LineUpArrow;
    if (offset >= layout.arrowDownStart) return ScrollPart::LineDownArrow;
    if (!layout.hasThumb()) return ScrollPart::None;
    if (offset < layout.thumbStart) return ScrollPart::PageUpTrack;
    if (offset >= layout.thumbEnd) return ScrollPart::PageDownTrack;
    return ScrollPart::Thumb;
}

int ThumbPosition(const ScrollLayout& layout, const ScrollInfo& info, int thumbStart) {
    const int thumb = layout.thumbEnd - layout.thumbStart;
    const long long travel = layout.trackEnd() - layout.trackStart() - thumb;
    const long long span = static_cast<long long>(info.maxPosition()) - info.min;
    if (travel <= 0 || span <= 0) return info.min;
    const long long offset = std::clamp<long long>(thumbStart - layout.trackStart(), 0, travel);
    return info.clamp(static_cast<int>(info.min + (offset * span + travel / 2) / travel));
}

int ThumbStartFor(const ScrollLayout& layout, const ScrollInfo& info, int position) {
    const int thumb = layout.thumbEnd - layout.thumbStart;
    const long long travel = layout.trackEnd() - layout.trackStart() - thumb;
    const long long span = static_cast<long long>(info.maxPosition()) - info.min;
    if (travel <= 0 || span <= 0) return layout.trackStart();
    const long long from = static_cast<long long>(info.clamp(position)) - info.min;
    return layout.trackStart() + static_cast<int>((from * travel + span / 2) / span);
}

int SkinCellSize(int bitmapWidth) {
    return std::max(bitmapWidth, 0) / kSkinColumns;
}

CellRect SkinCell(bool vertical, ScrollPart part, CellState state, int cellSize) {
    const int column = ColumnOf(part);
    if (column < 0 || cellSize <= 0) return {};
    const int x = (column + (vertical ? 0 : kHorizontalColumnOffset)) * cellSize;
    return {x, static_cast<int>(state) * cellSize, cellSize, cellSize};
}

int CommandsAfter(const RepeatSchedule& schedule, int heldMs) {
    if (heldMs < schedule.firstDelayMs) return 1;
    return 2 + (heldMs - schedule.firstDelayMs) / std::max(schedule.intervalMs, 1);
}

}  // namespace x5k::controls
