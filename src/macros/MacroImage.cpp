#include "macros/MacroImage.h"

#include <algorithm>
#include <optional>

namespace x5k {
namespace {

// In usage order. The pairs with code 0 are usages that no key of the program gives;
// they keep code 0 on usage 0. Keypad Enter (0x58) shares code 0x0D with Enter and is
// never found, so both Enter keys reach the mouse as 0x28.
// clang-format off
constexpr std::array<KeyUsage, 113> kKeyUsages = {{
    {0x00, 0x00}, {0x01, 0x00}, {0x02, 0x00}, {0x03, 0x00},
    {0x04, 0x41}, {0x05, 0x42}, {0x06, 0x43}, {0x07, 0x44}, {0x08, 0x45}, {0x09, 0x46},
    {0x0A, 0x47}, {0x0B, 0x48}, {0x0C, 0x49}, {0x0D, 0x4A}, {0x0E, 0x4B}, {0x0F, 0x4C},
    {0x10, 0x4D}, {0x11, 0x4E}, {0x12, 0x4F}, {0x13, 0x50}, {0x14, 0x51}, {0x15, 0x52},
    {0x16, 0x53}, {0x17, 0x54}, {0x18, 0x55}, {0x19, 0x56}, {0x1A, 0x57}, {0x1B, 0x58},
    {0x1C, 0x59}, {0x1D, 0x5A},                                              // A-Z
    {0x1E, 0x31}, {0x1F, 0x32}, {0x20, 0x33}, {0x21, 0x34}, {0x22, 0x35}, {0x23, 0x36},
    {0x24, 0x37}, {0x25, 0x38}, {0x26, 0x39}, {0x27, 0x30},                  // 1-9, 0
    {0x28, 0x0D}, {0x29, 0x1B}, {0x2A, 0x08}, {0x2B, 0x09}, {0x2C, 0x20},    // Enter Esc Bksp Tab Space
    {0x2D, 0xBD}, {0x2E, 0xBB}, {0x2F, 0xDB}, {0x30, 0xDD}, {0x31, 0xDC},    // - = [ ] backslash
    {0x32, 0x00},
    {0x33, 0xBA}, {0x34, 0xDE}, {0x35, 0xC0}, {0x36, 0xBC}, {0x37, 0xBE}, {0x38, 0xBF},  // ; ' ` , . /
    {0x39, 0x14},                                                            // Caps Lock
    {0x3A, 0x70}, {0x3B, 0x71}, {0x3C, 0x72}, {0x3D, 0x73}, {0x3E, 0x74}, {0x3F, 0x75},
    {0x40, 0x76}, {0x41, 0x77}, {0x42, 0x78}, {0x43, 0x79}, {0x44, 0x7A}, {0x45, 0x7B},  // F1-F12
    {0x46, 0x2C}, {0x47, 0x91}, {0x48, 0x13},                                // PrtSc ScrLk Pause
    {0x49, 0x2D}, {0x4A, 0x24}, {0x4B, 0x21}, {0x4C, 0x2E}, {0x4D, 0x23}, {0x4E, 0x22},  // Ins Home PgUp Del End PgDn
    {0x4F, 0x27}, {0x50, 0x25}, {0x51, 0x28}, {0x52, 0x26},                  // Right Left Down Up
    {0x53, 0x90}, {0x54, 0x6F}, {0x55, 0x6A}, {0x56, 0x6D}, {0x57, 0x6B},    // Num Lock, keypad / * - +
    {0x58, 0x0D},                                                            // keypad Enter
    {0x59, 0x61}, {0x5A, 0x62}, {0x5B, 0x63}, {0x5C, 0x64}, {0x5D, 0x65}, {0x5E, 0x66},
    {0x5F, 0x67}, {0x60, 0x68}, {0x61, 0x69}, {0x62, 0x60}, {0x63, 0x6E},    // keypad 1-9, 0, .
    {0x64, 0x00},
    {0x65, 0x5D},                                                            // Applications
    {0xE0, 0xA2}, {0xE1, 0xA0}, {0xE2, 0xA4}, {0xE3, 0x5B},                  // left Ctrl Shift Alt Win
    {0xE4, 0xA3}, {0xE5, 0xA1}, {0xE6, 0xA5}, {0xE7, 0x5C},                  // right Ctrl Shift Alt Win
    {0xF0, 0x01}, {0xF1, 0x02}, {0xF2, 0x04},                                // left, right, middle button
}};
// clang-format on

static_assert(std::is_sorted(kKeyUsages.begin(), kKeyUsages.end(),
                             [](const KeyUsage& a, const KeyUsage& b) {
                                 return a.usage < b.usage;
                             }),
              "the pairs are in usage order");

// A macro that starts with a pause counts it in 100 ms units.
constexpr uint8_t kFirstPauseUnit = 3;

struct LongDelay {
    uint8_t unit;
    uint32_t count;
};

// The finest unit whose 16-bit count reaches `ms`; none beyond 6,553,500 ms.
std::optional<LongDelay> LongDelayOf(uint32_t ms) {
    for (uint8_t unit = 1; unit <= 3; ++unit) {
        const uint32_t unitMs = image::kUnitMs[unit];
        if (ms <= image::kMaxCount * unitMs) return LongDelay{unit, ms / unitMs};
    }
    return std::nullopt;
}

}  // namespace

std::span<const KeyUsage> KeyUsageTable() {
    return kKeyUsages;
}

uint8_t UsageOfCode(uint32_t code) {
    if (code > 0xFF) return 0;
    const auto it = std::find_if(kKeyUsages.begin(), kKeyUsages.end(),
                                 [code](const KeyUsage& pair) { return pair.code == code; });
    return it == kKeyUsages.end() ? 0 : it->usage;
}

// Entry forms (two bytes each, after the repeat count, high byte first):
//   press        01 + pause, usage     the pause that follows, in 10 ms units, from 1
//   release      81 + pause, usage
//   long delay   00, unit  then  count high, count low   (two entries)
//   nothing      00 00                                  (an event of unknown kind, or a
//                                                        pause too long for any unit)
MacroImage EncodeMacroImage(const MacroRecord& record) {
    using namespace image;
    MacroImage out;
    auto& bytes = out.bytes;
    const auto repeat = static_cast<uint32_t>(record.get(macro::kRepeatCount));
    bytes[0] = static_cast<uint8_t>(repeat >> 8);
    bytes[1] = static_cast<uint8_t>(repeat);

    int next = 1;
    // The entry a short pause is added to: the press or release just written, or none
    // when the last entry was something else.
    int keyEntry = -1;
    const auto fits = [&next](int entries) { return next + entries - 1 <= kMaxEntries; };
    const auto putEntry = [&](uint8_t first, uint8_t second) {
        bytes[2 * static_cast<size_t>(next)] = first;
        bytes[2 * static_cast<size_t>(next) + 1] = second;
        ++next;
    };

    const int count = EventCountOf(record);
    int i = 0;
    for (; i < count; ++i) {
        const uint32_t event = EventOf(record, i);
        const uint32_t value = macro::EventValue(event);
        const uint8_t kind = macro::EventKind(event);

        if (kind == macro::kPress || kind == macro::kRelease) {
            if (!fits(1)) break;
            keyEntry = next;
            putEntry(kind == macro::kPress ? kPressMark : kPressMark | kReleaseBit,
                     UsageOfCode(value));
            continue;
        }
        if (kind != macro::kDelay) {
            if (!fits(1)) break;
            keyEntry = -1;
            putEntry(0, 0);
            continue;
        }

        // A short pause rides on the press or release before it, as long as its 7-bit
        // field holds the sum. 1270 ms after a key would need 128 there (the field
        // starts at 1), so it and any pause that overflows an accumulated field, or
        // follows something other than a key, takes the long form instead.
        if (keyEntry >= 0 && value <= kPauseMask * kPauseUnitMs) {
            uint8_t& first = bytes[2 * static_cast<size_t>(keyEntry)];
            const uint32_t pause = (first & kPauseMask) + value / kPauseUnitMs;
            if (pause <= kPauseMask) {
                first = static_cast<uint8_t>((first & kReleaseBit) | pause);
                continue;
            }
        }
        // A macro that starts with a pause (only a file can hold one) has no key to
        // carry it; it is counted in 100 ms units over its full length, up to
        // 6,553,500 ms like any other long pause.
        std::optional<LongDelay> delay = LongDelayOf(value);
        if (i == 0 && value <= kMaxCount * kUnitMs[kFirstPauseUnit]) {
            delay = LongDelay{kFirstPauseUnit, value / kUnitMs[kFirstPauseUnit]};
        }
        keyEntry = -1;
        if (!delay) {
            if (!fits(1)) break;
            putEntry(0, 0);
            continue;
        }
        if (!fits(2)) break;
        putEntry(0, delay->unit);
        putEntry(static_cast<uint8_t>(delay->count >> 8), static_cast<uint8_t>(delay->count));
    }
    out.wordCount = next;
    out.eventsEncoded = i;
    out.truncated = i < count;
    return out;
}

}  // namespace x5k
