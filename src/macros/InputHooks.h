#pragma once
// The one process-wide watch over the desktop's keyboard and mouse input. It posts
// keyboard input for recording and key capture, reports mouse input to the main
// window, and swallows the presses of the mouse inputs on its block list (with their
// releases), so a button bound to a computer-side action reaches no other program.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "device/ApplyWorker.h"
#include "platform/HookBackend.h"
#include "platform/WindowMessages.h"

namespace x5k {

namespace mouse {
// Mouse message numbers as the hooks report them.
inline constexpr uint32_t kMove = 0x200;
inline constexpr uint32_t kLeftDown = 0x201;
inline constexpr uint32_t kLeftUp = 0x202;
inline constexpr uint32_t kRightDown = 0x204;
inline constexpr uint32_t kRightUp = 0x205;
inline constexpr uint32_t kMiddleDown = 0x207;
inline constexpr uint32_t kMiddleUp = 0x208;
inline constexpr uint32_t kWheel = 0x20A;
inline constexpr uint32_t kSideDown = 0x20B;
inline constexpr uint32_t kSideUp = 0x20C;

// The mouse-data field of a side-button message names the button in its high word.
inline constexpr uint32_t kSideButton1Data = 0x00010000;
inline constexpr uint32_t kSideButton2Data = 0x00020000;

// Mouse input codes: a wheel step by its direction, a side button by its message plus
// its mouse data; the other buttons by their message.
inline constexpr uint32_t kWheelBackward = 0x20A00;
inline constexpr uint32_t kWheelForward = 0x20A01;
inline constexpr uint32_t kSide1Down = kSideDown + kSideButton1Data;
inline constexpr uint32_t kSide1Up = kSideUp + kSideButton1Data;
inline constexpr uint32_t kSide2Down = kSideDown + kSideButton2Data;
inline constexpr uint32_t kSide2Up = kSideUp + kSideButton2Data;
}  // namespace mouse

// Bit 7 of a keyboard event's flags is set when the key was released.
inline constexpr uint32_t kKeyReleasedFlag = 0x80;

class InputHooks final : public MouseBlockList {
public:
    static constexpr size_t kBlockListSize = 12;

    explicit InputHooks(HookBackend& backend, MessagePoster& poster);
    InputHooks(const InputHooks&) = delete;
    InputHooks& operator=(const InputHooks&) = delete;

    // Makes `window` the target and the home target and installs both hooks; true only
    // when both are installed (one that was installed stays so). A hook already
    // installed is kept rather than installed twice, so a reinstallation after the
    // mouse returns never doubles the messages. The switches keep their values.
    bool InstallHooks(Window window);
    void RemoveHooks();

    void SetTarget(Window window);
    // With keyboard forwarding off, the target falls back to the home target unless
    // mouse forwarding stays on.
    void SetForwarding(bool keyboard, bool mouse);
    void SetMouseNotify(bool on);

    // Puts `inputCode` into the first free entry unless it is listed already (a full
    // list stays unchanged), or with `remove` clears the entry holding it.
    void BlockMouseCode(uint32_t inputCode, bool remove) override;

    // The two callbacks, called by the backend on its input thread for each event.
    // Each returns true when the event is swallowed, false when it passes on.
    bool OnKeyboardEvent(uint32_t virtualKey, uint32_t flags);
    bool OnMouseEvent(uint32_t message, uint32_t mouseData);

    std::optional<Window> target() const;
    std::optional<Window> homeTarget() const;
    bool keyboardForwarding() const;
    bool mouseForwarding() const;
    bool mouseNotify() const;
    bool keyboardHookInstalled() const;
    bool mouseHookInstalled() const;
    std::array<uint32_t, kBlockListSize> blockList() const;
    bool IsBlocked(uint32_t inputCode) const;

private:
    struct Snapshot {
        std::optional<Window> target;
        bool keyboardForwarding;
        bool mouseForwarding;
        bool mouseNotify;
    };
    Snapshot snapshot() const;
    void notify(const Snapshot& s, uint32_t code);
    // Swallows the event when the button's up code is pending, and forgets it then.
    bool takePending(uint32_t upCode);
    void setPending(uint32_t upCode);

    HookBackend& backend_;
    MessagePoster& poster_;

    mutable std::mutex mutex_;  // guards the fields below up to the block list
    std::optional<Window> target_;
    std::optional<Window> homeTarget_;
    bool keyboardForwarding_ = true;
    bool mouseForwarding_ = true;
    bool mouseNotify_ = true;
    bool keyboardHook_ = false;
    bool mouseHook_ = false;

    // Read by the input thread without a lock; the writers (the apply worker) take
    // blockWriters_ so that "find, else insert" is one step.
    std::array<std::atomic<uint32_t>, kBlockListSize> blocked_{};
    std::mutex blockWriters_;

    // The up codes still to be swallowed, one per button whose down was swallowed.
    // Only the input thread touches them. Keeping one per button (rather than a
    // single code) means a side button's up is swallowed only after its own down was,
    // and a second blocked button never makes the first one's up leak.
    std::array<uint32_t, 5> pending_{};
};

// The input hooks as the sink of a hook backend.
class InputHooksSink final : public HookSink {
public:
    explicit InputHooksSink(InputHooks& hooks) : hooks_(hooks) {}
    void keyboardEvent(uint32_t virtualKey, uint32_t flags) override {
        hooks_.OnKeyboardEvent(virtualKey, flags);
    }
    bool mouseEvent(uint32_t message, uint32_t mouseData) override {
        return hooks_.OnMouseEvent(message, mouseData);
    }
    bool isBlocked(uint32_t inputCode) const override { return hooks_.IsBlocked(inputCode); }
    bool anythingBlocked() const override;

private:
    InputHooks& hooks_;
};

}  // namespace x5k
