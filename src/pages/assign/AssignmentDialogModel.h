#pragma once
// The assignment pop-up's rules without its windows: which tab and sub-page show, the
// disable box, the default and OK buttons, and the result handed to the main settings
// page, which stores it with AssignFunction. The sub-pages' own rules sit beside it.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "functions/Assignment.h"
#include "macros/InputHooks.h"
#include "macros/MacroTable.h"
#include "pages/assign/KeyCapture.h"
#include "pages/assign/SubPageTables.h"

namespace x5k::assign {

// The macro sub-page: the game list (one row per macro group) and the macros of the
// game chosen last.
class MacroPageModel {
public:
    // The game list's texts, in row order.
    static std::vector<std::string> gameRows(bool chinese);

    // The game list reported a selection change to `row`. A row other than the last one
    // refills the macro list from `table` (its macros of group row + 1, in slot order)
    // and clears the macro selection; returns whether the list was refilled.
    bool onGameSelected(int row, const MacroTable& table);
    int gameRow() const { return gameRow_; }

    // The macro list: text the macro's name, item data its ID.
    const std::vector<MacroListRow>& macroRows() const { return macros_; }
    // Selects a row of the macro list; -1 (or a row outside it) selects none.
    void selectMacro(int row);
    int selectedMacro() const { return selectedMacro_; }

    // The selected macro's ID with kind 6; code 0 while no macro row is selected.
    SubPageChoice MacroPageResult() const;

private:
    int gameRow_ = -1;
    std::vector<MacroListRow> macros_;
    int selectedMacro_ = -1;
};

// The basic sub-page: one list of fixed functions.
class BasicPageModel {
public:
    // Selects a row; -1 (or a row outside the list) selects none.
    void selectRow(int row);
    int selectedRow() const { return selectedRow_; }
    // The selected row's catalogue code with kind 0; code 0 while none is selected.
    SubPageChoice BasicPageResult() const;

private:
    int selectedRow_ = -1;
};

// The advanced sub-page: four rows, each a radio, a path box and a browse button.
class AdvancedPageModel {
public:
    explicit AdvancedPageModel(int button) : button_(button) {}

    // The radio's click selects its row alone.
    void clickRadio(int row);
    bool radio(int row) const;
    // A browse click or a double click on the path box selects the row and tells the
    // window which dialog to open. Nothing outside the four rows.
    std::optional<PathRequest> browse(int row, const DialogFolders& folders);
    // The dialog was confirmed with `path`; a cancelled dialog calls nothing, so the row's
    // path stays as it was.
    void pathChosen(int row, std::string path);
    // The path box's text (also what the user typed into it).
    void setPath(int row, std::string path);
    const std::string& path(int row) const;

    // The host-action code the radio of `row` carries for this page's button.
    int32_t radioCode(int row) const { return HostActionCode(row, button_); }

    // The first row, in order, whose radio is on and whose path is not empty, with
    // kind 19. The path goes on whole: one too long for the profile is refused where
    // it is stored rather than cut into the name of another file.
    SubPageChoice AdvancedPageResult() const;

private:
    static bool validRow(int row) { return row >= 0 && row < kAdvancedRowCount; }

    int button_;
    std::array<bool, kAdvancedRowCount> radios_{};
    std::array<std::string, kAdvancedRowCount> paths_{};
};

// Switches the input hooks' keyboard forwarding to the key page on or off.
using KeyForwarding = std::function<void(bool on)>;

// Forwarding through the process's input hooks: on makes the key page their target;
// off returns the target to its home window.
KeyForwarding ForwardingThrough(InputHooks& hooks, Window keyPage = Window::AssignmentKeyPage);

// How the pop-up ended: nothing for Cancel, else the result to store.
using DialogOutcome = std::optional<AssignmentResult>;

class AssignmentDialogModel {
public:
    // The pop-up of `button` (0..6) whose current display name is `currentName`. It
    // starts on the key page with keyboard forwarding on.
    AssignmentDialogModel(int button, std::string currentName, KeyForwarding forwarding);

    // n = 1 key, 2 macro, 3 basic, 4 advanced. With the disable box on no tab is
    // selected and no sub-page shows.
    void ShowSubPage(int n);
    void clickTab(int n) { ShowSubPage(n); }
    // The disable box's click toggles it and shows the key page (or nothing, when on).
    void clickDisable();

    // The ways out. Each switches forwarding off first.
    DialogOutcome clickClose();
    // The button's default function, kind 0.
    DialogOutcome clickDefault();
    // Disabled gives kind 121; otherwise the visible sub-page's choice. A choice with
    // code 0 ends like Cancel.
    DialogOutcome clickOk();

    int button() const { return button_; }
    const std::string& currentName() const { return currentName_; }
    bool disabled() const { return disabled_; }
    // The selected tab and the shown sub-page; 0 for none.
    int selectedTab() const { return shownPage_; }
    int shownSubPage() const { return shownPage_; }
    bool forwarding() const { return forwarding_; }
    // The last way out taken, for the window that closes; nothing while it runs.
    std::optional<bool> endedWithOk() const { return endedWithOk_; }

    KeyPageModel& keyPage() { return keyPage_; }
    MacroPageModel& macroPage() { return macroPage_; }
    BasicPageModel& basicPage() { return basicPage_; }
    AdvancedPageModel& advancedPage() { return advancedPage_; }

private:
    void setForwarding(bool on);
    DialogOutcome end(std::optional<SubPageChoice> choice);

    int button_;
    std::string currentName_;
    KeyForwarding forward_;
    bool forwarding_ = false;
    bool disabled_ = false;
    int shownPage_ = 0;
    std::optional<bool> endedWithOk_;

    KeyPageModel keyPage_;
    MacroPageModel macroPage_;
    BasicPageModel basicPage_;
    AdvancedPageModel advancedPage_;
};

}  // namespace x5k::assign
