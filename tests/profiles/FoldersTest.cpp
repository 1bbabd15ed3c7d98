#include "profiles/Folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include <map>

#include "profiles/DefaultFiles.h"
#include "profiles/ProfileImage.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

struct DataFolderCase {
    const char* xdg;
    const char* home;
    std::optional<std::string> expected;
};

TEST(DataFolder, FollowsXdgDataHome) {
    const DataFolderCase cases[] = {
        {"/var/u/data", "/home/u", "/var/u/data/ZINTU/X5K"},
        {nullptr, "/home/u", "/home/u/.local/share/ZINTU/X5K"},
        {"", "/home/u", "/home/u/.local/share/ZINTU/X5K"},
        {"relative/data", "/home/u", "/home/u/.local/share/ZINTU/X5K"},
        {nullptr, nullptr, std::nullopt},
        {nullptr, "relative", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto folder = DataFolderFrom(c.xdg, c.home);
        EXPECT_EQ(folder ? std::optional(folder->string()) : std::nullopt, c.expected)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

class SeedTest : public ::testing::Test {
protected:
    SeedTest() { EXPECT_TRUE(WriteDefaultDataFiles(files, program.path())); }
    test::TempFolder program;
    test::TempFolder root;
    test::FaultyFileSystem files;
    std::filesystem::path data = root / "share" / "ZINTU" / "X5K";
};

TEST_F(SeedTest, FirstRunCopiesTheNineFiles) {
    EXPECT_TRUE(SeedDataFolder(files, program.path(), data));
    for (const auto file : kSeededFiles) {
        EXPECT_EQ(test::ReadBytes(data / file), test::ReadBytes(program / file)) << file;
    }
}

TEST_F(SeedTest, ExistingFolderIsNeverRefreshed) {
    std::filesystem::create_directories(data);
    test::WriteBytes(data / "Sts.cfg", {1, 2, 3});
    EXPECT_FALSE(SeedDataFolder(files, program.path(), data));
    EXPECT_EQ(test::ReadBytes(data / "Sts.cfg"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(data / "Macro.cfg"));
    EXPECT_FALSE(std::filesystem::exists(data / "Profile"));
}

TEST_F(SeedTest, FailedCopiesAreSkipped) {
    files.failWrites(data / "Macro.cfg", FileError::AccessDenied);
    std::filesystem::remove(program / "Sts.cfg");
    EXPECT_TRUE(SeedDataFolder(files, program.path(), data));
    EXPECT_FALSE(std::filesystem::exists(data / "Macro.cfg"));
    EXPECT_FALSE(std::filesystem::exists(data / "Sts.cfg"));
    EXPECT_TRUE(std::filesystem::exists(data / "Profile" / "Profile5.cfg"));
}

// A start killed at each change of the file system: no file is ever torn or unreadable,
// and the next start completes the seeding.
TEST_F(SeedTest, AKilledSeedingIsCompletedByTheNextStart) {
    for (int k = 1; k <= 12; ++k) {  // folders, mark, nine copies, unmark
        test::TempFolder next;
        const std::filesystem::path folder = next / "X5K";
        test::FaultyFileSystem dying;
        dying.killAt(k);
        SeedDataFolder(dying, program.path(), folder);
        for (const auto file : kSeededFiles) {
            if (!std::filesystem::exists(folder / file)) continue;
            EXPECT_EQ(test::ReadBytes(folder / file), test::ReadBytes(program / file))
                << "kill at " << k << ": " << file;
        }
        test::FaultyFileSystem again;
        SeedDataFolder(again, program.path(), folder);
        for (const auto file : kSeededFiles) {
            EXPECT_EQ(test::ReadBytes(folder / file), test::ReadBytes(program / file))
                << "kill at " << k << ", then a start: " << file;
        }
        EXPECT_FALSE(std::filesystem::exists(folder / kSeedingMark)) << k;
    }
}

TEST_F(SeedTest, AnInterruptedSeedingCopiesOnlyWhatIsMissing) {
    const std::vector<uint8_t> users{9, 9, 9};
    struct Case {
        const char* name;
        std::vector<std::string_view> present;  // with the user's bytes
        bool marked;
        bool seeds;
    };
    const Case cases[] = {
        {"an empty folder", {}, false, true},
        {"an empty marked folder", {}, true, true},
        {"some files, marked", {"Macro.cfg", "Profile/Profile2.cfg"}, true, true},
        {"all files, marked", {kSeededFiles.begin(), kSeededFiles.end()}, true, true},
        {"some files, not marked", {"Sts.cfg"}, false, false},
    };
    for (const auto& c : cases) {
        test::TempFolder next;
        const std::filesystem::path folder = next / "X5K";
        std::filesystem::create_directories(folder);
        for (const auto file : c.present) test::WriteBytes(folder / file, users);
        if (c.marked) test::WriteBytes(folder / kSeedingMark, {});
        EXPECT_EQ(SeedDataFolder(files, program.path(), folder), c.seeds) << c.name;
        for (const auto file : kSeededFiles) {
            const bool kept =
                std::find(c.present.begin(), c.present.end(), file) != c.present.end();
            const auto expected = kept      ? users
                                  : c.seeds ? test::ReadBytes(program / file)
                                            : std::vector<uint8_t>{};
            EXPECT_EQ(test::ReadBytes(folder / file), expected) << c.name << ": " << file;
        }
        EXPECT_EQ(std::filesystem::exists(folder / kSeedingMark), c.marked && !c.seeds) << c.name;
    }
}

TEST_F(SeedTest, SeededFilesAreReadableByTheirOwner) {
    const mode_t before = ::umask(022);
    PosixFileSystem posix;
    SeedDataFolder(posix, program.path(), data);
    ::umask(before);
    for (const auto file : kSeededFiles) {
        struct stat info {};
        ASSERT_EQ(::stat((data / file).c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 07777, 0644u) << file;
    }
    // A file left write-only by an earlier copy is readable again after its next save.
    ::chmod((data / "Language.cfg").c_str(), 0200);
    EXPECT_TRUE(posix.replace(data / "Language.cfg", std::vector<uint8_t>{1, 0, 0, 0}).ok());
    struct stat info {};
    ASSERT_EQ(::stat((data / "Language.cfg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0600, 0600u);
}

TEST(DefaultFiles, SizesAndContent) {
    const auto files = DefaultDataFiles();
    std::map<std::string, std::vector<uint8_t>> byName;
    for (const auto& f : files) byName[f.relativePath] = f.bytes;
    ASSERT_EQ(byName.size(), kSeededFiles.size());
    for (const auto name : kSeededFiles) EXPECT_TRUE(byName.count(std::string(name))) << name;
    EXPECT_EQ(byName["Macro.cfg"].size(), 2052000u);
    EXPECT_EQ(byName["Sts.cfg"], std::vector<uint8_t>(24, 0));
    EXPECT_EQ(byName["Language.cfg"], (std::vector<uint8_t>{2, 0, 0, 0}));
    const auto& block = byName["Profile/ConfigInfo.cfg"];
    ASSERT_EQ(block.size(), 8000u);
    for (int e = 0; e < kProfileCount; ++e) {
        EXPECT_EQ(GetU32(block, config::EntryMagic(e).offset), 0xBEBEu);
        EXPECT_EQ(GetU32(block, config::CurrentFlag(e).offset), e == 0 ? 1u : 0u);
    }
}

}  // namespace
}  // namespace x5k
