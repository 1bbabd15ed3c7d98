#include "platform/linux/LinuxShell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/TempFolder.h"

namespace x5k {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

// A descriptor the test opens without close-on-exec; a started program must not get it.
constexpr int kInheritableFd = 57;

// What a started stand-in saw: its process id, whether it inherited our descriptor,
// and its argv ($0 first).
struct Call {
    long pid = 0;
    bool inheritedFd = false;
    std::vector<std::string> argv;
};

class LinuxShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        launcher_ = WriteRecorder("opener", folder_ / "launcher.out");
        program_ = WriteRecorder("my game.sh", folder_ / "program.out");
        std::ofstream(folder_ / "my notes.txt") << "notes";
        const int fd = ::open("/dev/null", O_RDONLY);
        ASSERT_EQ(::dup2(fd, kInheritableFd), kInheritableFd);
        ::close(fd);
    }
    void TearDown() override { ::close(kInheritableFd); }

    // A script that writes what it was started with into `out`, renaming it into place
    // so a reader never sees half a file.
    fs::path WriteRecorder(const std::string& name, const fs::path& out) {
        const fs::path script = folder_ / name;
        std::ofstream(script) << "#!/bin/sh\n"
                              << "{ echo $$\n"
                              << "  if [ -e /proc/$$/fd/" << kInheritableFd
                              << " ]; then echo inherited; else echo closed; fi\n"
                              << "  printf '%s\\n' \"$0\" \"$@\"\n"
                              << "} > '" << out.string() << ".tmp'\n"
                              << "mv '" << out.string() << ".tmp' '" << out.string() << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    // Waits at most a second for the stand-in to report.
    std::optional<Call> WaitForCall(const fs::path& out) {
        const auto deadline = steady_clock::now() + std::chrono::seconds(1);
        while (!fs::exists(out)) {
            if (steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::ifstream in(out);
        Call call;
        std::string line;
        std::getline(in, line);
        call.pid = std::stol(line);
        std::getline(in, line);
        call.inheritedFd = line == "inherited";
        while (std::getline(in, line)) call.argv.push_back(line);
        return call;
    }

    test::TempFolder folder_;
    fs::path launcher_;
    fs::path program_;
};

struct OpenCase {
    const char* name;
    std::string target;            // "@" stands for the test folder
    bool startsProgram;            // else the launcher opens it
    std::string launcherArgument;  // "@" stands for the test folder
};

class LinuxShellOpenTest : public LinuxShellTest, public ::testing::WithParamInterface<OpenCase> {
protected:
    std::string Expand(std::string text) const {
        for (size_t at; (at = text.find('@')) != std::string::npos;) {
            text.replace(at, 1, folder_.path().string());
        }
        return text;
    }
};

TEST_P(LinuxShellOpenTest, StartsTheRightProgramWithTheRightArgument) {
    const OpenCase& c = GetParam();
    LinuxShell shell(launcher_.string());
    shell.open(Expand(c.target));
    if (c.startsProgram) {
        const auto call = WaitForCall(folder_ / "program.out");
        ASSERT_TRUE(call);
        EXPECT_EQ(call->argv, std::vector<std::string>{program_.string()});
        EXPECT_FALSE(call->inheritedFd);
        EXPECT_FALSE(fs::exists(folder_ / "launcher.out"));
    } else {
        const auto call = WaitForCall(folder_ / "launcher.out");
        ASSERT_TRUE(call);
        EXPECT_EQ(call->argv,
                  (std::vector<std::string>{launcher_.string(), Expand(c.launcherArgument)}));
        EXPECT_FALSE(call->inheritedFd);
        EXPECT_FALSE(fs::exists(folder_ / "program.out"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LinuxShellOpenTest,
    ::testing::Values(OpenCase{"program_with_space", "@/my game.sh", true, ""},
                      OpenCase{"quoted_program", "\"@/my game.sh\"", true, ""},
                      OpenCase{"quoted_document", "\"@/my notes.txt\"", false, "@/my notes.txt"},
                      OpenCase{"document", "@/my notes.txt", false, "@/my notes.txt"},
                      // A folder has its execute bit set but is opened, not run.
                      OpenCase{"folder", "@", false, "@"},
                      OpenCase{"missing_file", "\"@/gone.txt\"", false, "@/gone.txt"},
                      OpenCase{"url", "https://example.org/a b", false, "https://example.org/a b"},
                      // Only one surrounding pair delimits the target; a lone quote is part of it.
                      OpenCase{"two_pairs", "\"\"@/x\"\"", false, "\"@/x\""},
                      OpenCase{"unbalanced_quote", "\"@/my notes.txt", false, "\"@/my notes.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinuxShellTest, StartedProgramIsReaped) {
    LinuxShell shell(launcher_.string());
    shell.open(program_.string());
    const auto call = WaitForCall(folder_ / "program.out");
    ASSERT_TRUE(call);
    // An unreaped child stays behind as a zombie with its /proc entry.
    const fs::path entry = "/proc/" + std::to_string(call->pid);
    const auto deadline = steady_clock::now() + std::chrono::seconds(1);
    while (fs::exists(entry) && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(LinuxShellTest, StartPassesArgumentsAsTheyAre) {
    LinuxShell shell(launcher_.string());
    EXPECT_TRUE(shell.start(program_.string(), {"1", "two words", "$HOME"}));
    const auto call = WaitForCall(folder_ / "program.out");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->argv,
              (std::vector<std::string>{program_.string(), "1", "two words", "$HOME"}));
    EXPECT_FALSE(shell.start((folder_ / "missing").string(), {}));
}

TEST_F(LinuxShellTest, MissingLauncherAndEmptyTargetAreSilent) {
    LinuxShell shell((folder_ / "no-such-opener").string());
    shell.open((folder_ / "my notes.txt").string());
    shell.open("");
    shell.open("\"\"");
    SUCCEED();
}

}  // namespace
}  // namespace x5k
