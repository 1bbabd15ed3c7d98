#include "platform/linux/StaleTemporaries.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TempFolder.h"

namespace x5k {
namespace {

namespace fs = std::filesystem;

void SetAge(const fs::path& path, std::time_t now, int seconds) {
    const timespec times[2] = {{now - seconds, 0}, {now - seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(StaleTemporaries, OnlyOurOldTemporariesGo) {
    enum class Kind { File, Symlink, Folder };
    struct Case {
        const char* name;
        Kind kind;
        int age;  // seconds
        bool removed;
    };
    const Case cases[] = {
        {"Macro.cfg.a1B2c3", Kind::File, 3600, true},
        {"Macro.cfg.a1B2c3", Kind::File, 61, true},
        {"Macro.cfg.a1B2c3", Kind::File, 30, false},
        {"Profile/Profile3.cfg.Zz9Yy8", Kind::File, 3600, true},
        {"Profile/Macro.cfg.a1B2c3", Kind::File, 3600, false},  // not saved in that folder
        {"FWUpdate/new_version/ZintuGameDevice.bin.Q7rT2x", Kind::File, 3600, true},
        {"FWUpdate/new_version/update.xml.a1B2c3", Kind::File, 3600, true},
        {"FWUpdate/update.xml.a1B2c3", Kind::File, 3600, false},
        {"Sts.cfg.a1B2c3", Kind::Symlink, 3600, true},
        {"Sts.cfg.a1B2c3", Kind::Folder, 3600, false},
        {"Macro.cfg.bak", Kind::File, 3600, false},
        {"Profile/Profile1.cfg.backup", Kind::File, 3600, false},  // a user's copy
        {"Macro.cfg.a1B2c3d", Kind::File, 3600, false},
        {"Macro.cfg.a1-2c3", Kind::File, 3600, false},
        {"Macro.cfgXa1B2c3", Kind::File, 3600, false},
        {"Notes.cfg.a1B2c3", Kind::File, 3600, false},
        {"Macro.cfg", Kind::File, 3600, false},
    };
    const std::time_t now = std::time(nullptr);
    for (const auto& c : cases) {
        test::TempFolder data;
        test::TempFolder elsewhere;
        const fs::path target = elsewhere / "target";
        test::WriteBytes(target, {7});
        const fs::path path = data / c.name;
        fs::create_directories(path.parent_path());
        switch (c.kind) {
            case Kind::File:
                test::WriteBytes(path, {1});
                break;
            case Kind::Symlink:
                fs::create_symlink(target, path);
                break;
            case Kind::Folder:
                fs::create_directory(path);
                break;
        }
        SetAge(path, now, c.age);
        EXPECT_EQ(RemoveStaleDataTemporaries(data.path(), now), c.removed ? 1 : 0) << c.name;
        EXPECT_EQ(fs::exists(fs::symlink_status(path)), !c.removed) << c.name;
        EXPECT_EQ(test::ReadBytes(target), std::vector<uint8_t>{7}) << c.name;
    }
}

TEST(StaleTemporaries, TheOwnerGetsBackTheRightToReadOurFiles) {
    struct Case {
        const char* name;
        mode_t mode;
        mode_t after;
    };
    const Case cases[] = {
        {"Language.cfg", 0200, 0600},  // left write-only by an interrupted copy
        {"Profile/Profile4.cfg", 0000, 0400},
        {"Macro.cfg", 0220, 0620},
        {"Sts.cfg", 0644, 0644},
        {"Profile/ConfigInfo.cfg", 0600, 0600},
        {"Notes.cfg", 0200, 0200},          // not one of the program's files
        {"Profile/Language.cfg", 0200, 0200},  // not kept in that folder
    };
    test::TempFolder data;
    fs::create_directories(data / "Profile");
    for (const auto& c : cases) {
        test::WriteBytes(data / c.name, {1});
        fs::permissions(data / c.name, static_cast<fs::perms>(c.mode));
    }
    // A link is never followed: its target is somebody else's business.
    test::TempFolder elsewhere;
    test::WriteBytes(elsewhere / "target", {7});
    fs::permissions(elsewhere / "target", static_cast<fs::perms>(0200));
    fs::create_symlink(elsewhere / "target", data / "Profile" / "Profile2.cfg");

    EXPECT_EQ(RestoreOwnerRead(data.path()), 3);
    for (const auto& c : cases) {
        EXPECT_EQ(fs::status(data / c.name).permissions(), static_cast<fs::perms>(c.after))
            << c.name;
    }
    EXPECT_EQ(fs::status(elsewhere / "target").permissions(), static_cast<fs::perms>(0200));
    EXPECT_EQ(RestoreOwnerRead(data.path()), 0);
}

}  // namespace
}  // namespace x5k
