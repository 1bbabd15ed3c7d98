#pragma once
// The C library's character set converter (iconv), used for the code pages the reader
// does not decode itself. This is the only place that talks to iconv.

#include <cstdint>
#include <span>
#include <string>

namespace x5k {

// Appends the UTF-16 form of `bytes` in `codePage` to `out`; invalid or incomplete
// sequences become U+FFFD and the conversion goes on. False, with `out` untouched, when
// the code page has no converter on this system.
bool ConvertWithIconv(int codePage, std::span<const uint8_t> bytes, std::u16string& out);

}  // namespace x5k
