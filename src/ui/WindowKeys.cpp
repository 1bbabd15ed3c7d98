#include "ui/WindowKeys.h"

#include <QKeyEvent>

namespace x5k::ui {
namespace {

// Whether Num Lock was on for a key of the window. Only the keypad's digit and dot keys
// read differently with it, and for them Qt reports the keypad modifier with the digit
// (Num Lock on) or the navigation key the digit doubles as (off); for every other key
// the answer is not consulted. Shift held with Num Lock on also gives the navigation
// key, which reads as off: the key is then reported as that navigation key, as the
// desktop itself treats it.
bool NumLockOf(const QKeyEvent& event) {
    if (!(event.modifiers() & Qt::KeypadModifier)) return true;
    const int key = event.key();
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Period || key == Qt::Key_Comma;
}

}  // namespace

std::optional<HookKeyEvent> HookKeyOfWindowKey(const QKeyEvent& event,
                                               const KeyEventTranslator& translator) {
    const bool release = event.type() == QEvent::KeyRelease;
    if (release && event.isAutoRepeat()) return std::nullopt;
    const int32_t value = release ? 0 : (event.isAutoRepeat() ? 2 : 1);
    return TranslateWindowKey(translator, event.nativeScanCode(), value, NumLockOf(event));
}

}  // namespace x5k::ui
