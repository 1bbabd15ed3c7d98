#include "macros/MacroBuilder.h"

#include <algorithm>

namespace x5k {
namespace {

void MergeAdjacentDelays(std::vector<EventRow>& rows) {
    std::vector<EventRow> merged;
    merged.reserve(rows.size());
    for (EventRow& r : rows) {
        if (RowKind(r) == row::kDelay && !merged.empty() && RowKind(merged.back()) == row::kDelay) {
            const uint32_t total =
                std::min(RowValue(merged.back()) + RowValue(r), kMaxMergedDelayMs);
            merged.back() = DelayRow(total);
        } else {
            merged.push_back(std::move(r));
        }
    }
    rows = std::move(merged);
}

uint32_t EventOfRow(const EventRow& r) {
    switch (RowKind(r)) {
        case row::kPress:
            return macro::MakeEvent(macro::kPress, RowValue(r));
        case row::kRelease:
            return macro::MakeEvent(macro::kRelease, RowValue(r));
        case row::kDelay:
            return macro::MakeEvent(macro::kDelay, RowValue(r));
        default:
            // Kept as it stands; the encoder and the list read it as an invalid event.
            return r.item;
    }
}

}  // namespace

uint32_t ParseRepeatCount(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty()) return 1;
    uint32_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 1;
        // Saturates instead of overflowing: any value past the limit reads as the limit.
        value =
            std::min<uint32_t>(value * 10 + static_cast<uint32_t>(c - '0'), macro::kMaxRepeat + 1);
    }
    if (value == 0) return 1;
    if (negative) return macro::kMaxRepeat;
    return std::min(value, macro::kMaxRepeat);
}

BuiltMacro BuildMacroRecord(std::vector<EventRow>& rows, std::string_view loopText, int32_t macroId,
                            std::string_view name) {
    BuiltMacro out;
    if (rows.empty()) return out;
    MergeAdjacentDelays(rows);

    std::vector<uint32_t> events;
    events.reserve(rows.size());
    bool started = false;
    for (const EventRow& r : rows) {
        started = started || RowKind(r) == row::kPress || RowKind(r) == row::kRelease;
        if (started) events.push_back(EventOfRow(r));
    }
    out.eventCount = static_cast<int>(events.size());
    if (events.size() > static_cast<size_t>(macro::kMaxEvents)) {
        out.status = BuildStatus::TooManyEvents;
        return out;
    }

    MacroRecord record;
    using namespace macro;
    record.set(kSizeTag, static_cast<int32_t>(kSizeTagBase + 4 * rows.size()));
    record.set(kFormatTag, static_cast<int32_t>(kFormatValue));
    record.set(kMacroId, macroId);
    record.set(kReserved, 0);
    record.set(kEventCount, out.eventCount);
    for (size_t i = 0; i < events.size(); ++i) {
        record.set(Event(static_cast<int>(i)), static_cast<int32_t>(events[i]));
    }
    record.setText(kName, name);
    const bool singlePress = events.size() == 1 && EventKind(events[0]) == kPress;
    record.set(kRepeatCount,
               static_cast<int32_t>(singlePress ? kSinglePress : ParseRepeatCount(loopText)));
    out.status = BuildStatus::Built;
    out.record = record;
    return out;
}

}  // namespace x5k
