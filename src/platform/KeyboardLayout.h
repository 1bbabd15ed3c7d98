#pragma once
// The character a key types on the user's keyboard layout, for naming keys.

#include <cstdint>
#include <optional>

namespace x5k {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // The character that the key with this virtual-key code types with no modifier
    // held, or nothing when the layout has no such key or it types no character.
    virtual std::optional<char32_t> characterOf(uint32_t virtualKey) const = 0;
};

}  // namespace x5k
