#pragma once
// Recording on the macro page: what the user types (and clicks on the page's three
// mouse pads) becomes press and release rows of the macro being edited, with the
// pauses between them as delay rows. The page owns the event list and this object;
// the page shows the rows and, when recording stops, builds and stores the macro.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "macros/InputHooks.h"
#include "macros/MacroBuilder.h"
#include "macros/MacroRecord.h"
#include "macros/MacroTable.h"
#include "platform/Clock.h"
#include "platform/UserMessages.h"
#include "platform/WindowMessages.h"

namespace x5k {

// What the macro page's key and delay editing widgets are doing.
enum class EditMode { Idle, InsertKey, ModifyKey, InsertDelay, ModifyDelay };

constexpr bool IsKeyEdit(EditMode mode) {
    return mode == EditMode::InsertKey || mode == EditMode::ModifyKey;
}
constexpr bool IsDelayEdit(EditMode mode) {
    return mode == EditMode::InsertDelay || mode == EditMode::ModifyDelay;
}

// The three pads of the macro page and the input codes they record.
enum class MousePad : uint32_t { Click = 1, Menu = 2, Middle = 4 };

// The caption of the record button: "Stop Record" while recording.
std::string_view RecordButtonCaption(bool recording, bool chinese);

class Recorder {
public:
    static constexpr int kMaxInputs = 999;

    enum class Toggle {
        RefusedKeyEdit,    // told the user; nothing changed
        RefusedDelayEdit,  // told the user; nothing changed
        NoMacroSelected,   // forwarding off, widgets to be closed; not recording
        Started,
        Stopped,  // the page builds and stores the rows into the remembered macro row
    };

    enum class Input {
        NotRecording,  // neither recording nor capturing a key: nothing happens
        Repeat,        // the same key in the same up/down state as the last input
        ForKeyEdit,    // the key-editing widgets take it
        Full,          // 999 inputs, or as many rows as a macro record holds
        Recorded,
    };

    // `rows` is the page's event list; `page` is the page's window.
    Recorder(InputHooks& hooks, MessagePoster& poster, Clock& clock, UserMessages& messages,
             std::vector<EventRow>& rows, Window page = Window::MacroPage);

    // The record button. With an edit mode active the user is told why recording
    // cannot start or stop. Otherwise forwarding goes off first; the page then closes
    // its editing widgets, and when `macroSelected` the recording starts or stops.
    Toggle ToggleRecording(EditMode mode, bool macroSelected, bool chinese);

    // Ends a recording without the edit-mode checks, for another macro row being
    // selected or the main window switching pages. True when one was running; the
    // page then stores the rows into the remembered macro row.
    bool Stop();

    // A WM_HOOK_INPUT (code, flags) reaching the page.
    Input HandleHookInput(uint32_t code, uint32_t flags, EditMode mode, bool noDelays);

    // A pad pressed or released: while recording or capturing a key, the page posts
    // the pad's input to itself (flags 0 or the released bit). True when posted.
    bool PadInput(MousePad pad, bool pressed, EditMode mode);

    bool recording() const { return recording_; }
    int capturedCount() const { return captured_; }
    std::optional<uint32_t> lastTick() const { return lastTick_; }
    struct LastInput {
        uint32_t code = 0;
        bool released = false;
        bool operator==(const LastInput&) const = default;
    };
    LastInput lastInput() const { return lastInput_; }

private:
    InputHooks& hooks_;
    MessagePoster& poster_;
    Clock& clock_;
    UserMessages& messages_;
    std::vector<EventRow>& rows_;
    Window page_;

    bool recording_ = false;
    int captured_ = 0;
    // Empty until the first input of a recording: a tick of 0 is a real tick too.
    std::optional<uint32_t> lastTick_;
    // Never reset: a held key's repeats are dropped across recordings as well.
    LastInput lastInput_;
};

// How storing the page's rows ended: `stored` is empty when nothing could be built
// (no rows, or more events than a record holds) and nothing was written.
struct StoredRows {
    BuildStatus build = BuildStatus::NoRows;
    std::optional<StoreResult> stored;
};

// Builds the page's rows (adjacent pauses merged on the page too) into the macro
// `macroId` named `name`, repeated as `loopText` says, and stores it: what the page
// does when a recording stops and after every edit of the macro's rows.
StoredRows StoreEventRows(MacroStore& store, std::vector<EventRow>& rows, std::string_view loopText,
                          int32_t macroId, std::string_view name);

}  // namespace x5k
