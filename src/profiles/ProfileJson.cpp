#include "profiles/ProfileJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <set>

#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"
#include "macros/MacroTable.h"
#include "profiles/ProfileSettings.h"

namespace x5k {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kFormat = "x5k-profile";
constexpr int kVersion = 1;
constexpr size_t kRunGap = 16;  // equal bytes an "unnamed" run may span

// A problem found while reading the JSON: its path and why.
struct Refusal {
    std::string path;
    std::string text;
};

std::string Join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string At(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::string HexText(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// --- reading ---------------------------------------------------------------------------

const Json& Member(const Json& object, const std::string& path, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end()) throw Refusal{Join(path, key), "missing"};
    return *it;
}

void OnlyFields(const Json& object, const std::string& path,
                std::initializer_list<std::string_view> fields) {
    if (!object.is_object()) throw Refusal{path.empty() ? "(top)" : path, "not an object"};
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (std::string_view field : fields) known = known || field == key;
        if (!known) throw Refusal{Join(path, key), "unknown field"};
    }
}

int32_t Int(const Json& value, const std::string& path) {
    if (!value.is_number_integer()) throw Refusal{path, "not a whole number"};
    if (value.is_number_unsigned()) {
        if (value.get<uint64_t>() > uint64_t{std::numeric_limits<int32_t>::max()})
            throw Refusal{path, "too large"};
        return static_cast<int32_t>(value.get<uint64_t>());
    }
    const int64_t n = value.get<int64_t>();
    if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
        throw Refusal{path, "out of range"};
    return static_cast<int32_t>(n);
}

const std::string& Text(const Json& value, const std::string& path) {
    if (!value.is_string()) throw Refusal{path, "not a string"};
    return value.get_ref<const std::string&>();
}

bool Bool(const Json& value, const std::string& path) {
    if (!value.is_boolean()) throw Refusal{path, "not true or false"};
    return value.get<bool>();
}

ButtonSetting ReadButton(const Json& object, int b, const std::string& path) {
    OnlyFields(object, path,
               {"input", "function", "key", "macro", "action", "path", "disabled", "name"});
    if (const auto input = object.find("input"); input != object.end()) {
        if (Text(*input, Join(path, "input")) != ButtonSlug(b)) {
            throw Refusal{Join(path, "input"),
                          "this entry is the " + std::string(ButtonSlug(b)) + " input"};
        }
    }
    ButtonSetting button;
    ButtonFunction& f = button.function;
    int kinds = 0;
    for (std::string_view kind : {"function", "key", "macro", "action", "disabled"}) {
        kinds += object.contains(kind) ? 1 : 0;
    }
    if (kinds != 1) {
        throw Refusal{path, "needs exactly one of function, key, macro, action, disabled"};
    }
    if (object.contains("path") && !object.contains("action")) {
        throw Refusal{Join(path, "path"), "only an action has a path"};
    }
    if (const auto it = object.find("function"); it != object.end()) {
        const std::string& slug = Text(*it, Join(path, "function"));
        const std::optional<int32_t> code = FunctionBySlug(slug);
        if (!code) throw Refusal{Join(path, "function"), "unknown function '" + slug + "'"};
        f.kind = *code == kFunctionDisabled ? ButtonFunction::Kind::Disabled
                                            : ButtonFunction::Kind::Catalogue;
        f.code = *code == kFunctionDisabled ? 0 : *code;
    } else if (const auto key = object.find("key"); key != object.end()) {
        const std::string& text = Text(*key, Join(path, "key"));
        const std::optional<uint32_t> value = ParseKeyText(text);
        if (!value) throw Refusal{Join(path, "key"), "unknown key name '" + text + "'"};
        f.kind = ButtonFunction::Kind::Key;
        f.keyValue = *value;
    } else if (const auto macro = object.find("macro"); macro != object.end()) {
        const std::string& text = Text(*macro, Join(path, "macro"));
        const std::optional<int32_t> id = ParseMacroId(text);
        if (!id) throw Refusal{Join(path, "macro"), "'" + text + "' is no macro ID"};
        f.kind = ButtonFunction::Kind::Macro;
        f.macroId = *id;
    } else if (const auto action = object.find("action"); action != object.end()) {
        const std::string& text = Text(*action, Join(path, "action"));
        const std::optional<int> row = ActionByName(text);
        if (!row) throw Refusal{Join(path, "action"), "unknown action '" + text + "'"};
        f.kind = ButtonFunction::Kind::Action;
        f.actionRow = *row;
        f.path = Text(Member(object, path, "path"), Join(path, "path"));
    } else {
        if (!Bool(object.at("disabled"), Join(path, "disabled"))) {
            throw Refusal{Join(path, "disabled"), "only true disables a button"};
        }
        f.kind = ButtonFunction::Kind::Disabled;
    }
    if (const auto name = object.find("name"); name != object.end()) {
        button.name = Text(*name, Join(path, "name"));
    }
    return button;
}

ProfileSettings ReadSettingsJson(const Json& top) {
    OnlyFields(top, "",
               {"format", "version", "dpi", "reportRate", "sensorHeight", "pointer", "wheel",
                "lighting", "buttons", "macros", "unnamed"});
    if (Text(Member(top, "", "format"), "format") != kFormat) {
        throw Refusal{"format", "not \"x5k-profile\""};
    }
    if (Int(Member(top, "", "version"), "version") != kVersion) {
        throw Refusal{"version", "this program reads version 1"};
    }
    ProfileSettings s;
    const Json& dpi = Member(top, "", "dpi");
    if (!dpi.is_array()) throw Refusal{"dpi", "not a list"};
    if (dpi.size() > static_cast<size_t>(profile::kResolutionSlots)) {
        throw Refusal{"dpi", "the mouse has at most five levels"};
    }
    for (size_t i = 0; i < dpi.size(); ++i) s.dpi.push_back(Int(dpi[i], At("dpi", i)));
    s.reportRateHz = Int(Member(top, "", "reportRate"), "reportRate");
    s.sensorHeight = Int(Member(top, "", "sensorHeight"), "sensorHeight");

    const Json& pointer = Member(top, "", "pointer");
    OnlyFields(pointer, "pointer", {"speed", "precision"});
    s.pointerSpeed = Int(Member(pointer, "pointer", "speed"), "pointer.speed");
    s.precision = Bool(Member(pointer, "pointer", "precision"), "pointer.precision");

    const Json& wheel = Member(top, "", "wheel");
    OnlyFields(wheel, "wheel", {"lines"});
    const Json& lines = Member(wheel, "wheel", "lines");
    if (lines.is_string()) {
        if (lines.get_ref<const std::string&>() != "screen") {
            throw Refusal{"wheel.lines", "a number of lines or \"screen\""};
        }
        s.wheelLines = -1;
    } else {
        s.wheelLines = Int(lines, "wheel.lines");
        if (s.wheelLines == -1) throw Refusal{"wheel.lines", "-1 is written \"screen\""};
    }

    const Json& lighting = Member(top, "", "lighting");
    OnlyFields(lighting, "lighting", {"mode", "colour", "swatch", "led", "levels"});
    LightingSettings& l = s.lighting;
    const std::string& mode = Text(Member(lighting, "lighting", "mode"), "lighting.mode");
    const std::optional<int32_t> modeNumber = LightingModeByName(mode);
    if (!modeNumber) throw Refusal{"lighting.mode", "unknown mode '" + mode + "'"};
    l.mode = *modeNumber;
    if (const auto swatch = lighting.find("swatch"); swatch != lighting.end()) {
        l.swatch = Int(*swatch, "lighting.swatch");
    }
    const std::string& colour = Text(Member(lighting, "lighting", "colour"), "lighting.colour");
    const std::optional<uint32_t> rgb = ParseColour(colour);
    if (!rgb) throw Refusal{"lighting.colour", "'" + colour + "' is not #RRGGBB"};
    l.rgb = *rgb;
    l.led = Bool(Member(lighting, "lighting", "led"), "lighting.led");
    const Json& levels = Member(lighting, "lighting", "levels");
    OnlyFields(levels, "lighting.levels", {"steady", "breathing"});
    l.steadyLevel = Int(Member(levels, "lighting.levels", "steady"), "lighting.levels.steady");
    l.breathingLevel =
        Int(Member(levels, "lighting.levels", "breathing"), "lighting.levels.breathing");

    const Json& buttons = Member(top, "", "buttons");
    if (!buttons.is_array() || buttons.size() != static_cast<size_t>(kButtonCount)) {
        throw Refusal{"buttons", "a list of the seven inputs"};
    }
    for (int b = 0; b < kButtonCount; ++b) {
        s.buttons[static_cast<size_t>(b)] =
            ReadButton(buttons[static_cast<size_t>(b)], b, At("buttons", static_cast<size_t>(b)));
    }
    if (const auto macros = top.find("macros"); macros != top.end() && !macros->is_array()) {
        throw Refusal{"macros", "not a list"};
    }
    return s;
}

std::optional<uint8_t> HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

void ApplyUnnamed(const Json& top, ProfileImage& image) {
    const auto runs = top.find("unnamed");
    if (runs == top.end()) return;
    if (!runs->is_array()) throw Refusal{"unnamed", "not a list"};
    for (size_t i = 0; i < runs->size(); ++i) {
        const std::string path = At("unnamed", i);
        const Json& run = (*runs)[i];
        OnlyFields(run, path, {"offset", "bytes"});
        const int32_t offset = Int(Member(run, path, "offset"), Join(path, "offset"));
        const std::string& hex = Text(Member(run, path, "bytes"), Join(path, "bytes"));
        if (hex.empty() || hex.size() % 2 != 0) {
            throw Refusal{Join(path, "bytes"), "not pairs of hexadecimal digits"};
        }
        const size_t count = hex.size() / 2;
        if (offset < 0 || static_cast<size_t>(offset) > profile::kSize ||
            count > profile::kSize - static_cast<size_t>(offset)) {
            throw Refusal{Join(path, "offset"), "the bytes do not lie inside the 22160 bytes"};
        }
        for (size_t k = 0; k < count; ++k) {
            const auto high = HexDigit(hex[2 * k]);
            const auto low = HexDigit(hex[2 * k + 1]);
            if (!high || !low) throw Refusal{Join(path, "bytes"), "not hexadecimal"};
            image.bytes()[static_cast<size_t>(offset) + k] =
                static_cast<uint8_t>(*high << 4 | *low);
        }
    }
}

// --- writing ---------------------------------------------------------------------------

Json ButtonJson(int b, const ButtonSetting& button) {
    Json j;
    j["input"] = ButtonSlug(b);
    const ButtonFunction& f = button.function;
    switch (f.kind) {
        case ButtonFunction::Kind::Catalogue:
            j["function"] = FunctionSlug(f.code);
            break;
        case ButtonFunction::Kind::Key:
            j["key"] = KeyValueText(f.keyValue).value_or("");
            break;
        case ButtonFunction::Kind::Macro:
            j["macro"] = MacroIdText(f.macroId);
            break;
        case ButtonFunction::Kind::Action:
            j["action"] = ActionName(f.actionRow);
            j["path"] = f.path;
            break;
        case ButtonFunction::Kind::Disabled:
            j["disabled"] = true;
            break;
    }
    j["name"] = button.name.value_or("");
    return j;
}

std::string MacroKeyText(uint32_t code) {
    if (code <= 0xFF) {
        const std::string name = KeyNameOfVirtualKey(code);
        if (!name.empty()) return name;
    }
    for (const MacroKeyNameRow& row : MacroKeyNames()) {
        if (row.code == code && code > 0xFF) return std::string(row.name);
    }
    return HexText(code, 2);
}

Json MacroJson(const MacroTable& table, int32_t id) {
    Json j;
    j["id"] = MacroIdText(id);
    const std::optional<MacroRecord> record = table.copyOf(id);
    if (!record) {
        j["missing"] = true;
        return j;
    }
    j["name"] = record->text(macro::kName);
    const auto repeat = static_cast<uint32_t>(record->get(macro::kRepeatCount));
    if (repeat == macro::kSinglePress) {
        j["repeat"] = "single-press";
    } else {
        j["repeat"] = repeat;
    }
    Json events = Json::array();
    const int count = EventCountOf(*record);
    for (int i = 0; i < count; ++i) {
        const uint32_t event = EventOf(*record, i);
        const uint32_t value = macro::EventValue(event);
        Json e;
        switch (macro::EventKind(event)) {
            case macro::kPress:
                e["press"] = MacroKeyText(value);
                break;
            case macro::kRelease:
                e["release"] = MacroKeyText(value);
                break;
            case macro::kDelay:
                e["delay"] = value;
                break;
            default:
                e["invalid"] = HexText(event, 8);
                break;
        }
        const bool invalid = e.contains("invalid");
        events.push_back(std::move(e));
        if (invalid) break;  // the macro page's rows stop there too
    }
    j["events"] = std::move(events);
    return j;
}

// Names the field a byte belongs to, for a profile that cannot be exported exactly.
std::string FieldOfByte(size_t offset) {
    using namespace profile;
    if (offset < kButtonsOffset) return "format";
    if (offset < ButtonBase(kButtonCount)) {
        return At("buttons", (offset - kButtonsOffset) / kButtonRecordSize);
    }
    if (offset < kSensorHeight.offset) return "dpi";
    struct Named {
        I32Field field;
        std::string_view path;
    };
    static constexpr Named kFields[] = {
        {kSensorHeight, "sensorHeight"},
        {kReportRate, "reportRate"},
        {kLightingMode, "lighting.mode"},
        {kLightingColour, "lighting.colour"},
        {kColourSource, "lighting.swatch"},
        {kPresetSwatch, "lighting.swatch"},
        {kLightSwitch, "lighting.led"},
        {kPrecision, "pointer.precision"},
        {kPointerSpeed, "pointer.speed"},
        {kMode1Level, "lighting.levels.steady"},
        {kMode2Level, "lighting.levels.breathing"},
        {kScrollLines, "wheel.lines"},
    };
    for (const Named& n : kFields) {
        if (offset >= n.field.offset && offset < n.field.offset + 4) return std::string(n.path);
    }
    return "byte " + std::to_string(offset);
}

}  // namespace

std::string MacroIdText(int32_t id) {
    return HexText(static_cast<uint32_t>(id), 8);
}

std::optional<int32_t> ParseMacroId(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t id = 0;
    for (char c : text) {
        const auto digit = HexDigit(c);
        if (!digit) return std::nullopt;
        id = id << 4 | *digit;
    }
    if (id == 0) return std::nullopt;
    return static_cast<int32_t>(id);
}

JsonExport ExportProfileJson(const ProfileImage& image, const MacroTable* macros) {
    JsonExport out;
    SettingsRead read = ReadSettings(image);
    if (!read.settings) {
        out.problem = read.problem;
        return out;
    }
    const ProfileSettings& s = *read.settings;
    if (const auto problem = CheckSettings(s)) {
        out.problem = problem->path + ": " + problem->text;
        return out;
    }
    // What the settings give; every other byte goes into "unnamed".
    ProfileImage built;
    WriteSettings(s, built);
    Json unnamed = Json::array();
    ProfileImage check;
    for (size_t at = 0; at < profile::kSize;) {
        if (image.bytes()[at] == built.bytes()[at]) {
            ++at;
            continue;
        }
        const size_t from = at;
        std::string hex;
        // A run goes on over short stretches of equal bytes (the zero halves of a stored
        // text), so a leftover field reads as one run.
        const auto differsSoon = [&](size_t start) {
            for (size_t k = start; k < std::min(start + kRunGap, profile::kSize); ++k) {
                if (image.bytes()[k] != built.bytes()[k]) return true;
            }
            return false;
        };
        for (; at < profile::kSize && differsSoon(at); ++at) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", image.bytes()[at]);
            hex += pair;
            check.bytes()[at] = image.bytes()[at];
        }
        unnamed.push_back(Json{{"offset", from}, {"bytes", hex}});
    }
    // The import writes the settings over those bytes: a field the settings give
    // differently from what the profile holds cannot come back.
    WriteSettings(s, check);
    for (size_t at = 0; at < profile::kSize; ++at) {
        if (check.bytes()[at] != image.bytes()[at]) {
            out.problem = FieldOfByte(at) + ": the stored value (byte " + std::to_string(at) +
                          ") has no meaning in the window's terms";
            return out;
        }
    }

    Json j;
    j["format"] = kFormat;
    j["version"] = kVersion;
    j["dpi"] = s.dpi;
    j["reportRate"] = s.reportRateHz;
    j["sensorHeight"] = s.sensorHeight;
    j["pointer"] = Json{{"speed", s.pointerSpeed}, {"precision", s.precision}};
    j["wheel"]["lines"] = s.wheelLines == -1 ? Json("screen") : Json(s.wheelLines);
    const LightingSettings& l = s.lighting;
    Json& lighting = j["lighting"];
    lighting["mode"] = LightingModeName(l.mode);
    lighting["colour"] = ColourText(l.rgb);
    if (l.swatch) lighting["swatch"] = *l.swatch;
    lighting["led"] = l.led;
    lighting["levels"] = Json{{"steady", l.steadyLevel}, {"breathing", l.breathingLevel}};
    Json& buttons = j["buttons"] = Json::array();
    for (int b = 0; b < kButtonCount; ++b) {
        buttons.push_back(ButtonJson(b, s.buttons[static_cast<size_t>(b)]));
    }
    if (macros) {
        Json& list = j["macros"] = Json::array();
        std::set<int32_t> listed;
        for (const ButtonSetting& button : s.buttons) {
            if (button.function.kind != ButtonFunction::Kind::Macro) continue;
            if (!listed.insert(button.function.macroId).second) continue;
            list.push_back(MacroJson(*macros, button.function.macroId));
        }
    }
    if (!unnamed.empty()) j["unnamed"] = std::move(unnamed);
    out.text = j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    return out;
}

JsonImport ImportProfileJson(std::string_view text) {
    JsonImport in;
    Json top;
    try {
        top = Json::parse(text);
    } catch (const Json::exception& error) {
        // A syntax error, or a number too large for any number type (out_of_range). The
        // library's text ends with where the parse stopped and what it expected.
        std::string what = error.what();
        if (const size_t at = what.find("] "); at != std::string::npos) what.erase(0, at + 2);
        in.problem = "(top): " + what;
        return in;
    }
    try {
        const ProfileSettings s = ReadSettingsJson(top);
        if (const auto problem = CheckSettings(s)) {
            in.problem = problem->path + ": " + problem->text;
            return in;
        }
        ProfileImage image;
        ApplyUnnamed(top, image);
        WriteSettings(s, image);
        in.image = image;
    } catch (const Refusal& refusal) {
        in.problem = refusal.path + ": " + refusal.text;
    } catch (const Json::exception& error) {
        // Every access checks the type first; this is only a guard.
        in.problem = std::string("(top): ") + error.what();
    }
    return in;
}

}  // namespace x5k
