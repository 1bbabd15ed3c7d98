// Runs the real command-line tool's profile commands: export-json, import-json and set.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "functions/Assignment.h"
#include "functions/FunctionCatalogue.h"
#include "macros/MacroTable.h"
#include "profiles/ProfileImage.h"
#include "support/SampleMacro.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun RunTool(const test::TempFolder& folder, const std::string& arguments) {
    const std::filesystem::path errFile = folder / "stderr.txt";
    const std::string command =
        "env -u X5K_DEBUG " + std::string(X5KCTL_PATH) + " " + arguments + " 2>" + errFile.string();
    ToolRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void WriteProfile(const std::filesystem::path& path, const ProfileImage& image) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.bytes().data()), profile::kSize);
}

ProfileImage ReadProfile(const std::filesystem::path& path) {
    ProfileImage image;
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    EXPECT_EQ(bytes.size(), profile::kSize) << path;
    std::copy_n(bytes.begin(), std::min(bytes.size(), profile::kSize), image.bytes().begin());
    return image;
}

TEST(ProfileCommands, EveryShippedProfilePipesThroughJsonUnchanged) {
    test::TempFolder folder;
    ASSERT_EQ(RunTool(folder, "make-defaults " + folder.path().string()).status, 0);
    for (int n = 1; n <= kProfileCount; ++n) {
        const auto profile = folder / "Profile" / ("Profile" + std::to_string(n) + ".cfg");
        const auto back = folder / "back.cfg";
        const ToolRun run =
            RunTool(folder, "export-json " + profile.string() +
                                " | " X5KCTL_PATH " import-json - " + back.string());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(test::ReadBytes(back), test::ReadBytes(profile)) << profile;
    }
}

// Each row: a change to the exported default profile, and the message naming its field.
// The output file exists beforehand and must keep its bytes.
TEST(ProfileCommands, ImportNamesTheFailingFieldAndWritesNothing) {
    test::TempFolder folder;
    const auto profile = folder / "in.cfg";
    WriteProfile(profile, DefaultProfile(false));
    const ToolRun exported = RunTool(folder, "export-json " + profile.string());
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string base = exported.out;
    const std::string longPath(300, 'p');

    struct Row {
        std::string from;  // replaced once in the exported text
        std::string to;
        std::string message;
    };
    const std::vector<Row> rows = {
        {R"("function": "forward")", R"("key": "Ctrl+Foo")",
         "buttons[3].key: unknown key name 'Ctrl+Foo'"},
        {R"("x5k-profile")", R"("x5k-macro")", R"(format: not "x5k-profile")"},
        {R"("version": 1)", R"("version": 2)", "version: this program reads version 1"},
        {"750,", "800,", "dpi[0]: 800 is not one of 500, 750, 1000, 1250, 1500, 1750, 2000, 3000"},
        {"750,", "500, 750,", "dpi: the mouse has at most five levels"},
        {"750,", "1e400,", "(top): number overflow parsing '1e400'"},
        {"1000,", "500,", "dpi[1]: the levels go from the lowest resolution up, each once"},
        {R"("reportRate": 1000)", R"("reportRate": 250)",
         "reportRate: 250 is not one of 125, 500, 1000"},
        {R"("reportRate": 1000)", R"("reportRate": 1000.0)", "reportRate: not a whole number"},
        {R"("sensorHeight": 15)", R"("sensorHeight": 31)", "sensorHeight: 31 is outside 1..30"},
        {R"("speed": 10)", R"("speed": "fast")", "pointer.speed: not a whole number"},
        {R"("speed": 10)", R"("speed": 99999999999)", "pointer.speed: too large"},
        {R"("precision": false)", R"("precision": 0)", "pointer.precision: not true or false"},
        {R"("lines": 3)", R"("lines": "page")", R"(wheel.lines: a number of lines or "screen")"},
        {R"("mode": "colour-cycle")", R"("mode": "disco")", "lighting.mode: unknown mode 'disco'"},
        {R"("#FF0000")", R"("red")", "lighting.colour: 'red' is not #RRGGBB"},
        {R"("#FF0000")", R"("#FF0000", "swatch": 3)", "lighting.colour: swatch 3 is #F9ED00"},
        {R"("steady": 5)", R"("steady": 11)", "lighting.levels.steady: 11 is outside 1..10"},
        {R"("led": true,)", "", "lighting.led: missing"},
        {R"("function": "click")", R"("function": "menu")",
         "buttons[0]: At least one button must be configured as 'Left click'!"},
        {R"("function": "scroll-up")", R"("function": "sniper")",
         "buttons[5]: This key can not use the sniper function!"},
        {R"("function": "click")", R"("action": "program", "path": "/bin/true")",
         "buttons[0]: At least one button must be configured as 'Left click'!"},
        {R"("function": "middle")", R"("action": "program", "path": ")" + longPath + R"(")",
         "buttons[1]: The path is too long: at most 259 characters can be stored!"},
        {R"("function": "middle")", R"("function": "scroll-up")",
         "buttons[1].function: 'scroll-up' is only the own function of the wheel forward"},
        {R"("function": "middle")", R"("function": "middle", "key": "A")",
         "buttons[1]: needs exactly one of function, key, macro, action, disabled"},
        {R"("function": "middle")", R"("function": "middle", "colour": "#000000")",
         "buttons[1].colour: unknown field"},
        {R"("input": "right")", R"("input": "left")",
         "buttons[2].input: this entry is the right input"},
        {R"("function": "back")", R"("macro": "0x0")", "buttons[4].macro: '0x0' is no macro ID"},
        {R"("function": "back")", R"("disabled": false)",
         "buttons[4].disabled: only true disables a button"},
        {R"("name": "Middle")", R"("name": ")" + longPath + R"(")",
         "buttons[1].name: at most 259 characters can be stored"},
        {R"("name": "Middle")", R"("name": "Mid\u0000dle")",
         "buttons[1].name: holds a zero character"},
        {R"("version": 1,)", R"("version": 1, "unnamed": [{"offset": 22159, "bytes": "0000"}],)",
         "unnamed[0].offset: the bytes do not lie inside the 22160 bytes"},
        {R"("version": 1,)", R"("version": 1, "unnamed": [{"offset": 8, "bytes": "zz"}],)",
         "unnamed[0].bytes: not hexadecimal"},
        {R"("version": 1,)", R"("version": 1, "colour": 1,)", "colour: unknown field"},
        {"\n}", "", "(top): parse error at line 66, column 1: syntax error while parsing object"},
    };
    const auto out = folder / "out.cfg";
    const std::vector<uint8_t> before(100, 0x5A);
    for (const Row& row : rows) {
        std::string text = base;
        const size_t at = text.find(row.from);
        ASSERT_NE(at, std::string::npos) << row.from;
        text.replace(at, row.from.size(), row.to);
        WriteText(folder / "edited.json", text);
        std::ofstream(out, std::ios::binary)
            .write(reinterpret_cast<const char*>(before.data()), 100);
        const ToolRun run = RunTool(
            folder, "import-json " + (folder / "edited.json").string() + " " + out.string());
        EXPECT_EQ(run.status, 1) << row.message;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << row.message << "\n" << run.err;
        EXPECT_EQ(test::ReadBytes(out), before) << row.message;
    }
    // A missing output file stays missing.
    WriteText(folder / "edited.json", "{}");
    const ToolRun run = RunTool(folder, "import-json " + (folder / "edited.json").string() + " " +
                                            (folder / "new.cfg").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "x5kctl: " + (folder / "edited.json").string() + ": format: missing\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "new.cfg"));
}

// A field of the profile and the value it must hold after the command.
struct Change {
    I32Field field;
    int32_t value;
};

TEST(ProfileCommands, SetChangesOneSettingWithTheWindowsRules) {
    using namespace profile;
    struct Row {
        std::string arguments;
        int status;
        std::string err;
        std::vector<Change> changes;
        std::string name = "";  // button 1..6's display name afterwards, when given
    };
    const std::string dpiChoices = "500, 750, 1000, 1250, 1500, 1750, 2000, 3000";
    const std::vector<Row> rows = {
        {"dpi 750,1500,3000",
         0,
         "",
         {{Resolution(1), 1500}, {Resolution(2), 3000}, {Resolution(3), 0}, {Resolution(4), 0}}},
        {"dpi 3000,500",
         0,
         "",
         {{Resolution(0), 500},
          {Resolution(1), 3000},
          {Resolution(2), 0},
          {Resolution(3), 0},
          {Resolution(4), 0}}},
        {"dpi 800", 1, "dpi: 800 is not one of " + dpiChoices, {}},
        {"dpi 500,750,1000,1250,1500,1750", 1, "dpi: the mouse has at most five levels", {}},
        {"dpi fast", 2, "'fast' is not a number", {}},
        {"rate 500", 0, "", {{kReportRate, 2}}},
        {"rate 125", 0, "", {{kReportRate, 8}}},
        {"rate 250", 1, "reportRate: 250 is not one of 125, 500, 1000", {}},
        {"height 23", 0, "", {{kSensorHeight, 23}}},
        {"height 31", 1, "sensorHeight: 31 is outside 1..30", {}},
        {"pointer speed=12 precision=on", 0, "", {{kPointerSpeed, 12}, {kPrecision, 1}}},
        {"pointer speed=21", 1, "pointer.speed: 21 is outside 1..20", {}},
        {"pointer precision=maybe", 2, "precision is on or off", {}},
        {"wheel lines=screen", 0, "", {{kScrollLines, -1}}},
        {"wheel lines=30", 0, "", {{kScrollLines, 30}}},
        {"wheel lines=0", 1, "wheel.lines: 0 is outside 1..30", {}},
        {"lighting mode=breathing level=2 colour=#F9ED00 led=off",
         0,
         "",
         {{kLightingMode, 2}, {kMode2Level, 2}, {kLightingColour, 0x00EDF9}, {kLightSwitch, 0}}},
        {"lighting mode=steady swatch=3 level=7",
         0,
         "",
         {{kLightingMode, 1},
          {kMode1Level, 7},
          {kLightingColour, 0x00EDF9},
          {kColourSource, 0},
          {kPresetSwatch, 3}}},
        {"lighting colour=#112233",
         1,
         "lighting.colour: the mode 'colour-cycle' takes no colour",
         {}},
        {"lighting mode=off level=3", 1, "lighting.level: the mode 'off' has no level", {}},
        {"lighting mode=steady level=11", 1, "lighting.levels.steady: 11 is outside 1..10", {}},
        {"lighting mode=disco", 2, "mode: unknown mode 'disco'", {}},
        {"button 2 key Ctrl+Shift+B",
         0,
         "",
         {{FunctionCode(2), kFunctionKey}, {KeyValue(2), 0x00050300}},
         "Shift + Ctrl + B"},
        {"button right key Ctrl+Foo", 2, "unknown key name 'Ctrl+Foo'", {}},
        {"button 4 macro 0x15000101 --macros MACROS",
         0,
         "",
         {{FunctionCode(4), kFunctionMacro}, {MacroId(4), 0x15000101}},
         "Test"},
        {"button 4 macro 0x15000102 --macros MACROS",
         1,
         "no macro with ID 0x15000102 in the macro file",
         {}},
        {"button 4 macro 0x15000101", 2, "a macro needs --macros Macro.cfg", {}},
        {"button 5 disable", 0, "", {{FunctionCode(5), kFunctionDisabled}}, "Disable key"},
        {"button 3 function volume-up", 0, "", {{FunctionCode(3), 37}}, "Volume up"},
        {"button 6 default", 0, "", {}, "Scroll down"},
        {"button 1 action program /opt/tool",
         0,
         "",
         {{FunctionCode(1), kFunctionHostAction},
          {HostActionKind(1), kHostProgram},
          {HostActionCode(1), x5k::HostActionCode(1, 1)}},
         "/opt/tool"},
        {"button 0 disable", 1, "At least one button must be configured as 'Left click'!", {}},
        {"button 5 function sniper", 1, "This key can not use the sniper function!", {}},
        {"button 1 function scroll-up",
         1,
         "buttons[1].function: 'scroll-up' is only the own function of the wheel forward",
         {}},
        {"button 7 disable", 2, "'7' is no button: 0..6 or left, middle, right, ...", {}},
        {"bogus 1", 2, "unknown setting 'bogus'", {}},
    };

    test::TempFolder folder;
    const auto macros = folder / "Macro.cfg";
    {
        MacroTable table;
        (void)table.put(test::SampleMacro(0x15000101, "Test"));
        const std::vector<uint8_t> image = table.fileImage();
        std::ofstream(macros, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
    const auto path = folder / "Profile1.cfg";
    for (const Row& row : rows) {
        const ProfileImage before = DefaultProfile(false);
        WriteProfile(path, before);
        std::string arguments = row.arguments;
        if (const size_t at = arguments.find("MACROS"); at != std::string::npos) {
            arguments.replace(at, 6, macros.string());
        }
        const ToolRun run = RunTool(folder, "set " + path.string() + " " + arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments << "\n" << run.err;
        // A usage error goes on with the command's usage line and where help is.
        const std::string said = row.err.empty() ? "" : "x5kctl: " + row.err + "\n";
        EXPECT_EQ(run.err.substr(0, said.size()), said) << row.arguments;
        EXPECT_EQ(run.err.size() > said.size(), row.status == 2) << row.arguments << run.err;

        // Exactly the listed fields (and the button's name) change.
        ProfileImage expected = before;
        for (const Change& change : row.changes) expected.set(change.field, change.value);
        const ProfileImage after = ReadProfile(path);
        for (int b = 0; b < kButtonCount; ++b) {
            if (!row.name.empty() && after.text(DisplayName(b)) == row.name) {
                expected.setText(DisplayName(b), row.name);
            }
        }
        if (row.arguments.find("action") != std::string::npos) {
            expected.setText(HostActionPath(1), "/opt/tool");
        }
        for (size_t at = 0; at < kSize; ++at) {
            if (after.bytes()[at] != expected.bytes()[at]) {
                ADD_FAILURE() << row.arguments << ": byte " << at << " is "
                              << int(after.bytes()[at]) << ", expected "
                              << int(expected.bytes()[at]);
                break;
            }
        }
    }
}

}  // namespace
}  // namespace x5k
