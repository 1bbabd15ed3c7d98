// x5kctl devices without --emulated, run as a child process inside the testbed: it
// inherits umockdev's preloaded library and the testbed's folder, so it sees the faked
// sysfs and nodes, and its ioctls reach this process's handler.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "support/ShellRun.h"
#include "support/TempFolder.h"
#include "umockdev/MouseTestbed.h"

namespace x5k {
namespace {

// The tool beside the test programs: tests/ and bin/ share the build folder.
std::filesystem::path X5kctlPath() {
#ifdef X5KCTL_PATH
    return X5KCTL_PATH;
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path().parent_path() / "bin" / "x5kctl";
#endif
}

using CommandResult = x5k::test::ShellRun;

CommandResult RunX5kctl(const std::string& arguments) {
    return x5k::test::RunShell(X5kctlPath().string() + " " + arguments + " 2>&1");
}

TEST(X5kctlDevices, ListsWhatTheSystemHas) {
    if (!std::filesystem::exists(X5kctlPath())) GTEST_SKIP() << "x5kctl is not built";
    struct Case {
        const char* what;
        std::function<void(test::MouseTestbed&)> setup;
        int status;
        std::vector<std::string> lines;  // in this order
    };
    const Case cases[] = {
        {"nothing plugged in",
         [](test::MouseTestbed&) {},
         1,
         {"no hidraw interface found", "no X5K found"}},
        {"another keyboard only",
         [](test::MouseTestbed& t) { t.plugOtherKeyboard(); },
         1,
         {"/dev/hidraw0   usb       046d:c31c  interface 0\n", "no X5K found"}},
        {"the mouse",
         [](test::MouseTestbed& t) {
             t.plugOtherKeyboard();
             t.plugMouse();
         },
         0,
         {"/dev/hidraw0   usb       046d:c31c  interface 0\n",
          "/dev/hidraw1   usb       7a1d:5217  interface 0  X5K\n",
          "/dev/hidraw2   usb       7a1d:5217  interface 1  X5K\n",
          "/dev/hidraw3   usb       7a1d:5217  interface 2  X5K, configuration interface: report "
          "ID 5, feature reports of 33 bytes\n",
          "USB\\VID_7A1D&PID_5217&REV_0100   the X5K\n"}},
        {"the mouse whose configuration interface does not answer",
         [](test::MouseTestbed& t) {
             t.plugMouse();
             t.setDescriptorUnreadable(test::kVendorNode);
         },
         1,
         {"/dev/hidraw3   usb       7a1d:5217  interface 2  descriptor not readable  X5K\n",
          "the X5K is present, but its configuration interface cannot be used"}},
        {"the firmware loader",
         [](test::MouseTestbed& t) { t.plugFirmwareLoader(); },
         1,
         {"no hidraw interface found",
          "USB\\VID_04D9&PID_8022&REV_0100   the X5K's firmware loader",
          "no X5K ready for configuration: the mouse is in its firmware loader"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::MouseTestbed testbed;
        c.setup(testbed);
        const CommandResult run = RunX5kctl("devices");
        EXPECT_EQ(run.status, c.status) << run.output;
        size_t from = 0;
        for (const std::string& line : c.lines) {
            const size_t at = run.output.find(line, from);
            ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
            from = at;
        }
        EXPECT_EQ(run.output.find("X5K, configuration interface") == std::string::npos,
                  c.status != 0)
            << run.output;
    }
}

TEST(X5kctlDevices, VersionAndApplySayWhyTheMouseIsMissing) {
    if (!std::filesystem::exists(X5kctlPath())) GTEST_SKIP() << "x5kctl is not built";
    test::TempFolder folder;
    ASSERT_EQ(RunX5kctl("make-defaults " + folder.path().string()).status, 0);
    const std::string apply = "apply " + (folder / "Profile" / "Profile1.cfg").string();
    const std::pair<std::function<void(test::MouseTestbed&)>, const char*> cases[] = {
        {[](test::MouseTestbed&) {}, "x5kctl: the X5K gaming mouse cannot be found\n"},
        {[](test::MouseTestbed& t) { t.plugFirmwareLoader(); },
         "x5kctl: the X5K gaming mouse cannot be found\nx5kctl: the mouse is in its firmware "
         "loader, waiting for a firmware image\n"},
    };
    for (const auto& [setup, text] : cases) {
        test::MouseTestbed testbed;
        setup(testbed);
        for (const std::string& command : {std::string("version"), apply}) {
            const CommandResult run = RunX5kctl(command);
            EXPECT_EQ(run.status, 1) << command;
            EXPECT_EQ(run.output, text) << command;
        }
    }
}

}  // namespace
}  // namespace x5k
