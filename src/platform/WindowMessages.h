#pragma once
// Window messages that cross windows, workers and hooks keep their numbers: they are
// the contract between them. Core code posts through this interface, so a test
// captures what was posted without any window.

#include <cstdint>

namespace x5k {

enum class Window { MainWindow, ProgressDialog, StatisticsPage, MacroPage, AssignmentKeyPage };

namespace msg {
inline constexpr uint32_t kSettingChange = 0x001A;   // a system setting changed; wParam its code
inline constexpr uint32_t kSwitchLanguage = 0x0401;  // also a pop-up menu's result (WM_USER+1)
inline constexpr uint32_t kHookInput = 0x040A;
inline constexpr uint32_t kProgress = 0x042B;              // wParam percent; 100 closes the dialog
inline constexpr uint32_t kListSelectionChanged = 0x0465;  // wParam control id, lParam row
inline constexpr uint32_t kTrayIcon = 0x046C;
inline constexpr uint32_t kListEditEnded = 0x0470;  // wParam control id, lParam edited row
inline constexpr uint32_t kStatsMouseEvent = 0x04C9;
inline constexpr uint32_t kStatsCursorSample = 0x04CA;
inline constexpr uint32_t kApplySucceeded = 0x0703;
inline constexpr uint32_t kApplyFailed = 0x0704;  // lParam the failure code
inline constexpr uint32_t kButtonPress = 0x070D;  // wParam 0x201 press / 0x202 release
inline constexpr uint32_t kMenuChoice = 0x0501;   // lParam the chosen item's identifier
inline constexpr uint32_t kHookNotify = 0x07EB;
inline constexpr uint32_t kPageHover = 0x0805;
inline constexpr uint32_t kRestoreDefaults = 0x0806;
inline constexpr uint32_t kSliderPosition = 0x0800;  // wParam value, lParam control id
inline constexpr uint32_t kCommand = 0x0111;         // a control's command; lParam its window
inline constexpr uint32_t kLeftButtonDown = 0x0201;  // wParam of a press report
inline constexpr uint32_t kLeftButtonUp = 0x0202;    // wParam of a release report
inline constexpr uint32_t kClose = 0x0010;           // a close request
}  // namespace msg

class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    // Queues the message for the window's thread and returns at once. Safe from any thread.
    virtual void post(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Hands the message to the window's thread and waits until it was handled.
    virtual intptr_t send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace x5k
