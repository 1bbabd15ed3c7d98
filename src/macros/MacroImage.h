#pragma once
// The 512-byte form of a macro that the mouse stores in one of its macro slots and
// replays by itself, and the table that turns input codes into the keyboard usages
// the mouse sends.

#include <array>
#include <cstdint>
#include <span>

#include "device/Protocol.h"
#include "macros/MacroRecord.h"

namespace x5k {

// One pair of the usage table: a USB HID keyboard usage (or the program's own
// 0xF0-0xF2 for the mouse buttons) and the input code that gives it.
struct KeyUsage {
    uint8_t usage;
    uint8_t code;
};

// The 113 pairs in their fixed order; lookups take the first pair with the code.
std::span<const KeyUsage> KeyUsageTable();

// The usage of an input code; 0 for a code without one (any code above 0xFF too).
uint8_t UsageOfCode(uint32_t code);

namespace image {

inline constexpr size_t kSize = kMacroImageSize;
// Word 0 is the repeat count; every entry after it is one two-byte word.
inline constexpr int kEntryCapacity = 255;
// The apply sequence puts the low byte of the word count into the button's device
// code, so a word count of 256 would read as 0 there. Images therefore end at 254
// entries: the word count is at most 255.
inline constexpr int kMaxEntries = 254;

inline constexpr uint8_t kPressMark = 0x01;  // plus the pause after it in 10 ms units
inline constexpr uint8_t kReleaseBit = 0x80;
inline constexpr uint8_t kPauseMask = 0x7F;
inline constexpr uint32_t kPauseUnitMs = 10;
inline constexpr uint32_t kMaxCount = 0xFFFF;  // the count of a long delay

// Units of a long delay: 1 = 20 ms, 2 = 50 ms, 3 = 100 ms.
inline constexpr uint32_t kUnitMs[] = {0, 20, 50, 100};

}  // namespace image

struct MacroImage {
    std::array<uint8_t, image::kSize> bytes{};
    int wordCount = 1;      // the repeat word plus the entries used
    int eventsEncoded = 0;  // events that fit; fewer than the record's when truncated
    bool truncated = false;
};

// Encodes a record for the mouse. Events that no longer fit are left out, and the
// image is handed over as it is.
MacroImage EncodeMacroImage(const MacroRecord& record);

}  // namespace x5k
