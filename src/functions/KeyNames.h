#pragma once
// Keyboard keys in their three forms: the HID keyboard usage the mouse stores, the
// virtual-key code the desktop input reports, and the name the user reads. Also the
// key value of a key function (modifier bits in byte 1, usage in byte 2) and the
// older key-name table of the macro page.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/Protocol.h"
#include "platform/KeyboardLayout.h"

namespace x5k {

// One row of the table that converts between usages and virtual keys. Usages 0xF0-0xF2
// are this program's own codes for the left, right and middle mouse buttons; they are
// no HID keyboard usages.
struct ComboKey {
    uint8_t usage;
    uint8_t virtualKey;
};

// One row of the macro page's key names.
struct MacroKeyNameRow {
    uint32_t code;
    std::string_view name;
};

// The 107 rows in their fixed order; where two rows share a code the earlier one wins.
std::span<const ComboKey> ComboKeyTable();

// The 115 rows in their fixed order, repeated names included.
std::span<const MacroKeyNameRow> MacroKeyNames();

// The virtual key of the first row with this usage; 0 when none has it (any value
// above 0xFF included).
uint8_t UsageToVk(uint32_t usage);

// The usage of the first row with this virtual key; 0 when none has it (any value
// above 0xFF included). 0x0D gives Enter's 0x28, not the keypad's 0x58.
uint8_t VkToUsage(uint32_t virtualKey);

// The name of a virtual key: a fixed name for named keys, else the character the
// key types on `layout`, else the code in hexadecimal.
std::string VirtualKeyName(uint32_t virtualKey, const KeyboardLayout& layout);

// The text of a key value: the modifiers (always Shift, Ctrl, Alt, Win in that order)
// and the key, joined by " + ".
std::string KeyComboName(uint32_t keyValue, const KeyboardLayout& layout);

// A key value is the mouse's keyboard word: its modifier bits (kModifierCtrl...) are
// named with the rest of the wire protocol.

// The key value of a captured virtual key (0 when none) with the modifier toggles; 0
// when they make no valid key (several modifiers without a key, or nothing at all).
uint32_t ComposeKeyValue(uint32_t virtualKey, bool ctrl, bool alt, bool shift, bool win);

// The macro page's name for the low byte of `value`; empty when no row has that code.
std::string MacroKeyName(uint32_t value);

}  // namespace x5k
