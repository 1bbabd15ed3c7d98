#pragma once
// Text from files, paths and the command line as x5kctl shows it to a person: control
// characters reach the terminal escaped, so a name holding ESC[2J prints as \x1b[2J and a
// path holding a newline stays on its line.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace x5k {

// `text` with C0 controls and DEL as \xNN, C1 controls (U+0080..U+009F) as \u00NN and
// bytes that are not UTF-8 as \xNN; everything else is kept as it stands.
inline std::string Printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    // \xNN for a byte, \u00NN for a code point.
    const auto escape = [&shown](bool codePoint, unsigned value) {
        constexpr char kDigits[] = "0123456789abcdef";
        shown += codePoint ? "\\u00" : "\\x";
        shown += kDigits[value >> 4 & 0xF];
        shown += kDigits[value & 0xF];
    };
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(false, byte);
            ++i;
            continue;
        }
        if (byte < 0x80) {
            shown += static_cast<char>(byte);
            ++i;
            continue;
        }
        // The length of a well-formed UTF-8 sequence starting here; 0 for none.
        const size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                              : byte >= 0xE0 && byte <= 0xEF ? 3
                              : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                             : 0;
        bool wellFormed = length != 0 && i + length <= text.size();
        for (size_t k = 1; wellFormed && k < length; ++k) {
            wellFormed = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (wellFormed && length > 2) {
            // No overlong forms, no surrogates, nothing above U+10FFFF.
            const auto second = static_cast<unsigned char>(text[i + 1]);
            wellFormed = !(byte == 0xE0 && second < 0xA0) && !(byte == 0xED && second >= 0xA0) &&
                         !(byte == 0xF0 && second < 0x90) && !(byte == 0xF4 && second >= 0x90);
        }
        if (!wellFormed) {
            escape(false, byte);
            ++i;
            continue;
        }
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if (byte == 0xC2 && second <= 0x9F) {
            escape(true, second);
        } else {
            shown.append(text.substr(i, length));
        }
        i += length;
    }
    return shown;
}

// JSON text as x5kctl prints it: the library escapes the C0 controls, and the C1 controls
// and DEL, which JSON lets stand in strings, are written as \u escapes too. Outside its
// strings JSON text is ASCII, so only bytes within strings change.
inline std::string PrintableJson(std::string_view json) {
    std::string shown;
    shown.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0u;
        unsigned control = 0;
        if (byte == 0x7F) {
            control = byte;
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            control = next;
            ++i;
        }
        if (control == 0) {
            shown += json[i];
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", control);
        shown += code;
    }
    return shown;
}

inline std::string Printable(const std::string& text) {
    return Printable(std::string_view(text));
}

inline std::string Printable(const std::filesystem::path& path) {
    return Printable(std::string_view(path.native()));
}

}  // namespace x5k
