// Runs the real command-line tool.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "macros/MacroBuilder.h"
#include "macros/MacroRecord.h"
#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/SingleInstance.h"
#include "profiles/DefaultFiles.h"
#include "profiles/ProfileImage.h"
#include "support/RecordingUserMessages.h"
#include "support/ShellRun.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using CommandResult = test::ShellRun;

// Runs x5kctl with `arguments` and the shell redirection `errors` for its stderr;
// `environment` holds NAME=VALUE words set for the run only.
CommandResult RunX5kctlWith(const std::string& arguments, const std::string& environment,
                            const std::string& errors) {
    const std::string command = "env -u X5K_DEBUG " + environment + " " + std::string(X5KCTL_PATH) +
                                " " + arguments + " " + errors;
    return test::RunShell(command);
}

// stdout and stderr together.
CommandResult RunX5kctl(const std::string& arguments, const std::string& environment = "") {
    return RunX5kctlWith(arguments, environment, "2>&1");
}

// A run with stdout and stderr kept apart.
struct SplitResult {
    int status;
    std::string out;
    std::string err;
};

SplitResult RunX5kctlSplit(const std::string& arguments, const std::string& environment = "") {
    test::TempFolder folder;
    const std::filesystem::path errors = folder / "stderr";
    const CommandResult run = RunX5kctlWith(arguments, environment, "2>" + errors.string());
    const std::vector<uint8_t> err = test::ReadBytes(errors);
    return {run.status, run.output, std::string(err.begin(), err.end())};
}

TEST(X5kctl, MakeDefaultsIsByteIdenticalAcrossRuns) {
    test::TempFolder first, second;
    ASSERT_EQ(RunX5kctl("make-defaults " + first.path().string()).status, 0);
    ASSERT_EQ(RunX5kctl("make-defaults " + second.path().string()).status, 0);
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(first.path())) {
        if (!entry.is_regular_file()) continue;
        const auto relative = entry.path().lexically_relative(first.path());
        EXPECT_EQ(test::ReadBytes(entry.path()), test::ReadBytes(second / relative)) << relative;
        ++files;
    }
    EXPECT_EQ(files, 9);
}

TEST(X5kctl, ShowProfileListsTheSevenDefaultFunctions) {
    test::TempFolder folder;
    ASSERT_EQ(RunX5kctl("make-defaults " + folder.path().string()).status, 0);
    const CommandResult run =
        RunX5kctl("show-profile " + (folder / "Profile" / "Profile1.cfg").string());
    EXPECT_EQ(run.status, 0) << run.output;
    const char* expected[] = {
        "function       1 Click",
        "device value   0x00F00001",
        "function       4 Middle",
        "device value   0x00F20001",
        "function       2 Menu",
        "device value   0x00F10001",
        "function       8 Forward",
        "device value   0x00F40001",
        "function       16 Back",
        "device value   0x00F30001",
        "function       11 Scroll up",
        "device value   0x00010004",
        "function       22 Scroll down",
        "device value   0x00020004",
        "resolutions      750 1000 1500 2000 3000 0 0 0",
        "report rate      1 (1000 reports/s)",
    };
    size_t from = 0;
    for (const char* line : expected) {
        const size_t at = run.output.find(line, from);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
        from = at;
    }
}

// A macro file written by the program's own macro store: "Jump" in slot 0 and a macro
// of group 5 with an unnamed key in slot 1.
std::filesystem::path WriteMacroFile(const test::TempFolder& folder) {
    PosixFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    MacroStore store(files, clock, messages, strings, folder.path());
    std::vector<EventRow> jump = {PressRow(0x41), DelayRow(50), ReleaseRow(0x41)};
    std::vector<EventRow> other = {PressRow(0xAF), DelayRow(2000), PressRow(0x01)};
    EXPECT_EQ(store.storeMacro(*BuildMacroRecord(jump, "1", 0x15000064, "Jump").record),
              StoreResult::Stored);
    EXPECT_EQ(store.storeMacro(*BuildMacroRecord(other, "3", 0x05000007, "Other").record),
              StoreResult::Stored);
    return store.filePath();
}

TEST(X5kctl, MacrosListsTheSlotsInUse) {
    test::TempFolder folder;
    const auto file = WriteMacroFile(folder);
    const CommandResult run = RunX5kctl("macros " + file.string());
    EXPECT_EQ(run.status, 0) << run.output;
    const char* expected[] = {
        "slot 0",
        "group          21 Customize",
        "id             0x15000064",
        "name           \"Jump\"",
        "repeat         1",
        "events         3",
        "press    A (0x41)",
        "delay    50 ms",
        "release  A (0x41)",
        "slot 1",
        "group          5 Team Fortress 2",
        "id             0x05000007",
        "repeat         3",
        "press    (no name) 0xAF",
        "delay    2000 ms",
        "press    Left Button (0x01)",
        "2 of 500 slots in use",
    };
    size_t from = 0;
    for (const char* line : expected) {
        const size_t at = run.output.find(line, from);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
        from = at;
    }
}

TEST(X5kctl, EncodeMacroPrintsTheImage) {
    test::TempFolder folder;
    const auto file = WriteMacroFile(folder);
    const CommandResult run = RunX5kctl("encode-macro " + file.string() + " 15000064");
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n";
    EXPECT_NE(run.output.find("0000  00 01 06 04 81 04 00 00 00 00 00 00 00 00 00 00\n"
                              "0010 " +
                              zeros),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("01F0 " + zeros + "word count       3\n"), std::string::npos)
        << run.output;

    const CommandResult missing = RunX5kctl("encode-macro " + file.string() + " 0x15000065");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("no macro with ID 0x15000065"), std::string::npos)
        << missing.output;
    EXPECT_EQ(RunX5kctl("encode-macro " + file.string() + " jump").status, 2);
}

TEST(X5kctl, ApplyToTheEmulatedMouseKeepsItsState) {
    test::TempFolder folder;
    ASSERT_EQ(RunX5kctl("make-defaults " + folder.path().string()).status, 0);
    const std::string state = (folder / "mouse.state").string();
    const CommandResult apply = RunX5kctl(
        "apply " + (folder / "Profile" / "Profile1.cfg").string() + " --emulated=" + state);
    EXPECT_EQ(apply.status, 0) << apply.output;
    for (const char* line : {"progress   0%", "progress  42%", "progress 100%",
                             "button matrix 00F00001 00F10001 00F20001 00030007",
                             "DPI table     03 04 06 08 0C 80 80 80 03 04 06 08 0C 80 80 80",
                             "lighting on, colour 0x0000FF"}) {
        EXPECT_NE(apply.output.find(line), std::string::npos) << line << "\n" << apply.output;
    }
    EXPECT_TRUE(std::filesystem::exists(state));
    const CommandResult version = RunX5kctl("version --emulated=" + state);
    EXPECT_EQ(version.output, "firmware version 12\n");
    // Without --emulated the commands reach this machine's hidraw nodes; the tests under
    // umockdev run them against a faked mouse.
    const CommandResult devices = RunX5kctl("devices --emulated");
    EXPECT_EQ(devices.status, 0);
    EXPECT_NE(devices.output.find("report ID 5, feature reports of 33 bytes"), std::string::npos)
        << devices.output;
    EXPECT_EQ(RunX5kctl("apply --emulated").status, 2);
}

TEST(X5kctl, BadInputIsReportedNotFatal) {
    test::TempFolder folder;
    test::WriteBytes(folder / "junk.cfg", {1, 2, 3});
    const CommandResult junk = RunX5kctl("show-profile " + (folder / "junk.cfg").string());
    EXPECT_EQ(junk.status, 1);
    EXPECT_NE(junk.output.find("NOT a profile"), std::string::npos) << junk.output;
    const CommandResult missing = RunX5kctl("show-profile " + (folder / "none.cfg").string());
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.output.find("does not exist"), std::string::npos) << missing.output;
    EXPECT_EQ(RunX5kctl("no-such-command").status, 2);
}

// The diagnostic log is what a user attaches to a bug report: asked for by --verbose
// anywhere on the line or by X5K_DEBUG, it shows the reports in hex; otherwise nothing.
TEST(X5kctl, VerboseOrX5kDebugPrintsTheDiagnosticLog) {
    struct Case {
        const char* arguments;
        const char* environment;
        bool logged;
    };
    const Case cases[] = {
        {"version --emulated", "", false},
        {"version --emulated --verbose", "", true},
        {"--verbose version --emulated", "", true},
        {"version --emulated", "X5K_DEBUG=1", true},
        {"version --emulated", "X5K_DEBUG=0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments) + " " + c.environment);
        const CommandResult run = RunX5kctl(c.arguments, c.environment);
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("firmware version 12"), std::string::npos) << run.output;
        const bool logged =
            run.output.find("x5k: hid: feature report sent: 05 80 00") != std::string::npos &&
            run.output.find("x5k: hid: feature report answered: 05 80 01 02") != std::string::npos;
        EXPECT_EQ(logged, c.logged) << run.output;
        if (!c.logged) {
            EXPECT_EQ(run.output.find("x5k:"), std::string::npos) << run.output;
        }
    }
}

// Exit codes, and which stream says what: data on stdout, errors (with the usage line
// for usage errors) on stderr.
TEST(X5kctl, ExitCodesAndStreams) {
    test::TempFolder folder;
    const std::string missing = (folder / "none.cfg").string();
    struct Case {
        std::string arguments;
        int status;
        const char* out;  // in stdout; "" for an empty stdout
        const char* err;  // in stderr; "" for an empty stderr
    };
    const Case cases[] = {
        {"--help", 0, "usage: x5kctl [--verbose] COMMAND", ""},
        {"-h", 0, "usage: x5kctl [--verbose] COMMAND", ""},
        {"help", 0, "usage: x5kctl [--verbose] COMMAND", ""},
        {"version --emulated", 0, "firmware version 12\n", ""},
        {"", 2, "", "x5kctl: no command given"},
        {"no-such-command", 2, "", "x5kctl: unknown command no-such-command"},
        {"--no-such-option", 2, "", "x5kctl: unknown option --no-such-option"},
        {"--version extra", 2, "", "--version takes no arguments"},
        {"help no-such-command", 2, "", "no command no-such-command"},
        {"version --emulated --frob", 2, "",
         "unknown option --frob\nusage: x5kctl version [--json]"},
        {"devices --emulated extra", 2, "", "unexpected argument extra"},
        {"devices --macros", 2, "", "--macros needs a macro file"},
        {"version --emulated --macros " + missing, 2, "", "--macros is for apply"},
        {"apply " + missing + " --json --emulated", 2, "", "--json is for devices and version"},
        {"apply --emulated", 2, "", "usage: x5kctl apply (PROFILE | --profile N)"},
        {"show-profile", 2, "", "usage: x5kctl show-profile"},
        {"show-profile a.cfg b.cfg", 2, "", "unexpected argument b.cfg"},
        {"show-profile --bogus", 2, "", "unknown option --bogus"},
        {"make-defaults", 2, "", "missing argument"},
        {"macros --all " + missing, 2, "", "unknown option --all"},
        {"encode-macro " + missing, 2, "", "usage: x5kctl encode-macro FILE ID"},
        {"encode-macro " + missing + " nothex", 2, "", "nothex is not a hexadecimal macro ID"},
        {"watch-input --block", 2, "", "--block needs at least one mouse input"},
        {"watch-input --block nothing", 2, "", "nothing is no mouse input code"},
        {"watch-input extra", 2, "", "unexpected argument extra"},
        {"show-profile " + missing, 3, "", "does not exist"},
        {"apply " + missing + " --emulated", 3, "", "cannot read"},
        {"macros " + missing, 3, "", "cannot read"},
        {"export-json " + missing, 3, "", "does not exist"},
        {"set " + missing + " rate 500", 3, "", "does not exist"},
        {"import-json " + missing + " " + (folder / "out.cfg").string(), 3, "", "cannot read"},
        {"make-defaults /proc/x5k-cannot-be-here", 3, "", "could not write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const SplitResult run = RunX5kctlSplit(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        if (*c.out) {
            EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(run.out, "");
        }
        if (*c.err) {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, "");
        }
    }
    const SplitResult version = RunX5kctlSplit("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("x5kctl [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.out;
}

// Every command the tool's help lists has its own help, the same through "help CMD",
// starting with its usage line; a new row of the command table is covered without a
// change here.
TEST(X5kctl, EveryCommandHasItsHelp) {
    const SplitResult tool = RunX5kctlSplit("--help");
    std::istringstream lines(tool.out.substr(tool.out.find("commands:\n") + 10));
    std::vector<std::string> commands;
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        std::istringstream words(line);
        commands.emplace_back();
        words >> commands.back();
    }
    for (const char* known : {"show-profile", "make-defaults", "macros", "encode-macro", "devices",
                              "version", "apply", "watch-input", "help"}) {
        EXPECT_NE(std::find(commands.begin(), commands.end(), known), commands.end()) << known;
    }
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const SplitResult own = RunX5kctlSplit(command + " --help");
        EXPECT_EQ(own.status, 0);
        EXPECT_EQ(own.err, "");
        EXPECT_TRUE(own.out.starts_with("usage: x5kctl " + command)) << own.out;
        EXPECT_GT(own.out.size(), 40u + command.size()) << own.out;
        const SplitResult asked = RunX5kctlSplit("help " + command);
        EXPECT_EQ(asked.status, 0);
        EXPECT_EQ(asked.out, own.out);
    }
}

TEST(X5kctl, JsonOutputParses) {
    const SplitResult version = RunX5kctlSplit("version --json --emulated");
    ASSERT_EQ(version.status, 0) << version.err;
    const auto versionJson = nlohmann::json::parse(version.out, nullptr, false);
    ASSERT_FALSE(versionJson.is_discarded()) << version.out;
    EXPECT_EQ(versionJson.value("firmwareVersion", -1), 12);

    const SplitResult devices = RunX5kctlSplit("devices --json --emulated");
    ASSERT_EQ(devices.status, 0) << devices.err;
    const auto json = nlohmann::json::parse(devices.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << devices.out;
    EXPECT_EQ(json.value("found", false), true);
    int configuration = 0;
    for (const auto& entry : json.at("interfaces")) {
        EXPECT_EQ(entry.at("vendorId"), "7a1d");
        if (entry.at("use") != "configuration") continue;
        ++configuration;
        EXPECT_EQ(entry.at("path"), json.at("configurationInterface"));
        EXPECT_EQ(entry.at("reportId"), 5);
        EXPECT_EQ(entry.at("featureLength"), 33);
    }
    EXPECT_EQ(configuration, 1) << devices.out;
    EXPECT_EQ(json.at("usbDevices").at(0).at("role"), "mouse");
    EXPECT_TRUE(json.at("problem").is_null());
}

// --profile N names profile N of the data folder, and apply takes the data folder's
// Macro.cfg with it; the data folder follows XDG_DATA_HOME, else HOME.
TEST(X5kctl, ProfileNumberNamesTheDataFolder) {
    test::TempFolder home;
    const std::filesystem::path xdg = home / "xdg";
    ASSERT_EQ(RunX5kctl("make-defaults " + (xdg / "ZINTU" / "X5K").string()).status, 0);
    ASSERT_EQ(
        RunX5kctl("make-defaults " + (home / ".local" / "share" / "ZINTU" / "X5K").string()).status,
        0);
    const std::string both = "HOME=" + home.path().string() + " XDG_DATA_HOME=" + xdg.string();
    const std::string homeOnly = "HOME=" + home.path().string() + " XDG_DATA_HOME=";
    struct Case {
        std::string arguments;
        std::string environment;
        int status;
        std::vector<std::string> read;  // files read, in this order
    };
    const std::filesystem::path fromXdg = xdg / "ZINTU" / "X5K";
    const std::filesystem::path fromHome = home / ".local" / "share" / "ZINTU" / "X5K";
    const Case cases[] = {
        {"show-profile --profile 1", both, 0, {(fromXdg / "Profile" / "Profile1.cfg").string()}},
        {"show-profile --profile=5", both, 0, {(fromXdg / "Profile" / "Profile5.cfg").string()}},
        {"show-profile --profile 3",
         homeOnly,
         0,
         {(fromHome / "Profile" / "Profile3.cfg").string()}},
        {"apply --profile 2 --emulated",
         both,
         0,
         {(fromXdg / "Profile" / "Profile2.cfg").string(), (fromXdg / "Macro.cfg").string()}},
        {"apply --emulated --profile 4 --macros " + (fromHome / "Macro.cfg").string(),
         both,
         0,
         {(fromXdg / "Profile" / "Profile4.cfg").string(), (fromHome / "Macro.cfg").string()}},
        {"show-profile --profile 0", both, 2, {}},
        {"show-profile --profile 6", both, 2, {}},
        {"show-profile --profile x", both, 2, {}},
        {"show-profile --profile", both, 2, {}},
        {"show-profile --profile 1 --profile 2", both, 2, {}},
        {"show-profile --profile 1 " + (fromXdg / "Profile" / "Profile1.cfg").string(),
         both,
         2,
         {}},
        {"apply --profile 9 --emulated", both, 2, {}},
        {"show-profile --profile 1", "HOME=relative XDG_DATA_HOME=", 3, {}},
        {"show-profile --profile 1", "XDG_DATA_HOME= HOME=" + (home / "nobody").string(), 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + " with " + c.environment);
        const SplitResult run = RunX5kctlSplit(c.arguments + " --verbose", c.environment);
        EXPECT_EQ(run.status, c.status) << run.err;
        size_t from = 0;
        for (const std::string& file : c.read) {
            const size_t at = run.err.find("x5k: file: read " + file + " ", from);
            ASSERT_NE(at, std::string::npos) << file << "\n" << run.err;
            from = at;
        }
        if (c.status == 0 && c.arguments.starts_with("show-profile")) {
            EXPECT_TRUE(run.out.starts_with("profile file     " + c.read.front() + "\n"))
                << run.out;
        }
        if (c.status == 2) {
            EXPECT_EQ(run.err.find("x5k: file: read"), std::string::npos) << run.err;
        }
    }
}

// While x5k-driver runs (a real primary instance held here, in a private runtime
// folder), the commands that write into the data folder refuse unless --force is given;
// files elsewhere are written. Runs once the tool has set and import-json.
TEST(X5kctl, WritesIntoTheDataFolderWaitForTheDriver) {
    const std::string help = RunX5kctlSplit("--help").out;
    if (help.find("\n  set ") == std::string::npos ||
        help.find("\n  import-json ") == std::string::npos) {
        GTEST_SKIP() << "x5kctl has no set and import-json commands";
    }
    test::TempFolder home, runtime;
    const std::filesystem::path data = home / "xdg" / "ZINTU" / "X5K";
    ASSERT_EQ(RunX5kctl("make-defaults " + data.string()).status, 0);
    ASSERT_EQ(RunX5kctl("make-defaults " + (home / "elsewhere").string()).status, 0);
    const std::string profile1 = (data / "Profile" / "Profile1.cfg").string();
    const std::string json = (home / "profile2.json").string();
    ASSERT_EQ(RunX5kctl("export-json " + (data / "Profile" / "Profile2.cfg").string() + " > " +
                        json + " #")
                  .status,
              0);
    const std::string environment = "HOME=" + home.path().string() +
                                    " XDG_DATA_HOME=" + (home / "xdg").string() +
                                    " XDG_RUNTIME_DIR=" + runtime.path().string();
    struct Case {
        std::string arguments;
        bool driverRuns;
        int status;
        std::string written;  // the file that must change; empty when nothing may
    };
    const std::string outside = (home / "elsewhere" / "Profile" / "Profile1.cfg").string();
    const Case cases[] = {
        {"set --profile 1 rate 500", false, 0, profile1},
        {"set --profile 1 rate 125", true, 1, ""},
        {"set " + profile1 + " rate 125", true, 1, ""},
        {"set --profile 1 rate 125 --force", true, 0, profile1},
        {"set " + outside + " rate 125", true, 0, outside},
        {"import-json " + json + " " + profile1, true, 1, ""},
        {"import-json " + json + " " + profile1 + " --force", true, 0, profile1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + (c.driverRuns ? " while x5k-driver runs" : ""));
        std::optional<SingleInstance> driver;
        if (c.driverRuns) {
            driver.emplace(runtime.path());
            ASSERT_EQ(driver->role(), ProgramInstance::Role::Primary);
        }
        const auto before = test::ReadBytes(profile1);
        const auto outsideBefore = test::ReadBytes(outside);
        const SplitResult run = RunX5kctlSplit(c.arguments, environment);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err.find("x5k-driver is running") != std::string::npos,
                  c.driverRuns && c.written != outside)
            << run.err;
        EXPECT_EQ(test::ReadBytes(profile1) != before, c.written == profile1);
        EXPECT_EQ(test::ReadBytes(outside) != outsideBefore, c.written == outside);
    }
}

// A word of a shell command line, quoted so that any byte but NUL passes as it stands.
std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The first raw control character in `text`: a C0 control other than the line end, DEL,
// or a C1 control in UTF-8. Empty when there is none.
std::string RawControl(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F ||
            (byte == 0xC2 && next < 0xA0 && next >= 0x80)) {
            return "byte " + std::to_string(byte) + " at " + std::to_string(i);
        }
    }
    return {};
}

// Names in a profile or macro file and paths on the command line reach the terminal with
// their control characters escaped: a name holding ESC[2J must not clear the screen.
TEST(X5kctl, ControlCharactersInNamesAndPathsAreShownEscaped) {
    test::TempFolder folder;
    ASSERT_EQ(RunX5kctl("make-defaults " + (folder / "defaults").string()).status, 0);
    ProfileImage image;
    const auto shipped = test::ReadBytes(folder / "defaults" / "Profile" / "Profile1.cfg");
    ASSERT_EQ(shipped.size(), image.bytes().size());
    std::copy(shipped.begin(), shipped.end(), image.bytes().begin());
    image.setText(profile::DisplayName(0), "\x1b[2J\aClear");
    image.setText(profile::HostActionPath(1),
                  "\xc2\x9b"
                  "31mRed");                                 // CSI as a C1 control
    image.setText(profile::DisplayName(3), "\xc2\x85Next");  // NEL, a C1 control
    // JSON export refuses a name with a lone surrogate; the other commands show it.
    const std::string named = (folder / "names.cfg").string();
    test::WriteBytes(named, {image.bytes().begin(), image.bytes().end()});
    SetU16(image.bytes(), profile::DisplayName(2).offset, 0xD800);
    SetU16(image.bytes(), profile::DisplayName(2).offset + 2, 0);
    const std::vector<uint8_t> crafted(image.bytes().begin(), image.bytes().end());
    const std::string profile = (folder / "crafted.cfg").string();
    const std::string newline = (folder / "two\nlines.cfg").string();
    test::WriteBytes(profile, crafted);
    test::WriteBytes(newline, crafted);

    std::filesystem::create_directory(folder / "macros");
    PosixFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    MacroStore store(files, clock, messages, strings, folder / "macros");
    std::vector<EventRow> rows = {PressRow(0x41), ReleaseRow(0x41)};
    MacroRecord record = *BuildMacroRecord(rows, "1", 0x15000064, "x").record;
    record.setText(macro::kName, "\x1b]0;title\a\x7f");
    ASSERT_EQ(store.storeMacro(record), StoreResult::Stored);
    const std::string macros = store.filePath().string();
    const std::string escape = (folder / "no\x1b[2J.cfg").string();

    struct Case {
        std::string arguments;
        int status;
        std::vector<std::string> shown;  // in stdout or stderr, escaped
    };
    const Case cases[] = {
        {"show-profile " + Quoted(profile),
         0,
         {"\"\\x1b[2J\\x07Clear\"", "\"\\u009b31mRed\"", "\"\xef\xbf\xbd\"", "\"\\u0085Next\""}},
        {"show-profile " + Quoted(newline), 0, {"two\\x0alines.cfg"}},
        {"show-profile " + Quoted(escape), 3, {"no\\x1b[2J.cfg"}},
        {"--verbose show-profile " + Quoted(escape), 3, {"x5k: file: cannot read "}},
        {"show-profile " + Quoted(profile) + " " + Quoted("\x1b[2J"), 2, {"argument \\x1b[2J"}},
        {"export-json " + Quoted(named), 0, {"\"\\u001b[2J\\u0007Clear\"", "\"\\u0085Next\""}},
        {"macros " + Quoted(macros), 0, {"\"\\x1b]0;title\\x07\\x7f\""}},
        {"encode-macro " + Quoted(macros) + " 15000064", 0, {"\"\\x1b]0;title\\x07\\x7f\""}},
        {"encode-macro " + Quoted(macros) + " " + Quoted("1\x1b"), 2, {"1\\x1b is not"}},
        {"apply " + Quoted(escape) + " --emulated", 3, {"no\\x1b[2J.cfg"}},
        {"apply " + Quoted(newline) + " --emulated", 0, {}},
        {"apply " + Quoted(profile) + " --macros " + Quoted(escape) + " --emulated",
         3,
         {"no\\x1b[2J.cfg"}},
        {"make-defaults " + Quoted(profile + "/\x1b[2J"), 3, {"crafted.cfg/\\x1b[2J"}},
        {"version " + Quoted("--emulated=" + (folder / "none" / "\x1b[2J").string()),
         -1,
         {"none/\\x1b[2J"}},
        {Quoted("\x1b[2J"), 2, {"command \\x1b[2J"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const SplitResult run = RunX5kctlSplit(c.arguments);
        if (c.status >= 0) {
            EXPECT_EQ(run.status, c.status) << run.out << run.err;
        }
        EXPECT_EQ(RawControl(run.out), "") << run.out;
        EXPECT_EQ(RawControl(run.err), "") << run.err;
        for (const std::string& text : c.shown) {
            EXPECT_NE((run.out + run.err).find(text), std::string::npos) << run.out << run.err;
        }
    }
}

// A file of another size than a macro file's is refused, not listed as mostly empty.
TEST(X5kctl, MacrosRefusesAFileOfTheWrongSize) {
    test::TempFolder folder;
    ASSERT_EQ(RunX5kctl("make-defaults " + folder.path().string()).status, 0);
    for (const std::string file : {"Profile/Profile1.cfg", "Sts.cfg"}) {
        for (const std::string command : {"macros ", "encode-macro "}) {
            const std::string arguments =
                command + (folder / file).string() + (command == "macros " ? "" : " 1");
            SCOPED_TRACE(arguments);
            const SplitResult run = RunX5kctlSplit(arguments);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("is not a macro file"), std::string::npos) << run.err;
        }
    }
}

// make-defaults writes into a named folder only, and never over the user's files
// unless asked to.
TEST(X5kctl, MakeDefaultsRefusesAnEmptyNameAndExistingFiles) {
    test::TempFolder folder;
    const std::filesystem::path data = folder / "data";
    const std::filesystem::path macros = data / "Macro.cfg";
    struct Case {
        std::string arguments;
        int status;
        const char* err;      // in stderr
        bool macrosReplaced;  // Macro.cfg holds the shipped bytes afterwards
    };
    const Case cases[] = {
        {"make-defaults ''", 2, "not an empty name", false},
        {"make-defaults " + data.string(), 1, "Macro.cfg", false},
        {"make-defaults " + data.string() + "/", 1, "give --force", false},
        {"make-defaults --force " + data.string(), 0, "", true},
        {"make-defaults " + data.string() + " --force", 0, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        test::WriteBytes(macros, {'m', 'i', 'n', 'e'});
        // Run from `folder`, where an empty name would write.
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(folder.path());
        const SplitResult run = RunX5kctlSplit(c.arguments);
        std::filesystem::current_path(before);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(test::ReadBytes(macros).size() == kMacroFileSize, c.macrosReplaced);
        // Nothing lands in the current folder.
        EXPECT_FALSE(std::filesystem::exists(folder / "Macro.cfg"));
    }
}

}  // namespace
}  // namespace x5k
