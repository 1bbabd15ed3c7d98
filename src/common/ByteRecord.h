#pragma once
// Fixed-size byte records: the program's files and wire reports are raw images of
// these. Integers are little-endian; text fields are fixed-width, zero-terminated
// UTF-16. No packed structs and no casts of file bytes: every field is read and
// written through these helpers at a named offset.

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace x5k {

// A 32-bit little-endian integer field at a fixed offset.
struct I32Field {
    size_t offset;
};

// A zero-terminated UTF-16 text field of `units` code units at a fixed offset.
struct TextField {
    size_t offset;
    size_t units;
    // A text that fills the field has no terminating zero unit; most fields keep one free.
    bool mayFill = false;
};

inline uint32_t GetU32(std::span<const uint8_t> bytes, size_t offset) {
    assert(offset + 4 <= bytes.size());
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
           uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

inline void SetU32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    assert(offset + 4 <= bytes.size());
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint16_t GetU16(std::span<const uint8_t> bytes, size_t offset) {
    assert(offset + 2 <= bytes.size());
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline void SetU16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
    assert(offset + 2 <= bytes.size());
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// Reads the text up to the first zero unit (or the whole field when none), as UTF-8.
std::string GetText16(std::span<const uint8_t> bytes, TextField field);

// Writes `utf8` truncated to units - 1 code units (never splitting a surrogate pair),
// then zero-fills the rest of the field. Returns false when the text was truncated.
bool SetText16(std::span<uint8_t> bytes, TextField field, std::string_view utf8);

template <size_t N>
class ByteRecord {
public:
    static constexpr size_t kSize = N;

    std::span<uint8_t, N> bytes() { return data_; }
    std::span<const uint8_t, N> bytes() const { return data_; }

    int32_t get(I32Field f) const { return static_cast<int32_t>(GetU32(data_, f.offset)); }
    void set(I32Field f, int32_t value) { SetU32(data_, f.offset, static_cast<uint32_t>(value)); }
    std::string text(TextField f) const { return GetText16(data_, f); }
    bool setText(TextField f, std::string_view utf8) { return SetText16(data_, f, utf8); }

    void clear() { data_.fill(0); }
    bool operator==(const ByteRecord&) const = default;

private:
    std::array<uint8_t, N> data_{};
};

}  // namespace x5k
