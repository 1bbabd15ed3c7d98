// KDE's settings files edited in a temporary configuration folder; the session is told
// through a recording stand-in, never over the real session bus.

#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/KdePointerSettings.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

const std::vector<std::string> kMouseGroup{"Mouse"};
const KConfigEntry kSpeed{kMouseGroup, "XLbInptPointerAcceleration", "0.500"};

struct EditCase {
    const char* name;
    std::string before;
    std::vector<KConfigEntry> entries;
    std::string after;
    std::vector<size_t> locked;
};

class EditKConfigTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditKConfigTest, ChangesOnlyTheKeysConcerned) {
    const KConfigEdit edit = EditKConfig(GetParam().before, GetParam().entries);
    EXPECT_EQ(edit.text, GetParam().after);
    EXPECT_EQ(edit.locked, GetParam().locked);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditKConfigTest,
    ::testing::Values(
        EditCase{"new_file", "", {kSpeed}, "[Mouse]\nXLbInptPointerAcceleration=0.500\n", {}},
        EditCase{"replaces_value_keeps_everything_else",
                 "# my settings\n[Mouse]\ncursorTheme=breeze\nXLbInptPointerAcceleration=-0.2\n"
                 "DoubleClickInterval=400\n\n[Keyboard]\nNumLock=0\n",
                 {kSpeed},
                 "# my settings\n[Mouse]\ncursorTheme=breeze\nXLbInptPointerAcceleration=0.500\n"
                 "DoubleClickInterval=400\n\n[Keyboard]\nNumLock=0\n",
                 {}},
        EditCase{"adds_key_at_end_of_its_group",
                 "[Mouse]\ncursorTheme=breeze\n\n[Keyboard]\nNumLock=0\n",
                 {kSpeed},
                 "[Mouse]\ncursorTheme=breeze\nXLbInptPointerAcceleration=0.500\n\n[Keyboard]\n"
                 "NumLock=0\n",
                 {}},
        EditCase{"appends_new_group_after_others",
                 "[Keyboard]\nNumLock=0",
                 {kSpeed},
                 "[Keyboard]\nNumLock=0\n\n[Mouse]\nXLbInptPointerAcceleration=0.500\n",
                 {}},
        EditCase{"spaces_around_the_equals_sign",
                 "[Mouse]\n  XLbInptPointerAcceleration = 0.1\n",
                 {kSpeed},
                 "[Mouse]\nXLbInptPointerAcceleration=0.500\n",
                 {}},
        EditCase{"every_copy_in_repeated_sections",
                 "[Mouse]\nXLbInptPointerAcceleration=0.1\n[Other]\na=b\n[Mouse]\n"
                 "XLbInptPointerAcceleration=0.2\n",
                 {kSpeed},
                 "[Mouse]\nXLbInptPointerAcceleration=0.500\n[Other]\na=b\n[Mouse]\n"
                 "XLbInptPointerAcceleration=0.500\n",
                 {}},
        // Lines KDE itself rejects stay as they are; an unterminated header does not
        // start a group, so the key below it still belongs to [Mouse].
        EditCase{"malformed_lines_kept",
                 "stray text\n[Mouse]\nno equals sign here\n=no key\n[unterminated\n"
                 "XLbInptPointerAcceleration=0.3\n\xff\xfe binary\n",
                 {kSpeed},
                 "stray text\n[Mouse]\nno equals sign here\n=no key\n[unterminated\n"
                 "XLbInptPointerAcceleration=0.500\n\xff\xfe binary\n",
                 {}},
        EditCase{"other_locales_untouched",
                 "[Mouse]\nXLbInptPointerAcceleration[de]=0.1\n",
                 {kSpeed},
                 "[Mouse]\nXLbInptPointerAcceleration[de]=0.1\nXLbInptPointerAcceleration=0.500\n",
                 {}},
        EditCase{"windows_line_ends_kept",
                 "[Mouse]\r\nXLbInptPointerAcceleration=0.1\r\nx=y\r\n",
                 {kSpeed},
                 "[Mouse]\r\nXLbInptPointerAcceleration=0.500\r\nx=y\r\n",
                 {}},
        EditCase{"nested_group_with_escaped_name",
                 "[Libinput][1133][49291][G502 \\x5bwired\\x5d]\nPointerAcceleration=0.1\n",
                 {{{"Libinput", "1133", "49291", "G502 [wired]"}, "PointerAcceleration", "1.000"}},
                 "[Libinput][1133][49291][G502 \\x5bwired\\x5d]\nPointerAcceleration=1.000\n",
                 {}},
        EditCase{"new_nested_group_escapes_its_name",
                 "",
                 {{{"Libinput", "2", "10", "TPPS/2 [a]\\b"}, "PointerAccelerationProfile", "1"}},
                 "[Libinput][2][10][TPPS/2 \\x5ba\\x5d\\\\b]\nPointerAccelerationProfile=1\n",
                 {}},
        EditCase{"locked_group",
                 "[Mouse][$i]\nXLbInptPointerAcceleration=0.1\n",
                 {kSpeed, {{"KDE"}, "WheelScrollLines", "3"}},
                 "[Mouse][$i]\nXLbInptPointerAcceleration=0.1\n\n[KDE]\nWheelScrollLines=3\n",
                 {0}},
        EditCase{"locked_key",
                 "[Mouse]\nXLbInptPointerAcceleration[$i]=0.1\n",
                 {kSpeed},
                 "[Mouse]\nXLbInptPointerAcceleration[$i]=0.1\n",
                 {0}},
        EditCase{"locked_file",
                 "[$i]\n[Keyboard]\nNumLock=0\n",
                 {kSpeed},
                 "[$i]\n[Keyboard]\nNumLock=0\n",
                 {0}}),
    [](const auto& info) { return std::string(info.param.name); });

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

const PointerMouse kG502{"Logitech G502 HERO Gaming Mouse", 1133, 49291};
const PointerMouse kX5k{"X5K Gaming Mouse", 0x7A1D, 0x5217};

// Stands in for the X devices of an X11 session.
class FakeX11 final : public ReportingPointerSettings {
public:
    bool setAcceleration(bool) override { return report(Setting::Acceleration, true, {}); }
    bool setSpeed(int) override {
        return report(Setting::Speed, false, {"no X11 pointer device uses the libinput driver"});
    }
    bool setWheelScrollLines(int) override { return report(Setting::WheelScrollLines, false, {}); }
};

// Records the pauses instead of waiting; `onPause` runs at each (with its number, from 1),
// standing in for whatever happens meanwhile.
class PauseClock final : public Clock {
public:
    void sleepFor(std::chrono::milliseconds duration) override {
        pauses.push_back(duration);
        if (onPause) onPause(pauses.size());
    }
    uint32_t tickMs() override { return 0; }

    std::vector<std::chrono::milliseconds> pauses;
    std::function<void(size_t)> onPause;
};

class KdeSession {
public:
    explicit KdeSession(std::vector<PointerMouse> mice = {kG502}, bool notifies = true,
                        bool x11 = false) {
        KdePointerSettings::Session session;
        session.configHome = home_ / "config";
        session.files = &files_;
        session.mice = [mice] { return mice; };
        session.notify = [this, notifies] {
            ++notifications_;
            return notifies;
        };
        if (x11) session.x11 = std::make_unique<FakeX11>();
        session.read = [this](const std::filesystem::path& path, std::string& problem) {
            auto content = ReadSettingsFile(path, kLargestKdeSettingsFile, problem);
            ++reads_;
            if (afterRead) afterRead(path, reads_);
            return content;
        };
        session.clock = &clock_;
        settings_ = std::make_unique<KdePointerSettings>(std::move(session));
    }
    KdePointerSettings& settings() { return *settings_; }
    test::FaultyFileSystem& files() { return files_; }
    PauseClock& clock() { return clock_; }
    std::filesystem::path config() const { return home_ / "config"; }
    std::string read(const char* name) const { return ReadText(config() / name); }
    int notifications() const { return notifications_; }
    int reads() const { return reads_; }

    // Runs after each read of a settings file (with the read's number, from 1): what a KDE
    // program does meanwhile.
    std::function<void(const std::filesystem::path&, int)> afterRead;

private:
    test::TempFolder home_;
    test::FaultyFileSystem files_;
    PauseClock clock_;
    std::unique_ptr<KdePointerSettings> settings_;
    int notifications_ = 0;
    int reads_ = 0;
};

TEST(KdePointerSettings, SpeedGoesToTheX11KeyAndEveryMouseThenTheSessionIsTold) {
    KdeSession kde({kG502, kX5k});
    EXPECT_TRUE(kde.settings().setSpeed(5));
    EXPECT_EQ(kde.read("kcminputrc"),
              "[Mouse]\nXLbInptPointerAcceleration=-0.556\n\n"
              "[Libinput][1133][49291][Logitech G502 HERO Gaming Mouse]\n"
              "PointerAcceleration=-0.556\n\n"
              "[Libinput][31261][21015][X5K Gaming Mouse]\nPointerAcceleration=-0.556\n");
    EXPECT_EQ(kde.notifications(), 1);
    EXPECT_TRUE(kde.settings().notApplied().empty());
}

TEST(KdePointerSettings, PrecisionSelectsTheAdaptiveOrFlatProfile) {
    KdeSession kde;
    EXPECT_TRUE(kde.settings().setAcceleration(false));
    EXPECT_EQ(kde.read("kcminputrc"),
              "[Mouse]\nXLbInptAccelProfileFlat=true\n\n"
              "[Libinput][1133][49291][Logitech G502 HERO Gaming Mouse]\n"
              "PointerAccelerationProfile=1\n");
    EXPECT_TRUE(kde.settings().setAcceleration(true));
    EXPECT_EQ(kde.read("kcminputrc"),
              "[Mouse]\nXLbInptAccelProfileFlat=false\n\n"
              "[Libinput][1133][49291][Logitech G502 HERO Gaming Mouse]\n"
              "PointerAccelerationProfile=2\n");
}

TEST(KdePointerSettings, TheUsersOtherSettingsSurvive) {
    KdeSession kde;
    const std::string before =
        "[Keyboard]\nNumLock=0\n\n[Libinput][1133][49291][Logitech G502 HERO Gaming Mouse]\n"
        "NaturalScroll=true\nPointerAcceleration=0.200\n\n[Mouse]\ncursorTheme=breeze\n";
    WriteText(kde.config() / "kcminputrc", before);
    EXPECT_TRUE(kde.settings().setSpeed(20));
    EXPECT_EQ(kde.read("kcminputrc"),
              "[Keyboard]\nNumLock=0\n\n[Libinput][1133][49291][Logitech G502 HERO Gaming Mouse]\n"
              "NaturalScroll=true\nPointerAcceleration=1.000\n\n[Mouse]\ncursorTheme=breeze\n"
              "XLbInptPointerAcceleration=1.000\n");
}

TEST(KdePointerSettings, WheelLinesGoToKdeglobals) {
    KdeSession kde;
    WriteText(kde.config() / "kdeglobals", "[General]\nColorScheme=BreezeDark\n");
    EXPECT_TRUE(kde.settings().setWheelScrollLines(7));
    EXPECT_EQ(kde.read("kdeglobals"),
              "[General]\nColorScheme=BreezeDark\n\n[KDE]\nWheelScrollLines=7\n");
    EXPECT_EQ(kde.notifications(), 1);
}

TEST(KdePointerSettings, LinesNoDesktopTakesAreNotWritten) {
    KdeSession kde;
    for (int lines : {-1, 0, 31}) {
        EXPECT_FALSE(kde.settings().setWheelScrollLines(lines)) << lines;
    }
    EXPECT_EQ(
        kde.settings().notApplied(),
        std::vector<std::string>{"Wheel scroll lines: 31 is not a number of lines from 1 to 30"});
    EXPECT_FALSE(std::filesystem::exists(kde.config() / "kdeglobals"));
    EXPECT_EQ(kde.files().writeCount(), 0);
}

TEST(KdePointerSettings, AnUnwritableFolderIsReportedAndNobodyIsTold) {
    KdeSession kde;
    WriteText(kde.config() / "kcminputrc", "[Mouse]\nXLbInptPointerAcceleration=0.1\n");
    kde.files().failWrites(kde.config(), FileError::AccessDenied);
    EXPECT_FALSE(kde.settings().setSpeed(15));
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{"Pointer speed: could not write " +
                                       (kde.config() / "kcminputrc").string() + ": access denied"});
    EXPECT_EQ(kde.read("kcminputrc"), "[Mouse]\nXLbInptPointerAcceleration=0.1\n");
    EXPECT_EQ(kde.notifications(), 0);
}

struct UnreadableCase {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    const char* reason;
};

class UnreadableKdeFileTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableKdeFileTest, IsNeverReplaced) {
    KdeSession kde;
    const std::filesystem::path path = kde.config() / "kdeglobals";
    std::filesystem::create_directories(kde.config());
    GetParam().make(path);
    EXPECT_FALSE(kde.settings().setWheelScrollLines(9));
    EXPECT_EQ(kde.files().writeCount(), 0);
    EXPECT_EQ(kde.notifications(), 0);
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{"Wheel scroll lines: could not read " + path.string() +
                                       ": " + GetParam().reason});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableKdeFileTest,
    ::testing::Values(
        UnreadableCase{"folder", [](const auto& path) { std::filesystem::create_directory(path); },
                       "it is not a regular file"},
        UnreadableCase{"named_pipe",
                       [](const auto& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
                       "it is not a regular file"},
        UnreadableCase{"larger_than_any_settings_file",
                       [](const auto& path) {
                           WriteText(path, "[KDE]\nWheelScrollLines=3\n" +
                                               std::string(kLargestKdeSettingsFile, '#'));
                       },
                       "it is too large for a settings file"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    std::optional<std::string> content;  // written at the path; nothing: no file
    size_t limit;
    std::optional<std::string> read;  // what is read; nothing: refused
    const char* reason;               // why it was refused
};

class KdeReadSettingsFileTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(KdeReadSettingsFileTest, ReadsTheWholeFileOrNothing) {
    test::TempFolder folder;
    const std::filesystem::path path = folder / "kcminputrc";
    if (GetParam().content) WriteText(path, *GetParam().content);
    std::string problem;
    EXPECT_EQ(ReadSettingsFile(path, GetParam().limit, problem), GetParam().read);
    EXPECT_EQ(problem,
              GetParam().read ? "" : "could not read " + path.string() + ": " + GetParam().reason);
}

std::string Pattern(size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i) text += "Key" + std::to_string(i) + "=value\n";
    text.resize(size);
    return text;
}

constexpr char kOddText[] = "[KDE]\r\nA=1\0B=2\n\xff\xfe no line end";
const std::string kOddBytes(kOddText, sizeof kOddText - 1);

INSTANTIATE_TEST_SUITE_P(
    Cases, KdeReadSettingsFileTest,
    ::testing::Values(ReadCase{"missing_file_is_empty", std::nullopt, 100, "", ""},
                      ReadCase{"empty_file", "", 100, "", ""},
                      // Byte for byte: no bytes added or cut, a NUL kept where it is.
                      ReadCase{"exact_bytes", kOddBytes, 100, kOddBytes, ""},
                      ReadCase{"larger_than_one_read", Pattern(300000), 1 << 20, Pattern(300000),
                               ""},
                      ReadCase{"at_the_limit", Pattern(4096), 4096, Pattern(4096), ""},
                      ReadCase{"over_the_limit", Pattern(4097), 4096, std::nullopt,
                               "it is too large for a settings file"},
                      ReadCase{"far_over_the_limit", Pattern(200000), 4096, std::nullopt,
                               "it is too large for a settings file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KdeReadSettingsFile, APathBelowAFileIsAFailureNotAMissingFile) {
    test::TempFolder folder;
    WriteText(folder / "file", "x");
    std::string problem;
    EXPECT_EQ(ReadSettingsFile(folder / "file" / "kcminputrc", 100, problem), std::nullopt);
    EXPECT_EQ(problem,
              "could not read " + (folder / "file" / "kcminputrc").string() + ": Not a directory");
}

// What a KDE program saves while this program edits the same file (after its first read).
struct SaveCase {
    const char* name;
    std::string before;                // the file when the edit begins
    std::optional<std::string> saved;  // what KDE saves; nothing: it removes the file
    std::string after;                 // the file when the edit is done
};

class KdeSavesDuringTheEditTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(KdeSavesDuringTheEditTest, TheEditStartsOverFromWhatKdeSaved) {
    // An X11 session without mice: only the [Mouse] keys are filed.
    KdeSession kde({}, true, /*x11=*/true);
    const std::filesystem::path path = kde.config() / "kcminputrc";
    WriteText(path, GetParam().before);
    kde.afterRead = [&](const std::filesystem::path& read, int number) {
        ASSERT_EQ(read, path);
        if (number != 1) return;
        if (GetParam().saved) {
            WriteText(path, *GetParam().saved);
        } else {
            std::filesystem::remove(path);
        }
    };
    EXPECT_TRUE(kde.settings().setAcceleration(true));
    EXPECT_EQ(kde.read("kcminputrc"), GetParam().after);
    // Read, found changed at the last look; read again, unchanged: written once.
    EXPECT_EQ(kde.reads(), 4);
    EXPECT_EQ(kde.files().writeCount(), 1);
}

const std::string kLongFile = "[Keyboard]\nNumLock=0\nRepeatDelay=600\nRepeatRate=25\n\n" +
                              std::string("[Mouse]\n") + Pattern(20000) + "\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, KdeSavesDuringTheEditTest,
    ::testing::Values(
        SaveCase{"kde_adds_a_key", "[Mouse]\ncursorTheme=breeze\n",
                 "[Mouse]\ncursorTheme=breeze\nDoubleClickInterval=400\n",
                 "[Mouse]\ncursorTheme=breeze\nDoubleClickInterval=400\n"
                 "XLbInptAccelProfileFlat=false\n"},
        SaveCase{"kde_sets_the_same_key", "[Mouse]\nx=1\n",
                 "[Mouse]\nXLbInptAccelProfileFlat=true\nx=2\n",
                 "[Mouse]\nXLbInptAccelProfileFlat=false\nx=2\n"},
        // A shorter file is neither padded nor given back what KDE took out.
        SaveCase{"file_shrinks", kLongFile, "[Keyboard]\nNumLock=1\n",
                 "[Keyboard]\nNumLock=1\n\n[Mouse]\nXLbInptAccelProfileFlat=false\n"},
        // A longer file is kept whole.
        SaveCase{"file_grows", "[Keyboard]\nNumLock=1\n", kLongFile,
                 kLongFile + "XLbInptAccelProfileFlat=false\n"},
        SaveCase{"file_created", "", "[General]\nColorScheme=BreezeDark\n",
                 "[General]\nColorScheme=BreezeDark\n\n[Mouse]\nXLbInptAccelProfileFlat=false\n"},
        SaveCase{"file_removed", "[Keyboard]\nNumLock=1\n", std::nullopt,
                 "[Mouse]\nXLbInptAccelProfileFlat=false\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KdePointerSettings, AFileThatKeepsChangingIsLeftToItsOtherWriter) {
    KdeSession kde;
    const std::filesystem::path path = kde.config() / "kdeglobals";
    WriteText(path, "[KDE]\nWheelScrollLines=3\n");
    int saves = 0;
    kde.afterRead = [&](const std::filesystem::path&, int) {
        WriteText(path, "[KDE]\nSingleClick=" + std::to_string(++saves) + "\n");
    };
    EXPECT_FALSE(kde.settings().setWheelScrollLines(9));
    EXPECT_EQ(kde.files().writeCount(), 0);
    EXPECT_EQ(kde.notifications(), 0);
    EXPECT_EQ(kde.read("kdeglobals"), "[KDE]\nSingleClick=" + std::to_string(saves) + "\n");
    EXPECT_LE(saves, 10);
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{"Wheel scroll lines: could not write " + path.string() +
                                       ": another program kept changing it while it was edited"});
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// No process has this number: it is above the largest the kernel hands out (2^22).
constexpr const char* kDeadPid = "99999999";

struct LockCase {
    const char* name;
    std::optional<std::string> content;  // the lock file; nothing: none
    std::chrono::seconds age;
    bool held;
};

class KdeLockFileTest : public ::testing::TestWithParam<LockCase> {};

TEST_P(KdeLockFileTest, OnlyALiveRecentLockCounts) {
    test::TempFolder folder;
    const std::filesystem::path lock = folder / "kcminputrc.lock";
    if (GetParam().content) {
        WriteText(lock, *GetParam().content);
        std::filesystem::last_write_time(
            lock, std::filesystem::file_time_type::clock::now() - GetParam().age);
    }
    EXPECT_EQ(KConfigLockHeld(lock), GetParam().held);
}

const std::string kOwnPid = std::to_string(::getpid());
using std::chrono::seconds;

INSTANTIATE_TEST_SUITE_P(
    Cases, KdeLockFileTest,
    ::testing::Values(
        LockCase{"none", std::nullopt, seconds(0), false},
        LockCase{"live_process", kOwnPid + "\nkwin_wayland\n" + HostName() + "\n", seconds(0),
                 true},
        LockCase{"live_process_pid_only", kOwnPid + "\n", seconds(0), true},
        LockCase{"dead_process", std::string(kDeadPid) + "\nkcminit\n" + HostName() + "\n",
                 seconds(0), false},
        LockCase{"left_behind_long_ago", kOwnPid + "\nkwin_wayland\n" + HostName() + "\n",
                 seconds(60), false},
        // QLockFile writes its lines right after it creates the file.
        LockCase{"just_created", "", seconds(0), true},
        LockCase{"empty_long_ago", "", seconds(60), false},
        LockCase{"not_a_lock", "hello\n", seconds(0), false},
        LockCase{"pid_with_trailing_text", kOwnPid + "x\n", seconds(0), false},
        // Another computer sharing the home folder: its process cannot be checked.
        LockCase{"other_computer", std::string(kDeadPid) + "\nkwin_x11\nx5k-elsewhere\n",
                 seconds(0), true},
        LockCase{"other_computer_long_ago", std::string(kDeadPid) + "\nkwin_x11\nx5k-elsewhere\n",
                 seconds(60), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KdePointerSettings, ALiveKdeSaveIsWaitedFor) {
    KdeSession kde;
    const std::filesystem::path lock = kde.config() / "kdeglobals.lock";
    WriteText(kde.config() / "kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    WriteText(lock, kOwnPid + "\nsystemsettings\n" + HostName() + "\n");
    // KDE saves and lets go of the lock during the third pause.
    kde.clock().onPause = [&](size_t pause) {
        if (pause != 3) return;
        WriteText(kde.config() / "kdeglobals", "[KDE]\nWheelScrollLines=3\nSingleClick=false\n");
        std::filesystem::remove(lock);
    };
    EXPECT_TRUE(kde.settings().setWheelScrollLines(6));
    EXPECT_EQ(kde.read("kdeglobals"), "[KDE]\nWheelScrollLines=6\nSingleClick=false\n");
    EXPECT_EQ(kde.clock().pauses,
              std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(20)));
    EXPECT_EQ(kde.reads(), 2);
}

TEST(KdePointerSettings, ALockHeldOnTheLinkNameIsWaitedForToo) {
    KdeSession kde;
    test::TempFolder dotfiles;
    WriteText(dotfiles / "kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    std::filesystem::create_directories(kde.config());
    std::filesystem::create_symlink(dotfiles / "kdeglobals", kde.config() / "kdeglobals");
    const std::filesystem::path lock = kde.config() / "kdeglobals.lock";
    WriteText(lock, kOwnPid + "\n");
    kde.clock().onPause = [&](size_t) { std::filesystem::remove(lock); };
    EXPECT_TRUE(kde.settings().setWheelScrollLines(4));
    EXPECT_EQ(kde.clock().pauses.size(), 1u);
    EXPECT_EQ(ReadText(dotfiles / "kdeglobals"), "[KDE]\nWheelScrollLines=4\n");
}

TEST(KdePointerSettings, ALockNeverLetGoOfIsReportedAndTheFileLeftAlone) {
    KdeSession kde;
    const std::filesystem::path path = kde.config() / "kcminputrc";
    WriteText(path, "[Mouse]\nXLbInptPointerAcceleration=0.1\n");
    WriteText(path.string() + ".lock", kOwnPid + "\nkwin_wayland\n" + HostName() + "\n");
    EXPECT_FALSE(kde.settings().setSpeed(15));
    EXPECT_EQ(kde.read("kcminputrc"), "[Mouse]\nXLbInptPointerAcceleration=0.1\n");
    EXPECT_EQ(kde.files().writeCount(), 0);
    EXPECT_EQ(kde.notifications(), 0);
    // A bounded wait: half a second in all.
    EXPECT_EQ(kde.clock().pauses.size(), 25u);
    EXPECT_EQ(
        kde.settings().notApplied(),
        std::vector<std::string>{"Pointer speed: could not write " + path.string() +
                                 ": another program kept it locked (" + path.string() + ".lock)"});
}

TEST(KdePointerSettings, ALockLeftBehindByADeadProgramIsIgnored) {
    KdeSession kde;
    WriteText(kde.config() / "kdeglobals.lock",
              std::string(kDeadPid) + "\nkded6\n" + HostName() + "\n");
    EXPECT_TRUE(kde.settings().setWheelScrollLines(2));
    EXPECT_TRUE(kde.clock().pauses.empty());
    EXPECT_EQ(kde.read("kdeglobals"), "[KDE]\nWheelScrollLines=2\n");
}

TEST(KdePointerSettings, ASaveUnderWayAtTheLastLookStartsTheEditOver) {
    KdeSession kde;
    const std::filesystem::path path = kde.config() / "kdeglobals";
    const std::filesystem::path lock = path.string() + ".lock";
    WriteText(path, "[KDE]\nWheelScrollLines=3\n");
    // KDE takes the lock right after the first read, saves, and lets go during the pause.
    kde.afterRead = [&](const std::filesystem::path&, int number) {
        if (number == 1) WriteText(lock, kOwnPid + "\n");
    };
    kde.clock().onPause = [&](size_t) {
        WriteText(path, "[KDE]\nWheelScrollLines=3\nShowDeleteCommand=true\n");
        std::filesystem::remove(lock);
    };
    EXPECT_TRUE(kde.settings().setWheelScrollLines(8));
    EXPECT_EQ(kde.read("kdeglobals"), "[KDE]\nWheelScrollLines=8\nShowDeleteCommand=true\n");
    EXPECT_EQ(kde.clock().pauses.size(), 1u);
    EXPECT_EQ(kde.files().writeCount(), 1);
}

TEST(KdePointerSettings, WithoutAMouseKWinHasNothingToApply) {
    KdeSession kde(std::vector<PointerMouse>{});
    EXPECT_FALSE(kde.settings().setSpeed(10));
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{
                  "Pointer speed: no connected mouse was found to file the setting for"});
    EXPECT_EQ(kde.notifications(), 0);
}

TEST(KdePointerSettings, ASessionThatCannotBeToldIsReported) {
    KdeSession kde({kG502}, /*notifies=*/false);
    EXPECT_FALSE(kde.settings().setAcceleration(true));
    EXPECT_FALSE(kde.settings().setWheelScrollLines(3));
    EXPECT_EQ(kde.settings().notApplied(),
              (std::vector<std::string>{
                  "Enhance pointer precision: kcminputrc was written, but the running session "
                  "could not be told over D-Bus; it takes effect at the next login",
                  "Wheel scroll lines: kdeglobals was written, but running programs could not be "
                  "told over D-Bus; they take it when they next start"}));
    EXPECT_NE(kde.read("kcminputrc").find("PointerAccelerationProfile=2"), std::string::npos);
}

TEST(KdePointerSettings, LockedKeysAreReported) {
    KdeSession kde;
    WriteText(kde.config() / "kcminputrc", "[Mouse][$i]\nXLbInptAccelProfileFlat=true\n");
    EXPECT_TRUE(kde.settings().setAcceleration(true));
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{"Enhance pointer precision: [Mouse] XLbInptAccelProfileFlat "
                                       "in kcminputrc is locked by the system administrator"});
}

TEST(KdePointerSettings, ALinkedFileIsEditedWhereItLives) {
    KdeSession kde;
    test::TempFolder dotfiles;
    WriteText(dotfiles / "kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    std::filesystem::create_directories(kde.config());
    std::filesystem::create_symlink(dotfiles / "kdeglobals", kde.config() / "kdeglobals");
    EXPECT_TRUE(kde.settings().setWheelScrollLines(5));
    EXPECT_TRUE(std::filesystem::is_symlink(kde.config() / "kdeglobals"));
    EXPECT_EQ(ReadText(dotfiles / "kdeglobals"), "[KDE]\nWheelScrollLines=5\n");
}

TEST(KdePointerSettings, UnderX11TheDevicesAreSetDirectlyAndTheFileKeepsIt) {
    KdeSession kde({}, true, /*x11=*/true);
    EXPECT_TRUE(kde.settings().setAcceleration(true));
    EXPECT_FALSE(kde.settings().setSpeed(12));
    EXPECT_EQ(kde.read("kcminputrc"),
              "[Mouse]\nXLbInptAccelProfileFlat=false\nXLbInptPointerAcceleration=0.200\n");
    EXPECT_EQ(
        kde.settings().notApplied(),
        std::vector<std::string>{"Pointer speed: no X11 pointer device uses the libinput driver"});
    EXPECT_EQ(kde.notifications(), 0);
}

// A message bus of the test's own, ended with the test.
class PrivateBus {
public:
    PrivateBus() {
        FILE* out = ::popen(
            "dbus-daemon --session --fork --nosyslog --print-address=1 --print-pid=1 2>/dev/null",
            "r");
        if (out == nullptr) return;
        char line[512] = {};
        if (std::fgets(line, sizeof line, out) != nullptr) address_ = line;
        if (std::fgets(line, sizeof line, out) != nullptr) pid_ = std::atoi(line);
        ::pclose(out);
        if (!address_.empty() && address_.back() == '\n') address_.pop_back();
    }
    ~PrivateBus() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    const std::string& address() const { return address_; }

private:
    std::string address_;
    int pid_ = 0;
};

TEST(NotifyKdeMouseSettingsChanged, SendsOnAReachableBusOnly) {
    EXPECT_FALSE(NotifyKdeMouseSettingsChanged(""));
    EXPECT_FALSE(NotifyKdeMouseSettingsChanged("unix:path=/nonexistent/x5k-test-bus"));
    PrivateBus bus;
    if (bus.address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
    EXPECT_TRUE(NotifyKdeMouseSettingsChanged(bus.address()));
}

}  // namespace
}  // namespace x5k
