#include "gui/Autostart.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// What a desktop starts from the entry, read with GLib's own parsers as GIO does: the key
// file's string value, the field codes expanded ('%%' is '%'), the line split as a shell
// would.
std::vector<std::string> StartedCommand(const std::filesystem::path& entry, std::string* tryExec) {
    GKeyFile* file = g_key_file_new();
    std::vector<std::string> argv;
    if (g_key_file_load_from_file(file, entry.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
        gchar* tried = g_key_file_get_string(file, "Desktop Entry", "TryExec", nullptr);
        if (tried) *tryExec = tried;
        std::string expanded;
        for (const char* p = exec ? exec : ""; *p; ++p) {
            if (*p == '%' && p[1] == '%') ++p;
            expanded += *p;
        }
        gchar** words = nullptr;
        if (g_shell_parse_argv(expanded.c_str(), nullptr, &words, nullptr)) {
            for (gchar** w = words; *w; ++w) argv.emplace_back(*w);
            g_strfreev(words);
        }
        g_free(exec);
        g_free(tried);
    }
    g_key_file_free(file);
    return argv;
}

TEST(AutostartTest, TheEntryStartsTheProgramHiddenWhateverItsPathHolds) {
    const bool validator = std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
    const std::string paths[] = {
        "/usr/bin/x5k-driver",
        "/home/ann/my programs/x5k-driver",
        "/opt/x5k's \"best\"/x5k-driver",
        "/home/$USER/`id`/x5k-driver",
        "/tmp/back\\slash/100%/x5k-driver",
        "/tmp/#;&|<>~*?()/x5k-driver",
        "/home/ännä/程序/x5k-driver",
    };
    for (const std::string& launcher : paths) {
        SCOPED_TRACE(launcher);
        test::TempFolder folder;
        const std::filesystem::path entry = folder / "autostart" / "x5k-driver.desktop";
        test::FaultyFileSystem files;
        ASSERT_TRUE(SetAutostart(files, entry, true, launcher).ok());
        std::string tryExec;
        EXPECT_EQ(StartedCommand(entry, &tryExec),
                  (std::vector<std::string>{launcher, "--hidden"}));
        EXPECT_EQ(tryExec, launcher);
        if (validator) {
            const std::string command = "desktop-file-validate '" + entry.string() + "' >'" +
                                        (folder / "validate.log").string() + "' 2>&1";
            EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(folder / "validate.log");
        }
    }
    if (!validator) GTEST_SKIP() << "desktop-file-validate is missing (scripts/setup installs it)";
}

TEST(AutostartTest, WritingRemovingAndFailing) {
    test::TempFolder folder;
    const std::filesystem::path entry = folder / "config" / "autostart" / "x5k-driver.desktop";
    test::FaultyFileSystem files;
    // Removing what is not there, even the folder, succeeds and creates nothing.
    EXPECT_TRUE(SetAutostart(files, entry, false, "/usr/bin/x5k-driver").ok());
    EXPECT_FALSE(std::filesystem::exists(folder / "config"));
    // On twice replaces the entry with the newer launcher.
    ASSERT_TRUE(SetAutostart(files, entry, true, "/usr/bin/x5k-driver").ok());
    ASSERT_TRUE(SetAutostart(files, entry, true, "/opt/x5k/x5k-driver").ok());
    EXPECT_NE(ReadText(entry).find("Exec=/opt/x5k/x5k-driver --hidden\n"), std::string::npos);
    // Nothing of the atomic writes is left beside the entry.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(entry.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
    // A path no entry can hold is refused, and the entry there stays as it was.
    const std::string before = ReadText(entry);
    EXPECT_EQ(SetAutostart(files, entry, true, "/tmp/new\nline/x5k-driver").error,
              AutostartError::UnusablePath);
    EXPECT_EQ(ReadText(entry), before);
    // A failed write or removal says so, with its cause.
    files.failWrites(entry, FileError::AccessDenied);
    AutostartResult result = SetAutostart(files, entry, true, "/usr/bin/x5k-driver");
    EXPECT_EQ(result.error, AutostartError::Write);
    EXPECT_EQ(result.cause.code, EACCES);
    result = SetAutostart(files, entry, false, "/usr/bin/x5k-driver");
    EXPECT_EQ(result.error, AutostartError::Write);
    EXPECT_TRUE(std::filesystem::exists(entry));
    files.clearWriteFault(entry);
    EXPECT_TRUE(SetAutostart(files, entry, false, "/usr/bin/x5k-driver").ok());
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(AutostartTest, TheLauncherIsFoundAsTheShellFoundIt) {
    const std::set<std::filesystem::path> present = {"/usr/bin/x5k-driver",
                                                     "/home/ann/bin/x5k-driver"};
    const auto exists = [&present](const std::filesystem::path& p) { return present.contains(p); };
    struct Case {
        const char* startedAs;
        const char* path;  // PATH; null when unset
        std::filesystem::path launcher;
    };
    const Case cases[] = {
        {"/usr/bin/x5k-driver", "/bin", "/usr/bin/x5k-driver"},
        // A relative start is made absolute, not resolved through its links.
        {"./x5k-driver", nullptr, "/work/build/x5k-driver"},
        {"../bin/x5k-driver", nullptr, "/work/bin/x5k-driver"},
        {"x5k-driver", "/bin:/usr/bin:/home/ann/bin", "/usr/bin/x5k-driver"},
        {"x5k-driver", "/home/ann/bin/:/usr/bin", "/home/ann/bin/x5k-driver"},
        // Empty and relative PATH entries depend on where the session starts: skipped.
        {"x5k-driver", ":bin:/usr/bin", "/usr/bin/x5k-driver"},
        {"x5k-driver", "/sbin", "/usr/lib/x5k/x5k-driver"},
        {"x5k-driver", nullptr, "/usr/lib/x5k/x5k-driver"},
        {"", "/usr/bin", "/usr/lib/x5k/x5k-driver"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.startedAs) + " PATH=" + (c.path ? c.path : "(unset)"));
        EXPECT_EQ(LauncherPath(c.startedAs, c.path, "/work/build", "/usr/lib/x5k", exists),
                  c.launcher);
    }
}

TEST(AutostartTest, TheConfigurationFolder) {
    EXPECT_EQ(ConfigFolderFrom("/x/cfg", "/home/ann"), std::filesystem::path("/x/cfg"));
    EXPECT_EQ(ConfigFolderFrom("", "/home/ann"), std::filesystem::path("/home/ann/.config"));
    EXPECT_EQ(ConfigFolderFrom("cfg", "/home/ann"), std::filesystem::path("/home/ann/.config"));
    EXPECT_EQ(ConfigFolderFrom(nullptr, "home"), std::nullopt);
    EXPECT_EQ(ConfigFolderFrom(nullptr, nullptr), std::nullopt);
}

}  // namespace
}  // namespace x5k
