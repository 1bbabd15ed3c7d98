#pragma once
// Character sets of markup files: encoding names to Windows code page numbers, and
// decoding bytes of a code page to UTF-16.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace x5k {

// Linux has no system-wide ANSI code page; the files this program reads come from
// Windows, where Western European (1252) is the most widespread one, so bytes whose
// encoding is neither declared nor valid UTF-8 are read as Windows-1252.
inline constexpr int kAnsiCodePage = 1252;

inline constexpr int kUtf8CodePage = 65001;
inline constexpr int kUtf16LeCodePage = 1200;
inline constexpr int kUtf16BeCodePage = 1201;

struct CharsetAlias {
    std::string_view name;  // lower case
    int codePage;
};

// Every alias the reader knows, sorted by name.
std::span<const CharsetAlias> CharsetAliases();

// The code page of an encoding name, compared with ASCII letters lower-cased. Unknown
// names and names of 100 characters or more give the ANSI code page.
int CodePageFromName(std::string_view name);

// Appends the UTF-16 form of `bytes` to `out` when they are well-formed UTF-8 (no
// overlong forms, surrogates or values past U+10FFFF, no sequence cut short at the end);
// otherwise returns false and leaves `out` as it was. Checking and decoding are one pass.
bool DecodeValidUtf8(std::span<const uint8_t> bytes, std::u16string& out);

// Decodes single- or multi-byte text of `codePage` to UTF-16. Bytes that are not valid
// in the code page become U+FFFD and the conversion goes on. A code page this system
// cannot convert is read as the ANSI code page.
std::u16string DecodeCodePage(int codePage, std::span<const uint8_t> bytes);

}  // namespace x5k
