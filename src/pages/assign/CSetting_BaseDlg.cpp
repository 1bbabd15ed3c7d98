#include "pages/assign/CSetting_BaseDlg.h"

#include "platform/WindowMessages.h"
#include "ui/CListBoxEx.h"
#include "ui/Skin.h"

namespace x5k::pages {

CSetting_BaseDlg::CSetting_BaseDlg(QWidget* parent, bool chinese, assign::BasicPageModel& model,
                                   const InterfaceStrings& strings, const QString& tabName)
    : CSubPage(parent, assign::kBasicLayout, chinese), model_(model) {
    list_ = MakeSkinnedList(this, rectOf("functions"), kListId);
    list_->setAccessibleName(tabName);
    const auto codes = assign::BasicRowCodes();
    for (int row = 0; row < static_cast<int>(codes.size()); ++row) {
        list_->AddItem(0, ui::fromUtf8(strings.get(assign::BasicRowLabelKey(row))),
                       static_cast<uint32_t>(assign::BasicRowCode(row)));
    }
    list_->SetCurSel(-1);
    list_->scrollToTop();
}

std::span<const ui::MessageWindow::MessageEntry> CSetting_BaseDlg::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kListSelectionChanged, &CSetting_BaseDlg::onSelectionChanged),
    };
    return table;
}

intptr_t CSetting_BaseDlg::onSelectionChanged(uintptr_t wParam, intptr_t lParam) {
    if (wParam == kListId) model_.selectRow(static_cast<int>(lParam));
    return 0;
}

}  // namespace x5k::pages
