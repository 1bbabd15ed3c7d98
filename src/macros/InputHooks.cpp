#include "macros/InputHooks.h"

#include <algorithm>

#include "common/DiagnosticLog.h"

namespace x5k {

namespace {

bool IsPlainButtonDown(uint32_t message) {
    return message == mouse::kLeftDown || message == mouse::kRightDown ||
           message == mouse::kMiddleDown;
}

// The code of a wheel step: forward when the signed delta in the mouse data is not
// negative.
uint32_t WheelCode(uint32_t mouseData) {
    return static_cast<int32_t>(mouseData) >= 0 ? mouse::kWheelForward : mouse::kWheelBackward;
}

}  // namespace

InputHooks::InputHooks(HookBackend& backend, MessagePoster& poster)
    : backend_(backend), poster_(poster) {}

bool InputHooks::InstallHooks(Window window) {
    std::lock_guard lock(mutex_);
    target_ = window;
    homeTarget_ = window;
    if (!keyboardHook_) keyboardHook_ = backend_.installKeyboardHook();
    if (!mouseHook_) mouseHook_ = backend_.installMouseHook();
    X5K_LOG("hooks: installed for window ", static_cast<int>(window), ": keyboard ", keyboardHook_,
            ", mouse ", mouseHook_);
    return keyboardHook_ && mouseHook_;
}

void InputHooks::RemoveHooks() {
    std::lock_guard lock(mutex_);
    if (keyboardHook_) backend_.removeKeyboardHook();
    if (mouseHook_) backend_.removeMouseHook();
    if (keyboardHook_ || mouseHook_) X5K_LOG("hooks: removed");
    keyboardHook_ = false;
    mouseHook_ = false;
}

void InputHooks::SetTarget(Window window) {
    std::lock_guard lock(mutex_);
    target_ = window;
}

void InputHooks::SetForwarding(bool keyboard, bool mouse) {
    std::lock_guard lock(mutex_);
    if (keyboardForwarding_ != keyboard || mouseForwarding_ != mouse) {
        X5K_LOG("hooks: forwarding keyboard ", keyboard, ", mouse ", mouse);
    }
    keyboardForwarding_ = keyboard;
    mouseForwarding_ = mouse;
    if (!keyboard && !mouse) target_ = homeTarget_;
}

void InputHooks::SetMouseNotify(bool on) {
    std::lock_guard lock(mutex_);
    mouseNotify_ = on;
}

void InputHooks::BlockMouseCode(uint32_t inputCode, bool remove) {
    // 0 marks a free entry; it is no input code.
    if (inputCode == 0) return;
    bool changed = false;
    {
        std::lock_guard lock(blockWriters_);
        if (remove) {
            for (auto& entry : blocked_) {
                if (entry.load() == inputCode) {
                    entry.store(0);
                    changed = true;
                }
            }
        } else if (!IsBlocked(inputCode)) {
            for (auto& entry : blocked_) {
                if (entry.load() == 0) {
                    entry.store(inputCode);
                    changed = true;
                    break;
                }
            }
        }
    }
    if (changed) {
        X5K_LOG("hooks: ", remove ? "no longer blocking" : "blocking", " mouse input ",
                diagnostic::HexNumber{inputCode});
        backend_.blockListChanged();
    }
}

bool InputHooks::IsBlocked(uint32_t inputCode) const {
    return std::any_of(blocked_.begin(), blocked_.end(),
                       [inputCode](const auto& entry) { return entry.load() == inputCode; });
}

std::array<uint32_t, InputHooks::kBlockListSize> InputHooks::blockList() const {
    std::array<uint32_t, kBlockListSize> out{};
    for (size_t i = 0; i < kBlockListSize; ++i) out[i] = blocked_[i].load();
    return out;
}

InputHooks::Snapshot InputHooks::snapshot() const {
    std::lock_guard lock(mutex_);
    return {target_, keyboardForwarding_, mouseForwarding_, mouseNotify_};
}

void InputHooks::notify(const Snapshot& s, uint32_t code) {
    if (s.target) poster_.post(*s.target, msg::kHookNotify, code, 0);
}

bool InputHooks::takePending(uint32_t upCode) {
    if (upCode == 0) return false;  // 0 marks a free entry
    for (auto& pending : pending_) {
        if (pending == upCode) {
            pending = 0;
            return true;
        }
    }
    return false;
}

void InputHooks::setPending(uint32_t upCode) {
    if (std::find(pending_.begin(), pending_.end(), upCode) != pending_.end()) return;
    auto free = std::find(pending_.begin(), pending_.end(), 0u);
    if (free != pending_.end()) *free = upCode;
}

bool InputHooks::OnKeyboardEvent(uint32_t virtualKey, uint32_t flags) {
    const Snapshot s = snapshot();
    if (s.keyboardForwarding && s.target) {
        poster_.post(*s.target, msg::kHookInput, virtualKey, static_cast<intptr_t>(flags));
    }
    return false;
}

bool InputHooks::OnMouseEvent(uint32_t message, uint32_t mouseData) {
    const Snapshot s = snapshot();

    // The code a button down is listed under, and the code of its matching up.
    std::optional<uint32_t> downCode;
    if (IsPlainButtonDown(message)) downCode = message;
    if (message == mouse::kSideDown) downCode = message + mouseData;

    if (downCode) {
        const uint32_t upCode = *downCode + 1;
        if (IsBlocked(*downCode)) {
            notify(s, *downCode);
            setPending(upCode);
            return true;
        }
        // A down that passes ends any stale swallow of its up, so the up of a press
        // other programs saw is never taken from them.
        takePending(upCode);
        if (s.mouseNotify) notify(s, *downCode);
    } else if (message == mouse::kWheel) {
        const uint32_t code = WheelCode(mouseData);
        if (IsBlocked(code)) {
            notify(s, code);
            return true;
        }
        if (s.mouseNotify) notify(s, code);
    } else if (message == mouse::kSideUp) {
        if (takePending(message + mouseData)) return true;
    } else if (takePending(message)) {
        return true;
    }

    if (s.mouseForwarding && message != mouse::kMove && s.target) {
        const uint32_t code = message == mouse::kWheel ? WheelCode(mouseData) : message + mouseData;
        poster_.post(*s.target, msg::kHookInput, code, 0);
    }
    return false;
}

std::optional<Window> InputHooks::target() const {
    std::lock_guard lock(mutex_);
    return target_;
}
std::optional<Window> InputHooks::homeTarget() const {
    std::lock_guard lock(mutex_);
    return homeTarget_;
}
bool InputHooks::keyboardForwarding() const {
    std::lock_guard lock(mutex_);
    return keyboardForwarding_;
}
bool InputHooks::mouseForwarding() const {
    std::lock_guard lock(mutex_);
    return mouseForwarding_;
}
bool InputHooks::mouseNotify() const {
    std::lock_guard lock(mutex_);
    return mouseNotify_;
}
bool InputHooks::keyboardHookInstalled() const {
    std::lock_guard lock(mutex_);
    return keyboardHook_;
}
bool InputHooks::mouseHookInstalled() const {
    std::lock_guard lock(mutex_);
    return mouseHook_;
}

bool InputHooksSink::anythingBlocked() const {
    const auto list = hooks_.blockList();
    return std::any_of(list.begin(), list.end(), [](uint32_t code) { return code != 0; });
}

}  // namespace x5k
