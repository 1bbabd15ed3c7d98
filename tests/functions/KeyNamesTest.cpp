#include "functions/KeyNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/UsKeyboardLayout.h"

namespace x5k {
namespace {

using test::SingleCharacterLayout;
using test::UsKeyboardLayout;

// ---- The combination key table --------------------------------------------------------

// Runs of rows whose usages and virtual keys both count up by one.
struct ComboRun {
    const char* keys;
    size_t firstRow;
    size_t rows;
    uint8_t firstUsage;
    uint8_t firstVk;
};

TEST(ComboKeyTable, RunsOfConsecutiveKeys) {
    const auto table = ComboKeyTable();
    ASSERT_EQ(table.size(), 107u);
    const ComboRun runs[] = {
        {"F1-F12", 1, 12, 0x3A, 0x70},
        {"A-Z", 13, 26, 0x04, 0x41},
        {"1-9", 39, 9, 0x1E, 0x31},
        {"keypad 1-9", 78, 9, 0x59, 0x61},
    };
    for (const ComboRun& run : runs) {
        for (size_t i = 0; i < run.rows; ++i) {
            SCOPED_TRACE(std::string(run.keys) + " row " + std::to_string(run.firstRow + i));
            EXPECT_EQ(table[run.firstRow + i].usage, run.firstUsage + i);
            EXPECT_EQ(table[run.firstRow + i].virtualKey, run.firstVk + i);
        }
    }
}

struct ComboRow {
    size_t row;
    uint8_t usage;
    uint8_t vk;
};

class ComboKeyRowTest : public ::testing::TestWithParam<ComboRow> {};

TEST_P(ComboKeyRowTest, HoldsItsPair) {
    const ComboKey key = ComboKeyTable()[GetParam().row];
    EXPECT_EQ(key.usage, GetParam().usage);
    EXPECT_EQ(key.virtualKey, GetParam().vk);
}

INSTANTIATE_TEST_SUITE_P(TellingRows, ComboKeyRowTest,
                         ::testing::Values(ComboRow{0, 0x29, 0x1B}, ComboRow{48, 0x27, 0x30},
                                           ComboRow{51, 0x28, 0x0D}, ComboRow{56, 0x31, 0xDC},
                                           ComboRow{62, 0x35, 0xC0}, ComboRow{63, 0x2E, 0xBB},
                                           ComboRow{65, 0x46, 0x2C}, ComboRow{74, 0x52, 0x26},
                                           ComboRow{77, 0x4F, 0x27}, ComboRow{87, 0x62, 0x60},
                                           ComboRow{91, 0x54, 0x6F}, ComboRow{93, 0x58, 0x0D},
                                           ComboRow{95, 0xE0, 0xA2}, ComboRow{98, 0xE3, 0x5B},
                                           ComboRow{103, 0x65, 0x5D}, ComboRow{106, 0xF2, 0x04}),
                         [](const auto& info) { return "row" + std::to_string(info.param.row); });

struct ConversionCase {
    const char* name;
    uint32_t from;
    uint8_t to;
};

class UsageToVkTest : public ::testing::TestWithParam<ConversionCase> {};
TEST_P(UsageToVkTest, FirstMatchingRow) {
    EXPECT_EQ(UsageToVk(GetParam().from), GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, UsageToVkTest,
    ::testing::Values(ConversionCase{"keypad_enter", 0x58, 0x0D},
                      ConversionCase{"enter", 0x28, 0x0D}, ConversionCase{"a", 0x04, 0x41},
                      ConversionCase{"zero", 0x27, 0x30}, ConversionCase{"left_button", 0xF0, 0x01},
                      ConversionCase{"right_win", 0xE7, 0x5C}, ConversionCase{"none", 0x00, 0x00},
                      ConversionCase{"non_us_backslash_unknown", 0x64, 0x00},
                      ConversionCase{"above_a_byte", 0x104, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

class VkToUsageTest : public ::testing::TestWithParam<ConversionCase> {};
TEST_P(VkToUsageTest, FirstMatchingRow) {
    EXPECT_EQ(VkToUsage(GetParam().from), GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(Cases, VkToUsageTest,
                         ::testing::Values(ConversionCase{"enter_not_keypad", 0x0D, 0x28},
                                           ConversionCase{"a", 0x41, 0x04},
                                           ConversionCase{"escape", 0x1B, 0x29},
                                           ConversionCase{"left_win", 0x5B, 0xE3},
                                           ConversionCase{"middle_button", 0x04, 0xF2},
                                           ConversionCase{"generic_shift_unknown", 0x10, 0x00},
                                           ConversionCase{"none", 0x00, 0x00},
                                           ConversionCase{"ff", 0xFF, 0x00},
                                           // Not 'A': a code above a byte is no key of the table.
                                           ConversionCase{"above_a_byte", 0x141, 0x00}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ComboKeyTable, EveryUsageSurvivesARoundTripExceptKeypadEnter) {
    for (const ComboKey& key : ComboKeyTable()) {
        const uint8_t expected = key.usage == 0x58 ? 0x28 : key.usage;
        EXPECT_EQ(VkToUsage(UsageToVk(key.usage)), expected) << "usage " << int(key.usage);
    }
}

// ---- Virtual key names ----------------------------------------------------------------

struct NameCase {
    uint32_t vk;
    const char* name;
};

std::string CaseName(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "vk%02X", code);
    return text;
}

class FixedKeyNameTest : public ::testing::TestWithParam<NameCase> {};

// A layout that would type 'x' everywhere shows that fixed names never ask it.
TEST_P(FixedKeyNameTest, IgnoresTheLayout) {
    const SingleCharacterLayout layout(U'x');
    EXPECT_EQ(VirtualKeyName(GetParam().vk, layout), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, FixedKeyNameTest,
    ::testing::Values(
        NameCase{0x00, ""}, NameCase{0xFF, ""}, NameCase{0x08, "Backspace"}, NameCase{0x09, "Tab"},
        NameCase{0x0C, "Clr"}, NameCase{0x0D, "Enter"}, NameCase{0x2B, "Enter"},
        NameCase{0x10, "Shift"}, NameCase{0x11, "Ctrl"}, NameCase{0x12, "Alt"},
        NameCase{0x13, "Pause"}, NameCase{0x14, "CapsLock"}, NameCase{0x1B, "Esc"},
        NameCase{0x20, "Space"}, NameCase{0x21, "PageUp"}, NameCase{0x22, "PageDown"},
        NameCase{0x23, "End"}, NameCase{0x24, "Home"}, NameCase{0x25, "Left"}, NameCase{0x26, "Up"},
        NameCase{0x27, "Right"}, NameCase{0x28, "Down"}, NameCase{0x29, "Select"},
        NameCase{0x2A, "Print"}, NameCase{0x2C, "PrtSc SysRq"}, NameCase{0x2D, "Insert"},
        NameCase{0x2E, "Delete"}, NameCase{0x2F, "Help"}, NameCase{0x5B, "LWin"},
        NameCase{0x5C, "RWin"}, NameCase{0x5D, "App"}, NameCase{0x60, "(0)"}, NameCase{0x61, "(1)"},
        NameCase{0x62, "(2)"}, NameCase{0x63, "(3)"}, NameCase{0x64, "(4)"}, NameCase{0x65, "(5)"},
        NameCase{0x66, "(6)"}, NameCase{0x67, "(7)"}, NameCase{0x68, "(8)"}, NameCase{0x69, "(9)"},
        NameCase{0x6A, "(*)"}, NameCase{0x6B, "(+)"}, NameCase{0x6C, "\\"}, NameCase{0x6D, "(-)"},
        NameCase{0x6E, "(.)"}, NameCase{0x6F, "(/)"}, NameCase{0x70, "F1"}, NameCase{0x71, "F2"},
        NameCase{0x72, "F3"}, NameCase{0x73, "F4"}, NameCase{0x74, "F5"}, NameCase{0x75, "F6"},
        NameCase{0x76, "F7"}, NameCase{0x77, "F8"}, NameCase{0x78, "F9"}, NameCase{0x79, "F10"},
        NameCase{0x7A, "F11"}, NameCase{0x7B, "F12"}, NameCase{0x90, "Numlock"},
        NameCase{0x91, "Scroll Lock"}, NameCase{0xA0, "LShift"}, NameCase{0xA1, "RShift"},
        NameCase{0xA2, "LCtrl"}, NameCase{0xA3, "RCtrl"}, NameCase{0xA4, "LAlt"},
        NameCase{0xA5, "RAlt"}),
    [](const auto& info) { return CaseName(info.param.vk); });

class UsLayoutKeyNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(UsLayoutKeyNameTest, NamedByTheLayoutOrByCode) {
    EXPECT_EQ(VirtualKeyName(GetParam().vk, UsKeyboardLayout()), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Cases, UsLayoutKeyNameTest,
                         ::testing::Values(NameCase{0x41, "A"}, NameCase{0x5A, "Z"},
                                           NameCase{0x30, "0"}, NameCase{0x39, "9"},
                                           NameCase{0xBA, ";"}, NameCase{0xBB, "="},
                                           NameCase{0xBF, "/"}, NameCase{0xC0, "`"},
                                           NameCase{0xDC, "\\"}, NameCase{0xDE, "'"},
                                           // Keys the layout cannot name read as their code.
                                           NameCase{0xE2, "0xE2"}, NameCase{0x07, "0x07"},
                                           NameCase{0x01, "0x01"}, NameCase{0x1001, "0x1001"}),
                         [](const auto& info) { return CaseName(info.param.vk); });

struct CharacterCase {
    const char* name;
    std::optional<char32_t> typed;
    std::string keyName;
};

class LayoutCharacterTest : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(LayoutCharacterTest, BecomesTheName) {
    const SingleCharacterLayout layout(GetParam().typed);
    EXPECT_EQ(VirtualKeyName(0xBA, layout), GetParam().keyName);
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutCharacterTest,
                         ::testing::Values(CharacterCase{"ascii_letter_upper_cased", U'q', "Q"},
                                           CharacterCase{"latin1_kept_whole", U'\u00F6', "\u00F6"},
                                           CharacterCase{"cyrillic_utf8", U'\u0436', "\u0436"},
                                           CharacterCase{"outside_bmp", U'\U0001F5B1',
                                                         "\U0001F5B1"},
                                           CharacterCase{"none", std::nullopt, "0xBA"},
                                           CharacterCase{"control_character", U'\x1B', "0xBA"},
                                           CharacterCase{"c1_control", U'\u0085', "0xBA"},
                                           CharacterCase{"surrogate", char32_t{0xD800}, "0xBA"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Key values -----------------------------------------------------------------------

struct ComboNameCase {
    const char* name;
    uint32_t keyValue;
    const char* text;
};

class KeyComboNameTest : public ::testing::TestWithParam<ComboNameCase> {};

TEST_P(KeyComboNameTest, ModifiersThenKey) {
    EXPECT_EQ(KeyComboName(GetParam().keyValue, UsKeyboardLayout()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyComboNameTest,
    ::testing::Values(ComboNameCase{"all_modifiers_f5", 0x003E0F00,
                                    "Shift + Ctrl + Alt + Win + F5"},
                      ComboNameCase{"ctrl_shift_in_fixed_order", 0x00040300, "Shift + Ctrl + A"},
                      ComboNameCase{"alt_f4", 0x003D0400, "Alt + F4"},
                      ComboNameCase{"win_keypad_plus", 0x00570800, "Win + (+)"},
                      ComboNameCase{"key_alone", 0x00040000, "A"},
                      ComboNameCase{"keypad_enter_alone", 0x00580000, "Enter"},
                      ComboNameCase{"lone_modifier_key", 0x00E10000, "LShift"},
                      ComboNameCase{"punctuation_by_layout", 0x00330000, ";"},
                      ComboNameCase{"empty", 0x00000000, ""},
                      ComboNameCase{"unknown_usage", 0x00640000, ""},
                      // Bytes 0 and 3 are not part of the key.
                      ComboNameCase{"outer_bytes_ignored", 0xAB0403CD, "Shift + Ctrl + A"},
                      // The right-hand modifier bits read as the same modifiers.
                      ComboNameCase{"right_ctrl", 0x00041000, "Ctrl + A"},
                      ComboNameCase{"right_win_left_ctrl", 0x00048100, "Ctrl + Win + A"},
                      // Modifiers without a key: no dangling separator.
                      ComboNameCase{"modifier_without_key", 0x00000200, "Shift"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ComposeCase {
    const char* name;
    uint32_t vk;
    bool ctrl, alt, shift, win;
    uint32_t keyValue;
};

class ComposeKeyValueTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeKeyValueTest, BuildsTheKeyValue) {
    const ComposeCase& c = GetParam();
    EXPECT_EQ(ComposeKeyValue(c.vk, c.ctrl, c.alt, c.shift, c.win), c.keyValue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComposeKeyValueTest,
    ::testing::Values(ComposeCase{"lone_shift", 0, false, false, true, false, 0x00E10000},
                      ComposeCase{"lone_ctrl", 0, true, false, false, false, 0x00E00000},
                      ComposeCase{"lone_alt", 0, false, true, false, false, 0x00E20000},
                      ComposeCase{"lone_win", 0, false, false, false, true, 0x00E30000},
                      // A generic modifier code has no usage, so it is the lone modifier too.
                      ComposeCase{"generic_ctrl_code", 0x11, true, false, false, false, 0x00E00000},
                      ComposeCase{"shift_ctrl_without_key", 0, true, false, true, false, 0},
                      ComposeCase{"all_without_key", 0, true, true, true, true, 0},
                      ComposeCase{"nothing", 0, false, false, false, false, 0},
                      ComposeCase{"key_alone", 0x41, false, false, false, false, 0x00040000},
                      ComposeCase{"ctrl_shift_a", 0x41, true, false, true, false, 0x00040300},
                      ComposeCase{"all_f5", 0x74, true, true, true, true, 0x003E0F00},
                      ComposeCase{"alt_enter", 0x0D, false, true, false, false, 0x00280400},
                      ComposeCase{"unknown_key_alone", 0x07, false, false, false, false, 0},
                      ComposeCase{"code_above_a_byte", 0x141, false, false, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyValue, ComposedValuesReadBackAsPressed) {
    EXPECT_EQ(KeyComboName(ComposeKeyValue(0x41, true, false, true, false), UsKeyboardLayout()),
              "Shift + Ctrl + A");
    EXPECT_EQ(KeyComboName(ComposeKeyValue(0, false, true, false, false), UsKeyboardLayout()),
              "LAlt");
}

// ---- The macro page's key names -------------------------------------------------------

TEST(MacroKeyNames, NamesInTheirOrder) {
    const std::vector<std::string> expected = {"Q",
                                               "W",
                                               "E",
                                               "R",
                                               "T",
                                               "Y",
                                               "U",
                                               "I",
                                               "O",
                                               "P",
                                               "A",
                                               "S",
                                               "D",
                                               "F",
                                               "G",
                                               "H",
                                               "J",
                                               "K",
                                               "L",
                                               "Z",
                                               "K",
                                               "L",
                                               "Z",
                                               "X",
                                               "C",
                                               "V",
                                               "B",
                                               "N",
                                               "M",
                                               "~",
                                               "1",
                                               "2",
                                               "3",
                                               "4",
                                               "5",
                                               "6",
                                               "7",
                                               "8",
                                               "9",
                                               "0",
                                               "-",
                                               "=",
                                               "Backspace",
                                               "|",
                                               "[",
                                               "]",
                                               ";",
                                               "'",
                                               "Enter",
                                               "<",
                                               ">",
                                               "?",
                                               "Tab",
                                               "Cap",
                                               "L_Shift",
                                               "L_Ctrl",
                                               "L_Alt",
                                               "L_Win",
                                               "R_Shift",
                                               "R_Ctrl",
                                               "R_Alt",
                                               "R_Win",
                                               "Space",
                                               "ESC",
                                               "F1",
                                               "F2",
                                               "F3",
                                               "F4",
                                               "F5",
                                               "F6",
                                               "F7",
                                               "F8",
                                               "F9",
                                               "F10",
                                               "F11",
                                               "F12",
                                               "NUM 1",
                                               "NUM 2",
                                               "NUM 3",
                                               "NUM 4",
                                               "NUM 5",
                                               "NUM 6",
                                               "NUM 7",
                                               "NUM 8",
                                               "NUM 9",
                                               "NUM 0",
                                               "NUM -",
                                               "NUM +",
                                               "NUM *",
                                               "NUM /",
                                               "NUM Enter",
                                               "NUM Del",
                                               "NUM Lock",
                                               "Print",
                                               "Scroll",
                                               "Pause",
                                               "Insert",
                                               "Home",
                                               "Delete",
                                               "End",
                                               "Page Up",
                                               "Page Down",
                                               "UP",
                                               "DOWN",
                                               "LEFT",
                                               "RIGHT",
                                               "L key",
                                               "R key",
                                               "M key",
                                               "4 key",
                                               "5 key",
                                               "Scroll",
                                               "Left Button",
                                               "Right Button",
                                               "Middle Button"};
    const auto rows = MacroKeyNames();
    ASSERT_EQ(rows.size(), 115u);
    ASSERT_EQ(expected.size(), 115u);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].name, expected[i]) << "row " << i;
}

TEST(MacroKeyNames, LettersAndDigitsCarryTheirCharacter) {
    for (const MacroKeyNameRow& row : MacroKeyNames()) {
        if (row.name.size() != 1) continue;
        const char c = row.name[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            EXPECT_EQ(row.code, uint32_t(c)) << row.name;
        }
    }
}

struct MacroRowCase {
    size_t row;
    uint32_t code;
};

class MacroKeyRowTest : public ::testing::TestWithParam<MacroRowCase> {};

TEST_P(MacroKeyRowTest, HoldsItsCode) {
    EXPECT_EQ(MacroKeyNames()[GetParam().row].code, GetParam().code)
        << MacroKeyNames()[GetParam().row].name;
}

INSTANTIATE_TEST_SUITE_P(
    TellingRows, MacroKeyRowTest,
    ::testing::Values(MacroRowCase{20, 0x4B}, MacroRowCase{22, 0x5A}, MacroRowCase{29, 0xC0},
                      MacroRowCase{43, 0xDC}, MacroRowCase{51, 0xBF}, MacroRowCase{53, 0x14},
                      MacroRowCase{57, 0x5B}, MacroRowCase{60, 0xA5}, MacroRowCase{75, 0x7B},
                      MacroRowCase{85, 0x60}, MacroRowCase{90, 0x6C}, MacroRowCase{93, 0x2A},
                      MacroRowCase{94, 0x91}, MacroRowCase{103, 0x28}, MacroRowCase{106, 0x1001},
                      MacroRowCase{111, 0x1006}, MacroRowCase{112, 0x01}, MacroRowCase{114, 0x04}),
    [](const auto& info) { return "row" + std::to_string(info.param.row); });

struct MacroNameCase {
    const char* name;
    uint32_t value;
    const char* keyName;
};

class MacroKeyNameTest : public ::testing::TestWithParam<MacroNameCase> {};

TEST_P(MacroKeyNameTest, LooksUpTheLowByte) {
    EXPECT_EQ(MacroKeyName(GetParam().value), GetParam().keyName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacroKeyNameTest,
    ::testing::Values(MacroNameCase{"mouse_code_finds_low_byte", 0x1001, "Left Button"},
                      MacroNameCase{"left_button", 0x01, "Left Button"},
                      MacroNameCase{"first_k", 0x4B, "K"},
                      MacroNameCase{"first_scroll", 0x91, "Scroll"},
                      MacroNameCase{"print", 0x2A, "Print"},
                      MacroNameCase{"separator", 0x6C, "NUM Enter"},
                      MacroNameCase{"upper_bytes_ignored", 0xFFFFFF41, "A"},
                      MacroNameCase{"second_scroll_unreachable", 0x1006, ""},
                      MacroNameCase{"snapshot_unknown", 0x2C, ""}, MacroNameCase{"zero", 0x00, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace x5k
