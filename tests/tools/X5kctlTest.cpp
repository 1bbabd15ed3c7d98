// Runs the real command-line tool.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "macros/MacroBuilder.h"
#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

struct CommandResult {
    int status;
    std::string output;
};

// `environment` holds NAME=VALUE words set for the run only.
CommandResult RunX5kctl(const std::string& arguments, const std::string& environment = "") {
    const std::string command = "env -u X5K_DEBUG " + environment + " " + std::string(X5KCTL_PATH) +
                                " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    CommandResult run{-1, {}};
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
    EXPECT_EQ(RunX5kctl("encode-macro " + file.string() + " jump").status, 64);
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
    EXPECT_EQ(RunX5kctl("apply --emulated").status, 64);
}

TEST(X5kctl, BadInputIsReportedNotFatal) {
    test::TempFolder folder;
    test::WriteBytes(folder / "junk.cfg", {1, 2, 3});
    const CommandResult junk = RunX5kctl("show-profile " + (folder / "junk.cfg").string());
    EXPECT_EQ(junk.status, 2);
    EXPECT_NE(junk.output.find("NOT a profile"), std::string::npos) << junk.output;
    const CommandResult missing = RunX5kctl("show-profile " + (folder / "none.cfg").string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("does not exist"), std::string::npos) << missing.output;
    EXPECT_EQ(RunX5kctl("no-such-command").status, 64);
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

}  // namespace
}  // namespace x5k
