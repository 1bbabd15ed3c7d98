#include "controls/SliderScale.h"

#include <algorithm>
#include <cstdint>

namespace x5k::controls {
namespace {

// A short range starting at 1 jumps to its maximum once the exact click quotient
// q = distance × (maximum − minimum) / width + 1 exceeds numerator / denominator.
// Truncation alone would only give the maximum on the very last pixel.
struct ShortRangeJump {
    int maximum;
    int64_t numerator;
    int64_t denominator;
};
constexpr ShortRangeJump kShortRangeJumps[] = {
    {5, 475, 100},   // q > 4.75
    {10, 975, 100},  // q > 9.75
    {3, 287, 100},   // q > 2.87
};

// q > numerator / denominator, compared exactly in integers:
// distance × span / width + 1 > n / d  <=>  distance × span × d > (n − d) × width.
bool exceeds(int64_t distance, int64_t span, int64_t width, const ShortRangeJump& jump) {
    return distance * span * jump.denominator > (jump.numerator - jump.denominator) * width;
}

int proportional(int64_t distance, int64_t width, SliderRange range) {
    // Truncating division toward zero; the caller clamps.
    const int64_t value = range.minimum + range.span() * distance / width;
    return range.clamp(static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)));
}

}  // namespace

long long SliderRange::span() const {
    return std::max<long long>(0, static_cast<long long>(maximum) - minimum);
}

int SliderRange::clamp(int value) const {
    return std::clamp(value, minimum, std::max(minimum, maximum));
}

int SliderRange::orMinimum(int value) const {
    return value < minimum || value > std::max(minimum, maximum) ? minimum : value;
}

int ThumbTravel::span() const {
    const int64_t room = static_cast<int64_t>(right) - left - thumbWidth;
    return static_cast<int>(std::clamp<int64_t>(room, 0, INT32_MAX));
}

int ThumbTravel::clampLeft(int thumbLeft) const {
    return std::clamp(thumbLeft, left, left + span());
}

int TrackClickValue(int x, int left, int right, SliderRange range) {
    const int64_t width = static_cast<int64_t>(right) - left;
    const int64_t distance = static_cast<int64_t>(x) - left;
    if (width <= 0 || distance <= 0 || range.span() == 0) return range.minimum;
    // The track's right edge is exclusive, so the last column a click can reach stands
    // for it; otherwise most ranges could not be set to their maximum by a click.
    if (distance >= width - 1) return range.clamp(range.maximum);
    if (range.minimum == 1) {
        for (const ShortRangeJump& jump : kShortRangeJumps) {
            if (range.maximum == jump.maximum && exceeds(distance, range.span(), width, jump)) {
                return range.maximum;
            }
        }
    }
    return proportional(distance, width, range);
}

int ThumbValue(int thumbLeft, const ThumbTravel& travel, SliderRange range) {
    if (travel.span() == 0) return range.minimum;
    return proportional(static_cast<int64_t>(thumbLeft) - travel.left, travel.span(), range);
}

int ThumbLeft(int value, const ThumbTravel& travel, SliderRange range) {
    const int shown = range.orMinimum(value);
    if (range.span() == 0) return travel.left;
    const int64_t offset =
        travel.span() * (static_cast<int64_t>(shown) - range.minimum) / range.span();
    return travel.left + static_cast<int>(offset);
}

std::optional<DragStep> ThumbDrag(const DragInput& input, const ThumbTravel& travel,
                                  SliderRange range, SliderRange limits, bool limitStop) {
    const int64_t shift = static_cast<int64_t>(input.x) - input.pressX;
    if (limitStop && ((shift > 0 && input.currentValue >= limits.maximum) ||
                      (shift < 0 && input.currentValue <= limits.minimum))) {
        return std::nullopt;
    }
    // Truncation places a thumb up to a pixel left of where its value starts, so reading
    // the value back from an unmoved thumb could give the value below: a press that only
    // wobbles vertically keeps the value it has.
    if (shift == 0) {
        const int value = range.orMinimum(input.currentValue);
        return DragStep{ThumbLeft(value, travel, range), value};
    }
    const int64_t wanted = input.currentLeft + shift;
    const int newLeft = static_cast<int>(std::clamp<int64_t>(
        wanted, travel.left, static_cast<int64_t>(travel.left) + travel.span()));
    // The inner limits narrow the range; the value never leaves the range itself.
    const int value = range.clamp(limits.clamp(ThumbValue(newLeft, travel, range)));
    return DragStep{ThumbLeft(value, travel, range), value};
}

int ProgressFillWidth(int width, int position, SliderRange range) {
    if (width <= 0 || range.span() == 0) return 0;
    const int shown = range.orMinimum(position);
    const int64_t fill =
        static_cast<int64_t>(width) * (static_cast<int64_t>(shown) - range.minimum) / range.span();
    return static_cast<int>(std::clamp<int64_t>(fill, 0, width));
}

}  // namespace x5k::controls
