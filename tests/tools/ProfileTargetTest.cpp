// The profile a command works on, and the check that keeps edits of the data folder
// from being overwritten by a running x5k-driver.

#include "tools/x5kctl/ProfileTarget.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/SingleInstance.h"
#include "support/TempFolder.h"
#include "tools/x5kctl/ExitCodes.h"

namespace x5k {
namespace {

// Sets an environment variable for the test's lifetime.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(ProfileTarget, TakesOnlyTheWordsItUses) {
    test::TempFolder data;
    const ScopedVariable xdg("XDG_DATA_HOME", data.path().string());
    const std::filesystem::path folder = data / "ZINTU" / "X5K";
    struct Case {
        std::vector<std::string> words;
        int exitCode;
        std::string profile;            // empty when no target is found
        std::vector<std::string> left;  // the words left to the command
        bool inDataFolder = false;
    };
    const std::string third = (folder / "Profile" / "Profile3.cfg").string();
    const std::string inside = (folder / "Profile" / ".." / "Profile" / "Profile1.cfg").string();
    const std::string beside = (data / "ZINTU" / "X5K-copy" / "Profile1.cfg").string();
    const Case cases[] = {
        {{"a.cfg"}, 0, "a.cfg", {}},
        {{"a.cfg", "dpi", "750"}, 0, "a.cfg", {"dpi", "750"}},
        {{inside}, 0, inside, {}, true},
        {{beside}, 0, beside, {}},
        {{"--profile", "3"}, 0, third, {}, true},
        {{"--profile=3", "dpi", "750"}, 0, third, {"dpi", "750"}, true},
        {{"dpi", "--profile", "3", "750"}, 0, third, {"dpi", "750"}, true},
        {{"--profile", "3", "a.cfg"}, 0, third, {"a.cfg"}, true},
        {{}, kExitUsage, "", {}},
        {{"--force"}, kExitUsage, "", {"--force"}},
        {{"--profile"}, kExitUsage, "", {"--profile"}},
        {{"--profile", "0"}, kExitUsage, "", {}},
        {{"--profile", "6"}, kExitUsage, "", {}},
        {{"--profile", "03"}, kExitUsage, "", {}},
        {{"--profile="}, kExitUsage, "", {}},
        {{"--profile", "1", "--profile", "2"}, kExitUsage, "", {"--profile", "2"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = c.words;
        SCOPED_TRACE(testing::PrintToString(c.words));
        const ProfileTargetChoice choice = TakeProfileTarget(words);
        EXPECT_EQ(choice.exitCode, c.exitCode) << choice.error;
        EXPECT_EQ(choice.error.empty(), c.exitCode == 0) << choice.error;
        ASSERT_EQ(choice.target.has_value(), !c.profile.empty());
        if (choice.target) {
            EXPECT_EQ(choice.target->profile.string(), c.profile);
            EXPECT_EQ(choice.target->inDataFolder, c.inDataFolder);
            // Only --profile N brings the data folder's macros along.
            EXPECT_EQ(choice.target->macros.has_value(), c.profile == third);
            if (choice.target->macros) {
                EXPECT_EQ(*choice.target->macros, folder / "Macro.cfg");
            }
            EXPECT_EQ(words, c.left);
        }
    }
}

TEST(ProfileTarget, NoDataFolderIsAFileError) {
    const ScopedVariable xdg("XDG_DATA_HOME", "");
    const ScopedVariable home("HOME", "relative");
    std::vector<std::string> words = {"--profile", "1"};
    const ProfileTargetChoice choice = TakeProfileTarget(words);
    EXPECT_FALSE(choice.target);
    EXPECT_EQ(choice.exitCode, kExitFile);
    EXPECT_NE(choice.error.find("no data folder"), std::string::npos) << choice.error;
}

// A real primary instance held here stands for x5k-driver: the probe sees it without
// disturbing it (it stays primary, a later start still hands over to it), and sees
// nothing once it ends or before any ran; the probe never creates the lock file.
TEST(ProfileTarget, DriverRunningFollowsTheInstanceLock) {
    test::TempFolder runtime;
    const ScopedVariable variable("XDG_RUNTIME_DIR", runtime.path().string());
    const std::filesystem::path lock = runtime / (std::string(kInstanceName) + ".lock");

    EXPECT_FALSE(DriverRunning());
    EXPECT_FALSE(std::filesystem::exists(lock));
    {
        SingleInstance driver(runtime.path());
        ASSERT_EQ(driver.role(), ProgramInstance::Role::Primary);
        for (int probe = 0; probe < 3; ++probe) EXPECT_TRUE(DriverRunning());
        EXPECT_EQ(driver.role(), ProgramInstance::Role::Primary);
        const SingleInstance later(runtime.path());
        EXPECT_EQ(later.role(), ProgramInstance::Role::Secondary);
        ASSERT_TRUE(later.send(kShowRunningInstance));
        std::vector<HandOver> received;
        for (int round = 0; round < 100 && received.empty(); ++round) {
            received = driver.takeMessages();
        }
        EXPECT_EQ(received, std::vector<HandOver>{kShowRunningInstance});
    }
    EXPECT_TRUE(std::filesystem::exists(lock));
    EXPECT_FALSE(DriverRunning());
    // Nor does the probe keep the lock: the next start is the primary.
    const SingleInstance next(runtime.path());
    EXPECT_EQ(next.role(), ProgramInstance::Role::Primary);
}

TEST(ProfileTarget, WritesIntoTheDataFolderAreRefusedWhileTheDriverRuns) {
    test::TempFolder runtime;
    const ScopedVariable variable("XDG_RUNTIME_DIR", runtime.path().string());
    struct Case {
        bool running;
        bool force;
        bool refused;
        const char* said;  // on stderr; "" for nothing
    };
    const Case cases[] = {
        {false, false, false, ""},
        {false, true, false, ""},
        {true, false, true, "would overwrite this edit"},
        {true, true, false, "written anyway, as --force asks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.running ? "running" : "not running") +
                     (c.force ? ", --force" : ""));
        std::optional<SingleInstance> driver;
        if (c.running) driver.emplace(runtime.path());
        testing::internal::CaptureStderr();
        const bool refused = RefuseWhileDriverRuns(c.force);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(refused, c.refused);
        if (*c.said) {
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
            EXPECT_NE(said.find("x5k-driver is running and holds the profiles in memory"),
                      std::string::npos)
                << said;
        } else {
            EXPECT_EQ(said, "");
        }
    }
}

}  // namespace
}  // namespace x5k
