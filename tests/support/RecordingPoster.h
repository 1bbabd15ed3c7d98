#pragma once
// Keeps every message posted or sent, in order, from any thread.

#include <mutex>
#include <vector>

#include "platform/WindowMessages.h"

namespace x5k::test {

struct PostedMessage {
    Window target;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool sent;  // sent and waited for, rather than posted
    bool operator==(const PostedMessage&) const = default;
};

class RecordingPoster final : public MessagePoster {
public:
    void post(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({target, message, wParam, lParam, false});
    }
    intptr_t send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({target, message, wParam, lParam, true});
        return 0;
    }
    std::vector<PostedMessage> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // The wParams of the messages `message` posted to `target`, in order.
    std::vector<uintptr_t> wParams(Window target, uint32_t message) const {
        std::lock_guard lock(mutex_);
        std::vector<uintptr_t> out;
        for (const auto& m : messages_) {
            if (m.target == target && m.message == message) out.push_back(m.wParam);
        }
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<PostedMessage> messages_;
};

}  // namespace x5k::test
