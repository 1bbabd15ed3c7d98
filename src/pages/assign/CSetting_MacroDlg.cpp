#include "pages/assign/CSetting_MacroDlg.h"

#include "platform/WindowMessages.h"
#include "ui/CListBoxEx.h"
#include "ui/Skin.h"

namespace x5k::pages {

CSetting_MacroDlg::CSetting_MacroDlg(QWidget* parent, bool chinese, assign::MacroPageModel& model,
                                     const MacroTable& macros, const QString& tabName)
    : CSubPage(parent, assign::kMacroLayout, chinese),
      model_(model),
      table_(macros),
      chinese_(chinese),
      tabName_(tabName) {
    games_ = MakeSkinnedList(this, rectOf("games"), kGameListId);
    macros_ = MakeSkinnedList(this, rectOf("macros"), kMacroListId);
    games_->setAccessibleName(tabName_);
    for (int row = 0; row < assign::kGameRowCount; ++row) {
        games_->AddItem(0, ui::fromUtf8(assign::GameRowText(row, chinese)),
                        static_cast<uint32_t>(row));
    }
    // No game is chosen at first, so no macros are listed.
    games_->SetCurSel(-1);
    games_->scrollToTop();
    fillMacros();
}

std::span<const ui::MessageWindow::MessageEntry> CSetting_MacroDlg::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kListSelectionChanged, &CSetting_MacroDlg::onSelectionChanged),
    };
    return table;
}

intptr_t CSetting_MacroDlg::onSelectionChanged(uintptr_t wParam, intptr_t lParam) {
    const int row = static_cast<int>(lParam);
    if (wParam == kGameListId) {
        if (model_.onGameSelected(row, table_)) fillMacros();
    } else if (wParam == kMacroListId) {
        model_.selectMacro(row);
    }
    return 0;
}

void CSetting_MacroDlg::fillMacros() {
    // The list is refilled whole without drawing in between.
    macros_->setUpdatesEnabled(false);
    macros_->clear();
    for (const MacroListRow& row : model_.macroRows()) {
        macros_->AddItem(0, ui::fromUtf8(row.name), static_cast<uint32_t>(row.id));
    }
    macros_->SetCurSel(-1);
    macros_->scrollToTop();
    macros_->setUpdatesEnabled(true);
    // Screen readers hear which game's macros the list holds.
    const int game = model_.gameRow();
    macros_->setAccessibleName(game < 0 ? tabName_
                                        : tabName_ + QStringLiteral(": ") +
                                              ui::fromUtf8(assign::GameRowText(game, chinese_)));
}

}  // namespace x5k::pages
