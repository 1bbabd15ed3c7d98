#pragma once
// The key page of the assignment pop-up: four modifier toggles and the name of the
// captured key. Keys come either from the input hooks (the page is their target and
// takes their key messages) or from the pop-up's own key events, which the pop-up hands
// to keyEvent(); the rules are the key page model's.

#include <array>
#include <cstdint>

#include "pages/assign/CSubPage.h"
#include "pages/assign/KeyCapture.h"
#include "platform/KeyboardLayout.h"
#include "platform/WindowMessages.h"

namespace x5k::ui {
class CGDIBitmapBtn;
class QtMessagePoster;
}  // namespace x5k::ui

namespace x5k::pages {

class CSetting_SingleComboDlg : public CSubPage {
    Q_OBJECT

public:
    // `poster`, when given, routes the hooks' key messages to this page while it shows.
    CSetting_SingleComboDlg(QWidget* parent, bool chinese, assign::KeyPageModel& model,
                            const KeyboardLayout& keyboard, ui::QtMessagePoster* poster);
    ~CSetting_SingleComboDlg() override;

    ui::CGDIBitmapBtn* toggle(assign::Modifier modifier) const;
    // The captured key's name as drawn (and as screen readers read it); empty for none.
    QString keyName() const;
    // The widget screen readers find the captured key's name on.
    QWidget* keyNameLabel() const { return keyLabel_; }

    // Shows what a key of the pop-up's own window did to the page's model.
    void keyEffect(assign::KeyEffect effect);

protected:
    std::span<const MessageEntry> messageTable() const override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    intptr_t onHookInput(uintptr_t wParam, intptr_t lParam);
    void showModel();
    void unregister();

    assign::KeyPageModel& model_;
    const KeyboardLayout& keyboard_;
    ui::QtMessagePoster* poster_;
    std::array<ui::CGDIBitmapBtn*, assign::kModifierCount> toggles_{};
    QWidget* keyLabel_ = nullptr;
    QString keyName_;
};

}  // namespace x5k::pages
