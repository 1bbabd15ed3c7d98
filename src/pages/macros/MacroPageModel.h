#pragma once
// The macro page's rules without its window: the group's macro list, the selected
// macro's event rows, new, rename and delete, the key and delay editing widgets, the
// loop count with its normaliser, and recording. Every change goes straight into the
// macro store; the window draws what view() says and forwards its clicks, list
// selections, hook inputs and timer ticks here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "layout/Layout.h"
#include "macros/InputHooks.h"
#include "macros/MacroRecord.h"
#include "macros/MacroTable.h"
#include "macros/Recorder.h"
#include "platform/Clock.h"
#include "platform/UserMessages.h"
#include "platform/WindowMessages.h"
#include "profiles/ProfileImage.h"

namespace x5k::macropage {

inline constexpr int kMacroListId = 256;
inline constexpr int kEventListId = 257;
inline constexpr int kLoopEditId = 1001;
inline constexpr int kKeyEditId = 1002;
inline constexpr int kDelayEditId = 1003;
inline constexpr int kLoopTimerId = 153;
inline constexpr int kLoopTimerMs = 4000;
inline constexpr uint32_t kGroupChosenMessage = 0x501;

inline constexpr size_t kNameChars = 20;
inline constexpr size_t kLoopChars = 5;
inline constexpr size_t kDelayChars = 4;
// A modified delay row holds at most what an event's 24 bits hold.
inline constexpr uint32_t kMaxModifiedDelayMs = 0xFFFFFF;

// The edit mode as the page numbers it: 0 idle, 1 key insertion, 2 delay insertion,
// 3 key-row modification, 4 delay-row modification.
int EditModeNumber(EditMode mode);

// Which OK button was pressed: key OK counts as 3, delay OK as 4.
enum class OkButton { Key = 3, Delay = 4 };
enum class OkAction { Insert, Modify, None };
// An OK button inserts when its number is the edit mode's number + 2, modifies when it
// equals it, and does neither otherwise.
OkAction OkButtonAction(OkButton button, EditMode mode);

// The digits of `text`, at most `maxChars` of them: what a digits-only field keeps of
// typed or pasted text.
std::string DigitsOnly(std::string_view text, size_t maxChars);

// A new or renamed macro's name: at most 20 characters, a character outside the basic
// plane counting once, and never more than the record's name field holds, so the row
// shows exactly what the file keeps.
std::string LimitMacroName(std::string_view name);

// What the loop count normaliser makes of the field's text: leading zeros go, and an
// empty text, 0 or a text that is no number becomes "1", a number above 65,533 becomes
// "65533". Each step that changes the text rewrites the field (and so stores the macro).
struct LoopFix {
    std::vector<std::string> writes;  // the texts written into the field, in order
    std::string text;                 // what the field holds afterwards
};
LoopFix NormaliseLoopText(std::string_view text);

// The hint numbers a pointer at `point` (page coordinates) posts, in the order of the
// page's controls; the record button gives 46 instead of 45 while recording. A control
// counts when its window rectangle grown by one pixel on each side holds the point.
std::vector<int> HintsAt(layout::Point point, bool chinese, bool recording);

// Where the group menu opens: one pixel right of the group button's left edge and one
// pixel below its bottom edge (page coordinates).
layout::Point GroupMenuPosition();

// What the window shows.
struct ViewState {
    std::string groupCaption;
    bool groupMenuOpen = false;
    std::vector<MacroListRow> macroRows;
    int selectedMacro = -1;
    std::optional<int> renameRow;  // the row whose in-place rename is open
    std::vector<EventRow> eventRows;
    int selectedEvent = -1;
    std::string loopText = "1";

    bool keySelectorShown = false;
    bool keySelectorPressed = false;
    bool keyFieldShown = false;
    std::string keyFieldText;
    bool keyOkShown = false;
    bool delaySelectorShown = false;
    bool delaySelectorPressed = false;
    bool delayFieldShown = false;
    std::string delayFieldText;
    bool delayOkShown = false;

    // New Macro, Delete Macro, Insert, Delete Event and Modify: off while recording.
    bool editButtonsEnabled = true;
    std::string recordCaption;
    bool noDelays = false;

    enum class Focus { None, KeyField, DelayField, KeyOk, DelayOk };
    Focus focus = Focus::None;
    friend bool operator==(const ViewState&, const ViewState&) = default;
};

// What the page works on besides its own fields.
struct PageContext {
    MacroStore& store;
    InputHooks& hooks;
    MessagePoster& poster;
    Clock& clock;
    UserMessages& messages;
    // For the bound-macro check: the five profile entries and the working profile.
    const ConfigBlock& config;
    const ProfileImage& workingProfile;
};

class MacroPageModel {
public:
    MacroPageModel(PageContext context, bool chinese, Window page = Window::MacroPage);
    MacroPageModel(const MacroPageModel&) = delete;
    MacroPageModel& operator=(const MacroPageModel&) = delete;

    // The view, with the event rows as the recorder holds them.
    ViewState view() const;
    // The focus the last action asked for, handed over once: the window moves the focus
    // and the request is gone, so a later refresh never pulls the focus back.
    ViewState::Focus takeFocus() { return std::exchange(view_.focus, ViewState::Focus::None); }
    void setChinese(bool chinese);

    // Lists the group's macros (the last one ends selected) and shows the selected one.
    void ShowGroup(int group);
    int currentGroup() const { return group_; }

    void openGroupMenu() { view_.groupMenuOpen = true; }
    // The page is hidden or another page is shown; also a click on the page.
    void closeGroupMenu() { view_.groupMenuOpen = false; }
    // The texts of the group menu's items 1..21, in order.
    std::vector<std::string> groupMenuItems() const;
    // The menu delivered item `id`: the caption follows, and the group's macros show. An
    // id outside 1..21 gives an empty caption and list but keeps the current group, so
    // New Macro never makes an ID outside the groups.
    void chooseGroup(int id);

    // The two lists reported a new selection (-1 none).
    void selectMacro(int row);
    void selectEvent(int row);

    void newMacro();
    // The in-place rename of `row` ended with `text`. Returns the name kept.
    std::string renameMacro(int row, std::string_view text);
    void deleteMacro();

    void insert();
    void clickKeySelector();
    void clickDelaySelector();
    void modify();
    // The user typed into the delay field.
    void typeDelay(std::string_view text);
    void clickOk(OkButton button);
    void deleteEvent();

    // The user typed or pasted into the loop count field: it keeps the digits and stores
    // the macro at once.
    void typeLoop(std::string_view text);
    // The 4-second timer, and the main window before an apply.
    void loopTimerTick();
    void NormaliseLoopCounts() { loopTimerTick(); }

    void setNoDelays(bool pressed) { view_.noDelays = pressed; }
    // The record button, and the main window showing another page while recording.
    void ToggleRecording();
    // The page is hidden or another page is shown: the group menu closes and a running
    // recording stops, storing its rows.
    void pageLeft();
    bool recording() const { return recorder_.recording(); }
    // A WM_HOOK_INPUT reaching the page (also a pad's, posted by the page to itself).
    Recorder::Input hookInput(uint32_t code, uint32_t flags);
    bool padInput(MousePad pad, bool pressed);

    EditMode editMode() const { return mode_; }
    uint32_t capturedCode() const { return captured_; }
    int rememberedMacroRow() const { return rememberedMacro_; }
    int rememberedEventRow() const { return rememberedEvent_; }
    // How many macro stores the page asked for (kept or refused), for the window's tests.
    int storeCount() const { return stores_; }

private:
    void showSelectedMacro();
    void endEditing();                   // forwarding off, then hideEditing
    void hideEditing();                  // the widgets hidden and emptied, edit mode 0
    void setLoopText(std::string text);  // as the field's change handler sees it
    void storeSelected();
    void storeInto(int macroRow);
    void insertRow();
    void modifyRow();
    void clampEventSelection();

    PageContext ctx_;
    bool chinese_;
    Window page_;
    ViewState view_;
    std::vector<EventRow> rows_;
    Recorder recorder_;

    int group_ = macro::kDefaultGroup;
    int rememberedMacro_ = -1;
    int rememberedEvent_ = -1;
    uint32_t captured_ = 0;
    EditMode mode_ = EditMode::Idle;
    bool suppressSave_ = false;
    bool loading_ = false;
    int stores_ = 0;
};

}  // namespace x5k::macropage
