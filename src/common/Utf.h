#pragma once
// Conversions between the core's UTF-8 text and the UTF-16 text of records.

#include <string>
#include <string_view>

namespace x5k {

// Invalid UTF-8 sequences become U+FFFD, so a damaged name never stops a conversion.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace x5k
