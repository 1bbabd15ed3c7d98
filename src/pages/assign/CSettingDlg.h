#pragma once
// The assignment pop-up of one button: four tabs over four sub-pages (a key or key
// combination, a macro, a fixed function, a host action), the disable box, the default
// button and OK. It only produces a result; the main settings page stores it. The rules
// are assign::AssignmentDialogModel's; this window draws its state and passes clicks and
// keys on to it.

#include <memory>
#include <string>

#include "localisation/InterfaceStrings.h"
#include "macros/InputHooks.h"
#include "macros/MacroTable.h"
#include "pages/assign/AssignmentDialogModel.h"
#include "platform/KeyboardLayout.h"
#include "ui/MessageWindow.h"

namespace x5k::ui {
class CGDIBitmapBtn;
class QtMessagePoster;
}  // namespace x5k::ui

namespace x5k::pages {

class CSetting_SingleComboDlg;
class CSetting_MacroDlg;
class CSetting_BaseDlg;
class CSetting_AdvanceDlg;

// What the pop-up works with, all owned by the main window or the program.
struct AssignmentServices {
    const InterfaceStrings& strings;
    // The layout and the built-in language of the pop-up, as the page was made.
    bool chinese = false;
    // Names the captured key.
    const KeyboardLayout& keyboard;
    // Turns the pop-up's own key events into the hooks' form; with none the window's
    // keys are not taken.
    const KeyEventTranslator* keyEvents = nullptr;
    // True when the input hooks read the keyboard: keys then come from the hooks only,
    // and the window's own key events are ignored, so no key counts twice.
    bool hooksReadKeyboard = false;
    // Keyboard forwarding to the key page; none in tests without hooks.
    InputHooks* hooks = nullptr;
    // Routes the hooks' key messages to the key page while it is registered.
    ui::QtMessagePoster* poster = nullptr;
    // The macros the macro page lists.
    const MacroTable& macros;
    // Where the advanced page's file and folder dialogs start.
    assign::DialogFolders folders;
};

class CSettingDlg : public ui::MessageWindow {
    Q_OBJECT

public:
    // The pop-up of `button` (0..6) whose current display name is `currentName`, centred
    // over `parent`.
    CSettingDlg(QWidget* parent, int button, std::string currentName,
                const AssignmentServices& services);
    ~CSettingDlg() override;

    // Shows the pop-up modally and returns once it has ended: the result to store when it
    // ended with OK and a choice, nothing when it ended like Cancel.
    assign::DialogOutcome run();

    assign::AssignmentDialogModel& model();

    // The pop-up's own controls; `tab` takes 1..4.
    ui::CGDIBitmapBtn* closeButton() const;
    ui::CGDIBitmapBtn* tab(int n) const;
    ui::CGDIBitmapBtn* disableBox() const;
    ui::CGDIBitmapBtn* defaultButton() const;
    ui::CGDIBitmapBtn* okButton() const;
    // The sub-pages, each made when it is first shown or asked for.
    CSetting_SingleComboDlg* keyPage();
    CSetting_MacroDlg* macroPage();
    CSetting_BaseDlg* basicPage();
    CSetting_AdvanceDlg* advancedPage();

    // Whether a way out was taken, and what it gave (nothing for Cancel).
    bool ended() const;
    const assign::DialogOutcome& outcome() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace x5k::pages
