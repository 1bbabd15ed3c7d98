#pragma once
// The macro page of the assignment pop-up: the list of games (the macro groups) and the
// macros of the game chosen last.

#include "macros/MacroTable.h"
#include "pages/assign/AssignmentDialogModel.h"
#include "pages/assign/CSubPage.h"

namespace x5k::pages {

class CSetting_MacroDlg : public CSubPage {
    Q_OBJECT

public:
    static constexpr int kGameListId = 10001;
    static constexpr int kMacroListId = 10002;

    // The lists are named for screen readers after the tab, `tabName`.
    CSetting_MacroDlg(QWidget* parent, bool chinese, assign::MacroPageModel& model,
                      const MacroTable& macros, const QString& tabName);

    ui::CListBoxEx* gameList() const { return games_; }
    ui::CListBoxEx* macroList() const { return macros_; }

protected:
    std::span<const MessageEntry> messageTable() const override;

private:
    intptr_t onSelectionChanged(uintptr_t wParam, intptr_t lParam);
    void fillMacros();

    assign::MacroPageModel& model_;
    const MacroTable& table_;
    bool chinese_;
    QString tabName_;
    ui::CListBoxEx* games_ = nullptr;
    ui::CListBoxEx* macros_ = nullptr;
};

}  // namespace x5k::pages
