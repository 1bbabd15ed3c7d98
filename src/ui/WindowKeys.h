#pragma once
// A key event of one of the program's own windows in the form the input hooks report
// keys, so that a key typed while a window has the focus counts as the same event as one
// the hooks saw. The assignment pop-up's key page and the macro recorder both take the
// window's keys through here.

#include <optional>

#include "platform/KeyboardLayout.h"

class QKeyEvent;

namespace x5k::ui {

// The hooks' form of a window's key press, auto-repeat or release, by the platform's
// key table. Nothing for the release half of an auto-repeat (Qt sends a repeat as a
// release and a press; only the press is an event for the hooks) and for a key the
// table does not know.
std::optional<HookKeyEvent> HookKeyOfWindowKey(const QKeyEvent& event,
                                               const KeyEventTranslator& translator);

}  // namespace x5k::ui
