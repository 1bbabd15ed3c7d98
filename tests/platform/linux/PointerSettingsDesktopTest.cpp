#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/DesktopPointerSettings.h"
#include "platform/linux/X11PointerSettings.h"

namespace x5k {
namespace {

struct SpeedCase {
    int speed;
    double libinput;
};

class LibinputSpeedTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(LibinputSpeedTest, MapsTheProfileScaleOntoLibinput) {
    EXPECT_DOUBLE_EQ(LibinputSpeed(GetParam().speed), GetParam().libinput);
}

INSTANTIATE_TEST_SUITE_P(Cases, LibinputSpeedTest,
                         ::testing::Values(SpeedCase{1, -1.0}, SpeedCase{5, -5.0 / 9.0},
                                           SpeedCase{9, -1.0 / 9.0}, SpeedCase{10, 0.0},
                                           SpeedCase{11, 0.1}, SpeedCase{15, 0.5},
                                           SpeedCase{20, 1.0},
                                           // A damaged profile's value counts as the nearest end.
                                           SpeedCase{0, -1.0}, SpeedCase{-7, -1.0},
                                           SpeedCase{21, 1.0}, SpeedCase{1000, 1.0}));

TEST(WheelScrollLinesProblem, AcceptsOneToThirtyOnly) {
    EXPECT_EQ(WheelScrollLinesProblem(1), std::nullopt);
    EXPECT_EQ(WheelScrollLinesProblem(30), std::nullopt);
    EXPECT_EQ(WheelScrollLinesProblem(-1),
              "no Linux desktop can scroll one screen per wheel notch");
    EXPECT_EQ(WheelScrollLinesProblem(0), "0 is not a number of lines from 1 to 30");
    EXPECT_EQ(WheelScrollLinesProblem(31), "31 is not a number of lines from 1 to 30");
    EXPECT_EQ(WheelScrollLinesProblem(-2), "-2 is not a number of lines from 1 to 30");
}

struct DesktopCase {
    const char* name;
    const char* currentDesktop;
    const char* sessionType;
    const char* display;
    const char* waylandDisplay;
    PointerDesktop expected;
};

class ChooseDesktopTest : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(ChooseDesktopTest, PicksTheSettingsStoreOfTheRunningDesktop) {
    DesktopEnvironment environment;
    environment.currentDesktop = GetParam().currentDesktop;
    environment.sessionType = GetParam().sessionType;
    environment.display = GetParam().display;
    environment.waylandDisplay = GetParam().waylandDisplay;
    EXPECT_EQ(ChooseDesktop(environment), GetParam().expected);
}

using D = PointerDesktop;
INSTANTIATE_TEST_SUITE_P(
    Cases, ChooseDesktopTest,
    ::testing::Values(DesktopCase{"gnome_wayland", "GNOME", "wayland", ":0", "wayland-0", D::Gnome},
                      DesktopCase{"gnome_x11", "GNOME", "x11", ":0", "", D::Gnome},
                      DesktopCase{"ubuntu", "ubuntu:GNOME", "wayland", "", "wayland-0", D::Gnome},
                      DesktopCase{"lower_case", "ubuntu:gnome", "x11", ":1", "", D::Gnome},
                      DesktopCase{"classic", "GNOME-Classic:GNOME", "x11", ":0", "", D::Gnome},
                      DesktopCase{"flashback", "GNOME-Flashback:GNOME", "x11", ":0", "", D::Gnome},
                      DesktopCase{"unity", "Unity", "x11", ":0", "", D::Gnome},
                      DesktopCase{"budgie", "Budgie:GNOME", "x11", ":0", "", D::Gnome},
                      DesktopCase{"pantheon", "Pantheon", "x11", ":0", "", D::Gnome},
                      DesktopCase{"kde_wayland", "KDE", "wayland", ":1", "wayland-0", D::Kde},
                      DesktopCase{"kde_x11", "KDE", "x11", ":0", "", D::Kde},
                      DesktopCase{"kde_without_display", "KDE", "", "", "", D::Kde},
                      DesktopCase{"xfce", "XFCE", "x11", ":0", "", D::X11},
                      DesktopCase{"cinnamon", "X-Cinnamon", "x11", ":0", "", D::X11},
                      DesktopCase{"startx_from_a_tty", "", "tty", ":0", "", D::X11},
                      DesktopCase{"bare_x_server", "", "", ":0", "", D::X11},
                      DesktopCase{"xfce_without_display", "XFCE", "x11", "", "", D::None},
                      // Xwayland's display does not reach a Wayland compositor's devices.
                      DesktopCase{"sway_with_xwayland", "sway", "wayland", ":0", "wayland-1",
                                  D::None},
                      DesktopCase{"wayland_by_socket", "Hyprland", "", ":0", "wayland-1", D::None},
                      DesktopCase{"console", "", "tty", "", "", D::None}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeDesktopPointerSettings, AnUnknownWaylandDesktopSaysWhyForEverySetting) {
    DesktopEnvironment environment;
    environment.currentDesktop = "sway";
    environment.sessionType = "wayland";
    const auto settings = MakeDesktopPointerSettings(environment);
    EXPECT_FALSE(settings->setAcceleration(true));
    EXPECT_FALSE(settings->setSpeed(10));
    EXPECT_FALSE(settings->setWheelScrollLines(3));
    const std::string why = "sway keeps its pointer settings where this program cannot change them";
    EXPECT_EQ(settings->notApplied(),
              (std::vector<std::string>{"Enhance pointer precision: " + why,
                                        "Pointer speed: " + why, "Wheel scroll lines: " + why}));
}

TEST(MakeDesktopPointerSettings, AnX11DisplayThatCannotBeOpenedIsReported) {
    DesktopEnvironment environment;
    environment.currentDesktop = "XFCE";
    environment.sessionType = "x11";
    environment.display = ":59123";  // no X server listens there
    const auto settings = MakeDesktopPointerSettings(environment);
    EXPECT_FALSE(settings->setSpeed(12));
    EXPECT_FALSE(settings->setAcceleration(false));
    EXPECT_FALSE(settings->setWheelScrollLines(3));
    EXPECT_EQ(settings->notApplied(),
              (std::vector<std::string>{
                  "Enhance pointer precision: the X display ':59123' could not be opened",
                  "Pointer speed: the X display ':59123' could not be opened",
                  "Wheel scroll lines: the X server keeps no wheel scroll lines setting"}));
}

// Reports set by hand, to check how the lines of different settings live together.
class ScriptedSettings final : public ReportingPointerSettings {
public:
    bool setAcceleration(bool on) override { return report(Setting::Acceleration, on, {}); }
    bool setSpeed(int speed) override {
        return speed == 10 ? report(Setting::Speed, true, {})
                           : report(Setting::Speed, false, {"first", "second"});
    }
    bool setWheelScrollLines(int) override {
        return report(Setting::WheelScrollLines, false, {"none here"});
    }
};

TEST(ReportingPointerSettings, EachCallReplacesOnlyItsOwnSettingsLines) {
    ScriptedSettings settings;
    settings.setSpeed(3);
    settings.setWheelScrollLines(3);
    EXPECT_EQ(settings.notApplied(),
              (std::vector<std::string>{"Pointer speed: first", "Pointer speed: second",
                                        "Wheel scroll lines: none here"}));
    settings.setSpeed(10);
    EXPECT_EQ(settings.notApplied(), std::vector<std::string>{"Wheel scroll lines: none here"});
    EXPECT_EQ(settings.reasonsFor(ReportingPointerSettings::Setting::WheelScrollLines),
              std::vector<std::string>{"none here"});
}

struct ProfileCase {
    const char* name;
    bool precision;
    std::vector<uint8_t> current;
    std::vector<uint8_t> available;
    std::optional<std::vector<uint8_t>> written;
};

class AccelProfileBytesTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(AccelProfileBytesTest, SelectsExactlyOneProfileInTheDevicesLayout) {
    const ProfileCase& c = GetParam();
    EXPECT_EQ(AccelProfileBytes(c.precision, c.current, c.available), c.written);
}

using Bytes = std::vector<uint8_t>;
INSTANTIATE_TEST_SUITE_P(
    Cases, AccelProfileBytesTest,
    ::testing::Values(
        ProfileCase{"precision_on", true, {0, 1}, {1, 1}, Bytes{1, 0}},
        ProfileCase{"precision_off", false, {1, 0}, {1, 1}, Bytes{0, 1}},
        ProfileCase{"newer_driver_with_custom", false, {0, 0, 1}, {1, 1, 1}, Bytes{0, 1, 0}},
        ProfileCase{"custom_cleared_for_adaptive", true, {0, 0, 1}, {1, 1, 1}, Bytes{1, 0, 0}},
        ProfileCase{"availability_unknown", false, {1, 0}, {}, Bytes{0, 1}},
        ProfileCase{"flat_not_offered", false, {1, 0}, {1, 0}, std::nullopt},
        ProfileCase{"adaptive_not_offered", true, {0, 1}, {0, 1}, std::nullopt},
        ProfileCase{"too_short", true, {1}, {1, 1}, std::nullopt},
        ProfileCase{"empty", true, {}, {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct SummaryCase {
    const char* name;
    std::vector<X11DeviceOutcome> devices;
    const char* profile;
    bool applied;
    std::vector<std::string> problems;
};

class SummariseX11Test : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummariseX11Test, NamesEveryDeviceThatDidNotTakeTheSetting) {
    const X11Summary summary = SummariseX11(GetParam().devices, GetParam().profile);
    EXPECT_EQ(summary.applied, GetParam().applied);
    EXPECT_EQ(summary.problems, GetParam().problems);
}

using R = X11DeviceOutcome::Result;
INSTANTIATE_TEST_SUITE_P(
    Cases, SummariseX11Test,
    ::testing::Values(
        SummaryCase{
            "all_applied", {{"X5K", R::Applied}, {"Other mouse", R::Applied}}, "", true, {}},
        SummaryCase{"no_devices", {}, "", false, {"no pointer device was found on the X display"}},
        SummaryCase{"no_libinput_at_all",
                    {{"A", R::NotLibinput}, {"B", R::NotLibinput}},
                    "",
                    false,
                    {"no X11 pointer device uses the libinput driver"}},
        SummaryCase{"partly_applied",
                    {{"X5K", R::Applied}, {"SynPS/2 Synaptics TouchPad", R::NotLibinput}},
                    "",
                    true,
                    {"not set for 'SynPS/2 Synaptics TouchPad': it has no libinput acceleration "
                     "setting (evdev or synaptics driver)"}},
        SummaryCase{"profile_missing",
                    {{"Trackball", R::ProfileUnavailable}},
                    "flat",
                    false,
                    {"not set for 'Trackball': it has no flat acceleration profile"}},
        SummaryCase{"refused",
                    {{"X5K", R::Refused}},
                    "",
                    false,
                    {"not set for 'X5K': the X server refused the change"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace x5k
