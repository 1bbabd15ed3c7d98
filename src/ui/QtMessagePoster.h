#pragma once
// The program's MessagePoster: core code names a Window, and this routes the message to
// the MessageWindow registered under that name. A message for a window that is not
// registered (not created yet, or already gone) is dropped; a send to it returns 0.

#include <QMetaObject>

#include <array>
#include <cstddef>
#include <mutex>

#include "platform/WindowMessages.h"

namespace x5k::ui {

class MessageWindow;

class QtMessagePoster final : public MessagePoster {
public:
    QtMessagePoster() = default;
    ~QtMessagePoster() override;
    QtMessagePoster(const QtMessagePoster&) = delete;
    QtMessagePoster& operator=(const QtMessagePoster&) = delete;

    // Routes the id to the window (replacing any earlier one) until unregistered or until
    // the window starts being destroyed. Call on the window's thread.
    void registerWindow(Window id, MessageWindow* window);
    void unregisterWindow(Window id);
    // The window registered under the id, or nullptr.
    MessageWindow* window(Window id) const;

    void post(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    intptr_t send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) override;

private:
    // One entry per Window; the last one is the assignment pop-up's key page.
    static constexpr std::size_t kWindowCount =
        static_cast<std::size_t>(Window::AssignmentKeyPage) + 1;
    struct Entry {
        MessageWindow* window = nullptr;
        QMetaObject::Connection destroyed;
    };
    static std::size_t slot(Window id);

    // Held while a message is handed to a window, so a window cannot finish unregistering
    // (and be destroyed) in the middle of it. Never held while a sender waits.
    mutable std::mutex mutex_;
    std::array<Entry, kWindowCount> entries_{};
};

}  // namespace x5k::ui
