#pragma once
// The functions an input of the mouse can carry: codes, names in the two built-in
// languages, and the 32-bit value that represents each one in the button matrix.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "profiles/ProfileImage.h"

namespace x5k {

enum class FunctionGroup { MouseButton, Wheel, Media, System, Disabled, Sniper, Fire };

// Codes with a meaning beyond the catalogue rows.
inline constexpr int32_t kFunctionClick = 1;
inline constexpr int32_t kFunctionKey = 5;
inline constexpr int32_t kFunctionMacro = 6;
inline constexpr int32_t kFunctionHostAction = 19;
inline constexpr int32_t kFunctionDisabled = 121;
inline constexpr int32_t kFunctionSniper = 142;

struct CatalogueEntry {
    int32_t code;
    FunctionGroup group;
    std::string_view english;
    std::string_view chinese;
    std::string_view languageKey;  // label key in the basic-functions list; empty when not offered
    uint32_t deviceValue;
};

std::span<const CatalogueEntry> Catalogue();
const CatalogueEntry* FindCatalogueEntry(int32_t code);

// The catalogue name of `code` in the built-in language; empty for any code outside
// the catalogue (5, 6 and 19 included).
std::string FunctionName(int32_t code, bool chinese);

// The device value of a catalogue code; nothing for other codes.
std::optional<uint32_t> CatalogueDeviceValue(int32_t code);

// What each of the seven inputs is by default, and its code in the hooks' block list.
struct ButtonPosition {
    std::string_view input;
    int32_t defaultCode;
    uint32_t inputCode;
};
const ButtonPosition& ButtonPositionOf(int button);

// The device value of the button's own default function (what the mouse keeps for a
// button that carries a host action).
uint32_t DefaultDeviceValue(int button);

// The button-matrix entry of a button whose value needs no download: a catalogue
// function, a key (the key value itself) or a host action (the button's own default
// function). Nothing for a macro, whose value depends on its download, and for a code
// outside the catalogue, whose slot stays 0.
std::optional<uint32_t> FixedDeviceValue(int button, int32_t code, int32_t keyValue);

}  // namespace x5k
