#pragma once
// Every setting of a profile in the user's terms (resolutions in counts per inch, the
// report rate in reports per second, lighting modes and functions by name, keys by
// layout-independent names), read from and written to the profile image with the rules
// the windows use. The command line and the JSON form of a profile share it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "functions/Assignment.h"
#include "platform/KeyboardLayout.h"
#include "profiles/ProfileImage.h"

namespace x5k {

// What one button does, as the assignment pop-up chooses it.
struct ButtonFunction {
    enum class Kind { Catalogue, Key, Macro, Action, Disabled };
    Kind kind = Kind::Catalogue;
    int32_t code = 0;       // Catalogue: the catalogue code
    uint32_t keyValue = 0;  // Key: modifier bits in byte 1, the key's usage in byte 2
    int32_t macroId = 0;    // Macro
    int actionRow = 0;      // Action: 0 sound, 1 program, 2 file, 3 folder
    std::string path;       // Action
    bool operator==(const ButtonFunction&) const = default;
};

struct ButtonSetting {
    ButtonFunction function;
    // The name the page shows for the button; nothing gives the name the window would.
    std::optional<std::string> name;
    bool operator==(const ButtonSetting&) const = default;
};

struct LightingSettings {
    int32_t mode = 4;           // 1..5
    uint32_t rgb = 0;           // 0xRRGGBB
    std::optional<int> swatch;  // the preset swatch, when the colour is one
    bool led = true;
    int32_t steadyLevel = 5;     // 1..10
    int32_t breathingLevel = 3;  // 1..5
    bool operator==(const LightingSettings&) const = default;
};

struct ProfileSettings {
    std::vector<int32_t> dpi;  // 1..5 of the eight choices, ascending
    int32_t reportRateHz = 1000;
    int32_t sensorHeight = 15;  // 1..30
    int32_t pointerSpeed = 10;  // 1..20
    bool precision = false;
    int32_t wheelLines = 3;  // 1..30, or -1 for one screen a notch
    LightingSettings lighting;
    std::array<ButtonSetting, kButtonCount> buttons;
    bool operator==(const ProfileSettings&) const = default;
};

// The names a file uses: the same on every machine and in every interface language.
std::string_view FunctionSlug(int32_t catalogueCode);  // "volume-up"; empty when none
std::optional<int32_t> FunctionBySlug(std::string_view slug);
std::string_view ActionName(int row);  // "sound", "program", "file", "folder"
std::optional<int> ActionByName(std::string_view name);
std::string_view LightingModeName(int32_t mode);  // "steady" ... "off"; empty when none
std::optional<int32_t> LightingModeByName(std::string_view name);
std::string_view ButtonSlug(int button);  // "left", ..., "wheel-backward"
// A button by its index 0..6 or its slug.
std::optional<int> ButtonByText(std::string_view text);
std::string ColourText(uint32_t rgb);  // "#RRGGBB"
std::optional<uint32_t> ParseColour(std::string_view text);
std::optional<uint32_t> ReportRateCode(int32_t hz);
std::optional<int32_t> ReportRateHz(int32_t code);

// The layout-independent name of a key by its usage ("B", "F5", "(+)", "Enter");
// empty for a usage the key table does not hold.
std::string KeyNameOfUsage(uint32_t usage);
// The same for a virtual key (the macro events' codes); empty when it has none.
std::string KeyNameOfVirtualKey(uint32_t virtualKey);
// A key value as "Ctrl+Shift+B" (modifiers always Ctrl, Shift, Alt, Win); nothing for a
// value the window cannot make.
std::optional<std::string> KeyValueText(uint32_t keyValue);
// Reads a key text: modifiers joined by '+' (any order and case, blanks allowed) and a
// key name; a lone modifier is its left-hand key. Nothing for a text no key value has.
std::optional<uint32_t> ParseKeyText(std::string_view text);
// The key caps of a US keyboard: names the keys in display names, so a name means the
// same on every machine.
const KeyboardLayout& KeyCapLayout();

// The settings a profile holds, or the first field (by its JSON path) whose stored value
// has no user term.
struct SettingsRead {
    std::optional<ProfileSettings> settings;
    std::string problem;
};
SettingsRead ReadSettings(const ProfileImage& image);

// Why a setting cannot be stored: the field's JSON path and the text.
struct SettingProblem {
    std::string path;
    std::string text;
};

// Checks the settings against the window's rules (ranges, choices, and the assignment
// refusals with the window's texts); nothing when they can be stored.
std::optional<SettingProblem> CheckSettings(const ProfileSettings& settings);

// Writes every field the settings name (the magic included) and nothing else. A button
// without a name gets the one the window would give it; `macroName` names macros.
// The settings must have passed CheckSettings.
void WriteSettings(const ProfileSettings& settings, ProfileImage& image,
                   const MacroNameLookup& macroName = {});

// The assignment pop-up's result for a button's function.
AssignmentResult AssignmentFor(int button, const ButtonFunction& function);

}  // namespace x5k
