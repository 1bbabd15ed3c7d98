#pragma once
// Turning the macro page's event rows into a macro record.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "macros/MacroRecord.h"

namespace x5k {

// Adjacent pauses are merged up to this length (about five and a half minutes).
inline constexpr uint32_t kMaxMergedDelayMs = 327670;

enum class [[nodiscard]] BuildStatus {
    Built,
    NoRows,
    // More events than a record holds (1000). The recorder stops at 999 inputs, but
    // its pauses and rows added by hand can go past that; the macro is refused as a
    // whole rather than cut short without the user knowing.
    TooManyEvents,
};

struct BuiltMacro {
    BuildStatus status = BuildStatus::NoRows;
    std::optional<MacroRecord> record;  // set exactly when built
    int eventCount = 0;                 // the events the rows give, stored or not
};

// The repeat count of a counted macro from the page's loop text: a decimal number
// that is the whole text and not 0, limited to 65,533 (a negative number gives 65,533
// too); anything else gives 1.
uint32_t ParseRepeatCount(std::string_view loopText);

// Builds a record from the page's rows. First every run of adjacent delay rows on the
// page becomes one row of their total (at most 327,670 ms); `rows` changes with it.
// Rows before the first press or release are left out of the record (but stay on the
// page), so a macro never starts with a pause. A macro of one press runs once per
// press of its button; any other macro repeats as the loop text says.
BuiltMacro BuildMacroRecord(std::vector<EventRow>& rows, std::string_view loopText, int32_t macroId,
                            std::string_view name);

}  // namespace x5k
