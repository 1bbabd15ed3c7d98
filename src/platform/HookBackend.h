#pragma once
// The desktop-wide keyboard and mouse watch behind InputHooks. A backend installs two
// independent hooks; once installed, it hands each input event to its sink (the
// callbacks of InputHooks) on its input thread and honours the verdict to swallow or
// pass it.

#include <cstdint>
#include <optional>
#include <string>

namespace x5k {

// Where a backend hands the input events it watches, and what it needs to know of the
// mouse block list to swallow presses. Called on the backend's input thread.
class HookSink {
public:
    virtual ~HookSink() = default;
    // Keyboard input is only watched; the verdict is never used.
    virtual void keyboardEvent(uint32_t virtualKey, uint32_t flags) = 0;
    // True when the event is to be swallowed.
    virtual bool mouseEvent(uint32_t message, uint32_t mouseData) = 0;
    virtual bool isBlocked(uint32_t inputCode) const = 0;
    virtual bool anythingBlocked() const = 0;
};

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
    // Where events go; set before a hook is installed. Once this returns the backend no
    // longer calls the previous sink, so setSink(nullptr) comes before the sink's end.
    // A backend that delivers nothing by itself (a test's, whose events the test hands
    // to the hooks) has no use for it.
    virtual void setSink(HookSink*) {}
    // What the last installation could not reach, with the way to grant it, for the
    // user; nothing when everything is reachable.
    virtual std::optional<std::string> accessProblem() const { return std::nullopt; }
    // True while the keyboard hook reads at least one keyboard and every keyboard there
    // is, so every key the user types reaches it.
    virtual bool readsKeyboard() const { return false; }
    // True while the mouse hook is installed and reads at least one pointing device, so
    // the clicks of what it reads reach it.
    virtual bool readsPointer() const { return false; }
};

}  // namespace x5k
