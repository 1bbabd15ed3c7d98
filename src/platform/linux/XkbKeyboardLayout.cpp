#include "platform/linux/XkbKeyboardLayout.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace x5k {
namespace {

struct KeyPosition {
    uint8_t virtualKey;
    uint16_t evdevCode;
};

// The keys whose names come from the layout, by position: the input side of the
// program turns evdev codes into virtual keys as the keys sit on a US keyboard, so a
// virtual key here stands for that physical key, and the layout says what it types
// there (on a German keyboard the 'Y' position types 'z'). Keys with fixed names
// (Enter, F1, the keypad...) are not listed because their names never depend on the
// layout. 0xDF is left out on purpose: layouts that use it put it on different keys
// (the key left of 1 on a UK keyboard, the key right of the comma keys on a French
// one), so no single position is right and the key is named by its code.
// clang-format off
constexpr std::array<KeyPosition, 49> kKeyPositions = {{
    {0x30, KEY_0},          {0x31, KEY_1},         {0x32, KEY_2},
    {0x33, KEY_3},          {0x34, KEY_4},         {0x35, KEY_5},
    {0x36, KEY_6},          {0x37, KEY_7},         {0x38, KEY_8},
    {0x39, KEY_9},          {0x41, KEY_A},         {0x42, KEY_B},
    {0x43, KEY_C},          {0x44, KEY_D},         {0x45, KEY_E},
    {0x46, KEY_F},          {0x47, KEY_G},         {0x48, KEY_H},
    {0x49, KEY_I},          {0x4A, KEY_J},         {0x4B, KEY_K},
    {0x4C, KEY_L},          {0x4D, KEY_M},         {0x4E, KEY_N},
    {0x4F, KEY_O},          {0x50, KEY_P},         {0x51, KEY_Q},
    {0x52, KEY_R},          {0x53, KEY_S},         {0x54, KEY_T},
    {0x55, KEY_U},          {0x56, KEY_V},         {0x57, KEY_W},
    {0x58, KEY_X},          {0x59, KEY_Y},         {0x5A, KEY_Z},
    {0xBA, KEY_SEMICOLON},  {0xBB, KEY_EQUAL},     {0xBC, KEY_COMMA},
    {0xBD, KEY_MINUS},      {0xBE, KEY_DOT},       {0xBF, KEY_SLASH},
    {0xC0, KEY_GRAVE},      {0xDB, KEY_LEFTBRACE}, {0xDC, KEY_BACKSLASH},
    {0xDD, KEY_RIGHTBRACE}, {0xDE, KEY_APOSTROPHE},
    // The extra key of Brazilian and Japanese keyboards right of the slash key, and
    // the extra key of ISO keyboards left of the 'Z' position.
    {0xC1, KEY_RO},         {0xE2, KEY_102ND},
}};
// clang-format on
static_assert(std::none_of(kKeyPositions.begin(), kKeyPositions.end(),
                           [](const KeyPosition& p) { return p.evdevCode == 0; }),
              "every row of the sized table is filled in");

// XKB key codes are evdev codes moved up by eight (the X11 convention).
constexpr uint32_t kEvdevToXkbOffset = 8;

// A dead key types nothing by itself, yet its key cap shows the accent: name it by the
// accent's spacing form, as the key cap does.
struct DeadKeyCharacter {
    xkb_keysym_t keysym;
    char32_t character;
};
constexpr std::array<DeadKeyCharacter, 13> kDeadKeyCharacters = {{
    {XKB_KEY_dead_grave, U'`'},
    {XKB_KEY_dead_acute, U'\u00B4'},
    {XKB_KEY_dead_circumflex, U'^'},
    {XKB_KEY_dead_tilde, U'~'},
    {XKB_KEY_dead_macron, U'\u00AF'},
    {XKB_KEY_dead_breve, U'\u02D8'},
    {XKB_KEY_dead_abovedot, U'\u02D9'},
    {XKB_KEY_dead_diaeresis, U'\u00A8'},
    {XKB_KEY_dead_abovering, U'\u02DA'},
    {XKB_KEY_dead_doubleacute, U'\u02DD'},
    {XKB_KEY_dead_caron, U'\u02C7'},
    {XKB_KEY_dead_cedilla, U'\u00B8'},
    {XKB_KEY_dead_ogonek, U'\u02DB'},
}};

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The value of a shell assignment: a quoted value up to its closing quote, an unquoted
// one up to the first blank (anything after it is a comment or another command).
std::string ShellValue(std::string_view raw) {
    raw = Trim(raw);
    if (!raw.empty() && (raw.front() == '"' || raw.front() == '\'')) {
        const char quote = raw.front();
        raw.remove_prefix(1);
        return std::string(raw.substr(0, raw.find(quote)));
    }
    return std::string(raw.substr(0, raw.find_first_of(" \t#")));
}

// Reads the XKB* assignments of a file in the form of /etc/default/keyboard, which is
// a shell fragment; nothing when the file cannot be read.
std::optional<KeyboardNames> ReadKeyboardDefaults(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    const std::array<std::pair<std::string_view, std::string KeyboardNames::*>, 5> fields = {{
        {"XKBRULES", &KeyboardNames::rules},
        {"XKBMODEL", &KeyboardNames::model},
        {"XKBLAYOUT", &KeyboardNames::layout},
        {"XKBVARIANT", &KeyboardNames::variant},
        {"XKBOPTIONS", &KeyboardNames::options},
    }};
    KeyboardNames names;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = Trim(line);
        constexpr std::string_view kExport = "export ";
        if (text.starts_with(kExport)) text = Trim(text.substr(kExport.size()));
        const auto equals = text.find('=');
        if (text.empty() || text.front() == '#' || equals == std::string_view::npos) continue;
        const std::string_view key = text.substr(0, equals);
        for (const auto& [name, member] : fields) {
            if (key == name) names.*member = ShellValue(text.substr(equals + 1));
        }
    }
    return names;
}

// xkbcommon takes a null pointer, not an empty text, as "use the default".
const char* NameOrNull(const std::string& name) {
    return name.empty() ? nullptr : name.c_str();
}

}  // namespace

KeyboardNames DefaultKeyboardNames(const EnvironmentLookup& environment,
                                   const std::filesystem::path& defaultsFile) {
    // The variables are taken together or not at all: a layout from the environment
    // paired with a variant from the file could name a keymap that does not exist.
    KeyboardNames fromEnvironment;
    bool anySet = false;
    const std::array<std::pair<const char*, std::string KeyboardNames::*>, 5> variables = {{
        {"XKB_DEFAULT_RULES", &KeyboardNames::rules},
        {"XKB_DEFAULT_MODEL", &KeyboardNames::model},
        {"XKB_DEFAULT_LAYOUT", &KeyboardNames::layout},
        {"XKB_DEFAULT_VARIANT", &KeyboardNames::variant},
        {"XKB_DEFAULT_OPTIONS", &KeyboardNames::options},
    }};
    for (const auto& [variable, member] : variables) {
        const std::optional<std::string> value = environment(variable);
        if (!value || value->empty()) continue;
        fromEnvironment.*member = *value;
        anySet = true;
    }
    if (anySet) return fromEnvironment;
    return ReadKeyboardDefaults(defaultsFile).value_or(KeyboardNames{});
}

KeyboardNames SystemKeyboardNames() {
    return DefaultKeyboardNames(
        [](const char* name) -> std::optional<std::string> {
            const char* value = std::getenv(name);
            if (!value) return std::nullopt;
            return std::string(value);
        },
        "/etc/default/keyboard");
}

XkbKeyboardLayout::XkbKeyboardLayout() : XkbKeyboardLayout(SystemKeyboardNames()) {}

XkbKeyboardLayout::XkbKeyboardLayout(const KeyboardNames& names) {
    // The names were chosen by the caller; xkbcommon must not replace empty ones from
    // the environment, or a test's layout would depend on the machine it runs on.
    context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context_) return;
    const xkb_rule_names rmlvo{NameOrNull(names.rules), NameOrNull(names.model),
                               NameOrNull(names.layout), NameOrNull(names.variant),
                               NameOrNull(names.options)};
    keymap_ = xkb_keymap_new_from_names(context_, &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap_) return;
    // A fresh state has no modifier held and the first layout group active, which is
    // what a key cap shows.
    state_ = xkb_state_new(keymap_);
}

XkbKeyboardLayout::~XkbKeyboardLayout() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::optional<char32_t> XkbKeyboardLayout::characterOf(uint32_t virtualKey) const {
    if (!state_) return std::nullopt;
    const auto position =
        std::find_if(kKeyPositions.begin(), kKeyPositions.end(),
                     [virtualKey](const KeyPosition& p) { return p.virtualKey == virtualKey; });
    if (position == kKeyPositions.end()) return std::nullopt;
    const xkb_keycode_t keycode = position->evdevCode + kEvdevToXkbOffset;

    std::lock_guard lock(mutex_);
    if (const uint32_t character = xkb_state_key_get_utf32(state_, keycode); character != 0) {
        return static_cast<char32_t>(character);
    }
    const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state_, keycode);
    const auto dead =
        std::find_if(kDeadKeyCharacters.begin(), kDeadKeyCharacters.end(),
                     [keysym](const DeadKeyCharacter& d) { return d.keysym == keysym; });
    if (dead != kDeadKeyCharacters.end()) return dead->character;
    return std::nullopt;
}

std::optional<char32_t> SystemKeyboardLayout::characterOf(uint32_t virtualKey) const {
    std::call_once(made_, [this] { layout_ = std::make_unique<XkbKeyboardLayout>(); });
    return layout_->characterOf(virtualKey);
}

}  // namespace x5k
