#include "common/ByteRecord.h"

#include "common/Utf.h"

namespace x5k {

std::string GetText16(std::span<const uint8_t> bytes, TextField field) {
    std::u16string units;
    for (size_t i = 0; i < field.units; ++i) {
        const char16_t u = GetU16(bytes, field.offset + 2 * i);
        if (u == 0) break;
        units += u;
    }
    return Utf16ToUtf8(units);
}

bool SetText16(std::span<uint8_t> bytes, TextField field, std::string_view utf8) {
    std::u16string units = Utf8ToUtf16(utf8);
    const size_t room = field.mayFill || field.units == 0 ? field.units : field.units - 1;
    const bool truncated = units.size() > room;
    if (truncated) {
        units.resize(room);
        // A high surrogate whose partner was cut off would be a broken character.
        if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
    }
    for (size_t i = 0; i < field.units; ++i) {
        SetU16(bytes, field.offset + 2 * i, i < units.size() ? units[i] : 0);
    }
    return !truncated;
}

}  // namespace x5k
