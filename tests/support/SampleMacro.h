#pragma once
// A macro record as the macro file keeps it: one key press ('A'), with the given
// identifier and name, for tests that list or choose macros.

#include <cstdint>
#include <string_view>

#include "macros/MacroRecord.h"

namespace x5k::test {

inline MacroRecord SampleMacro(int32_t id, std::string_view name) {
    using namespace macro;
    MacroRecord record;
    record.set(kSizeTag, static_cast<int32_t>(kSizeTagBase + 4));
    record.set(kFormatTag, static_cast<int32_t>(kFormatValue));
    record.set(kMacroId, id);
    record.set(kEventCount, 1);
    record.set(Event(0), static_cast<int32_t>(MakeEvent(kPress, 0x41)));
    record.setText(kName, name);
    return record;
}

}  // namespace x5k::test
