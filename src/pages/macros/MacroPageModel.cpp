#include "pages/macros/MacroPageModel.h"

#include <algorithm>
#include <charconv>

#include "common/DiagnosticLog.h"
#include "common/Utf.h"
#include "macros/MacroBuilder.h"
#include "macros/MacroGroups.h"

namespace x5k::macropage {
namespace {

constexpr std::string_view kNewMacroName[] = {"New Macro", "新建宏"};
constexpr std::string_view kBoundRefusal[] = {"The macro is being applied and cannot be deleted!",
                                              "当前宏正在被使用，不能删除！"};
constexpr int kRecordHint = 45;
constexpr int kStopRecordHint = 46;

std::string_view InLanguage(const std::string_view (&texts)[2], bool chinese) {
    return texts[chinese ? 1 : 0];
}

// A decimal number that is the whole text; an empty text counts as 0.
std::optional<uint32_t> FieldNumber(std::string_view text) {
    if (text.empty()) return 0;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    }
    return static_cast<uint32_t>(value);
}

bool IsKeyRow(const EventRow& r) {
    return RowKind(r) == row::kPress || RowKind(r) == row::kRelease;
}

const layout::PageLayout& macroPage() {
    static const layout::PageLayout& page = *layout::findPage("macros");
    return page;
}

}  // namespace

int EditModeNumber(EditMode mode) {
    switch (mode) {
        case EditMode::Idle:
            return 0;
        case EditMode::InsertKey:
            return 1;
        case EditMode::InsertDelay:
            return 2;
        case EditMode::ModifyKey:
            return 3;
        case EditMode::ModifyDelay:
            return 4;
    }
    return 0;
}

OkAction OkButtonAction(OkButton button, EditMode mode) {
    const int number = static_cast<int>(button);
    const int m = EditModeNumber(mode);
    if (number == m + 2) return OkAction::Insert;
    if (number == m) return OkAction::Modify;
    return OkAction::None;
}

std::string DigitsOnly(std::string_view text, size_t maxChars) {
    std::string digits;
    for (const char c : text) {
        if (digits.size() == maxChars) break;
        if (c >= '0' && c <= '9') digits.push_back(c);
    }
    return digits;
}

std::string LimitMacroName(std::string_view name) {
    const std::u16string units = Utf8ToUtf16(name);
    const size_t room = macro::kNameUnits;
    size_t end = 0;
    size_t chars = 0;
    while (end < units.size() && chars < kNameChars) {
        const bool pair = units[end] >= 0xD800 && units[end] <= 0xDBFF && end + 1 < units.size();
        const size_t next = end + (pair ? 2 : 1);
        if (next > room) break;
        end = next;
        ++chars;
    }
    return Utf16ToUtf8(std::u16string_view(units).substr(0, end));
}

LoopFix NormaliseLoopText(std::string_view text) {
    LoopFix fix;
    std::string current(text);
    const size_t first = current.find_first_not_of('0');
    std::string stripped = first == std::string::npos ? std::string() : current.substr(first);
    if (stripped != current) {
        current = stripped;
        fix.writes.push_back(current);
    }
    const std::optional<uint32_t> value = current.empty() ? std::nullopt : FieldNumber(current);
    std::optional<uint32_t> corrected;
    if (!value || *value == 0) {
        corrected = 1;
    } else if (*value > macro::kMaxRepeat) {
        corrected = macro::kMaxRepeat;
    }
    if (corrected) {
        current = std::to_string(*corrected);
        fix.writes.push_back(current);
    }
    fix.text = current;
    return fix;
}

std::vector<int> HintsAt(layout::Point point, bool chinese, bool recording) {
    std::vector<int> hints;
    for (const layout::Control& control : macroPage().controls) {
        if (control.hint == 0) continue;
        const layout::Rect& r = control.rectFor(chinese);
        const layout::Rect grown{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        if (!grown.contains(point)) continue;
        hints.push_back(control.hint == kRecordHint && recording ? kStopRecordHint : control.hint);
    }
    return hints;
}

layout::Point GroupMenuPosition() {
    const layout::Rect& button = layout::findControl(macroPage(), "group")->rect;
    return {button.left + 1, button.bottom + 1};
}

MacroPageModel::MacroPageModel(PageContext context, bool chinese, Window page)
    : ctx_(context),
      chinese_(chinese),
      page_(page),
      recorder_(ctx_.hooks, ctx_.poster, ctx_.clock, ctx_.messages, rows_, page) {
    view_.groupCaption = MacroGroupButtonText(group_, chinese_);
}

ViewState MacroPageModel::view() const {
    ViewState v = view_;
    v.eventRows = rows_;
    v.recordCaption = RecordButtonCaption(recorder_.recording(), chinese_);
    v.editButtonsEnabled = !recorder_.recording();
    return v;
}

void MacroPageModel::setChinese(bool chinese) {
    chinese_ = chinese;
    view_.groupCaption = MacroGroupButtonText(group_, chinese_);
}

std::vector<std::string> MacroPageModel::groupMenuItems() const {
    std::vector<std::string> items;
    for (int g = 1; g <= macro::kGroupCount; ++g) {
        items.emplace_back(MacroGroupMenuText(g, chinese_));
    }
    return items;
}

void MacroPageModel::ShowGroup(int group) {
    // The group button stays enabled while recording: the recording ends first and its
    // rows go into the macro they were recorded for, not into one of the new group.
    if (mode_ != EditMode::Idle) endEditing();
    if (recorder_.Stop()) storeInto(rememberedMacro_);
    view_.macroRows = group >= 1 && group <= macro::kGroupCount
                          ? ctx_.store.table().listGroup(group)
                          : std::vector<MacroListRow>{};
    view_.renameRow.reset();
    view_.selectedMacro = static_cast<int>(view_.macroRows.size()) - 1;
    showSelectedMacro();
    rememberedMacro_ = view_.selectedMacro;
    rememberedEvent_ = view_.selectedEvent;
}

void MacroPageModel::chooseGroup(int id) {
    view_.groupMenuOpen = false;
    view_.groupCaption = MacroGroupButtonText(id, chinese_);
    if (id >= 1 && id <= macro::kGroupCount) group_ = id;
    ShowGroup(id);
}

void MacroPageModel::showSelectedMacro() {
    // Showing a macro never stores it: a record listed only up to an invalid event would
    // otherwise lose the rest of its events.
    const bool wasLoading = loading_;
    loading_ = true;
    rows_.clear();
    view_.selectedEvent = -1;
    if (view_.selectedMacro >= 0) {
        const int32_t id = view_.macroRows[static_cast<size_t>(view_.selectedMacro)].id;
        if (const std::optional<MacroRecord> record = ctx_.store.table().copyOf(id)) {
            const auto repeat = static_cast<uint32_t>(record->get(macro::kRepeatCount));
            setLoopText(repeat == macro::kSinglePress ? "1" : std::to_string(repeat));
            RecordRows listed = RowsOfRecord(*record);
            if (listed.stoppedAt >= 0) X5K_LOG("LoadMacroToList:  Not a vaild item");
            rows_ = std::move(listed.rows);
        }
    }
    loading_ = wasLoading;
}

void MacroPageModel::endEditing() {
    ctx_.hooks.SetForwarding(false, false);
    hideEditing();
}

void MacroPageModel::hideEditing() {
    view_.keySelectorShown = view_.keySelectorPressed = false;
    view_.delaySelectorShown = view_.delaySelectorPressed = false;
    view_.keyFieldShown = view_.delayFieldShown = false;
    view_.keyFieldText.clear();
    view_.delayFieldText.clear();
    view_.keyOkShown = view_.delayOkShown = false;
    mode_ = EditMode::Idle;
}

void MacroPageModel::selectMacro(int row) {
    const int size = static_cast<int>(view_.macroRows.size());
    view_.selectedMacro = row >= 0 && row < size ? row : -1;
    if (view_.selectedMacro == rememberedMacro_) return;
    loading_ = true;
    if (mode_ != EditMode::Idle) endEditing();
    if (recorder_.Stop()) storeInto(rememberedMacro_);
    rememberedMacro_ = view_.selectedMacro;
    showSelectedMacro();
    if (rows_.empty()) setLoopText("1");
    rememberedEvent_ = view_.selectedEvent;
    loading_ = false;
}

void MacroPageModel::selectEvent(int row) {
    const int size = static_cast<int>(rows_.size());
    view_.selectedEvent = row >= 0 && row < size ? row : -1;
    if (view_.selectedEvent == rememberedEvent_) return;
    rememberedEvent_ = view_.selectedEvent;
    if (mode_ != EditMode::Idle) endEditing();
}

void MacroPageModel::newMacro() {
    if (recorder_.recording()) return;  // the button is disabled while recording
    // Another macro is selected: the editing widgets close as for a selection change.
    if (mode_ != EditMode::Idle) endEditing();
    // Two rows created within one tick, and not yet stored, would share an ID, and
    // storing the second would replace the first: an ID already on a row is stepped past.
    int32_t id = ctx_.store.table().newId(group_, ctx_.clock.tickMs());
    while (
        std::ranges::any_of(view_.macroRows, [id](const MacroListRow& r) { return r.id == id; })) {
        id = ctx_.store.table().newId(group_, static_cast<uint32_t>(id) + 1);
    }
    view_.macroRows.push_back({std::string(InLanguage(kNewMacroName, chinese_)), id});
    view_.selectedMacro = static_cast<int>(view_.macroRows.size()) - 1;
    view_.renameRow = view_.selectedMacro;
    rememberedMacro_ = view_.selectedMacro;
    showSelectedMacro();
    rememberedEvent_ = -1;
    loading_ = true;
    setLoopText("1");
    loading_ = false;
}

std::string MacroPageModel::renameMacro(int row, std::string_view text) {
    view_.renameRow.reset();
    if (row < 0 || static_cast<size_t>(row) >= view_.macroRows.size()) return {};
    MacroListRow& listed = view_.macroRows[static_cast<size_t>(row)];
    listed.name = LimitMacroName(text);
    // A macro never stored keeps the name on its row until its events are stored.
    if (ctx_.store.table().slotOf(listed.id) &&
        ctx_.store.table().nameOf(listed.id) != listed.name) {
        (void)ctx_.store.renameMacro(listed.id, listed.name);
    }
    return listed.name;
}

void MacroPageModel::deleteMacro() {
    if (recorder_.recording() || view_.selectedMacro < 0) return;
    const auto row = static_cast<size_t>(view_.selectedMacro);
    const int32_t id = view_.macroRows[row].id;
    if (IsMacroBound(id, ctx_.config, ctx_.workingProfile)) {
        ctx_.messages.showInfoDialog(InLanguage(kBoundRefusal, chinese_), BoxButtons::Ok);
        return;
    }
    ctx_.store.deleteMacro(id);
    view_.macroRows.erase(view_.macroRows.begin() + static_cast<std::ptrdiff_t>(row));
    view_.selectedMacro = -1;
    view_.renameRow.reset();
    rememberedMacro_ = -1;
    rememberedEvent_ = -1;
    rows_.clear();
    view_.selectedEvent = -1;
}

void MacroPageModel::insert() {
    if (recorder_.recording()) return;  // the button is disabled while recording
    mode_ = EditMode::InsertKey;
    view_.keySelectorShown = true;
    view_.delaySelectorShown = true;
}

void MacroPageModel::clickKeySelector() {
    if (mode_ == EditMode::InsertKey || mode_ == EditMode::InsertDelay) mode_ = EditMode::InsertKey;
    view_.keySelectorPressed = true;
    view_.delaySelectorPressed = false;
    view_.keyFieldText.clear();
    view_.keyFieldShown = true;
    view_.keyOkShown = true;
    view_.delayFieldShown = false;
    view_.delayOkShown = false;
    captured_ = 0;
    ctx_.hooks.SetTarget(page_);
    ctx_.hooks.SetForwarding(true, false);
}

void MacroPageModel::clickDelaySelector() {
    if (mode_ == EditMode::InsertKey || mode_ == EditMode::InsertDelay) {
        mode_ = EditMode::InsertDelay;
    }
    view_.delaySelectorPressed = true;
    view_.keySelectorPressed = false;
    view_.delayFieldText.clear();
    view_.delayFieldShown = true;
    view_.focus = ViewState::Focus::DelayField;
    view_.delayOkShown = true;
    view_.keyFieldShown = false;
    view_.keyOkShown = false;
    ctx_.hooks.SetForwarding(false, false);
}

void MacroPageModel::modify() {
    if (recorder_.recording()) return;  // the button is disabled while recording
    ctx_.hooks.SetForwarding(false, false);
    if (view_.selectedEvent < 0) return;
    const EventRow& r = rows_[static_cast<size_t>(view_.selectedEvent)];
    if (IsKeyRow(r)) {
        mode_ = EditMode::ModifyKey;
        captured_ = 0;
        ctx_.hooks.SetTarget(page_);
        ctx_.hooks.SetForwarding(true, false);
        view_.keySelectorPressed = view_.keySelectorShown = true;
        view_.keyFieldText.clear();
        view_.keyFieldShown = true;
        view_.focus = ViewState::Focus::KeyField;
        view_.keyOkShown = true;
        view_.delaySelectorShown = view_.delaySelectorPressed = false;
        view_.delayFieldShown = view_.delayOkShown = false;
    } else if (RowKind(r) == row::kDelay) {
        mode_ = EditMode::ModifyDelay;
        view_.delaySelectorPressed = view_.delaySelectorShown = true;
        view_.delayFieldText.clear();
        view_.delayFieldShown = true;
        view_.focus = ViewState::Focus::DelayField;
        view_.delayOkShown = true;
        view_.keySelectorShown = view_.keySelectorPressed = false;
        view_.keyFieldShown = view_.keyOkShown = false;
    }
}

void MacroPageModel::typeDelay(std::string_view text) {
    view_.delayFieldText = DigitsOnly(text, kDelayChars);
}

void MacroPageModel::clickOk(OkButton button) {
    switch (OkButtonAction(button, mode_)) {
        case OkAction::Insert:
            insertRow();
            break;
        case OkAction::Modify:
            modifyRow();
            break;
        case OkAction::None:
            break;
    }
    // Whatever the button did, the editing ends: no widget stays open without a mode.
    endEditing();
    storeSelected();
    view_.focus = button == OkButton::Key ? ViewState::Focus::KeyOk : ViewState::Focus::DelayOk;
}

void MacroPageModel::insertRow() {
    const int s = view_.selectedEvent;
    if (s < 0) return;
    const auto at = rows_.begin() + s;
    if (mode_ == EditMode::InsertKey) {
        if (captured_ == 0) return;
        const auto release = rows_.insert(at, {PressRow(captured_), ReleaseRow(captured_)}) + 1;
        view_.selectedEvent = static_cast<int>(release - rows_.begin());
    } else {
        const std::optional<uint32_t> d = FieldNumber(view_.delayFieldText);
        // A pause never starts a macro: nothing goes above the first row.
        if (!d || s == 0) return;
        const uint32_t add = *d & macro::kValueMask;
        EventRow& above = rows_[static_cast<size_t>(s - 1)];
        EventRow& here = rows_[static_cast<size_t>(s)];
        if (RowKind(above) == row::kDelay) {
            above = DelayRow(std::min(RowValue(above) + add, kMaxMergedDelayMs));
        } else if (RowKind(here) == row::kDelay) {
            here = DelayRow(std::min(RowValue(here) + add, kMaxMergedDelayMs));
        } else {
            rows_.insert(at, DelayRow(add));
        }
    }
    rememberedEvent_ = view_.selectedEvent;
}

void MacroPageModel::modifyRow() {
    const int s = view_.selectedEvent;
    if (s < 0) return;
    EventRow& r = rows_[static_cast<size_t>(s)];
    if (IsKeyRow(r)) {
        if (captured_ != 0)
            r = RowKind(r) == row::kPress ? PressRow(captured_) : ReleaseRow(captured_);
    } else if (RowKind(r) == row::kDelay) {
        if (const std::optional<uint32_t> d = FieldNumber(view_.delayFieldText)) {
            r = DelayRow(std::min(*d, kMaxModifiedDelayMs));
        }
    }
}

void MacroPageModel::deleteEvent() {
    if (recorder_.recording()) return;  // the button is disabled while recording
    const int s = view_.selectedEvent;
    if (s < 0) return;
    rows_.erase(rows_.begin() + s);
    // The last row gone: the stored macro keeps its events, and showing it again brings
    // them back.
    if (!rows_.empty()) storeSelected();
    view_.selectedEvent = std::min(s, static_cast<int>(rows_.size()) - 1);
    rememberedEvent_ = view_.selectedEvent;
}

void MacroPageModel::typeLoop(std::string_view text) {
    setLoopText(DigitsOnly(text, kLoopChars));
}

void MacroPageModel::setLoopText(std::string text) {
    view_.loopText = std::move(text);
    if (!suppressSave_ && !loading_) storeSelected();
}

void MacroPageModel::loopTimerTick() {
    const LoopFix fix = NormaliseLoopText(view_.loopText);
    suppressSave_ = true;
    for (const std::string& written : fix.writes) {
        suppressSave_ = false;
        setLoopText(written);
    }
    suppressSave_ = false;
}

void MacroPageModel::storeSelected() {
    storeInto(view_.selectedMacro);
}

void MacroPageModel::storeInto(int macroRow) {
    if (macroRow < 0 || static_cast<size_t>(macroRow) >= view_.macroRows.size()) return;
    const MacroListRow& listed = view_.macroRows[static_cast<size_t>(macroRow)];
    ++stores_;
    // A refused macro (no rows, too many events, a full table) keeps its rows on the page;
    // nothing is shown.
    (void)StoreEventRows(ctx_.store, rows_, view_.loopText, listed.id, listed.name);
    clampEventSelection();
}

void MacroPageModel::clampEventSelection() {
    // Storing merges adjacent pauses, so the list may have become shorter.
    if (view_.selectedEvent >= static_cast<int>(rows_.size())) {
        view_.selectedEvent = static_cast<int>(rows_.size()) - 1;
        rememberedEvent_ = view_.selectedEvent;
    }
}

void MacroPageModel::ToggleRecording() {
    const Recorder::Toggle toggle =
        recorder_.ToggleRecording(mode_, view_.selectedMacro >= 0, chinese_);
    switch (toggle) {
        case Recorder::Toggle::RefusedKeyEdit:
        case Recorder::Toggle::RefusedDelayEdit:
            return;
        // The recorder has set the forwarding; only the widgets close.
        case Recorder::Toggle::NoMacroSelected:
            hideEditing();
            return;
        case Recorder::Toggle::Started:
            hideEditing();
            view_.selectedEvent = -1;
            rememberedEvent_ = -1;
            return;
        case Recorder::Toggle::Stopped:
            hideEditing();
            storeInto(rememberedMacro_);
            return;
    }
}

void MacroPageModel::pageLeft() {
    closeGroupMenu();
    if (recorder_.recording()) ToggleRecording();
}

Recorder::Input MacroPageModel::hookInput(uint32_t code, uint32_t flags) {
    const Recorder::Input input = recorder_.HandleHookInput(code, flags, mode_, view_.noDelays);
    if (input == Recorder::Input::ForKeyEdit) {
        captured_ = code;
        view_.keyFieldText = PressRow(code).text;
    }
    return input;
}

bool MacroPageModel::padInput(MousePad pad, bool pressed) {
    return recorder_.PadInput(pad, pressed, mode_);
}

}  // namespace x5k::macropage
