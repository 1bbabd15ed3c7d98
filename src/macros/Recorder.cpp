#include "macros/Recorder.h"

#include <algorithm>

namespace x5k {

namespace {

struct TwoForms {
    std::string_view english;
    std::string_view chinese;
    std::string_view in(bool chinese) const { return chinese ? this->chinese : english; }
};

constexpr TwoForms kKeyEditRefusal{"It is Modifying or inserting a button,you can not record",
                                   "正在修改/插入一个键，无法录制"};
constexpr TwoForms kDelayEditRefusal{"It is Modifying or inserting a delay,you can not record",
                                     "正在修改/插入一个延时，无法录制"};
constexpr TwoForms kStartCaption{"Start Record", "开始录制"};
constexpr TwoForms kStopCaption{"Stop Record", "停止录制"};

}  // namespace

std::string_view RecordButtonCaption(bool recording, bool chinese) {
    return (recording ? kStopCaption : kStartCaption).in(chinese);
}

Recorder::Recorder(InputHooks& hooks, MessagePoster& poster, Clock& clock, UserMessages& messages,
                   std::vector<EventRow>& rows, Window page)
    : hooks_(hooks),
      poster_(poster),
      clock_(clock),
      messages_(messages),
      rows_(rows),
      page_(page) {}

Recorder::Toggle Recorder::ToggleRecording(EditMode mode, bool macroSelected, bool chinese) {
    if (IsKeyEdit(mode)) {
        messages_.showInfoDialog(kKeyEditRefusal.in(chinese), BoxButtons::Ok);
        return Toggle::RefusedKeyEdit;
    }
    if (IsDelayEdit(mode)) {
        messages_.showInfoDialog(kDelayEditRefusal.in(chinese), BoxButtons::Ok);
        return Toggle::RefusedDelayEdit;
    }
    hooks_.SetForwarding(false, false);
    if (!macroSelected) return Toggle::NoMacroSelected;
    if (Stop()) return Toggle::Stopped;

    rows_.clear();
    captured_ = 0;
    lastTick_.reset();
    hooks_.SetTarget(page_);
    hooks_.SetForwarding(true, false);
    recording_ = true;
    return Toggle::Started;
}

bool Recorder::Stop() {
    if (!recording_) return false;
    hooks_.SetForwarding(false, false);
    recording_ = false;
    return true;
}

Recorder::Input Recorder::HandleHookInput(uint32_t code, uint32_t flags, EditMode mode,
                                          bool noDelays) {
    const LastInput input{code, (flags & kKeyReleasedFlag) != 0};
    if (input == lastInput_) return Input::Repeat;
    if (IsKeyEdit(mode)) {
        lastInput_ = input;
        return Input::ForKeyEdit;
    }
    // Only a running recording takes inputs: one that arrives after it stopped (still
    // queued, or a pad's) must not add rows to the macro just stored.
    if (!recording_) return Input::NotRecording;
    if (captured_ >= kMaxInputs) return Input::Full;

    // 999 inputs with a pause before each come to almost 2,000 rows, twice what a
    // record holds, and a macro that does not fit is refused as a whole when it is
    // stored. So the recording also ends where the record is full, and what was
    // recorded is kept.
    const bool withDelay = !noDelays && lastTick_.has_value();
    if (rows_.size() + (withDelay ? 2 : 1) > static_cast<size_t>(macro::kMaxEvents)) {
        return Input::Full;
    }

    if (!noDelays) {
        const uint32_t now = clock_.tickMs();
        if (lastTick_) {
            // Unsigned subtraction measures across the tick count's wrap; a pause
            // longer than a row holds is kept at the longest one rather than cut to
            // its low bits.
            rows_.push_back(DelayRow(std::min(now - *lastTick_, macro::kValueMask)));
        }
        lastTick_ = now;
    }
    rows_.push_back(input.released ? ReleaseRow(code) : PressRow(code));
    ++captured_;
    lastInput_ = input;
    return Input::Recorded;
}

bool Recorder::PadInput(MousePad pad, bool pressed, EditMode mode) {
    if (!recording_ && !IsKeyEdit(mode)) return false;
    poster_.post(page_, msg::kHookInput, static_cast<uint32_t>(pad),
                 pressed ? 0 : static_cast<intptr_t>(kKeyReleasedFlag));
    return true;
}

StoredRows StoreEventRows(MacroStore& store, std::vector<EventRow>& rows, std::string_view loopText,
                          int32_t macroId, std::string_view name) {
    const BuiltMacro built = BuildMacroRecord(rows, loopText, macroId, name);
    StoredRows out{built.status, std::nullopt};
    if (built.record) out.stored = store.storeMacro(*built.record);
    return out;
}

}  // namespace x5k
