// KDE's settings files edited in a temporary configuration folder; the session is told
// through a recording stand-in, never over the real session bus.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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
        settings_ = std::make_unique<KdePointerSettings>(std::move(session));
    }
    KdePointerSettings& settings() { return *settings_; }
    test::FaultyFileSystem& files() { return files_; }
    std::filesystem::path config() const { return home_ / "config"; }
    std::string read(const char* name) const { return ReadText(config() / name); }
    int notifications() const { return notifications_; }

private:
    test::TempFolder home_;
    test::FaultyFileSystem files_;
    std::unique_ptr<KdePointerSettings> settings_;
    int notifications_ = 0;
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

TEST(KdePointerSettings, AFileThatCannotBeReadIsNeverReplaced) {
    KdeSession kde;
    WriteText(kde.config() / "kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    kde.files().failReads(kde.config() / "kdeglobals", FileError::AccessDenied);
    EXPECT_FALSE(kde.settings().setWheelScrollLines(9));
    EXPECT_EQ(kde.files().writeCount(), 0);
    EXPECT_EQ(kde.settings().notApplied(),
              std::vector<std::string>{"Wheel scroll lines: could not read " +
                                       (kde.config() / "kdeglobals").string() + ": access denied"});
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
