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

}  // namespace
}  // namespace x5k
