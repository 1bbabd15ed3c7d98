#include "functions/KeyNames.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <utility>

#include "common/Utf.h"

namespace x5k {
namespace {

// Usage and virtual key of every key a key function can carry. The order matters:
// lookups take the first match, so Enter (0x28) wins over keypad Enter (0x58) for the
// shared virtual key 0x0D, and keypad Enter reads back as Enter after a round trip.
// clang-format off
constexpr std::array<ComboKey, 107> kComboKeys = {{
    {0x29, 0x1B},  // Escape
    {0x3A, 0x70}, {0x3B, 0x71}, {0x3C, 0x72}, {0x3D, 0x73}, {0x3E, 0x74}, {0x3F, 0x75},
    {0x40, 0x76}, {0x41, 0x77}, {0x42, 0x78}, {0x43, 0x79}, {0x44, 0x7A}, {0x45, 0x7B},
    {0x04, 0x41}, {0x05, 0x42}, {0x06, 0x43}, {0x07, 0x44}, {0x08, 0x45}, {0x09, 0x46},
    {0x0A, 0x47}, {0x0B, 0x48}, {0x0C, 0x49}, {0x0D, 0x4A}, {0x0E, 0x4B}, {0x0F, 0x4C},
    {0x10, 0x4D}, {0x11, 0x4E}, {0x12, 0x4F}, {0x13, 0x50}, {0x14, 0x51}, {0x15, 0x52},
    {0x16, 0x53}, {0x17, 0x54}, {0x18, 0x55}, {0x19, 0x56}, {0x1A, 0x57}, {0x1B, 0x58},
    {0x1C, 0x59}, {0x1D, 0x5A},
    {0x1E, 0x31}, {0x1F, 0x32}, {0x20, 0x33}, {0x21, 0x34}, {0x22, 0x35}, {0x23, 0x36},
    {0x24, 0x37}, {0x25, 0x38}, {0x26, 0x39}, {0x27, 0x30},
    {0x2B, 0x09},  // Tab
    {0x39, 0x14},  // Caps Lock
    {0x28, 0x0D},  // Enter
    {0x2A, 0x08},  // Backspace
    {0x2C, 0x20},  // Space
    {0x2F, 0xDB}, {0x30, 0xDD}, {0x31, 0xDC},  // [ ] backslash
    {0x33, 0xBA}, {0x34, 0xDE},                // ; '
    {0x36, 0xBC}, {0x37, 0xBE}, {0x38, 0xBF},  // , . /
    {0x35, 0xC0},                              // grave accent
    {0x2E, 0xBB}, {0x2D, 0xBD},                // = -
    {0x46, 0x2C}, {0x47, 0x91}, {0x48, 0x13},  // Print Screen, Scroll Lock, Pause
    // Insert, Home, Page Up, Delete, End, Page Down.
    {0x49, 0x2D}, {0x4A, 0x24}, {0x4B, 0x21}, {0x4C, 0x2E}, {0x4D, 0x23}, {0x4E, 0x22},
    {0x52, 0x26}, {0x51, 0x28}, {0x50, 0x25}, {0x4F, 0x27},  // Up, Down, Left, Right
    // Keypad 1-9, then 0.
    {0x59, 0x61}, {0x5A, 0x62}, {0x5B, 0x63}, {0x5C, 0x64}, {0x5D, 0x65}, {0x5E, 0x66},
    {0x5F, 0x67}, {0x60, 0x68}, {0x61, 0x69}, {0x62, 0x60},
    {0x57, 0x6B}, {0x56, 0x6D}, {0x55, 0x6A}, {0x54, 0x6F},  // keypad + - * /
    {0x53, 0x90},                                            // Num Lock
    {0x58, 0x0D},                                            // keypad Enter
    {0x63, 0x6E},                                            // keypad .
    {0xE0, 0xA2}, {0xE1, 0xA0}, {0xE2, 0xA4}, {0xE3, 0x5B},  // left Ctrl, Shift, Alt, Win
    {0xE4, 0xA3}, {0xE5, 0xA1}, {0xE6, 0xA5}, {0xE7, 0x5C},  // right Ctrl, Shift, Alt, Win
    {0x65, 0x5D},                                            // Application
    {0xF0, 0x01}, {0xF1, 0x02}, {0xF2, 0x04},  // left, right, middle mouse button
}};
// clang-format on

// The macro page's names. Its letter rows repeat K, L and Z and it names two keys
// "Scroll"; these stay as they are because the page lists the rows by position. Codes
// above 0xFF (the mouse's own buttons) can never be found by MacroKeyName, which
// looks up one byte.
// clang-format off
constexpr std::array<MacroKeyNameRow, 115> kMacroKeyNames = {{
    {0x51, "Q"},          {0x57, "W"},           {0x45, "E"},
    {0x52, "R"},          {0x54, "T"},           {0x59, "Y"},
    {0x55, "U"},          {0x49, "I"},           {0x4F, "O"},
    {0x50, "P"},          {0x41, "A"},           {0x53, "S"},
    {0x44, "D"},          {0x46, "F"},           {0x47, "G"},
    {0x48, "H"},          {0x4A, "J"},           {0x4B, "K"},
    {0x4C, "L"},          {0x5A, "Z"},           {0x4B, "K"},
    {0x4C, "L"},          {0x5A, "Z"},           {0x58, "X"},
    {0x43, "C"},          {0x56, "V"},           {0x42, "B"},
    {0x4E, "N"},          {0x4D, "M"},           {0xC0, "~"},
    {0x31, "1"},          {0x32, "2"},           {0x33, "3"},
    {0x34, "4"},          {0x35, "5"},           {0x36, "6"},
    {0x37, "7"},          {0x38, "8"},           {0x39, "9"},
    {0x30, "0"},          {0xBD, "-"},           {0xBB, "="},
    {0x08, "Backspace"},  {0xDC, "|"},           {0xDB, "["},
    {0xDD, "]"},          {0xBA, ";"},           {0xDE, "'"},
    {0x0D, "Enter"},      {0xBC, "<"},           {0xBE, ">"},
    {0xBF, "?"},          {0x09, "Tab"},         {0x14, "Cap"},
    {0xA0, "L_Shift"},    {0xA2, "L_Ctrl"},      {0xA4, "L_Alt"},
    {0x5B, "L_Win"},      {0xA1, "R_Shift"},     {0xA3, "R_Ctrl"},
    {0xA5, "R_Alt"},      {0x5C, "R_Win"},       {0x20, "Space"},
    {0x1B, "ESC"},        {0x70, "F1"},          {0x71, "F2"},
    {0x72, "F3"},         {0x73, "F4"},          {0x74, "F5"},
    {0x75, "F6"},         {0x76, "F7"},          {0x77, "F8"},
    {0x78, "F9"},         {0x79, "F10"},         {0x7A, "F11"},
    {0x7B, "F12"},        {0x61, "NUM 1"},       {0x62, "NUM 2"},
    {0x63, "NUM 3"},      {0x64, "NUM 4"},       {0x65, "NUM 5"},
    {0x66, "NUM 6"},      {0x67, "NUM 7"},       {0x68, "NUM 8"},
    {0x69, "NUM 9"},      {0x60, "NUM 0"},       {0x6D, "NUM -"},
    {0x6B, "NUM +"},      {0x6A, "NUM *"},       {0x6F, "NUM /"},
    {0x6C, "NUM Enter"},  {0x6E, "NUM Del"},     {0x90, "NUM Lock"},
    {0x2A, "Print"},      {0x91, "Scroll"},      {0x13, "Pause"},
    {0x2D, "Insert"},     {0x24, "Home"},        {0x2E, "Delete"},
    {0x23, "End"},        {0x21, "Page Up"},     {0x22, "Page Down"},
    {0x26, "UP"},         {0x28, "DOWN"},        {0x25, "LEFT"},
    {0x27, "RIGHT"},      {0x1001, "L key"},     {0x1002, "R key"},
    {0x1003, "M key"},    {0x1004, "4 key"},     {0x1005, "5 key"},
    {0x1006, "Scroll"},   {0x01, "Left Button"}, {0x02, "Right Button"},
    {0x04, "Middle Button"},
}};
// clang-format on

// Both tables are sized exactly; a row left out would be filled with zeros, which no
// real row holds.
static_assert(std::none_of(kComboKeys.begin(), kComboKeys.end(), [](const ComboKey& row) {
    return row.usage == 0 || row.virtualKey == 0;
}));
static_assert(std::none_of(kMacroKeyNames.begin(), kMacroKeyNames.end(),
                           [](const MacroKeyNameRow& row) {
                               return row.code == 0 || row.name.empty();
                           }));

struct FixedKeyName {
    uint8_t virtualKey;
    std::string_view name;
};

// Keys whose name does not depend on the keyboard layout. 0x00 and 0xFF are "no key"
// and read as nothing. 0x6C is the keypad separator, which the program shows as a
// backslash.
// clang-format off
constexpr FixedKeyName kFixedKeyNames[] = {
    {0x00, ""},         {0xFF, ""},          {0x08, "Backspace"}, {0x09, "Tab"},
    {0x0C, "Clr"},      {0x0D, "Enter"},     {0x2B, "Enter"},     {0x10, "Shift"},
    {0x11, "Ctrl"},     {0x12, "Alt"},       {0x13, "Pause"},     {0x14, "CapsLock"},
    {0x1B, "Esc"},      {0x20, "Space"},     {0x21, "PageUp"},    {0x22, "PageDown"},
    {0x23, "End"},      {0x24, "Home"},      {0x25, "Left"},      {0x26, "Up"},
    {0x27, "Right"},    {0x28, "Down"},      {0x29, "Select"},    {0x2A, "Print"},
    {0x2C, "PrtSc SysRq"}, {0x2D, "Insert"}, {0x2E, "Delete"},    {0x2F, "Help"},
    {0x5B, "LWin"},     {0x5C, "RWin"},      {0x5D, "App"},       {0x60, "(0)"},
    {0x61, "(1)"},      {0x62, "(2)"},       {0x63, "(3)"},       {0x64, "(4)"},
    {0x65, "(5)"},      {0x66, "(6)"},       {0x67, "(7)"},       {0x68, "(8)"},
    {0x69, "(9)"},      {0x6A, "(*)"},       {0x6B, "(+)"},       {0x6C, "\\"},
    {0x6D, "(-)"},      {0x6E, "(.)"},       {0x6F, "(/)"},       {0x70, "F1"},
    {0x71, "F2"},       {0x72, "F3"},        {0x73, "F4"},        {0x74, "F5"},
    {0x75, "F6"},       {0x76, "F7"},        {0x77, "F8"},        {0x78, "F9"},
    {0x79, "F10"},      {0x7A, "F11"},       {0x7B, "F12"},       {0x90, "Numlock"},
    {0x91, "Scroll Lock"}, {0xA0, "LShift"}, {0xA1, "RShift"},    {0xA2, "LCtrl"},
    {0xA3, "RCtrl"},    {0xA4, "LAlt"},      {0xA5, "RAlt"},
};
// clang-format on

// A modifier toggle of ComposeKeyValue: its bit, and the usage of its left-hand key,
// which is what a lone modifier stands for. Tested in this order.
struct ModifierToggle {
    uint8_t bit;
    uint8_t leftUsage;
};
constexpr ModifierToggle kCtrlToggle{kModifierCtrl, 0xE0};
constexpr ModifierToggle kAltToggle{kModifierAlt, 0xE2};
constexpr ModifierToggle kShiftToggle{kModifierShift, 0xE1};
constexpr ModifierToggle kWinToggle{kModifierWin, 0xE3};

// The modifiers as they are written before the key, whatever order they were pressed
// in. The modifier byte is the HID one: the low four bits are the left-hand keys and
// the high four the right-hand ones, which read as the same modifier.
struct ModifierName {
    uint8_t leftBit;
    std::string_view name;
};
constexpr int kRightHandShiftBits = 4;
constexpr std::array<ModifierName, 4> kModifierNames = {{
    {kModifierShift, "Shift"},
    {kModifierCtrl, "Ctrl"},
    {kModifierAlt, "Alt"},
    {kModifierWin, "Win"},
}};

// Byte positions inside a key value.
constexpr int kModifierShiftBits = 8;
constexpr int kUsageShiftBits = 16;

// A code listed twice would make the second name unreachable.
constexpr bool FixedNamesAreDistinct() {
    for (size_t i = 0; i < std::size(kFixedKeyNames); ++i) {
        for (size_t j = i + 1; j < std::size(kFixedKeyNames); ++j) {
            if (kFixedKeyNames[i].virtualKey == kFixedKeyNames[j].virtualKey) return false;
        }
    }
    return true;
}
static_assert(FixedNamesAreDistinct());

const FixedKeyName* FindFixedName(uint32_t virtualKey) {
    const auto it = std::find_if(
        std::begin(kFixedKeyNames), std::end(kFixedKeyNames),
        [virtualKey](const FixedKeyName& row) { return row.virtualKey == virtualKey; });
    return it == std::end(kFixedKeyNames) ? nullptr : &*it;
}

// A character is usable as a key name only when it is a valid code point that shows
// something: control characters (C0, DEL, C1) would make an invisible or broken name.
bool IsNameableCharacter(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c <= 0x10FFFF;
}

std::string HexCodeName(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::span<const ComboKey> ComboKeyTable() {
    return kComboKeys;
}

std::span<const MacroKeyNameRow> MacroKeyNames() {
    return kMacroKeyNames;
}

uint8_t UsageToVk(uint32_t usage) {
    const auto it = std::find_if(kComboKeys.begin(), kComboKeys.end(),
                                 [usage](const ComboKey& row) { return row.usage == usage; });
    return it == kComboKeys.end() ? 0 : it->virtualKey;
}

uint8_t VkToUsage(uint32_t virtualKey) {
    const auto it =
        std::find_if(kComboKeys.begin(), kComboKeys.end(),
                     [virtualKey](const ComboKey& row) { return row.virtualKey == virtualKey; });
    return it == kComboKeys.end() ? 0 : it->usage;
}

std::string VirtualKeyName(uint32_t virtualKey, const KeyboardLayout& layout) {
    if (const FixedKeyName* fixed = FindFixedName(virtualKey)) return std::string(fixed->name);

    // Letters, digits and punctuation read as the key cap of the user's own layout. The
    // whole character is kept, so a Cyrillic or Greek layout names its keys correctly
    // rather than by a stray byte. Only ASCII letters are upper-cased, as key caps print
    // them; other scripts keep the character the layout gives.
    const std::optional<char32_t> typed = layout.characterOf(virtualKey);
    if (typed && IsNameableCharacter(*typed)) {
        char32_t c = *typed;
        if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
        std::string name;
        AppendUtf8(name, c);
        return name;
    }
    // A key the layout cannot name (a dead key, a key missing from this layout, a code
    // no keyboard sends) still needs a visible name, or the user would see an empty
    // assignment: its code tells which key it is.
    return HexCodeName(virtualKey);
}

std::string KeyComboName(uint32_t keyValue, const KeyboardLayout& layout) {
    const uint32_t modifiers = (keyValue >> kModifierShiftBits) & 0xFF;
    const uint32_t usage = (keyValue >> kUsageShiftBits) & 0xFF;
    const std::string key = VirtualKeyName(UsageToVk(usage), layout);
    if (modifiers == 0) return key;

    std::string text;
    for (const ModifierName& modifier : kModifierNames) {
        const uint32_t bits = modifier.leftBit | modifier.leftBit << kRightHandShiftBits;
        if ((modifiers & bits) == 0) continue;
        if (!text.empty()) text += " + ";
        text += modifier.name;
    }
    // A value with modifiers but no usable key (an edited or damaged profile) reads as
    // the modifiers alone rather than ending in a dangling " + ".
    if (key.empty()) return text;
    return text + " + " + key;
}

uint32_t ComposeKeyValue(uint32_t virtualKey, bool ctrl, bool alt, bool shift, bool win) {
    uint32_t modifiers = 0;
    uint32_t loneUsage = 0;
    int count = 0;
    const std::array<std::pair<bool, ModifierToggle>, 4> toggles = {{
        {ctrl, kCtrlToggle},
        {alt, kAltToggle},
        {shift, kShiftToggle},
        {win, kWinToggle},
    }};
    for (const auto& [on, toggle] : toggles) {
        if (!on) continue;
        modifiers |= toggle.bit;
        loneUsage = toggle.leftUsage;
        ++count;
    }

    const uint32_t usage = VkToUsage(virtualKey);
    if (modifiers == 0) return usage << kUsageShiftBits;
    if (usage != 0) return usage << kUsageShiftBits | modifiers << kModifierShiftBits;
    // A single modifier pressed on its own is a key in its own right (the left-hand one).
    if (count == 1) return loneUsage << kUsageShiftBits;
    return 0;
}

std::string MacroKeyName(uint32_t value) {
    const uint32_t code = value & 0xFF;
    const auto it = std::find_if(kMacroKeyNames.begin(), kMacroKeyNames.end(),
                                 [code](const MacroKeyNameRow& row) { return row.code == code; });
    return it == kMacroKeyNames.end() ? std::string() : std::string(it->name);
}

}  // namespace x5k
