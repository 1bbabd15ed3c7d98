#include "macros/MacroRecord.h"

#include <algorithm>

#include "common/TextFormat.h"
#include "functions/KeyNames.h"

namespace x5k {

bool IsInUse(const MacroRecord& record) {
    return static_cast<uint32_t>(record.get(macro::kSizeTag)) >= macro::kSize ||
           static_cast<uint32_t>(record.get(macro::kFormatTag)) >> 16 == macro::kUsedMark;
}

bool IsFree(const MacroRecord& record) {
    return record.get(macro::kFormatTag) == 0;
}

int EventCountOf(const MacroRecord& record) {
    const auto count = static_cast<uint32_t>(record.get(macro::kEventCount));
    return static_cast<int>(std::min<uint32_t>(count, macro::kMaxEvents));
}

uint32_t EventOf(const MacroRecord& record, int index) {
    return static_cast<uint32_t>(record.get(macro::Event(index)));
}

std::string DelayText(uint32_t ms) {
    return FormatText("%d  ms", {static_cast<int64_t>(ms)});
}

EventRow PressRow(uint32_t code) {
    return {MacroKeyName(code), uint32_t{row::kPress} << 24 | (code & macro::kValueMask)};
}

EventRow ReleaseRow(uint32_t code) {
    return {MacroKeyName(code), uint32_t{row::kRelease} << 24 | (code & macro::kValueMask)};
}

EventRow DelayRow(uint32_t ms) {
    ms &= macro::kValueMask;
    return {DelayText(ms), uint32_t{row::kDelay} << 24 | ms};
}

RecordRows RowsOfRecord(const MacroRecord& record) {
    RecordRows out;
    const int count = EventCountOf(record);
    for (int i = 0; i < count; ++i) {
        const uint32_t event = EventOf(record, i);
        const uint32_t value = macro::EventValue(event);
        switch (macro::EventKind(event)) {
            case macro::kPress:
                out.rows.push_back(PressRow(value));
                break;
            case macro::kRelease:
                out.rows.push_back(ReleaseRow(value));
                break;
            case macro::kDelay:
                out.rows.push_back(DelayRow(value));
                break;
            default:
                out.stoppedAt = i;
                return out;
        }
    }
    return out;
}

}  // namespace x5k
