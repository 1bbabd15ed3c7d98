#include "pages/macros/CDlgMacro.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>

#include "controls/ListRows.h"
#include "controls/MenuLayout.h"
#include "localisation/Languages.h"
#include "pages/assign/CSubPage.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/MenuExComponent.h"
#include "ui/Skin.h"
#include "ui/WindowKeys.h"

namespace x5k::pages {
namespace {

using namespace x5k::macropage;
using Button = CDlgMacro::Button;

// The group menu's rows and colours (COLORREF): text, lit text, frame.
constexpr int kMenuItemHeight = 24;
constexpr ui::COLORREF kMenuText = 0x676153;
constexpr ui::COLORREF kMenuLitText = 0xFFFFFF;
constexpr ui::COLORREF kMenuFrame = 0xB98C15;
// The captions of the group and record buttons, and the three fields.
constexpr uint32_t kGroupCaption = 0x676153;
constexpr uint32_t kRecordCaption = 0xD3BB3D;
constexpr uint32_t kLitCaption = 0xFFFFFF;
constexpr uint32_t kFieldText = 0xB98C15;
constexpr uint32_t kFieldGround = 0x0F0F0F;
constexpr int kFieldTextPixels = 12;

struct ButtonPlace {
    Button button;
    const char* name;
};
// In the order of the Button enumeration.
constexpr ButtonPlace kButtons[] = {
    {Button::Group, "group"},
    {Button::NewMacro, "newMacro"},
    {Button::DeleteMacro, "deleteMacro"},
    {Button::Insert, "insert"},
    {Button::DeleteEvent, "deleteEvent"},
    {Button::Modify, "modify"},
    {Button::Record, "record"},
    {Button::NoDelays, "noDelays"},
    {Button::ClickPad, "clickPad"},
    {Button::MiddlePad, "middlePad"},
    {Button::MenuPad, "menuPad"},
    {Button::KeySelector, "keySelector"},
    {Button::KeyOk, "keyOk"},
    {Button::DelaySelector, "delaySelector"},
    {Button::DelayOk, "delayOk"},
};
static_assert(std::size(kButtons) == CDlgMacro::kButtonCount);

constexpr std::array<Button, 3> kPads = {Button::ClickPad, Button::MiddlePad, Button::MenuPad};
constexpr std::array<MousePad, 3> kPadInputs = {MousePad::Click, MousePad::Middle, MousePad::Menu};

QString ResourceFile(layout::State state, bool chinese) {
    const layout::ResourcePicture* picture = layout::pageResource("macros", state, chinese);
    return picture ? ui::resourcePath(picture->id) : QString();
}

// Puts the digits the model kept into the field, the caret after the same digits.
void KeepDigits(QLineEdit& field, const std::string& digits) {
    const QString kept = QString::fromStdString(digits);
    if (field.text() == kept) return;
    const QString before = field.text().left(field.cursorPosition());
    const int caret = static_cast<int>(
        std::ranges::count_if(before, [](QChar c) { return c >= u'0' && c <= u'9'; }));
    field.setText(kept);
    field.setCursorPosition(std::min(caret, static_cast<int>(kept.size())));
}

// A row as a list shows it; `spoken` is what a screen reader says for it, where the icon
// tells more than the text.
struct ShownRow {
    int kind = 0;
    QString text;
    uint32_t value = 0;
    QString spoken;
};

// A list shows the rows, changing only the run between the rows that stayed at its start
// and at its end: a recording adds one row, an insertion two, a deletion or a rename
// touches one, whatever the list's length.
template <class Row, class Show>
void ShowRows(ui::CListBoxEx& list, const std::vector<Row>* before, const std::vector<Row>& after,
              int selected, Show show) {
    list.setUpdatesEnabled(false);
    if (before == nullptr) list.clear();
    const controls::ChangedRun run =
        before == nullptr ? controls::ChangedRun{} : controls::FindChangedRun(*before, after);
    const size_t head = run.head;
    const size_t tail = run.tail;
    const size_t gone = before == nullptr ? 0 : before->size() - head - tail;
    const size_t added = after.size() - head - tail;
    for (size_t i = 0; i < std::max(gone, added); ++i) {
        const int at = static_cast<int>(head + i);
        if (i >= added) {
            list.DeleteItem(static_cast<int>(head + added));
            continue;
        }
        const ShownRow row = show(after[head + i]);
        // A row added at the end sets whether the list shows icons, as the list box's own
        // AddItem does; one inserted above leaves that as it is.
        if (i < gone) {
            list.ReplaceItem(at, row.kind, row.text, row.value);
        } else if (at == list.GetCount()) {
            list.AddItem(row.kind, row.text, row.value);
        } else {
            list.InsertItem(at, row.kind, row.text, row.value);
        }
        list.item(at)->setData(Qt::AccessibleTextRole,
                               row.spoken.isEmpty() ? QVariant() : QVariant(row.spoken));
    }
    list.SetCurSel(selected);
    list.setUpdatesEnabled(true);
}

}  // namespace

CDlgMacro::CDlgMacro(const PageContext& context) : PageWindow(context, "macros") {
    // The buttons' looks are cut on a worker from the moment the page is made; only the
    // pieces are kept, so the page holds no whole picture besides its background.
    const layout::PageLayout& page = pageLayout();
    const bool chinese = chineseLayout();
    struct Cut {
        std::string name;
        QRect rect;
        bool ownPictures;
    };
    std::vector<Cut> cuts;
    for (const ButtonPlace& place : kButtons) {
        const layout::Control* control = layout::findControl(page, place.name);
        cuts.push_back({place.name, ui::edges(control->rectFor(chinese)),
                        control->art == layout::Art::Resources});
    }
    const QString folder = ui::programFolder() + QLatin1Char('/');
    const std::array<QString, 5> files = {
        folder + ui::fromUtf8(page.over), folder + ui::fromUtf8(page.down),
        ResourceFile(layout::State::Normal, chinese), ResourceFile(layout::State::Over, chinese),
        ResourceFile(layout::State::Down, chinese)};
    pieces_ = std::async(std::launch::async, [files, cuts = std::move(cuts)] {
        std::array<QImage, 5> pictures;
        for (size_t i = 0; i < files.size(); ++i) pictures[i] = ui::loadImage(files[i]);
        PagePieces pieces;
        for (const Cut& cut : cuts) {
            Looks& looks = pieces[cut.name];
            if (cut.ownPictures) {
                for (size_t state = 0; state < looks.size(); ++state) {
                    looks[state] = ui::piece(pictures[2 + state], cut.rect);
                }
            } else {
                looks[1] = ui::piece(pictures[0], cut.rect);
                looks[2] = ui::piece(pictures[1], cut.rect);
            }
        }
        return pieces;
    });
    // The page takes the keys its window receives while it records or captures a key.
    setFocusPolicy(Qt::ClickFocus);
    installEventFilter(this);
    // The loop count is brought into range four seconds after it was edited.
    loopTimer_.setInterval(kLoopTimerMs);
    connect(&loopTimer_, &QTimer::timeout, this, &CDlgMacro::onLoopTimer);
}

CDlgMacro::~CDlgMacro() {
    closeGroupMenu();
}

void CDlgMacro::connectServices(const MacroServices& services) {
    services_.emplace(services);
    model_ = std::make_unique<MacroPageModel>(services_->rules, chineseInterface());
    shown_.reset();
    showView();
}

std::span<const ui::MessageWindow::MessageEntry> CDlgMacro::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kListSelectionChanged, &CDlgMacro::onListSelection),
        on(msg::kListEditEnded, &CDlgMacro::onListEdited),
        on(msg::kHookInput, &CDlgMacro::onHookInput),
        on(msg::kButtonPress, &CDlgMacro::onPadPress),
        on(msg::kMenuChoice, &CDlgMacro::onGroupChosen),
    };
    return table;
}

// ---- Making the controls -------------------------------------------------------------------

void CDlgMacro::showEvent(QShowEvent* event) {
    if (!built_ && model_) {
        if (background().isNull()) {
            setBackground(ui::loadPicture(ui::programFolder() + QLatin1Char('/') +
                                          ui::fromUtf8(pageLayout().normal)));
        }
        build(pieces_.get());
    }
    PageWindow::showEvent(event);
}

void CDlgMacro::build(PagePieces pieces) {
    built_ = true;
    for (const ButtonPlace& place : kButtons) makeButton(place.button, place.name, pieces);
    const auto rect = [this](std::string_view name) {
        return ControlRect(pageLayout(), name, chineseLayout());
    };
    macroList_ = MakeSkinnedList(this, rect("macroList"), kMacroListId);
    macroList_->SetEditingAllowed(true);
    eventList_ = MakeSkinnedList(this, rect("eventList"), kEventListId);
    loopEdit_ = makeField("loopCount");
    loopEdit_->setAlignment(Qt::AlignCenter);
    keyField_ = makeField("keyField");
    keyField_->setReadOnly(true);
    delayField_ = makeField("delayField");
    connect(loopEdit_, &QLineEdit::textEdited, this, &CDlgMacro::onLoopEdited);
    connect(delayField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_->typeDelay(text.toStdString());
        KeepDigits(*delayField_, model_->view().delayFieldText);
    });
    connectButtons();
    // Controls made while the page shows stay hidden until shown; showView() then hides
    // the editing widgets again.
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->testAttribute(Qt::WA_WState_ExplicitShowHide)) control->show();
    }
    applyTooltips();
    showView();
}

void CDlgMacro::makeButton(Button which, const char* name, const PagePieces& pieces) {
    const layout::Control& control = *layout::findControl(pageLayout(), name);
    const QRect rect = ui::edges(control.rectFor(chineseLayout()));
    auto* button = new ui::CGDIBitmapBtn(this, rect);
    const auto found = pieces.find(name);
    const Looks looks = found == pieces.end() ? Looks{} : found->second;
    const QPixmap normal =
        looks[0].isNull() ? ui::piece(background(), rect) : QPixmap::fromImage(looks[0]);
    button->ReplaceImages(normal, QPixmap::fromImage(looks[1]), QPixmap::fromImage(looks[2]),
                          normal);
    if (control.look == layout::Look::CheckButton) {
        // The page sets the checked look from its rules, for a click and an assistive
        // tool's action alike.
        button->SetCheckMode(true, false);
        ui::setAccessibleRole(
            button, which == Button::NoDelays ? QAccessible::CheckBox : QAccessible::RadioButton);
    } else {
        ui::setAccessibleRole(button, QAccessible::Button);
    }
    buttons_[static_cast<size_t>(which)] = button;
}

QLineEdit* CDlgMacro::makeField(const char* name) {
    auto* field = new QLineEdit(this);
    field->setGeometry(ControlRect(pageLayout(), name, chineseLayout()));
    field->setFrame(false);
    field->setFont(ui::dialogFont(kFieldTextPixels, 400));
    field->setTextMargins(2, 0, 2, 0);
    QPalette colours = field->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Base, ColourOf(kFieldGround));
        colours.setColor(group, QPalette::Text, ColourOf(kFieldText));
    }
    field->setPalette(colours);
    return field;
}

void CDlgMacro::connectButtons() {
    const auto onClick = [this](Button which, auto action) {
        connect(button(which), &QAbstractButton::clicked, this, [this, action] {
            if (!model_) return;
            action(*model_);
            showView();
        });
    };
    button(Button::Group)
        ->SetCaptionColours(ColourOf(kGroupCaption), ColourOf(kLitCaption), ColourOf(kLitCaption));
    button(Button::Record)
        ->SetCaptionColours(ColourOf(kRecordCaption), ColourOf(kLitCaption), ColourOf(kLitCaption));
    connect(button(Button::Group), &QAbstractButton::clicked, this, &CDlgMacro::openGroupMenu);
    onClick(Button::NewMacro, [](MacroPageModel& m) { m.newMacro(); });
    onClick(Button::DeleteMacro, [](MacroPageModel& m) { m.deleteMacro(); });
    onClick(Button::Insert, [](MacroPageModel& m) { m.insert(); });
    onClick(Button::DeleteEvent, [](MacroPageModel& m) { m.deleteEvent(); });
    onClick(Button::Modify, [this](MacroPageModel& m) {
        m.modify();
        if (IsKeyEdit(m.editMode())) tellFocusOnly();
    });
    onClick(Button::KeySelector, [this](MacroPageModel& m) {
        m.clickKeySelector();
        tellFocusOnly();
    });
    onClick(Button::DelaySelector, [](MacroPageModel& m) { m.clickDelaySelector(); });
    onClick(Button::KeyOk, [](MacroPageModel& m) { m.clickOk(OkButton::Key); });
    onClick(Button::DelayOk, [](MacroPageModel& m) { m.clickOk(OkButton::Delay); });
    connect(button(Button::Record), &QAbstractButton::clicked, this, &CDlgMacro::ToggleRecording);
    onClick(Button::NoDelays, [](MacroPageModel& m) { m.setNoDelays(!m.view().noDelays); });
    for (const Button pad : kPads) button(pad)->SetPressNotify(true);
}

void CDlgMacro::applyTooltips() {
    if (model_) model_->setChinese(chineseInterface());
    if (!built_) return;
    const auto text = [this](int hint) {
        const Hint found = HintOf(hint);
        return found.kind == Hint::Kind::String ? ui::fromUtf8(strings().get(found.key))
                                                : QString();
    };
    for (const ButtonPlace& place : kButtons) {
        const layout::Control& control = *layout::findControl(pageLayout(), place.name);
        if (control.hint == 0) continue;
        ui::CGDIBitmapBtn* b = button(place.button);
        // The captioned record button is named by its caption; the others by their hint.
        if (place.button == Button::Record) {
            b->setAccessibleDescription(text(control.hint));
        } else {
            b->SetTooltip(text(control.hint), true);
            b->setAccessibleName(text(control.hint));
        }
    }
    button(Button::Group)
        ->setAccessibleDescription(ui::fromUtf8(strings().get("str_macro_choose")));
    macroList_->setAccessibleName(text(87));
    eventList_->setAccessibleName(text(88));
    loopEdit_->setAccessibleName(text(48));
    loopEdit_->setToolTip(text(48));
    keyField_->setAccessibleName(text(52));
    delayField_->setAccessibleName(text(53));
    showView();
    for (QWidget* control : findChildren<QWidget*>()) ui::tellNameChanged(control);
}

// ---- Showing the model ---------------------------------------------------------------------

void CDlgMacro::showView() {
    if (!built_ || !model_) return;
    ViewState view = model_->view();
    view.focus = ViewState::Focus::None;
    const ViewState* before = shown_ ? &*shown_ : nullptr;

    ui::CGDIBitmapBtn* group = button(Button::Group);
    if (!before || before->groupCaption != view.groupCaption) {
        group->SetCaption(ui::fromUtf8(view.groupCaption));
        group->setAccessibleName(ui::fromUtf8(view.groupCaption));
        ui::tellNameChanged(group);
    }
    showMacroRows(view);
    showEventRows(view);
    const QString loop = QString::fromStdString(view.loopText);
    if (loopEdit_->text() != loop) {
        loopEdit_->setText(loop);
        loopEdit_->setCursorPosition(static_cast<int>(loop.size()));
    }
    showEditing(view);
    for (const Button edit : {Button::NewMacro, Button::DeleteMacro, Button::Insert,
                              Button::DeleteEvent, Button::Modify}) {
        button(edit)->setEnabled(view.editButtonsEnabled);
    }
    ui::CGDIBitmapBtn* record = button(Button::Record);
    if (!before || before->recordCaption != view.recordCaption) {
        record->SetCaption(ui::fromUtf8(view.recordCaption));
        record->setAccessibleName(ui::fromUtf8(view.recordCaption));
        ui::tellNameChanged(record);
    }
    button(Button::NoDelays)->SetChecked(view.noDelays);
    shown_ = std::move(view);
    takeFocus();
}

void CDlgMacro::showMacroRows(const ViewState& view) {
    const ViewState* before = shown_ ? &*shown_ : nullptr;
    if (!before || before->macroRows != view.macroRows ||
        before->selectedMacro != view.selectedMacro) {
        ShowRows(*macroList_, before ? &before->macroRows : nullptr, view.macroRows,
                 view.selectedMacro, [](const MacroListRow& row) {
                     return ShownRow{0, ui::fromUtf8(row.name), static_cast<uint32_t>(row.id), {}};
                 });
    }
    if (view.renameRow && (!before || before->renameRow != view.renameRow) &&
        macroList_->EditItem(*view.renameRow)) {
        // Twenty characters, a character outside the basic plane counting once.
        QLineEdit* editor = macroList_->editor();
        editor->setMaxLength(static_cast<int>(macro::kNameUnits));
        connect(editor, &QLineEdit::textEdited, editor, [editor](const QString& text) {
            const QString kept = ui::fromUtf8(LimitMacroName(text.toStdString()));
            if (kept != text) editor->setText(kept);
        });
    }
}

void CDlgMacro::showEventRows(const ViewState& view) {
    const ViewState* before = shown_ ? &*shown_ : nullptr;
    if (before && before->eventRows == view.eventRows &&
        before->selectedEvent == view.selectedEvent) {
        return;
    }
    ShowRows(*eventList_, before ? &before->eventRows : nullptr, view.eventRows, view.selectedEvent,
             [](const EventRow& event) {
                 // The press and release rows show the same key name beside an arrow icon:
                 // a screen reader says the arrow too.
                 const QString text = ui::fromUtf8(event.text);
                 const uint8_t kind = RowKind(event);
                 const QString spoken = kind == row::kPress     ? QStringLiteral("\u2193 ") + text
                                        : kind == row::kRelease ? QStringLiteral("\u2191 ") + text
                                                                : QString();
                 return ShownRow{kind, text, event.item, spoken};
             });
    if (view.selectedEvent < 0 && !view.eventRows.empty()) {
        eventList_->scrollToBottom();  // a recording's newest row stays in sight
    }
}

void CDlgMacro::showEditing(const ViewState& view) {
    const auto show = [](QWidget* widget, bool shown) {
        if (widget->isVisibleTo(widget->parentWidget()) != shown) widget->setVisible(shown);
    };
    show(button(Button::KeySelector), view.keySelectorShown);
    button(Button::KeySelector)->SetChecked(view.keySelectorPressed);
    show(keyField_, view.keyFieldShown);
    if (keyField_->text() != ui::fromUtf8(view.keyFieldText)) {
        keyField_->setText(ui::fromUtf8(view.keyFieldText));
    }
    show(button(Button::KeyOk), view.keyOkShown);
    show(button(Button::DelaySelector), view.delaySelectorShown);
    button(Button::DelaySelector)->SetChecked(view.delaySelectorPressed);
    show(delayField_, view.delayFieldShown);
    if (delayField_->text() != ui::fromUtf8(view.delayFieldText)) {
        delayField_->setText(ui::fromUtf8(view.delayFieldText));
    }
    show(button(Button::DelayOk), view.delayOkShown);
}

void CDlgMacro::takeFocus() {
    switch (model_->takeFocus()) {
        case ViewState::Focus::KeyField:
            keyField_->setFocus(Qt::OtherFocusReason);
            break;
        case ViewState::Focus::DelayField:
            delayField_->setFocus(Qt::OtherFocusReason);
            break;
        // The OK buttons never take the focus; the page keeps it, so no hidden field does.
        case ViewState::Focus::KeyOk:
        case ViewState::Focus::DelayOk:
            setFocus(Qt::OtherFocusReason);
            break;
        case ViewState::Focus::None:
            break;
    }
}

// ---- What the main window calls ------------------------------------------------------------

void CDlgMacro::ShowGroup(int group) {
    if (!model_) return;
    model_->ShowGroup(group);
    showView();
}

int CDlgMacro::shownGroup() const {
    return model_ ? model_->currentGroup() : macro::kDefaultGroup;
}

bool CDlgMacro::isRecording() const {
    return model_ && model_->recording();
}

void CDlgMacro::ToggleRecording() {
    if (!model_) return;
    model_->ToggleRecording();
    if (model_->recording()) {
        // The keys typed into the window while it records come to the page.
        setFocus(Qt::OtherFocusReason);
        tellFocusOnly();
    }
    showView();
    // The record button's hint follows its caption.
    if (const QPoint pointer = mapFromGlobal(QCursor::pos()); rect().contains(pointer)) {
        showHint(hintAt(pointer));
    }
}

void CDlgMacro::normaliseLoopCounts() {
    if (!model_) return;
    loopTimer_.stop();
    model_->NormaliseLoopCounts();
    showView();
}

void CDlgMacro::leavePage() {
    closeGroupMenu();
    if (!model_) return;
    model_->pageLeft();
    showView();
}

void CDlgMacro::closeGroupMenu() {
    if (ui::MenuExWindow* menu = ui::OpenMenuEx(); menu && menu->parentWidget() == this) {
        ui::DestroyMenuEx();
    }
    if (model_) model_->closeGroupMenu();
}

void CDlgMacro::openGroupMenu() {
    if (!model_) return;
    const controls::MenuItemArray groups = controls::BuildMacroGroupMenu(chineseInterface());
    std::array<QString, ui::kGroupMenuSkins.size()> skins;
    for (size_t i = 0; i < skins.size(); ++i) {
        skins[i] = ui::skinPath(QString::fromLatin1(ui::kGroupMenuSkins[i]));
    }
    const layout::Point at = GroupMenuPosition();
    ui::MenuExWindow* menu =
        ui::CreateMenuEx(this, kMenuItemHeight, mapToGlobal(QPoint(at.x, at.y)), kMenuText,
                         kMenuLitText, kMenuFrame, skins[0], skins[1], skins[2], skins[3], skins[4],
                         skins[5], skins[6], skins[7], groups.items.data(), groups.count);
    if (menu == nullptr) return;
    model_->openGroupMenu();
    // However the menu goes (a choice, a click elsewhere, Escape), the page knows it.
    connect(menu, &QObject::destroyed, this, [this] {
        if (model_) model_->closeGroupMenu();
    });
}

// ---- Messages ------------------------------------------------------------------------------

intptr_t CDlgMacro::onListSelection(uintptr_t wParam, intptr_t lParam) {
    if (!model_) return 0;
    if (wParam == kMacroListId) {
        model_->selectMacro(static_cast<int>(lParam));
    } else if (wParam == kEventListId) {
        model_->selectEvent(static_cast<int>(lParam));
    }
    showView();
    return 0;
}

intptr_t CDlgMacro::onListEdited(uintptr_t wParam, intptr_t lParam) {
    if (!model_ || wParam != kMacroListId) return 0;
    const int row = static_cast<int>(lParam);
    (void)model_->renameMacro(row, macroList_->GetText(row).toStdString());
    showView();
    return 0;
}

intptr_t CDlgMacro::onHookInput(uintptr_t wParam, intptr_t lParam) {
    if (!model_) return 0;
    (void)model_->hookInput(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    showView();
    return 0;
}

intptr_t CDlgMacro::onPadPress(uintptr_t wParam, intptr_t lParam) {
    if (!model_) return 0;
    for (size_t i = 0; i < kPads.size(); ++i) {
        if (reinterpret_cast<intptr_t>(button(kPads[i])) != lParam) continue;
        (void)model_->padInput(kPadInputs[i], wParam == msg::kLeftButtonDown);
    }
    return 0;
}

intptr_t CDlgMacro::onGroupChosen(uintptr_t, intptr_t lParam) {
    if (!model_) return 0;
    closeGroupMenu();
    model_->chooseGroup(static_cast<int>(lParam));
    showView();
    return 0;
}

// ---- The loop count ------------------------------------------------------------------------

void CDlgMacro::onLoopEdited(const QString& text) {
    model_->typeLoop(text.toStdString());
    KeepDigits(*loopEdit_, model_->view().loopText);
    // Nothing waits for the normaliser while the field is as it should be, so an idle
    // program is not woken every four seconds.
    if (!loopTimer_.isActive()) loopTimer_.start();
}

void CDlgMacro::onLoopTimer() {
    loopTimer_.stop();
    if (!model_) return;
    model_->loopTimerTick();
    showView();
}

// ---- Keys and the pointer ------------------------------------------------------------------

bool CDlgMacro::takesWindowKeys() const {
    // The window's keys go where the hooks' would: to recording or key capture, while the
    // page is the hooks' target with the keyboard forwarded.
    return model_ && services_->rules.hooks.keyboardForwarding() &&
           services_->rules.hooks.target() == Window::MacroPage;
}

bool CDlgMacro::windowKey(const QKeyEvent& event) {
    if (!takesWindowKeys()) return false;
    // Where the hooks read the keyboard they report this key too: it counts once. Either
    // way the key types nothing into the page, so a list's arrow keys cannot end the
    // recording by selecting another macro.
    const bool hooksRead = services_->hooksReadKeyboard && services_->hooksReadKeyboard();
    if (!hooksRead && services_->keyEvents != nullptr) {
        if (const auto key = ui::HookKeyOfWindowKey(event, *services_->keyEvents)) {
            onHookInput(key->virtualKey, key->flags);
        }
    }
    return true;
}

void CDlgMacro::tellFocusOnly() {
    if (focusNoticeGiven_ || !services_) return;
    if (services_->hooksReadKeyboard && services_->hooksReadKeyboard()) return;
    focusNoticeGiven_ = true;
    emit notice(ui::fromUtf8(chineseInterface() ? kFocusOnlyChinese : kFocusOnlyEnglish));
}

bool CDlgMacro::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && (widget == this || isAncestorOf(widget)) &&
            windowKey(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    }
    // The page watches itself for its keys only; its controls as every window does.
    if (watched == this) return false;
    return PageWindow::eventFilter(watched, event);
}

void CDlgMacro::mousePressEvent(QMouseEvent* event) {
    closeGroupMenu();
    PageWindow::mousePressEvent(event);
}

void CDlgMacro::hideEvent(QHideEvent* event) {
    closeGroupMenu();
    PageWindow::hideEvent(event);
}

int CDlgMacro::hintAt(QPoint point) const {
    const std::vector<int> hints = HintsAt({point.x(), point.y()}, chineseLayout(), isRecording());
    // Each hint posted replaces the one before: the last one found is the one shown.
    return hints.empty() ? 0 : hints.back();
}

bool CDlgMacro::chineseInterface() const {
    if (services_ && services_->chineseInterface) return services_->chineseInterface();
    return chineseLayout();
}

bool CDlgMacro::picturesRead() const {
    return !pieces_.valid() ||
           pieces_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ui::CGDIBitmapBtn* CDlgMacro::button(Button which) const {
    return buttons_[static_cast<size_t>(which)];
}

}  // namespace x5k::pages
