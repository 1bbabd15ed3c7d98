#pragma once
// A fixed US keyboard layout, so key names in tests never depend on the keyboard of
// the machine running them. Only the letters, digits and punctuation of the main block
// type a character; every other key (the ISO key 0xE2 included, which a US keyboard
// lacks) types nothing.

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/KeyboardLayout.h"

namespace x5k::test {

class UsKeyboardLayout final : public KeyboardLayout {
public:
    std::optional<char32_t> characterOf(uint32_t virtualKey) const override {
        if (virtualKey >= 0x30 && virtualKey <= 0x39) return char32_t(virtualKey);
        if (virtualKey >= 0x41 && virtualKey <= 0x5A) return char32_t(virtualKey - 0x41 + U'a');
        constexpr std::array<std::pair<uint32_t, char32_t>, 11> kPunctuation = {{
            {0xBA, U';'},
            {0xBB, U'='},
            {0xBC, U','},
            {0xBD, U'-'},
            {0xBE, U'.'},
            {0xBF, U'/'},
            {0xC0, U'`'},
            {0xDB, U'['},
            {0xDC, U'\\'},
            {0xDD, U']'},
            {0xDE, U'\''},
        }};
        const auto it =
            std::find_if(kPunctuation.begin(), kPunctuation.end(),
                         [virtualKey](const auto& row) { return row.first == virtualKey; });
        if (it == kPunctuation.end()) return std::nullopt;
        return it->second;
    }
};

// A layout that answers every key with one chosen character (or none), to see how
// names treat what a layout gives.
class SingleCharacterLayout final : public KeyboardLayout {
public:
    explicit SingleCharacterLayout(std::optional<char32_t> character) : character_(character) {}
    std::optional<char32_t> characterOf(uint32_t) const override { return character_; }

private:
    std::optional<char32_t> character_;
};

}  // namespace x5k::test
