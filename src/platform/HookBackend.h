#pragma once
// The desktop-wide keyboard and mouse watch behind InputHooks. A backend installs two
// independent hooks; once installed, it hands each input event to the callbacks of
// InputHooks on its input thread and honours their verdict to swallow or pass it.

namespace x5k {

class HookBackend {
public:
    virtual ~HookBackend() = default;
    // Each returns false when the hook cannot be installed (for example without
    // permission to read the input devices); the other hook is unaffected.
    [[nodiscard]] virtual bool installKeyboardHook() = 0;
    [[nodiscard]] virtual bool installMouseHook() = 0;
    virtual void removeKeyboardHook() = 0;
    virtual void removeMouseHook() = 0;
    // The mouse block list changed (on the thread that changed it), so a backend that
    // needs more than the callbacks to swallow, such as a grab, can act at once.
    virtual void blockListChanged() {}
};

}  // namespace x5k
