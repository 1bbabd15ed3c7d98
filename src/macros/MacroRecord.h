#pragma once
// One macro: a named list of key and mouse-button presses, releases and pauses that the
// mouse replays by itself when a button bound to the macro is pressed. "Macro.cfg" is
// the raw image of 500 such records; the macro page shows a record's events as rows.

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteRecord.h"

namespace x5k {

namespace macro {

inline constexpr size_t kSize = 4104;
inline constexpr int kMaxEvents = 1000;
inline constexpr size_t kNameUnits = 40;  // the macro page allows 20 characters

inline constexpr uint32_t kFormatValue = 0xE8E80010;
inline constexpr uint32_t kUsedMark = 0xE8E8;  // upper half of the format tag of a used slot
// The size tag is 4100 plus four bytes per event row the macro was built from.
inline constexpr uint32_t kSizeTagBase = 4100;

inline constexpr I32Field kSizeTag{0};
inline constexpr I32Field kFormatTag{4};
inline constexpr I32Field kMacroId{8};  // bits 24-31 group, bits 0-23 creation tick
inline constexpr I32Field kReserved{12};
inline constexpr I32Field kRepeatCount{16};  // 1..65533, or kSinglePress
inline constexpr I32Field kEventCount{20};   // 0..1000; a damaged file may hold more

constexpr I32Field Event(int index) {
    return {24 + 4 * static_cast<size_t>(index)};
}
// Twenty characters outside the basic plane fill the name field: it may end without a zero.
inline constexpr TextField kName{4024, kNameUnits, true};

static_assert(Event(kMaxEvents).offset == kName.offset, "the name follows the last event");
static_assert(kName.offset + 2 * kName.units == kSize, "the name ends the record");

// A macro that runs once per press of its button instead of a counted number of times.
inline constexpr uint32_t kSinglePress = 0xFFFE;
inline constexpr uint32_t kMaxRepeat = 65533;

// Event words: the kind in the top byte, the input code or the pause in ms below it.
inline constexpr uint8_t kPress = 0xC0;
inline constexpr uint8_t kRelease = 0xE0;
inline constexpr uint8_t kDelay = 0xA0;
inline constexpr uint32_t kValueMask = 0x00FFFFFF;

constexpr uint32_t MakeEvent(uint8_t kind, uint32_t value) {
    return uint32_t{kind} << 24 | (value & kValueMask);
}
constexpr uint8_t EventKind(uint32_t event) {
    return static_cast<uint8_t>(event >> 24);
}
constexpr uint32_t EventValue(uint32_t event) {
    return event & kValueMask;
}

// Macro IDs: the group in the top byte. An ID is never 0, so an ID field of 0 binds
// nothing.
inline constexpr int kGroupCount = 21;
inline constexpr int kDefaultGroup = 21;  // "Customize", chosen when the page opens

constexpr int GroupOf(int32_t id) {
    return static_cast<int>(static_cast<uint32_t>(id) >> 24);
}
// A new macro's ID: its group and the low 24 bits of the tick count at its creation.
constexpr int32_t MakeMacroId(int group, uint32_t tickMs) {
    return static_cast<int32_t>(static_cast<uint32_t>(group) << 24 | (tickMs & kValueMask));
}

}  // namespace macro

using MacroRecord = ByteRecord<macro::kSize>;

// A slot holds a macro when its size tag is a built record's or its format tag carries
// the used mark; it can take a new macro when its format tag is 0. A deleted slot is
// all zero.
bool IsInUse(const MacroRecord& record);
bool IsFree(const MacroRecord& record);

// The event count limited to what a record can hold, so a damaged count never makes
// a reader walk past the 1000 event words into the name.
int EventCountOf(const MacroRecord& record);
uint32_t EventOf(const MacroRecord& record, int index);

// One row of the macro page's event list: the text shown and the item value, the row
// kind in bits 24-31 and the input code or the pause in ms in bits 0-23.
struct EventRow {
    std::string text;
    uint32_t item = 0;
    bool operator==(const EventRow&) const = default;
};

namespace row {
inline constexpr uint8_t kRelease = 2;
inline constexpr uint8_t kPress = 3;
inline constexpr uint8_t kDelay = 4;
}  // namespace row

constexpr uint8_t RowKind(const EventRow& r) {
    return static_cast<uint8_t>(r.item >> 24);
}
constexpr uint32_t RowValue(const EventRow& r) {
    return r.item & macro::kValueMask;
}

// Press and release rows show the key's name on the macro page (empty when it has
// none); delay rows show the pause as "%d  ms", with two blanks.
EventRow PressRow(uint32_t code);
EventRow ReleaseRow(uint32_t code);
EventRow DelayRow(uint32_t ms);
std::string DelayText(uint32_t ms);

// A stored macro's events as page rows. Rows stop at the first event of an unknown
// kind, which `stoppedAt` then gives (the rows before it are kept).
struct RecordRows {
    std::vector<EventRow> rows;
    int stoppedAt = -1;
};
RecordRows RowsOfRecord(const MacroRecord& record);

}  // namespace x5k
