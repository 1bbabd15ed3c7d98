#pragma once
// The basic page of the assignment pop-up: one list of fixed functions.

#include "localisation/InterfaceStrings.h"
#include "pages/assign/AssignmentDialogModel.h"
#include "pages/assign/CSubPage.h"

namespace x5k::pages {

class CSetting_BaseDlg : public CSubPage {
    Q_OBJECT

public:
    static constexpr int kListId = 101;

    CSetting_BaseDlg(QWidget* parent, bool chinese, assign::BasicPageModel& model,
                     const InterfaceStrings& strings, const QString& tabName);

    ui::CListBoxEx* list() const { return list_; }

protected:
    std::span<const MessageEntry> messageTable() const override;

private:
    intptr_t onSelectionChanged(uintptr_t wParam, intptr_t lParam);

    assign::BasicPageModel& model_;
    ui::CListBoxEx* list_ = nullptr;
};

}  // namespace x5k::pages
