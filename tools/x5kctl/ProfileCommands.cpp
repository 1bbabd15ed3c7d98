#include "tools/x5kctl/ProfileCommands.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "functions/FunctionCatalogue.h"
#include "macros/MacroTable.h"
#include "pages/lighting/LightingModel.h"
#include "pages/mainset/MainSetModel.h"
#include "platform/linux/PosixFileSystem.h"
#include "profiles/ProfileJson.h"
#include "profiles/ProfileSettings.h"
#include "tools/x5kctl/ExitCodes.h"
#include "tools/x5kctl/FileCommands.h"
#include "tools/x5kctl/Printable.h"
#include "tools/x5kctl/ProfileTarget.h"

namespace x5k {
namespace {

constexpr std::string_view kExportHelp =
    "usage: x5kctl export-json (PROFILE.cfg | --profile N) [--macros Macro.cfg]\n"
    "\n"
    "Prints the profile as JSON (docs/profile-json.md): resolutions, report rate, pointer,\n"
    "wheel, lighting and each button's function in the user's terms. With --macros, the\n"
    "macros its buttons run are listed with their events. A profile holding a value the\n"
    "window cannot make is refused, naming the field.\n"
    "\n"
    "options:\n"
    "  --profile N         profile N (1 to 5) of the data folder, with its Macro.cfg\n"
    "  --macros FILE       list the macros of the profile's buttons from FILE\n";

constexpr std::string_view kImportHelp =
    "usage: x5kctl import-json FILE.json OUT.cfg [--force]\n"
    "\n"
    "Writes the profile a JSON file describes (- reads standard input), checked with the\n"
    "window's rules. The first problem is named by its JSON path, for example\n"
    "  buttons[3].key: unknown key name 'Ctrl+Foo'\n"
    "and nothing is written then. The file is replaced whole or not at all.\n"
    "\n"
    "options:\n"
    "  --force             write into the data folder even while x5k-driver runs, which\n"
    "                      holds the profiles in memory and writes them back over the edit\n";

constexpr std::string_view kSetHelp =
    "usage: x5kctl set (PROFILE.cfg | --profile N) SETTING VALUE... [--macros Macro.cfg]\n"
    "                  [--force]\n"
    "\n"
    "Changes one setting of a profile file with the window's rules:\n"
    "  dpi 750,1500,3000        one to five of 500 750 1000 1250 1500 1750 2000 3000\n"
    "  rate 500                 125, 500 or 1000 reports per second\n"
    "  height 23                sensor height, 1..30\n"
    "  pointer speed=12 precision=on\n"
    "  wheel lines=3            1..30, or lines=screen\n"
    "  lighting mode=breathing level=3 colour=#F9ED00 led=on\n"
    "                           modes steady, breathing, click-breathing, colour-cycle,\n"
    "                           off; swatch=0..25 picks a preset colour; colours and\n"
    "                           levels only for steady (level 1..10) and breathing (1..5)\n"
    "  button B function volume-up | key Ctrl+Shift+B | macro 0x15000101 |\n"
    "           action program PATH | disable | default\n"
    "                           B is 0..6 or left, middle, right, forward, back,\n"
    "                           wheel-forward, wheel-backward; a macro needs --macros\n"
    "--profile N edits profile N (1 to 5) of the data folder, with its Macro.cfg; while\n"
    "x5k-driver runs it is refused unless --force, since the program holds the profiles\n"
    "in memory and writes them back over the edit.\n"
    "Exit codes: 0 done, 1 refused (the reason on stderr), 2 usage, 3 not read or written.\n";

struct Failure {
    int code;
    std::string text;
};

Failure Usage(std::string text) {
    return {kProfileUsage, std::move(text)};
}

Failure Refused(std::string text) {
    return {kProfileRefused, std::move(text)};
}

// The text names paths and quotes the user's words; both show escaped.
int Report(const Failure& failure) {
    if (failure.text.empty()) return failure.code;  // already said
    std::fprintf(stderr, "x5kctl: %s\n", Printable(failure.text).c_str());
    return failure.code;
}

std::optional<Failure> ReadProfile(const std::filesystem::path& path, ProfileImage& image) {
    // The reader says why on stderr.
    if (const auto failed = ReadInputFile(path, image.bytes(), "a profile")) {
        return Failure{*failed, ""};
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size != profile::kSize) {
        return Refused(path.string() + " is not a profile: a profile has 22160 bytes");
    }
    return std::nullopt;
}

// The profile and, when a macro file is named, its macros: what export-json and set read.
std::optional<Failure> ReadInputs(const std::filesystem::path& profilePath,
                                  const std::optional<std::filesystem::path>& macroPath,
                                  ProfileImage& image, std::optional<MacroTable>& table) {
    if (auto failure = ReadProfile(profilePath, image)) return failure;
    if (!macroPath) return std::nullopt;
    table.emplace();
    // The macro file is checked as the macros command checks it.
    if (const auto failed = ReadMacroFile(*macroPath, *table)) return Failure{*failed, ""};
    return std::nullopt;
}

std::optional<Failure> WriteProfile(const std::filesystem::path& path, const ProfileImage& image) {
    PosixFileSystem files;
    if (const FileResult written = files.replace(path, image.bytes()); !written.ok()) {
        return Failure{kProfileNotWritten,
                       "cannot write " + path.string() + ": " + written.cause.describe()};
    }
    return std::nullopt;
}

}  // namespace

// --- the three commands, with their paths resolved -----------------------------------

int ExportJsonCommand(const std::filesystem::path& profilePath,
                      const std::optional<std::filesystem::path>& macroPath) {
    ProfileImage image;
    std::optional<MacroTable> table;
    if (auto failure = ReadInputs(profilePath, macroPath, image, table)) return Report(*failure);
    const JsonExport exported = ExportProfileJson(image, table ? &*table : nullptr);
    if (!exported.text) return Report(Refused(profilePath.string() + ": " + exported.problem));
    std::fputs(PrintableJson(*exported.text).c_str(), stdout);
    return kProfileDone;
}

int ImportJsonCommand(const std::string& jsonPath, const std::filesystem::path& outPath) {
    std::string text;
    if (jsonPath == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(jsonPath, std::ios::binary);
        if (!in) return Report(Failure{kExitFile, "cannot read " + jsonPath});
        std::ostringstream buffer;
        buffer << in.rdbuf();
        text = buffer.str();
    }
    const JsonImport imported = ImportProfileJson(text);
    if (!imported.image) return Report(Refused(jsonPath + ": " + imported.problem));
    if (auto failure = WriteProfile(outPath, *imported.image)) return Report(*failure);
    return kProfileDone;
}

namespace {

std::optional<int32_t> Number(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<bool> OnOff(std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

// NAME=VALUE words; each name at most once and from `names`.
std::optional<Failure> Pairs(std::span<const std::string> words,
                             std::initializer_list<std::string_view> names,
                             std::vector<std::pair<std::string, std::string>>& pairs) {
    if (words.empty()) return Usage("a NAME=VALUE is needed");
    for (const std::string& word : words) {
        const size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (equals == std::string::npos ||
            std::find(names.begin(), names.end(), name) == names.end()) {
            return Usage("'" + word + "' is not one of the NAME=VALUE this setting takes");
        }
        for (const auto& pair : pairs) {
            if (pair.first == name) return Usage(name + " is given twice");
        }
        pairs.emplace_back(name, word.substr(equals + 1));
    }
    return std::nullopt;
}

std::optional<Failure> SetDpi(ProfileSettings& s, std::span<const std::string> words) {
    if (words.size() != 1) return Usage("dpi takes one list, such as 750,1500,3000");
    mainset::ResolutionBoxes boxes{};
    std::string_view list = words[0];
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        const std::optional<int32_t> dpi = Number(item);
        if (!dpi) return Usage("'" + std::string(item) + "' is not a number");
        const auto& choices = mainset::kResolutionChoices;
        const auto box = std::find(choices.begin(), choices.end(), *dpi);
        if (box == choices.end()) {
            return Refused("dpi: " + std::to_string(*dpi) +
                           " is not one of 500, 750, 1000, 1250, 1500, 1750, 2000, 3000");
        }
        boxes[static_cast<size_t>(box - choices.begin())] = true;
    }
    // The boxes keep the levels in order of resolution, each once.
    s.dpi.clear();
    for (int box = 0; box < mainset::kResolutionBoxes; ++box) {
        if (boxes[static_cast<size_t>(box)]) s.dpi.push_back(mainset::kResolutionChoices[box]);
    }
    if (s.dpi.size() > static_cast<size_t>(mainset::kMaxLevels)) {
        return Refused("dpi: the mouse has at most five levels");
    }
    if (s.dpi.empty()) return Usage("dpi needs at least one level");
    return std::nullopt;
}

std::optional<Failure> SetOneNumber(int32_t& field, std::string_view name,
                                    std::span<const std::string> words) {
    if (words.size() != 1) return Usage(std::string(name) + " takes one number");
    const std::optional<int32_t> value = Number(words[0]);
    if (!value) return Usage("'" + words[0] + "' is not a number");
    field = *value;
    return std::nullopt;
}

std::optional<Failure> SetPointer(ProfileSettings& s, std::span<const std::string> words) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (auto failure = Pairs(words, {"speed", "precision"}, pairs)) return failure;
    for (const auto& [name, value] : pairs) {
        if (name == "speed") {
            const std::optional<int32_t> speed = Number(value);
            if (!speed) return Usage("speed: '" + value + "' is not a number");
            s.pointerSpeed = *speed;
        } else {
            const std::optional<bool> on = OnOff(value);
            if (!on) return Usage("precision is on or off");
            s.precision = *on;
        }
    }
    return std::nullopt;
}

std::optional<Failure> SetWheel(ProfileSettings& s, std::span<const std::string> words) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (auto failure = Pairs(words, {"lines"}, pairs)) return failure;
    const std::string& value = pairs[0].second;
    if (value == "screen") {
        s.wheelLines = mainset::kScrollByScreen;
        return std::nullopt;
    }
    const std::optional<int32_t> lines = Number(value);
    if (!lines) return Usage("lines is a number or screen");
    if (*lines == mainset::kScrollByScreen) return Refused("wheel.lines: -1 is written screen");
    s.wheelLines = *lines;
    return std::nullopt;
}

std::optional<Failure> SetLighting(ProfileSettings& s, std::span<const std::string> words) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (auto failure = Pairs(words, {"mode", "level", "colour", "color", "swatch", "led"}, pairs))
        return failure;
    LightingSettings& l = s.lighting;
    // The mode first: it decides which of the other controls the page lets the user touch.
    for (const auto& [name, value] : pairs) {
        if (name != "mode") continue;
        const std::optional<int32_t> mode = LightingModeByName(value);
        if (!mode) return Usage("mode: unknown mode '" + value + "'");
        l.mode = *mode;
    }
    const bool takesColour = l.mode == lighting::kModeSteady || l.mode == lighting::kModeBreathing;
    const std::string modeName(LightingModeName(l.mode));
    for (const auto& [name, value] : pairs) {
        if (name == "colour" || name == "color" || name == "swatch") {
            if (!takesColour) {
                return Refused("lighting." + name + ": the mode '" + modeName +
                               "' takes no colour");
            }
            if (name == "swatch") {
                const std::optional<int32_t> swatch = Number(value);
                if (!swatch) return Usage("swatch: '" + value + "' is not a number");
                if (*swatch < 0 || *swatch >= lightingpage::kSwatchCount) {
                    return Refused("lighting.swatch: " + value + " is outside 0..25");
                }
                const uint32_t c = lightingpage::kSwatchColours[static_cast<size_t>(*swatch)];
                l.rgb = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
                l.swatch = *swatch;
            } else {
                const std::optional<uint32_t> rgb = ParseColour(value);
                if (!rgb) return Usage(name + ": '" + value + "' is not #RRGGBB");
                l.rgb = *rgb;
                l.swatch.reset();
            }
        } else if (name == "level") {
            const std::optional<int32_t> level = Number(value);
            if (!level) return Usage("level: '" + value + "' is not a number");
            if (l.mode == lighting::kModeSteady) {
                l.steadyLevel = *level;
            } else if (l.mode == lighting::kModeBreathing) {
                l.breathingLevel = *level;
            } else {
                return Refused("lighting.level: the mode '" + modeName + "' has no level");
            }
        } else if (name == "led") {
            const std::optional<bool> on = OnOff(value);
            if (!on) return Usage("led is on or off");
            l.led = *on;
        }
    }
    return std::nullopt;
}

std::optional<Failure> SetButton(ProfileSettings& s, std::span<const std::string> words,
                                 const MacroTable* macros, int& changed) {
    if (words.size() < 2) return Usage("button takes B and a function");
    const std::optional<int> b = ButtonByText(words[0]);
    if (!b) return Usage("'" + words[0] + "' is no button: 0..6 or left, middle, right, ...");
    ButtonSetting& button = s.buttons[static_cast<size_t>(*b)];
    ButtonFunction f;
    const std::string& what = words[1];
    const auto argument = [&](size_t count) { return words.size() == 2 + count; };
    if (what == "function" && argument(1)) {
        const std::optional<int32_t> code = FunctionBySlug(words[2]);
        if (!code) return Usage("unknown function '" + words[2] + "'");
        f.kind = *code == kFunctionDisabled ? ButtonFunction::Kind::Disabled
                                            : ButtonFunction::Kind::Catalogue;
        f.code = *code;
    } else if (what == "key" && argument(1)) {
        const std::optional<uint32_t> value = ParseKeyText(words[2]);
        if (!value) return Usage("unknown key name '" + words[2] + "'");
        f.kind = ButtonFunction::Kind::Key;
        f.keyValue = *value;
    } else if (what == "macro" && argument(1)) {
        const std::optional<int32_t> id = ParseMacroId(words[2]);
        if (!id) return Usage("'" + words[2] + "' is no macro ID");
        if (!macros) return Usage("a macro needs --macros Macro.cfg");
        if (!macros->copyOf(*id)) {
            return Refused("no macro with ID " + MacroIdText(*id) + " in the macro file");
        }
        f.kind = ButtonFunction::Kind::Macro;
        f.macroId = *id;
    } else if (what == "action" && argument(2)) {
        const std::optional<int> row = ActionByName(words[2]);
        if (!row) return Usage("unknown action '" + words[2] + "': sound, program, file, folder");
        f.kind = ButtonFunction::Kind::Action;
        f.actionRow = *row;
        f.path = words[3];
    } else if (what == "disable" && argument(0)) {
        f.kind = ButtonFunction::Kind::Disabled;
    } else if (what == "default" && argument(0)) {
        f.code = ButtonPositionOf(*b).defaultCode;
    } else {
        return Usage("button " + words[0] + ": '" + what + "' with these arguments is unknown");
    }
    button.function = f;
    button.name.reset();  // the name the window gives the new function
    changed = *b;
    return std::nullopt;
}

}  // namespace

int SetCommand(const std::filesystem::path& profilePath,
               const std::optional<std::filesystem::path>& macroPath,
               std::span<const std::string> words) {
    if (words.empty()) return Report(Usage("set needs a SETTING and its VALUE"));
    ProfileImage image;
    std::optional<MacroTable> table;
    if (auto failure = ReadInputs(profilePath, macroPath, image, table)) return Report(*failure);
    SettingsRead read = ReadSettings(image);
    if (!read.settings) return Report(Refused(profilePath.string() + ": " + read.problem));
    ProfileSettings& s = *read.settings;
    // A profile the window could not show as it is gets no edits: the problem names it.
    if (const auto problem = CheckSettings(s)) {
        return Report(Refused(profilePath.string() + ": " + problem->path + ": " + problem->text));
    }

    const std::string& setting = words[0];
    const std::span<const std::string> values = words.subspan(1);
    std::optional<Failure> failure;
    int button = -1;
    if (setting == "dpi") {
        failure = SetDpi(s, values);
    } else if (setting == "rate") {
        failure = SetOneNumber(s.reportRateHz, "rate", values);
    } else if (setting == "height") {
        failure = SetOneNumber(s.sensorHeight, "height", values);
    } else if (setting == "pointer") {
        failure = SetPointer(s, values);
    } else if (setting == "wheel") {
        failure = SetWheel(s, values);
    } else if (setting == "lighting") {
        failure = SetLighting(s, values);
    } else if (setting == "button") {
        failure = SetButton(s, values, table ? &*table : nullptr, button);
    } else {
        failure = Usage("unknown setting '" + setting + "'");
    }
    if (failure) return Report(*failure);
    if (const auto problem = CheckSettings(s)) {
        // A refusal of the assignment pop-up reads as the window shows it.
        if (problem->path == "buttons[" + std::to_string(button) + "]") {
            return Report(Refused(problem->text));
        }
        return Report(Refused(problem->path + ": " + problem->text));
    }
    MacroNameLookup macroName;
    if (table) macroName = [&table](int32_t id) { return table->nameOf(id); };
    WriteSettings(s, image, macroName);
    if (auto written = WriteProfile(profilePath, image)) return Report(*written);
    return kProfileDone;
}

namespace {

struct Arguments {
    // The words left for the command, "--profile N" among them.
    std::vector<std::string> positional;
    std::optional<std::filesystem::path> macros;
    bool force = false;
    bool help = false;
};

std::optional<Arguments> ParseArguments(std::span<char*> arguments, bool takesMacros,
                                        bool takesProfile) {
    Arguments parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view word = arguments[i];
        if (word == "--help" || word == "-h") {
            parsed.help = true;
        } else if (word == "--macros" && takesMacros && i + 1 < arguments.size() &&
                   !parsed.macros) {
            parsed.macros = arguments[++i];
        } else if (word == "--force") {
            parsed.force = true;
        } else if (takesProfile && word == "--profile" && i + 1 < arguments.size()) {
            parsed.positional.emplace_back(word);
            parsed.positional.emplace_back(arguments[++i]);
        } else if (takesProfile && word.starts_with("--profile=")) {
            parsed.positional.emplace_back(word);
        } else if (word.starts_with("--")) {
            return std::nullopt;
        } else {
            parsed.positional.emplace_back(word);
        }
    }
    return parsed;
}

}  // namespace

std::string_view ProfileCommandHelp(std::string_view command) {
    if (command == "export-json") return kExportHelp;
    if (command == "import-json") return kImportHelp;
    if (command == "set") return kSetHelp;
    return {};
}

int RunProfileCommand(std::string_view command, std::span<char*> arguments) {
    const std::string_view help = ProfileCommandHelp(command);
    if (help.empty()) return kProfileUsage;
    const bool importing = command == "import-json";
    const std::optional<Arguments> parsed = ParseArguments(arguments, !importing, !importing);
    if (parsed && parsed->help) {
        std::fputs(std::string(help).c_str(), stdout);
        return kProfileDone;
    }
    const auto usage = [&help] {
        std::fputs(std::string(help).c_str(), stderr);
        return kProfileUsage;
    };
    if (!parsed) return usage();
    std::vector<std::string> words = parsed->positional;
    if (importing) {
        if (words.size() != 2) return usage();
        if (NamedProfile(words[1]).inDataFolder && RefuseWhileDriverRuns(parsed->force)) {
            return kExitRefused;
        }
        return ImportJsonCommand(words[0], words[1]);
    }
    // The profile: a file, or the data folder's profile N with the data folder's macros.
    const ProfileTargetChoice choice = TakeProfileTarget(words);
    if (!choice.target) {
        std::fprintf(stderr, "x5kctl: %s\n", Printable(choice.error).c_str());
        return choice.exitCode;
    }
    const ProfileTarget& target = *choice.target;
    const std::optional<std::filesystem::path> macros =
        parsed->macros ? parsed->macros : target.macros;
    if (command == "export-json") {
        if (!words.empty()) return usage();
        return ExportJsonCommand(target.profile, macros);
    }
    if (words.empty()) return usage();
    if (target.inDataFolder && RefuseWhileDriverRuns(parsed->force)) return kExitRefused;
    return SetCommand(target.profile, macros, words);
}

}  // namespace x5k
