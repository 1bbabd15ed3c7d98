#include "profiles/Folders.h"

#include <gtest/gtest.h>

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
