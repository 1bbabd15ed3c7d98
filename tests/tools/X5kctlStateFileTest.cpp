// The emulated mouse's state path as x5kctl meets it: only a state file, or nothing, is
// replaced at the end of a run; anything else is refused before the mouse is touched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/emulator/MouseStateFile.h"
#include "support/ShellRun.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

namespace fs = std::filesystem;

using ToolRun = x5k::test::ShellRun;

ToolRun RunX5kctl(const std::string& arguments) {
    return x5k::test::RunShell("env -u X5K_DEBUG " + std::string(X5KCTL_PATH) + " " + arguments +
                               " 2>&1");
}

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// What is at the state path before the run.
enum class Before { Absent, GoodState, Precious, Fifo, Folder, LinkLoop, Unsearchable };
// What must be there after it.
enum class After { Absent, AsBefore, AState };

struct StateRig {
    test::TempFolder folder;
    fs::path profile;
    fs::path state;
    std::vector<uint8_t> bytesBefore;

    explicit StateRig(Before before) : profile(folder / "data" / "Profile" / "Profile1.cfg") {
        const ToolRun defaults = RunX5kctl("make-defaults " + (folder / "data").string());
        EXPECT_EQ(defaults.status, 0) << defaults.output;
        state = folder / "mouse.state";
        switch (before) {
            case Before::Absent:
                break;
            case Before::GoodState:
                test::WriteBytes(state, Text(FormatMouseState(MouseState{})));
                break;
            case Before::Precious:
                test::WriteBytes(state, Text("my thesis, chapter 1\n"));
                break;
            case Before::Fifo:
                EXPECT_EQ(::mkfifo(state.c_str(), 0600), 0);
                break;
            case Before::Folder:
                fs::create_directory(state);
                break;
            case Before::LinkLoop:
                fs::create_symlink(folder / "l2", folder / "l1");
                fs::create_symlink(folder / "l1", folder / "l2");
                state = folder / "l1";
                break;
            case Before::Unsearchable:
                state = folder / "locked" / "mouse.state";
                test::WriteBytes(state, Text(FormatMouseState(MouseState{})));
                break;
        }
        std::error_code error;
        if (fs::is_regular_file(state, error)) bytesBefore = test::ReadBytes(state);
        typeBefore = fs::symlink_status(state, error).type();
        // Locked only now: a test run by an ordinary user could not look inside it either.
        if (before == Before::Unsearchable) {
            fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_write);
        }
    }
    ~StateRig() {
        std::error_code error;
        fs::permissions(folder / "locked", fs::perms::owner_all, error);
    }

    void expect(After after) const {
        std::error_code error;
        fs::permissions(folder / "locked", fs::perms::owner_all, error);
        const fs::file_type type = fs::symlink_status(state, error).type();
        switch (after) {
            case After::Absent:
                EXPECT_EQ(type, fs::file_type::not_found);
                break;
            case After::AsBefore:
                EXPECT_EQ(type, typeBefore);
                if (type == fs::file_type::regular) {
                    EXPECT_EQ(test::ReadBytes(state), bytesBefore);
                }
                break;
            case After::AState: {
                EXPECT_EQ(type, fs::file_type::regular);
                const std::vector<uint8_t> bytes = test::ReadBytes(state);
                EXPECT_TRUE(ParseMouseState(std::string(bytes.begin(), bytes.end())));
                break;
            }
        }
    }

    fs::file_type typeBefore = fs::file_type::none;
};

TEST(X5kctlStateFile, OnlyAStateFileOrNothingIsReplaced) {
    struct Row {
        const char* name;
        std::string command;  // PROFILE and STATE are put in
        Before before;
        int status;
        const char* says;  // part of the output
        After after;
    };
    const Row rows[] = {
        {"apply, no profile, not a state file", "apply /nonexistent --emulated=STATE",
         Before::Precious, 1, "is not a state file", After::AsBefore},
        {"apply, no profile, a state file", "apply /nonexistent --emulated=STATE",
         Before::GoodState, 3, "cannot read /nonexistent", After::AsBefore},
        {"apply, no profile, no state file", "apply /nonexistent --emulated=STATE", Before::Absent,
         3, "cannot read /nonexistent", After::Absent},
        {"apply, not a state file", "apply PROFILE --emulated=STATE", Before::Precious, 1,
         "is not a state file", After::AsBefore},
        {"apply, a named pipe", "apply PROFILE --emulated=STATE", Before::Fifo, 1,
         "is not a regular file", After::AsBefore},
        {"apply, a folder", "apply PROFILE --emulated=STATE", Before::Folder, 1,
         "is not a regular file", After::AsBefore},
        {"version, a folder", "version --emulated=STATE", Before::Folder, 1,
         "is not a regular file", After::AsBefore},
        {"apply, a state file", "apply PROFILE --emulated=STATE", Before::GoodState, 0,
         "applied in", After::AState},
        {"apply, no state file", "apply PROFILE --emulated=STATE", Before::Absent, 0, "applied in",
         After::AState},
        {"devices, no state file", "devices --emulated=STATE", Before::Absent, 0, "X5K",
         After::AState},
        // A path the system refuses to resolve is said so, not a crash.
        {"apply, a link loop", "apply PROFILE --emulated=STATE", Before::LinkLoop, 3,
         "cannot be read", After::AsBefore},
        {"version, a link loop", "version --emulated=STATE", Before::LinkLoop, 3, "cannot be read",
         After::AsBefore},
        {"devices, a link loop", "devices --emulated=STATE", Before::LinkLoop, 3, "cannot be read",
         After::AsBefore},
        {"apply, unsearchable folder", "apply PROFILE --emulated=STATE", Before::Unsearchable, 3,
         "cannot be read", After::AsBefore},
        {"version, unsearchable folder", "version --emulated=STATE", Before::Unsearchable, 3,
         "cannot be read", After::AsBefore},
        {"devices, unsearchable folder", "devices --emulated=STATE", Before::Unsearchable, 3,
         "cannot be read", After::AsBefore},
    };
    bool skipped = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The superuser searches every folder.
        if (row.before == Before::Unsearchable && ::geteuid() == 0) {
            skipped = true;
            continue;
        }
        StateRig rig(row.before);
        std::string command = row.command;
        command.replace(command.find("STATE"), 5, rig.state.string());
        if (const size_t at = command.find("PROFILE"); at != std::string::npos) {
            command.replace(at, 7, rig.profile.string());
        }
        const ToolRun run = RunX5kctl(command);
        EXPECT_EQ(run.status, row.status) << run.output;
        EXPECT_NE(run.output.find(row.says), std::string::npos) << run.output;
        rig.expect(row.after);
    }
    if (skipped) std::printf("note: run as root, so the unsearchable folder rows were skipped\n");
}

// A link planted under the name the old writer used for its temporary file: the save
// goes through a fresh name and the link's target is left alone.
TEST(X5kctlStateFile, APlantedTemporaryLinkIsNotFollowed) {
    StateRig rig(Before::Absent);
    const fs::path victim = rig.folder / "victim";
    test::WriteBytes(victim, Text("someone else's file\n"));
    fs::create_symlink(victim, rig.folder / "mouse.state.tmp");

    const ToolRun run =
        RunX5kctl("apply " + rig.profile.string() + " --emulated=" + rig.state.string());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(test::ReadBytes(victim), Text("someone else's file\n"));
    EXPECT_TRUE(fs::is_symlink(rig.folder / "mouse.state.tmp"));
    rig.expect(After::AState);
}

}  // namespace
}  // namespace x5k
