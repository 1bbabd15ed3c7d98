#pragma once
// The main window's rules that need no window: which page shows and what it enables,
// which hint the pointer calls up, which button a reported mouse input belongs to, what
// a notification-icon event asks for.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/ProfileImage.h"
#include "layout/Layout.h"
#include "localisation/InterfaceStrings.h"

namespace x5k::mainwindow {

inline constexpr std::string_view kTitle = "Zintu X5K Gaming Mouse Driver";
inline constexpr std::string_view kRunningBalloonTitle = "Running";

inline constexpr int kPageCount = 5;
inline constexpr int kMacroPage = 3;
inline constexpr int kRegionButtonCount = 11;
// The region buttons in the order of their hint numbers 1..11: page buttons 1..5,
// profile buttons 1..5, Apply. Their names in the main window's layout table.
inline constexpr std::array<std::string_view, kRegionButtonCount> kRegionButtons = {
    "page1",    "page2",    "page3",    "page4",    "page5", "profile1",
    "profile2", "profile3", "profile4", "profile5", "apply"};
inline constexpr int kFirstProfileButton = 5;
inline constexpr int kApplyButton = 10;
// The tooltips of the region buttons, in the same order.
inline constexpr std::array<std::string_view, kRegionButtonCount> kRegionTooltipKeys = {
    "str_main",     "str_led_title", "str_macro_manager", "str_sts",      "str_about",
    "str_profile1", "str_profile2",  "str_profile3",      "str_profile4", "str_profile5",
    "str_ok"};

// The region buttons' four pictures are whole-window resources: normal, pressed, hover,
// disabled = c, c + 2, c + 1, c, with c chosen by the interface language at creation.
constexpr int RegionPictureBase(bool chinese) {
    return chinese ? 154 : 157;
}

// The notification icon's menu commands and their icons.
inline constexpr int kConfigCommand = 0x6000;
inline constexpr int kExitCommand = 0x6001;
inline constexpr int kConfigIcon = 1012;
inline constexpr int kExitIcon = 1011;
inline constexpr int kApplicationIcon = 128;

// The updater starts once, this long after a successful start-up.
inline constexpr int kUpdaterDelayMs = 3000;
inline constexpr std::string_view kUpdaterProgram = "zintu_update/ZintuUpdate.exe";

// The pages in tab order (page n is entry n - 1, its tab region button n - 1): whether
// the profile buttons and Apply work while it shows, and whether it redraws from the
// working profile when it is selected.
struct PageRule {
    bool profilesAndApply;
    bool refreshOnSelect;
};
inline constexpr std::array<PageRule, kPageCount> kPages = {{
    {true, true},    // main settings
    {true, true},    // lighting
    {false, false},  // macros
    {false, false},  // statistics
    {false, false},  // support
}};

// What selecting page n does.
struct PageSelection {
    bool valid = false;  // n outside 1..5 does nothing
    std::array<bool, kPageCount> shown{};
    // Every other page is left: the macro page closes its group menu and ends a recording.
    std::array<bool, kPageCount> left{};
    bool profileButtonsEnabled = false;  // the five profile buttons and Apply
    bool refresh = false;                // the selected page redraws from the profile
};
PageSelection SelectPage(int n);

// The hint numbers (1..11) of the region buttons whose bounding box, grown by one pixel
// on every side, holds the point (main-window client coordinates), in that order.
std::vector<int> HoverHints(layout::Point point);

// The text a hint number shows in the hint line. Numbers 19..25 show the display names
// of buttons 0..6, a default name in the other built-in language translated first.
std::string HintText(int number, const InterfaceStrings& strings, const ProfileImage& profile,
                     bool chinese);

// The button (1..6) whose host action a reported mouse input code may run; nothing for
// the left button and for codes that are no press of a programmable button.
std::optional<int> ButtonOfHookCode(uint32_t code);
// The function code of a host action bound to a button.
inline constexpr int32_t kHostActionFunction = 19;

// A notification-icon event (lParam of its callback message).
enum class TrayEvent { Show, Menu, Ignore };
TrayEvent TrayEventOf(intptr_t lParam);
inline constexpr intptr_t kDoubleClick = 0x203;
inline constexpr intptr_t kRightButtonUp = 0x205;

// The minimise, hide and language buttons have no interface string of their own: screen
// readers know them by built-in texts, in Chinese while the Chinese-interface flag is set.
enum class WindowButton { Minimise, Hide, Language };
std::string_view windowButtonName(WindowButton button, bool chinese);

// The language flag is known by the menu label of the language whose indicator picture
// it shows; empty for a picture of no language.
std::string_view flagName(int indicatorBitmap);

// The programs the window starts beside itself (the updater, the firmware flasher) are
// started only when they are there and may run: a regular file with an execute bit.
bool IsStartableProgram(const std::filesystem::path& program);

}  // namespace x5k::mainwindow
