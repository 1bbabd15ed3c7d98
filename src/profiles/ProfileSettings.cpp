#include "profiles/ProfileSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/Utf.h"
#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"
#include "pages/lighting/LightingModel.h"
#include "pages/mainset/MainSetModel.h"

namespace x5k {
namespace {

struct Slug {
    int32_t code;
    std::string_view slug;
};

// One name for every catalogue row; the order follows the catalogue.
constexpr Slug kFunctionSlugs[] = {
    {1, "click"},
    {2, "menu"},
    {4, "middle"},
    {8, "forward"},
    {16, "back"},
    {11, "scroll-up"},
    {22, "scroll-down"},
    {32, "play-pause"},
    {33, "stop"},
    {34, "previous"},
    {35, "next"},
    {37, "volume-up"},
    {38, "volume-down"},
    {39, "mute"},
    {40, "music"},
    {81, "close-window"},
    {82, "lock-pc"},
    {84, "run"},
    {85, "show-desktop"},
    {123, "classic-desktop"},
    {124, "switch-applications"},
    {125, "search"},
    {126, "zoom-in"},
    {127, "zoom-out"},
    {121, "disable"},
    {142, "sniper"},
    {143, "fire"},
};

constexpr std::string_view kActionNames[kHostActionRows] = {"sound", "program", "file", "folder"};
constexpr std::string_view kModeNames[lightingpage::kModeCount] = {
    "steady", "breathing", "click-breathing", "colour-cycle", "off"};
constexpr std::string_view kButtonSlugs[kButtonCount] = {
    "left", "middle", "right", "forward", "back", "wheel-forward", "wheel-backward"};

constexpr uint32_t kRateHz[] = {125, 500, 1000};  // the page's radios, left to right

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The modifiers of a key text, in the order they are written.
struct ModifierWord {
    uint8_t bit;
    std::string_view name;
    uint8_t loneUsage;  // the left-hand key a lone modifier stands for
};
constexpr ModifierWord kModifierWords[] = {
    {kModifierCtrl, "Ctrl", 0xE0},
    {kModifierShift, "Shift", 0xE1},
    {kModifierAlt, "Alt", 0xE2},
    {kModifierWin, "Win", 0xE3},
};

// Names for usages whose virtual key names another key too, or no key at all.
struct UsageName {
    uint32_t usage;
    std::string_view name;
};
constexpr UsageName kOwnUsageNames[] = {
    {0x58, "(Enter)"},  // keypad Enter shares Enter's virtual key
    {0xF0, "LButton"},
    {0xF1, "RButton"},
    {0xF2, "MButton"},
};

class UsKeyCaps final : public KeyboardLayout {
public:
    std::optional<char32_t> characterOf(uint32_t virtualKey) const override {
        if (virtualKey >= 0x30 && virtualKey <= 0x39) return char32_t(virtualKey);
        if (virtualKey >= 0x41 && virtualKey <= 0x5A) return char32_t(virtualKey);
        static constexpr std::pair<uint32_t, char32_t> kPunctuation[] = {
            {0xBA, U';'}, {0xBB, U'='}, {0xBC, U','},  {0xBD, U'-'}, {0xBE, U'.'},  {0xBF, U'/'},
            {0xC0, U'`'}, {0xDB, U'['}, {0xDC, U'\\'}, {0xDD, U']'}, {0xDE, U'\''},
        };
        for (const auto& [key, character] : kPunctuation) {
            if (key == virtualKey) return character;
        }
        return std::nullopt;
    }
};

class NoKeyCaps final : public KeyboardLayout {
public:
    std::optional<char32_t> characterOf(uint32_t) const override { return std::nullopt; }
};

// Keeps the text of a refusal, which the window shows in a box.
class RefusalText final : public UserMessages {
public:
    int showInfoDialog(std::string_view text, BoxButtons) override {
        text_ = text;
        return 0;
    }
    int showCountdownNotice(std::string_view text) override {
        text_ = text;
        return 0;
    }
    void showInfoBox(std::string_view text) override { text_ = text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// 0x00BBGGRR to 0xRRGGBB and back.
constexpr uint32_t SwapRedBlue(uint32_t colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

std::string Indexed(std::string_view field, size_t index) {
    return std::string(field) + "[" + std::to_string(index) + "]";
}

std::string ButtonPath(int button) {
    return Indexed("buttons", static_cast<size_t>(button));
}

// The function code a button record holds for the function.
int32_t StoredCode(const ButtonFunction& function) {
    switch (function.kind) {
        case ButtonFunction::Kind::Catalogue:
            return function.code;
        case ButtonFunction::Kind::Key:
            return kFunctionKey;
        case ButtonFunction::Kind::Macro:
            return kFunctionMacro;
        case ButtonFunction::Kind::Action:
            return kFunctionHostAction;
        case ButtonFunction::Kind::Disabled:
            return kFunctionDisabled;
    }
    return 0;
}

std::optional<SettingProblem> CheckRange(std::string path, int32_t value,
                                         controls::SliderRange range) {
    if (value >= range.minimum && value <= range.maximum) return std::nullopt;
    return SettingProblem{std::move(path), std::to_string(value) + " is outside " +
                                               std::to_string(range.minimum) + ".." +
                                               std::to_string(range.maximum)};
}

// Every button's own rule beyond the pop-up's refusals: a catalogue function the basic
// list does not offer (the wheel steps) only comes back through the default button.
std::optional<SettingProblem> CheckButtonShape(int b, const ButtonSetting& button) {
    const ButtonFunction& f = button.function;
    const std::string path = ButtonPath(b);
    // A zero character would end the stored text early.
    if (button.name && button.name->find('\0') != std::string::npos) {
        return SettingProblem{path + ".name", "holds a zero character"};
    }
    if (button.name && Utf8ToUtf16(*button.name).size() >= kPathUnits) {
        return SettingProblem{path + ".name", "at most 259 characters can be stored"};
    }
    if (f.path.find('\0') != std::string::npos) {
        return SettingProblem{path + ".path", "holds a zero character"};
    }
    switch (f.kind) {
        case ButtonFunction::Kind::Catalogue: {
            const CatalogueEntry* entry = FindCatalogueEntry(f.code);
            if (!entry) return SettingProblem{path + ".function", "not a function"};
            if (entry->languageKey.empty() && f.code != ButtonPositionOf(b).defaultCode &&
                f.code != kFunctionDisabled) {
                return SettingProblem{
                    path + ".function",
                    "'" + std::string(FunctionSlug(f.code)) + "' is only the own function of the " +
                        std::string(ButtonPositionOf(f.code == 11 ? 5 : 6).input)};
            }
            return std::nullopt;
        }
        case ButtonFunction::Kind::Key:
            if (!KeyValueText(f.keyValue)) {
                return SettingProblem{path + ".key", "not a key the window can assign"};
            }
            return std::nullopt;
        case ButtonFunction::Kind::Macro:
            if (f.macroId == 0) return SettingProblem{path + ".macro", "0 names no macro"};
            return std::nullopt;
        case ButtonFunction::Kind::Action:
            if (f.actionRow < 0 || f.actionRow >= kHostActionRows) {
                return SettingProblem{path + ".action", "not an action"};
            }
            if (f.path.empty()) return SettingProblem{path + ".path", "an action needs a path"};
            return std::nullopt;
        case ButtonFunction::Kind::Disabled:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string_view FunctionSlug(int32_t catalogueCode) {
    for (const Slug& s : kFunctionSlugs) {
        if (s.code == catalogueCode) return s.slug;
    }
    return {};
}

std::optional<int32_t> FunctionBySlug(std::string_view slug) {
    for (const Slug& s : kFunctionSlugs) {
        if (s.slug == slug) return s.code;
    }
    return std::nullopt;
}

std::string_view ActionName(int row) {
    return row >= 0 && row < kHostActionRows ? kActionNames[row] : std::string_view();
}

std::optional<int> ActionByName(std::string_view name) {
    for (int row = 0; row < kHostActionRows; ++row) {
        if (kActionNames[row] == name) return row;
    }
    return std::nullopt;
}

std::string_view LightingModeName(int32_t mode) {
    return mode >= 1 && mode <= lightingpage::kModeCount ? kModeNames[mode - 1]
                                                         : std::string_view();
}

std::optional<int32_t> LightingModeByName(std::string_view name) {
    for (int mode = 1; mode <= lightingpage::kModeCount; ++mode) {
        if (kModeNames[mode - 1] == name) return mode;
    }
    return std::nullopt;
}

std::string_view ButtonSlug(int button) {
    return button >= 0 && button < kButtonCount ? kButtonSlugs[button] : std::string_view();
}

std::optional<int> ButtonByText(std::string_view text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kButtonCount) return text[0] - '0';
    for (int b = 0; b < kButtonCount; ++b) {
        if (kButtonSlugs[b] == text) return b;
    }
    return std::nullopt;
}

std::string ColourText(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

std::optional<uint32_t> ParseColour(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    uint32_t value = 0;
    for (char c : text.substr(1)) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

std::optional<uint32_t> ReportRateCode(int32_t hz) {
    for (size_t i = 0; i < std::size(kRateHz); ++i) {
        if (static_cast<int32_t>(kRateHz[i]) == hz) {
            return static_cast<uint32_t>(mainset::kRateCodes[i]);
        }
    }
    return std::nullopt;
}

std::optional<int32_t> ReportRateHz(int32_t code) {
    // The mouse also knows 4 (250 reports/s), which the page does not offer.
    switch (code) {
        case 1:
            return 1000;
        case 2:
            return 500;
        case 4:
            return 250;
        case 8:
            return 125;
        default:
            return std::nullopt;
    }
}

std::string KeyNameOfUsage(uint32_t usage) {
    for (const UsageName& own : kOwnUsageNames) {
        if (own.usage == usage) return std::string(own.name);
    }
    const uint8_t virtualKey = UsageToVk(usage);
    if (virtualKey == 0) return {};
    return KeyNameOfVirtualKey(virtualKey);
}

std::string KeyNameOfVirtualKey(uint32_t virtualKey) {
    static const NoKeyCaps kNone;
    // A fixed name when the key has one; otherwise the US key cap.
    std::string name = VirtualKeyName(virtualKey, kNone);
    if (name.rfind("0x", 0) != 0) return name;
    name = VirtualKeyName(virtualKey, KeyCapLayout());
    return name.rfind("0x", 0) == 0 ? std::string() : name;
}

std::optional<std::string> KeyValueText(uint32_t keyValue) {
    // The window makes left-hand modifier bits, a usage of the key table and nothing else.
    const uint32_t modifiers = keyValue >> 8 & 0xFF;
    const uint32_t usage = keyValue >> 16 & 0xFF;
    if ((keyValue & 0xFF0000FF) != 0 || (modifiers & 0xF0) != 0) return std::nullopt;
    const std::string key = KeyNameOfUsage(usage);
    if (key.empty()) return std::nullopt;
    std::string text;
    for (const ModifierWord& m : kModifierWords) {
        if (modifiers & m.bit) text += std::string(m.name) + "+";
    }
    return text + key;
}

std::optional<uint32_t> ParseKeyText(std::string_view text) {
    uint32_t modifiers = 0;
    int count = 0;
    uint8_t loneUsage = 0;
    text = Trim(text);
    // Modifiers are the words followed by '+'; the rest names the key, so "Ctrl+(+)"
    // reads as Ctrl with keypad plus.
    for (bool found = true; found;) {
        found = false;
        for (const ModifierWord& m : kModifierWords) {
            if (text.size() <= m.name.size() ||
                !EqualsIgnoringCase(text.substr(0, m.name.size()), m.name)) {
                continue;
            }
            const std::string_view rest = Trim(text.substr(m.name.size()));
            if (rest.empty() || rest.front() != '+' || rest.size() == 1) continue;
            if (modifiers & m.bit) return std::nullopt;  // named twice
            modifiers |= m.bit;
            text = Trim(rest.substr(1));
            found = true;
        }
    }
    for (const ModifierWord& m : kModifierWords) {
        if (EqualsIgnoringCase(text, m.name)) {
            ++count;
            loneUsage = m.loneUsage;
        }
    }
    if (count == 1) {
        // A modifier on its own is its left-hand key; with other modifiers it names no key.
        if (modifiers != 0) return std::nullopt;
        return uint32_t{loneUsage} << 16;
    }
    for (const ComboKey& row : ComboKeyTable()) {
        if (EqualsIgnoringCase(KeyNameOfUsage(row.usage), text)) {
            return uint32_t{row.usage} << 16 | modifiers << 8;
        }
    }
    return std::nullopt;
}

const KeyboardLayout& KeyCapLayout() {
    static const UsKeyCaps kLayout;
    return kLayout;
}

SettingsRead ReadSettings(const ProfileImage& image) {
    using namespace profile;
    SettingsRead read;
    if (static_cast<uint32_t>(image.get(kMagic)) != kMagicValue) {
        read.problem = "format: not a profile";
        return read;
    }
    ProfileSettings s;
    for (int slot = 0; slot < kResolutionSlots; ++slot) {
        const int32_t dpi = image.get(Resolution(slot));
        if (dpi == 0) break;
        s.dpi.push_back(dpi);
    }
    const int32_t rateCode = image.get(kReportRate);
    const std::optional<int32_t> hz = ReportRateHz(rateCode);
    if (!hz) {
        read.problem = "reportRate: the stored code " + std::to_string(rateCode) + " is no rate";
        return read;
    }
    s.reportRateHz = *hz;
    s.sensorHeight = image.get(kSensorHeight);
    s.pointerSpeed = image.get(kPointerSpeed);
    s.precision = image.get(kPrecision) == 1;
    s.wheelLines = image.get(kScrollLines);

    LightingSettings& l = s.lighting;
    l.mode = image.get(kLightingMode);
    if (LightingModeName(l.mode).empty()) {
        read.problem = "lighting.mode: the stored mode " + std::to_string(l.mode) + " has no name";
        return read;
    }
    // A byte above the colour's three is kept by nothing here; the export's check finds it.
    l.rgb = SwapRedBlue(static_cast<uint32_t>(image.get(kLightingColour)));
    if (image.get(kColourSource) == 0) l.swatch = image.get(kPresetSwatch);
    l.led = image.get(kLightSwitch) == 1;
    l.steadyLevel = image.get(kMode1Level);
    l.breathingLevel = image.get(kMode2Level);

    for (int b = 0; b < kButtonCount; ++b) {
        ButtonSetting& button = s.buttons[static_cast<size_t>(b)];
        ButtonFunction& f = button.function;
        const int32_t code = image.get(FunctionCode(b));
        switch (code) {
            case kFunctionKey:
                f.kind = ButtonFunction::Kind::Key;
                f.keyValue = static_cast<uint32_t>(image.get(KeyValue(b)));
                if (!KeyValueText(f.keyValue)) {
                    read.problem = ButtonPath(b) + ".key: the stored key value has no name";
                    return read;
                }
                break;
            case kFunctionMacro:
                f.kind = ButtonFunction::Kind::Macro;
                f.macroId = image.get(MacroId(b));
                break;
            case kFunctionHostAction: {
                f.kind = ButtonFunction::Kind::Action;
                const int32_t kind = image.get(HostActionKind(b));
                if (kind < kHostSound || kind > kHostFolder || kind % 0x10 != 0) {
                    read.problem = ButtonPath(b) + ".action: the stored kind is no action";
                    return read;
                }
                f.actionRow = (kind - kHostSound) / 0x10;
                f.path = image.text(HostActionPath(b));
                break;
            }
            case kFunctionDisabled:
                f.kind = ButtonFunction::Kind::Disabled;
                break;
            default:
                if (!FindCatalogueEntry(code)) {
                    read.problem = ButtonPath(b) + ".function: the stored code " +
                                   std::to_string(code) + " is no function";
                    return read;
                }
                f.kind = ButtonFunction::Kind::Catalogue;
                f.code = code;
                break;
        }
        button.name = image.text(DisplayName(b));
    }
    read.settings = std::move(s);
    return read;
}

std::optional<SettingProblem> CheckSettings(const ProfileSettings& s) {
    if (s.dpi.empty()) return SettingProblem{"dpi", "at least one level is needed"};
    if (s.dpi.size() > static_cast<size_t>(mainset::kMaxLevels)) {
        return SettingProblem{"dpi", "the mouse has at most five levels"};
    }
    for (size_t i = 0; i < s.dpi.size(); ++i) {
        const auto& choices = mainset::kResolutionChoices;
        if (std::find(choices.begin(), choices.end(), s.dpi[i]) == choices.end()) {
            return SettingProblem{
                Indexed("dpi", i),
                std::to_string(s.dpi[i]) +
                    " is not one of 500, 750, 1000, 1250, 1500, 1750, 2000, 3000"};
        }
        if (i > 0 && s.dpi[i] <= s.dpi[i - 1]) {
            return SettingProblem{Indexed("dpi", i),
                                  "the levels go from the lowest resolution up, each once"};
        }
    }
    if (!ReportRateCode(s.reportRateHz)) {
        return SettingProblem{"reportRate",
                              std::to_string(s.reportRateHz) + " is not one of 125, 500, 1000"};
    }
    if (auto p = CheckRange("sensorHeight", s.sensorHeight, mainset::kHeightRange)) return p;
    if (auto p = CheckRange("pointer.speed", s.pointerSpeed, mainset::kSpeedRange)) return p;
    if (s.wheelLines != mainset::kScrollByScreen) {
        if (auto p = CheckRange("wheel.lines", s.wheelLines, mainset::kLinesRange)) return p;
    }
    const LightingSettings& l = s.lighting;
    if (LightingModeName(l.mode).empty()) return SettingProblem{"lighting.mode", "not a mode"};
    if (l.swatch) {
        if (auto p = CheckRange("lighting.swatch", *l.swatch, {0, lightingpage::kSwatchCount - 1}))
            return p;
        const uint32_t rgb =
            SwapRedBlue(lightingpage::kSwatchColours[static_cast<size_t>(*l.swatch)]);
        if (rgb != l.rgb) {
            return SettingProblem{"lighting.colour",
                                  "swatch " + std::to_string(*l.swatch) + " is " + ColourText(rgb)};
        }
    }
    if (l.rgb > 0xFFFFFF) return SettingProblem{"lighting.colour", "not a colour"};
    if (auto p = CheckRange("lighting.levels.steady", l.steadyLevel, lightingpage::kLevel1Range))
        return p;
    if (auto p =
            CheckRange("lighting.levels.breathing", l.breathingLevel, lightingpage::kLevel2Range))
        return p;

    for (int b = 0; b < kButtonCount; ++b) {
        if (auto p = CheckButtonShape(b, s.buttons[static_cast<size_t>(b)])) return p;
    }
    // The pop-up's refusals, with its texts, over the buttons as they will be.
    ProfileImage scratch;
    for (int b = 0; b < kButtonCount; ++b) {
        scratch.set(profile::FunctionCode(b),
                    StoredCode(s.buttons[static_cast<size_t>(b)].function));
    }
    std::array<int32_t, kButtonCount> ids{};
    for (int b = 0; b < kButtonCount; ++b) {
        RefusalText refusal;
        const AssignOutcome outcome = AssignFunction(
            scratch, ids, AssignmentFor(b, s.buttons[static_cast<size_t>(b)].function), false,
            refusal, KeyCapLayout(), {});
        if (outcome == AssignOutcome::Stored) continue;
        return SettingProblem{ButtonPath(b), outcome == AssignOutcome::Invalid
                                                 ? "not a function the window can assign"
                                                 : refusal.text()};
    }
    return std::nullopt;
}

void WriteSettings(const ProfileSettings& s, ProfileImage& image,
                   const MacroNameLookup& macroName) {
    using namespace profile;
    image.set(kMagic, static_cast<int32_t>(kMagicValue));
    for (int slot = 0; slot < kResolutionSlots; ++slot) {
        const auto index = static_cast<size_t>(slot);
        image.set(Resolution(slot), index < s.dpi.size() ? s.dpi[index] : 0);
    }
    image.set(kReportRate, static_cast<int32_t>(ReportRateCode(s.reportRateHz).value_or(0)));
    image.set(kSensorHeight, s.sensorHeight);
    image.set(kPointerSpeed, s.pointerSpeed);
    image.set(kPrecision, s.precision ? 1 : 0);
    image.set(kScrollLines, s.wheelLines);

    const LightingSettings& l = s.lighting;
    image.set(kLightingMode, l.mode);
    image.set(kLightingColour, static_cast<int32_t>(SwapRedBlue(l.rgb)));
    image.set(kColourSource, l.swatch ? 0 : 1);
    if (l.swatch) image.set(kPresetSwatch, *l.swatch);
    image.set(kLightSwitch, l.led ? 1 : 0);
    image.set(kMode1Level, l.steadyLevel);
    image.set(kMode2Level, l.breathingLevel);

    // Every function code first, so the left-click rule sees the buttons as they will be.
    for (int b = 0; b < kButtonCount; ++b) {
        image.set(FunctionCode(b), StoredCode(s.buttons[static_cast<size_t>(b)].function));
    }
    std::array<int32_t, kButtonCount> ids{};
    for (int b = 0; b < kButtonCount; ++b) {
        const ButtonSetting& button = s.buttons[static_cast<size_t>(b)];
        RefusalText ignored;
        (void)AssignFunction(image, ids, AssignmentFor(b, button.function), false, ignored,
                             KeyCapLayout(), macroName);
        if (button.name) image.setText(DisplayName(b), *button.name);
    }
}

AssignmentResult AssignmentFor(int button, const ButtonFunction& f) {
    AssignmentResult r;
    r.button = button;
    switch (f.kind) {
        case ButtonFunction::Kind::Catalogue:
            r.kind = kKindCatalogue;
            r.code = f.code;
            break;
        case ButtonFunction::Kind::Key:
            r.kind = kKindKey;
            r.code = static_cast<int32_t>(f.keyValue);
            break;
        case ButtonFunction::Kind::Macro:
            r.kind = kKindMacro;
            r.code = f.macroId;
            break;
        case ButtonFunction::Kind::Action:
            r.kind = kKindHostAction;
            r.row = f.actionRow;
            r.code = HostActionCode(f.actionRow, button);
            r.path = f.path;
            break;
        case ButtonFunction::Kind::Disabled:
            r.kind = kKindDisabled;
            r.code = kFunctionDisabled;
            break;
    }
    return r;
}

}  // namespace x5k
