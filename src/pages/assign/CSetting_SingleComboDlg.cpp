#include "pages/assign/CSetting_SingleComboDlg.h"

#include <QPainter>

#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/QtMessagePoster.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

using assign::Modifier;

struct ToggleRow {
    Modifier modifier;
    std::string_view control;
    const char* name;  // the key's name, the same in every language
};
constexpr std::array<ToggleRow, assign::kModifierCount> kToggles = {{
    {Modifier::Ctrl, "ctrl", "Ctrl"},
    {Modifier::Alt, "alt", "Alt"},
    {Modifier::Shift, "shift", "Shift"},
    {Modifier::Windows, "windows", "Windows"},
}};

}  // namespace

CSetting_SingleComboDlg::CSetting_SingleComboDlg(QWidget* parent, bool chinese,
                                                 assign::KeyPageModel& model,
                                                 const KeyboardLayout& keyboard,
                                                 ui::QtMessagePoster* poster)
    : CSubPage(parent, assign::kKeyLayout, chinese),
      model_(model),
      keyboard_(keyboard),
      poster_(poster) {
    for (const ToggleRow& row : kToggles) {
        ui::CGDIBitmapBtn* button = skins().button(this, rectOf(row.control));
        button->SetCheckMode(true, true);
        button->setAccessibleName(QString::fromLatin1(row.name));
        const Modifier modifier = row.modifier;
        connect(button, &QAbstractButton::clicked, this, [this, modifier] {
            model_.clickToggle(modifier);
            showModel();
        });
        toggles_[static_cast<size_t>(modifier)] = button;
    }
    // The name is painted on the page; this stand-in carries it for screen readers.
    keyLabel_ = new QWidget(this);
    keyLabel_->setGeometry(rectOf("key"));
    keyLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui::setAccessibleRole(keyLabel_, QAccessible::StaticText);
    showModel();
}

CSetting_SingleComboDlg::~CSetting_SingleComboDlg() {
    unregister();
}

ui::CGDIBitmapBtn* CSetting_SingleComboDlg::toggle(Modifier modifier) const {
    return toggles_[static_cast<size_t>(modifier)];
}

QString CSetting_SingleComboDlg::keyName() const {
    return keyName_;
}

std::span<const ui::MessageWindow::MessageEntry> CSetting_SingleComboDlg::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kHookInput, &CSetting_SingleComboDlg::onHookInput),
    };
    return table;
}

intptr_t CSetting_SingleComboDlg::onHookInput(uintptr_t wParam, intptr_t lParam) {
    // A message still queued when the page went out of sight is not the page's any more.
    if (!isVisible()) return 0;
    keyEffect(model_.OnHookInput(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)));
    return 0;
}

void CSetting_SingleComboDlg::keyEffect(assign::KeyEffect effect) {
    if (effect == assign::KeyEffect::Ignored) return;
    showModel();
}

void CSetting_SingleComboDlg::showModel() {
    for (const ToggleRow& row : kToggles)
        toggle(row.modifier)->SetChecked(model_.toggle(row.modifier));
    const auto name = model_.keyName(keyboard_);
    const QString shown = name ? ui::fromUtf8(*name) : QString();
    if (shown == keyName_) return;
    keyName_ = shown;
    keyLabel_->setAccessibleName(shown);
    ui::tellNameChanged(keyLabel_);
    update(rectOf("key.repaint"));
}

void CSetting_SingleComboDlg::paintEvent(QPaintEvent* event) {
    MessageWindow::paintEvent(event);
    if (keyName_.isEmpty()) return;
    QPainter painter(this);
    DrawPaintedText(painter, rectOf("key"), keyName_, assign::TextAlign::Left,
                    assign::kKeyNameColour);
}

void CSetting_SingleComboDlg::showEvent(QShowEvent* event) {
    if (poster_ != nullptr) poster_->registerWindow(Window::AssignmentKeyPage, this);
    CSubPage::showEvent(event);
}

void CSetting_SingleComboDlg::hideEvent(QHideEvent* event) {
    unregister();
    CSubPage::hideEvent(event);
}

void CSetting_SingleComboDlg::unregister() {
    // Only this page's own registration is withdrawn.
    if (poster_ != nullptr && poster_->window(Window::AssignmentKeyPage) == this) {
        poster_->unregisterWindow(Window::AssignmentKeyPage);
    }
}

}  // namespace x5k::pages
